#include "message.h"

#include <cstdio>

namespace orv {

namespace {

void printToStderr(const QString &text, MessageIcon, const QString &title)
{
    std::fprintf(stderr, "%s: %s\n", qPrintable(title), qPrintable(text));
}

MessageHandler &handlerSlot()
{
    static MessageHandler handler = printToStderr;
    return handler;
}

} // namespace

void show_message(const QString &text, MessageIcon icon, const QString &title)
{
    if (const MessageHandler &handler = handlerSlot())
        handler(text, icon, title);
}

MessageHandler setMessageHandler(MessageHandler handler)
{
    return std::exchange(handlerSlot(), std::move(handler));
}

} // namespace orv
