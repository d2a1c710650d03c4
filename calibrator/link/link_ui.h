#pragma once

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
};

} // namespace orv
