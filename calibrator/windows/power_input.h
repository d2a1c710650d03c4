#pragma once

#include <QString>

class QWidget;

namespace zq {
class ControlLoader;
}

// Creates the "Power Setting" panel's real-number input control, ZqRealInput1,
// through the control library as a container does, and gives it the panel's
// stored settings. The program's own copy of the library (see
// powerInputLibrary) is registered first when the registry names another one
// or none. Null, with the reason in `error`, when no control can be had.
QWidget *createPowerInput(zq::ControlLoader &loader, QWidget *parent, QString *error);

// What takes the control's place when there is none: says it is unavailable.
QWidget *createPowerInputPlaceholder(QWidget *parent, const QString &error);

// The library found relative to the program: beside it, in ../lib, or where
// the build tree puts it; $ORV_ZQRINP32 names another. Empty when there is none.
QString powerInputLibrary();
