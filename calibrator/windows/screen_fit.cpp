#include "screen_fit.h"

#include <QApplication>
#include <QFontMetrics>
#include <QScreen>
#include <QStyle>
#include <QWidget>
#include <QWindow>

namespace {

int titleBarHeight(const QWidget *window)
{
    const int text = QFontMetrics(window->font()).height();
    return qMax(window->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, window), 2 * text);
}

// Before the window manager has framed a window its frame is unknown; this is
// a generous guess, so a window sized by it ends up on screen either way.
QMargins frameOf(const QWidget *window)
{
    if (const QWindow *handle = window->windowHandle()) {
        const QMargins known = handle->frameMargins();
        if (!known.isNull())
            return known;
    }
    const int border = 4;
    return QMargins(border, titleBarHeight(window) + border, border, border);
}

} // namespace

int captionRoom(const QWidget *window)
{
    // Title bars commonly use a bold face a little larger than the text of the window.
    QFont font = window->font();
    font.setBold(true);
    if (font.pointSizeF() > 0)
        font.setPointSizeF(font.pointSizeF() * 1.15);
    const int text = QFontMetrics(font).horizontalAdvance(window->windowTitle());
    return text + 4 * titleBarHeight(window) + 24;
}

void giveRoomForCaption(QWidget *window)
{
    const QSize size = window->testAttribute(Qt::WA_Resized) ? window->size() : window->sizeHint();
    window->resize(qMax(size.width(), captionRoom(window)), size.height());
}

void fitToScreen(QWidget *window, QSize preferred)
{
    QScreen *screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    const QRect available = screen->availableGeometry();
    const QMargins frame = frameOf(window);
    const QSize room = available.size().shrunkBy(frame);
    preferred.setWidth(qMax(preferred.width(), captionRoom(window)));
    const QSize size = preferred.boundedTo(room).expandedTo(window->minimumSize());
    window->resize(size);

    // A window's position is that of its frame.
    QRect outer(window->pos(), size.grownBy(frame));
    if (!available.contains(outer)) {
        outer.moveRight(qMin(outer.right(), available.right()));
        outer.moveBottom(qMin(outer.bottom(), available.bottom()));
        outer.moveLeft(qMax(outer.left(), available.left()));
        outer.moveTop(qMax(outer.top(), available.top()));
        window->move(outer.topLeft());
    }
}
