#pragma once

#include <QProxyStyle>

// The application's style, but the menu bar's overflow button gets its icon
// only when the button is first drawn: reading that image at start-up would
// load every image-format plugin before the main window shows, for a button
// that is hidden while the menus fit.
class DeferredIconStyle : public QProxyStyle
{
public:
    // Takes over `base`, as QProxyStyle does.
    explicit DeferredIconStyle(QStyle *base);

    QIcon standardIcon(StandardPixmap which, const QStyleOption *option = nullptr,
                       const QWidget *widget = nullptr) const override;
};

// Puts DeferredIconStyle around the style the application would use (its
// -style option and QT_STYLE_OVERRIDE included). Call before any window exists.
void installDeferredIconStyle();
