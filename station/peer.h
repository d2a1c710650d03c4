#pragma once

#include <QByteArray>

#include <optional>

namespace station {

// The far end of a serial line, driven by explicit time so the same object
// serves a pseudo-terminal in real time and a test on a virtual clock.
// Times are milliseconds on the caller's clock; they never go backwards.
class Peer
{
public:
    virtual ~Peer() = default;

    // `bytes` have finished arriving from the computer at `nowMs`.
    virtual void receive(const QByteArray &bytes, qint64 nowMs) = 0;

    // Bytes whose transmission to the computer has finished by `nowMs`,
    // each returned once.
    virtual QByteArray takeOutput(qint64 nowMs) = 0;

    // When takeOutput() will next have something, if anything is pending.
    virtual std::optional<qint64> nextOutputAtMs() const = 0;

    // The computer side's line rate; bytes at a rate other than the peer's own
    // arrive garbled in both directions, as on a real line.
    virtual void setLineRate(int baud, qint64 nowMs) = 0;

    // DTR from the computer (a modem hangs up when it drops).
    virtual void setDtr(bool on, qint64 nowMs) = 0;
};

} // namespace station
