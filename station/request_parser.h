#pragma once

#include <QtGlobal>

#include <cstdint>
#include <optional>

namespace station {

// One complete request from the computer.
struct Request
{
    enum class Kind { Version, Read, Write, Terminal };
    Kind kind = Kind::Version;
    std::uint8_t address = 0;
    std::uint16_t value = 0;
    char letter = 0; // the command letter of a terminal request
};

// Splits the byte stream into requests: the unframed "V", the other terminal
// letters, and frames 0x02 n body checksum 0x03. A frame with a length other
// than 3 or 5, a wrong checksum, a wrong end byte or an unknown body is
// dropped. After a broken frame everything up to the next 0x02 is skipped,
// so the rest of a mangled packet is not taken for command letters; a quiet
// line ends the skipping too.
class RequestParser
{
public:
    static constexpr char frameStart = 0x02;
    static constexpr char frameEnd = 0x03;
    // A frame left unfinished this long is abandoned, so a cut-off packet
    // cannot swallow the start of the next one; skipping ends after it too.
    static constexpr double frameTimeoutMs = 1000;

    std::optional<Request> feed(char byte, double atMs);

    static bool isTerminalLetter(char c);

private:
    enum class State { Idle, Hunt, Length, Body, Checksum, End };

    std::optional<Request> finishFrame() const;

    State m_state = State::Idle;
    int m_length = 0;
    unsigned char m_body[5] = {};
    int m_bodySize = 0;
    bool m_checksumOk = false;
    double m_lastByteMs = 0;
};

} // namespace station
