#pragma once

#include "framework/ole_control.h"

#include <QColor>

// The vendor's thin base shared by its controls: the mouse icon and pointer,
// the back-colour brush, the persisted TintColor and the invalid-property error.
class CKxControlBase : public zq::OleControl
{
    Q_OBJECT
    Q_PROPERTY(zq::Picture MouseIcon READ mouseIcon WRITE setMouseIcon)

public:
    explicit CKxControlBase(QWidget *parent = nullptr);

    zq::Picture mouseIcon() const { return m_mouseIcon; }
    // Only an icon or no picture is accepted.
    void setMouseIcon(const zq::Picture &icon);
    short effectiveMousePointer() const { return m_effectivePointer; }
    // Persisted and handed to the About box, never reachable through automation.
    quint32 tintColor() const { return m_tintColor; }
    QColor backBrushColor() const { return m_backBrush; }

protected:
    [[noreturn]] void ErrorInvalidProperty() const;
    // Sets the pointer the cursor logic uses and shows it at once.
    void applyMousePointer(short pointer);

    zq::Picture m_mouseIcon;
    quint32 m_tintColor = 0x0000FFFF;

private:
    void updateBackBrush();

    QColor m_backBrush;
    short m_effectivePointer = 0;
};
