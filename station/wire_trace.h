#pragma once

#include "peer.h"

#include <QByteArray>

class QIODevice;

namespace station {

// Records every byte crossing the line, as the computer sees it, one line per
// chunk:
//
//     <ms> > 02 03 47 50 10 56 03     bytes from the computer to the station
//     <ms> < 01 2c                    bytes from the station to the computer
//
// <ms> is the caller's time in milliseconds; bytes are two-digit lower-case
// hex separated by blanks. Each line is flushed as written so a crash or a
// kill keeps the trace.
class WireTrace final : public Peer
{
public:
    // `out` must be open for writing and outlive the trace.
    WireTrace(Peer &inner, QIODevice &out);

    void receive(const QByteArray &bytes, qint64 nowMs) override;
    QByteArray takeOutput(qint64 nowMs) override;
    std::optional<qint64> nextOutputAtMs() const override { return m_inner.nextOutputAtMs(); }
    void setLineRate(int baud, qint64 nowMs) override { m_inner.setLineRate(baud, nowMs); }
    void setDtr(bool on, qint64 nowMs) override { m_inner.setDtr(on, nowMs); }

    static QByteArray formatLine(qint64 ms, bool toStation, const QByteArray &bytes);

private:
    void write(qint64 ms, bool toStation, const QByteArray &bytes);

    Peer &m_inner;
    QIODevice &m_out;
};

} // namespace station
