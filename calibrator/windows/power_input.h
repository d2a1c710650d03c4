#pragma once

#include <QString>

class QWidget;

namespace zq {
class ControlLoader;
}

// Creates the "Power Setting" panel's real-number input control, ZqRealInput1,
// through the control library as a container does, and gives it the panel's
// stored settings. When the library is not registered yet, the one built with
// the program is registered first. Null, with the reason in `error`, when no
// control can be had.
QWidget *createPowerInput(zq::ControlLoader &loader, QWidget *parent, QString *error);
