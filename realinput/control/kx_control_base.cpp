#include "kx_control_base.h"

#include "framework/automation_error.h"
#include "vendor/kx32r60.h"
#include "vururaz_typelib.h"

#include <QCursor>
#include <QPixmap>

CKxControlBase::CKxControlBase(QWidget *parent) : zq::OleControl(parent)
{
    updateBackBrush();
    connect(this, &zq::OleControl::propertyChanged, this, [this](int id) {
        if (id == zq::dispid::backColor)
            updateBackBrush();
    });
}

void CKxControlBase::ErrorInvalidProperty() const
{
    throwError(zq::status::invalidPropertyValue, QStringLiteral("Invalid property value"));
}

void CKxControlBase::setMouseIcon(const zq::Picture &icon)
{
    if (icon.kind != zq::Picture::Icon && icon.kind != zq::Picture::None)
        ErrorInvalidProperty();
    if (!icon.isWellFormed())
        ErrorInvalidProperty();
    m_mouseIcon = icon;
    if (m_effectivePointer == 99)
        applyMousePointer(99);
    invalidateControl();
    setModifiedFlag();
    boundPropertyChanged(vururaz::dispid::MouseIcon);
}

void CKxControlBase::applyMousePointer(short pointer)
{
    m_effectivePointer = pointer;
    static const Qt::CursorShape shapes[] = {
        Qt::ArrowCursor,   Qt::ArrowCursor,     Qt::CrossCursor,   Qt::IBeamCursor,  Qt::ArrowCursor,
        Qt::SizeAllCursor, Qt::SizeBDiagCursor, Qt::SizeVerCursor, Qt::SizeFDiagCursor, Qt::SizeHorCursor,
        Qt::UpArrowCursor, Qt::WaitCursor,      Qt::ForbiddenCursor, Qt::BusyCursor, Qt::WhatsThisCursor,
        Qt::SizeAllCursor,
    };
    if (pointer == 99 && !m_mouseIcon.isEmpty()) {
        QPixmap pixmap;
        pixmap.loadFromData(m_mouseIcon.data);
        setCursor(QCursor(pixmap));
    } else if (pointer >= 1 && pointer <= 15) {
        setCursor(shapes[pointer]);
    } else {
        // The framework's default: whatever pointer the window beneath shows.
        unsetCursor();
    }
}

void CKxControlBase::updateBackBrush()
{
    m_backBrush = kx32r60::translateColor(backColor());
}

#include "moc_kx_control_base.cpp"
