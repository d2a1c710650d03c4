#pragma once

#include <cstdint>

namespace station {

// What a byte sent at the wrong rate turns into: a repeatable stream of high
// bytes, so a garbled line never looks like a command, a frame or a digit.
class LineNoise
{
public:
    explicit LineNoise(std::uint32_t seed = 0x2545F491u) : m_state(seed ? seed : 1u) {}

    char next()
    {
        m_state ^= m_state << 13;
        m_state ^= m_state >> 17;
        m_state ^= m_state << 5;
        return char(0x80 | (m_state & 0x7F));
    }

private:
    std::uint32_t m_state;
};

} // namespace station
