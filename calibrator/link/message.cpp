#include "message.h"

#include <cstdio>

namespace orv {

void StderrMessages::showMessage(const QString &text, MessageIcon, const QString &title)
{
    std::fprintf(stderr, "%s: %s\n", qPrintable(title), qPrintable(text));
}

} // namespace orv
