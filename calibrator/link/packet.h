#pragma once

#include <QByteArray>

#include <cstdint>

namespace orv {

// Framed request: start byte, body length n, body, checksum, end byte. The
// checksum makes n + body bytes + checksum a multiple of 256; start and end
// take no part.
inline constexpr char packetStart = 0x02;
inline constexpr char packetEnd = 0x03;

QByteArray framePacket(const QByteArray &body);
QByteArray readPacket(std::uint8_t address);
QByteArray writePacket(std::uint8_t address, std::int32_t value);

// A version reply is accepted when its leading number's integer part is 1..10.
bool acceptableVersion(const QByteArray &reply);

} // namespace orv
