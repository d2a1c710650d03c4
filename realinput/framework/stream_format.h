#pragma once

#include "property_exchange.h"

#include <QByteArray>

namespace zq {

// The binary stream form of a control's persisted properties.
//
// Layout (all integers little-endian):
//   "ZQPS" magic, u8 format version (1), then records in exchange order, then u8 0.
//   record: u8 type tag, u8 name length n (1..255), n bytes of name (Latin-1), payload.
//   tags and payloads:
//     2 I2        i16            3 I4     i32          4 R4   IEEE single
//     5 R8        IEEE double   11 Bool   i16 -1 / 0   8 String  u32 length + Latin-1 bytes
//     6 Currency  i64 (1/10000) 19 Color  u32 OLE colour
//     9 Picture   u8 kind (0 none, 1 bitmap, 3 icon) + u32 length + PNG bytes
//    10 Font      name as a String payload, i64 size (currency), i16 weight,
//                 i16 charset, u8 flags (1 italic, 2 underline, 4 strikethrough)
// Strings and picture data hold at most maxStringBytes, font names maxFontNameBytes;
// the writer cuts longer strings and names and leaves out a longer picture. A reader
// keeps every record before the first one it cannot parse; a record over a limit but
// whole in the stream, and a picture whose bytes do not decode, are kept as damaged.
namespace stream_format {

constexpr quint32 maxStringBytes = 1u << 20;
constexpr int maxFontNameBytes = 255;

QByteArray encode(const QVector<StoredValue> &values);
// *complete is false when the stream ended early or held a value over a limit.
QVector<StoredValue> decode(const QByteArray &bytes, bool *complete = nullptr);

} // namespace stream_format
} // namespace zq
