#pragma once

#include "link/message.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace orv::test {

// Every message box the code under test shows, recorded instead of shown, for
// the life of the object (the previous handler comes back even when a test fails).
class MessageCapture
{
public:
    struct Message
    {
        QString text;
        MessageIcon icon;
        QString title;
    };

    MessageCapture();
    ~MessageCapture();

    MessageCapture(const MessageCapture &) = delete;
    MessageCapture &operator=(const MessageCapture &) = delete;

    QStringList texts() const;
    bool isEmpty() const { return messages.isEmpty(); }
    // Link failures are reported one way: a critical box titled "ORV CAL".
    bool allCriticalOrvCal() const;

    QList<Message> messages;

private:
    MessageHandler m_previous;
};

} // namespace orv::test
