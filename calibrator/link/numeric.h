#pragma once

#include <QByteArray>

#include <cstdint>

namespace orv {

// The number at the start of a text, read the way the station's tools always
// have: blanks, tabs and line feeds are skipped anywhere, reading stops at the
// first character that cannot continue the number, "&H" and "&O" prefixes read
// hexadecimal and octal digits, and a text without a number reads 0. A number
// beyond the double range reads as an infinity of its sign.
double leadingNumber(const QByteArray &text);

// Round to the nearest integer, halves to the even neighbour (12.5 -> 12, 37.5 -> 38).
// Values beyond the 32-bit range saturate instead of overflowing.
std::int32_t roundHalfEven(double value);

} // namespace orv
