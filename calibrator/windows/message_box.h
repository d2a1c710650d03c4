#pragma once

#include "link/message.h"

// The program's messages in message boxes (icon, title, OK) over the active window.
class MessageBoxes final : public orv::MessageSink
{
public:
    void showMessage(const QString &text, orv::MessageIcon icon, const QString &title) override;
};
