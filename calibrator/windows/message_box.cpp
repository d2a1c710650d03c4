#include "message_box.h"

#include <QApplication>
#include <QMessageBox>

namespace {

QMessageBox::Icon boxIcon(orv::MessageIcon icon)
{
    switch (icon) {
    case orv::MessageIcon::Critical: return QMessageBox::Critical;
    case orv::MessageIcon::Question: return QMessageBox::Question;
    case orv::MessageIcon::Exclamation: return QMessageBox::Warning;
    case orv::MessageIcon::Information: return QMessageBox::Information;
    case orv::MessageIcon::None: break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

void MessageBoxes::showMessage(const QString &text, orv::MessageIcon icon, const QString &title)
{
    QMessageBox box(boxIcon(icon), title, text, QMessageBox::Ok, QApplication::activeWindow());
    if (detailFor)
        box.setInformativeText(detailFor(text));
    box.exec();
}
