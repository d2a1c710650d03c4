#include "screen_pointer.h"

#include <QApplication>

void setScreenPointerBusy()
{
    if (!QApplication::overrideCursor())
        QApplication::setOverrideCursor(Qt::WaitCursor);
}

void setScreenPointerNormal()
{
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
}

bool screenPointerBusy()
{
    return QApplication::overrideCursor() != nullptr;
}
