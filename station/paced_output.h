#pragma once

#include "line_noise.h"

#include <QByteArray>

#include <deque>
#include <optional>

namespace station {

// Bytes on their way to the computer, each with the moment its last bit is on
// the line and the rate it was sent at; a byte read at another rate is noise.
class PacedOutput
{
public:
    // Queues `bytes` behind anything still being sent, the first starting no
    // earlier than `startMs`; `pauseAfterFirstMs` holds back all but the first.
    // Returns when the last byte has been sent.
    double push(const QByteArray &bytes, double startMs, int rate, double pauseAfterFirstMs = 0);

    // Moves what has arrived by `nowMs` to the taken side, read at `lineRate`.
    void settle(qint64 nowMs, int lineRate);
    QByteArray take(qint64 nowMs, int lineRate);

    std::optional<qint64> nextAtMs() const;
    double freeAtMs() const { return m_freeAtMs; }
    void clear();

private:
    struct Byte
    {
        double atMs;
        char value;
        int rate;
    };
    std::deque<Byte> m_queue;
    QByteArray m_arrived;
    qint64 m_arrivedAtMs = 0;
    double m_freeAtMs = 0;
    LineNoise m_noise;
};

// Milliseconds one byte takes at `baud`: a start bit, eight data bits, a stop bit.
inline double byteTimeMs(int baud)
{
    return baud > 0 ? 10000.0 / baud : 0.0;
}

} // namespace station
