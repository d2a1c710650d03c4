#include "packet.h"

#include "numeric.h"

#include <cmath>

namespace orv {

QByteArray framePacket(const QByteArray &body)
{
    unsigned sum = unsigned(body.size());
    for (char c : body)
        sum += uchar(c);
    const char checksum = char((256 - sum % 256) % 256);
    QByteArray packet;
    packet.reserve(body.size() + 4);
    packet += packetStart;
    packet += char(body.size());
    packet += body;
    packet += checksum;
    packet += packetEnd;
    return packet;
}

QByteArray readPacket(std::uint8_t address)
{
    return framePacket(QByteArray("GP") + char(address));
}

QByteArray writePacket(std::uint8_t address, std::int32_t value)
{
    // High byte is the quotient truncated toward zero, low byte the two's-complement low bits.
    const char high = char((value / 256) & 0xFF);
    const char low = char(value & 0xFF);
    return framePacket(QByteArray("SP") + char(address) + high + low);
}

bool acceptableVersion(const QByteArray &reply)
{
    const double major = std::floor(leadingNumber(reply));
    return major >= 1 && major <= 10;
}

} // namespace orv
