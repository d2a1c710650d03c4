#pragma once

#include <QString>

#include <functional>

namespace orv {

enum class MessageIcon { None, Critical, Question, Exclamation, Information };

// Every message box of the program goes through here, so the windows show a
// QMessageBox, the command line prints to stderr and tests record the text.
void show_message(const QString &text, MessageIcon icon = MessageIcon::Critical,
                  const QString &title = QStringLiteral("ORV CAL"));

using MessageHandler = std::function<void(const QString &text, MessageIcon icon, const QString &title)>;

// Installs `handler` and returns the previous one.
MessageHandler setMessageHandler(MessageHandler handler);

} // namespace orv
