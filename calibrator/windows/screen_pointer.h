#pragma once

// The screen's one mouse pointer, shown busy while a window talks to the
// station. Unlike override cursors these do not stack: normal is normal.
void setScreenPointerBusy();
void setScreenPointerNormal();
bool screenPointerBusy();
