#pragma once

#include "link/message.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace orv::test {

// Every message box the code under test shows, recorded instead of shown:
// hand it to the link (or the main window) in place of the message boxes.
class MessageCapture final : public MessageSink
{
public:
    struct Message
    {
        QString text;
        MessageIcon icon;
        QString title;
    };

    void showMessage(const QString &text, MessageIcon icon, const QString &title) override
    {
        messages.append({text, icon, title});
    }

    QStringList texts() const;
    bool isEmpty() const { return messages.isEmpty(); }
    // Link failures are reported one way: a critical box titled "ORV CAL".
    bool allCriticalOrvCal() const;

    QList<Message> messages;
};

} // namespace orv::test
