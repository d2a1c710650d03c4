#pragma once

#include <QString>

namespace orv {

// What the link needs from the windows; the main window implements it, the
// command line and the tests use their own.
class LinkUi
{
public:
    virtual ~LinkUi() = default;

    // Before the port closes: unload the calibration window, hide the terminal.
    virtual void linkClosing() = 0;
    // After: menus back to the unconnected state, main window enabled and
    // focused, default pointer.
    virtual void linkClosed() = 0;
    // The line went away while idle; a message and close_link follow. A
    // terminal on screen says so itself.
    virtual void lineLost(const QString &reason) { Q_UNUSED(reason) }
};

} // namespace orv
