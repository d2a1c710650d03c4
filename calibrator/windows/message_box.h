#pragma once

#include "link/message.h"

#include <functional>

// The program's messages in message boxes (icon, title, OK) over the active window.
class MessageBoxes final : public orv::MessageSink
{
public:
    void showMessage(const QString &text, orv::MessageIcon icon, const QString &title) override;

    // May add a line under a message's own text, saying why and what to do.
    std::function<QString(const QString &text)> detailFor;
};
