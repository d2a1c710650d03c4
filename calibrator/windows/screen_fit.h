#pragma once

#include <QSize>

class QWidget;

// The least width at which a window manager's title bar shows the caption of
// `window` in full, beside its icon and its three buttons.
int captionRoom(const QWidget *window);

// Widens top-level `window` to captionRoom() when it is narrower.
void giveRoomForCaption(QWidget *window);

// Sizes top-level `window` to `preferred` (widened for its caption), cut to
// the room its screen leaves, and moves it so that its frame stays on that
// screen: on a small laptop screen nothing may end up out of reach.
void fitToScreen(QWidget *window, QSize preferred);
