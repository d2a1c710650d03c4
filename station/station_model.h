#pragma once

#include "line_noise.h"
#include "paced_output.h"
#include "peer.h"
#include "request_parser.h"
#include "station_clock.h"
#include "terminal_text.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>

namespace station {

// Ways to make the station misbehave, each on its own; they apply to the
// replies to "V" and to framed requests, never to terminal text.
struct FaultOptions
{
    bool noReply = false;
    bool wrongLength = false;   // one byte too many: 3 to a read or write, 8 to "V"
    bool garbage = false;       // the right number of bytes, all noise
    qint64 lateMs = 0;          // extra delay before a reply starts
    int dropEvery = 0;          // every Nth reply is never sent
    qint64 splitPauseMs = 0;    // pause between a reply's first byte and the rest
};

struct StationOptions
{
    QByteArray version = "4.103\r\n"; // sent as is; 7 bytes for a sound station
    qint64 turnaroundMs = 20;
    int fixedRate = 0;                // non-zero: the only rate the station ever uses
    QDateTime clockStart;             // invalid: the computer's local time
    FaultOptions faults;
};

// The weather station console as seen from its serial port.
//
// Timing: a reply starts once the line has been quiet for the turnaround
// (at least ten character times at the station's rate, which also covers a
// line that reports a packet of up to nine bytes only once it is complete);
// its bytes then follow at the station's rate, 10 bits a byte. Requests that
// complete before the line goes quiet are all acted on (writes stored), but
// only the last is answered: the computer sends each read twice back to back
// and must get exactly one 2-byte reply.
//
// Rates: the station runs at the rate of its baud index parameter (or at the
// fixed rate). Until setLineRate() says otherwise the computer is assumed to
// match. Bytes crossing at different rates become noise, same count. Writing
// the baud index moves the station to the new rate once the echo is out.
//
// Replies: "V" gives the version; "GP" addr gives the parameter, high byte
// first; "SP" addr hi lo stores and echoes the two value bytes; the other
// command letters print text lines. Clock parameters read and set a clock
// that runs with the caller's time. DTR is ignored.
class StationModel final : public Peer
{
public:
    explicit StationModel(const StationOptions &options = {}, qint64 nowMs = 0);

    void receive(const QByteArray &bytes, qint64 nowMs) override;
    QByteArray takeOutput(qint64 nowMs) override;
    std::optional<qint64> nextOutputAtMs() const override;
    void setLineRate(int baud, qint64 nowMs) override;
    void setDtr(bool, qint64) override {}

    std::uint16_t param(int address, qint64 nowMs) const;
    // As a write from the computer would, without a reply; the baud index
    // takes effect at once.
    void setParam(int address, std::uint16_t value, qint64 nowMs);
    // "addr=value" lines (decimal or 0x hex, '#' starts a comment).
    bool loadParams(const QString &path, qint64 nowMs, QString *error);

    int ownRate() const { return m_ownRate; }
    int lineRate() const { return m_lineRate; }
    QDateTime clockAt(qint64 nowMs) const { return m_clock.at(nowMs); }
    const StationOptions &options() const { return m_options; }
    // Replies to "V" and frames decided so far, dropped ones included.
    int protocolReplies() const { return m_protocolReplies; }

private:
    struct Answer
    {
        double decideAtMs = 0;
        QByteArray bytes;
        double delayMs = 0;
        double pauseAfterFirstMs = 0;
        bool protocol = false;
    };

    void advance(double nowMs);
    void commit();
    void handle(const Request &request, double atMs);
    Answer answerTo(const Request &request, double decideAtMs, qint64 nowMs) const;
    double idleMs() const;
    bool writeClockField(int address, int value, qint64 nowMs);
    void applyRate(int rate);
    std::optional<int> rateForIndex(int index) const;
    Conditions conditions() const;
    double engineering(const char *entry) const;

    StationOptions m_options;
    std::array<std::uint16_t, 256> m_memory{};
    StationClock m_clock;
    RequestParser m_parser;
    PacedOutput m_output;
    LineNoise m_inboundNoise{0x9E3779B9u};
    int m_ownRate = 2400;
    int m_lineRate = 2400;
    double m_lastRxEndMs = 0;
    QList<Request> m_pending;
    std::optional<Answer> m_tentative;
    std::optional<int> m_rateAfterAnswer;
    std::optional<std::pair<double, int>> m_rateChange;
    int m_protocolReplies = 0;
};

} // namespace station
