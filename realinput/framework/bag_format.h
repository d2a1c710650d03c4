#pragma once

#include "property_exchange.h"

#include <QByteArray>

namespace zq {

// The text property-bag form: one "Name = value" line per stored property.
//   strings   "text" with \" \\ \n \r \t and \xHH escapes (Latin-1)
//   numbers   as written by a script: 1, -2, 3.3e+38, 0.5; booleans -1 / 0
//   colours   &H80000006&
//   pictures  Picture(None) or Picture(Icon|Bitmap, <base64 PNG>)
//   fonts     Font("name", <size in points>, <weight>, <charset>, <italic>, <underline>, <strikethrough>)
// Blank lines and lines starting with ';' are ignored. Scalar values are kept
// as text until the exchange asks for them with their type.
namespace bag_format {

QByteArray encode(const QVector<StoredValue> &values);
// *complete is false when some line could not be read; the others still count.
QVector<StoredValue> decode(const QByteArray &text, bool *complete = nullptr);

} // namespace bag_format
} // namespace zq
