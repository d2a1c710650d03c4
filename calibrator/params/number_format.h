#pragma once

#include <QString>
#include <QStringView>

namespace orv {

// Formats `value` with a picture of '0' (a digit always shown), '#' (a digit
// shown only when significant) and at most one '.': "00.00" gives 04.50,
// "000" gives 045, "##0" gives 5, "#####" gives nothing for 0. The value is
// rounded to the picture's last digit, halves away from zero, on its exact
// binary value. A value that rounds to zero has no minus sign. Characters
// other than these three are ignored.
QString formatNumber(double value, QStringView picture);

// The general text form of a single: no leading blank, no thousands separator,
// up to seven significant digits (halves away from zero), no trailing zeros:
// -40, 12.5, 0.001. Below 1E-04 or from 1E+07 on it is scientific: 1.234568E+07.
QString singleText(float value);

} // namespace orv
