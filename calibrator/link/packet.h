#pragma once

#include <QByteArray>

#include <cstdint>

namespace orv {

// Framed request: 0x02, body length n, body, checksum, 0x03. The checksum makes
// n + body bytes + checksum a multiple of 256; start and end take no part.
QByteArray framePacket(const QByteArray &body, char start = 0x02, char end = 0x03);
QByteArray readPacket(std::uint8_t address, char start = 0x02, char end = 0x03);
QByteArray writePacket(std::uint8_t address, std::int32_t value, char start = 0x02, char end = 0x03);

// A version reply is accepted when its leading number's integer part is 1..10.
bool acceptableVersion(const QByteArray &reply);

} // namespace orv
