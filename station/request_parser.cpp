#include "request_parser.h"

#include <cstring>

namespace station {

bool RequestParser::isTerminalLetter(char c)
{
    return c != 0 && std::strchr("VSICcDdEMmRrKTNAPB", c) != nullptr;
}

std::optional<Request> RequestParser::feed(char byte, double atMs)
{
    if (m_state != State::Idle && atMs - m_lastByteMs > frameTimeoutMs)
        m_state = State::Idle;
    m_lastByteMs = atMs;
    const auto u = static_cast<unsigned char>(byte);

    switch (m_state) {
    case State::Idle:
        if (byte == frameStart) {
            m_state = State::Length;
        } else if (isTerminalLetter(byte)) {
            Request r;
            r.kind = byte == 'V' ? Request::Kind::Version : Request::Kind::Terminal;
            r.letter = byte;
            return r;
        }
        return std::nullopt;
    case State::Hunt:
        if (byte == frameStart)
            m_state = State::Length;
        return std::nullopt;
    case State::Length:
        if (u == 3 || u == 5) {
            m_length = u;
            m_bodySize = 0;
            m_state = State::Body;
        } else {
            m_state = byte == frameStart ? State::Length : State::Hunt;
        }
        return std::nullopt;
    case State::Body:
        m_body[m_bodySize++] = u;
        if (m_bodySize == m_length)
            m_state = State::Checksum;
        return std::nullopt;
    case State::Checksum: {
        unsigned sum = unsigned(m_length) + u;
        for (int i = 0; i < m_bodySize; ++i)
            sum += m_body[i];
        m_checksumOk = (sum & 0xFF) == 0;
        m_state = State::End;
        return std::nullopt;
    }
    case State::End:
        if (byte == frameEnd) {
            m_state = State::Idle;
            return m_checksumOk ? finishFrame() : std::nullopt;
        }
        m_state = byte == frameStart ? State::Length : State::Hunt;
        return std::nullopt;
    }
    return std::nullopt;
}

std::optional<Request> RequestParser::finishFrame() const
{
    if (m_body[1] != 'P')
        return std::nullopt;
    Request r;
    r.address = m_body[2];
    if (m_length == 3 && m_body[0] == 'G') {
        r.kind = Request::Kind::Read;
        return r;
    }
    if (m_length == 5 && m_body[0] == 'S') {
        r.kind = Request::Kind::Write;
        r.value = std::uint16_t((m_body[3] << 8) | m_body[4]);
        return r;
    }
    return std::nullopt;
}

} // namespace station
