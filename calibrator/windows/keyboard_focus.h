#pragma once

class QWidget;

// Disabling a window drops its keyboard focus and enabling it again does not
// bring it back, which strands a technician working by keyboard. These keep
// the focus across a disabled stretch.

// Disables `window`, remembering which of its controls had the focus.
void disableKeepingFocus(QWidget *window);

// Enables `window` and gives the focus back to the control remembered by
// disableKeepingFocus, or to the window itself when that control is gone,
// hidden or disabled. `activate` also raises the window to the active one.
void enableRestoringFocus(QWidget *window, bool activate);
