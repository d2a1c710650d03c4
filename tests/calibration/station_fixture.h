#pragma once

#include "message_capture.h"
#include "simulated_line.h"
#include "virtual_pump.h"

#include "params/param_records.h"
#include "params/prm_file.h"
#include "station/station_model.h"

#include "link/comm_control.h"
#include "link/packet.h"
#include "link/station_link.h"

#include <QFile>

#include <memory>
#include <set>

namespace orv::test {

// A station that never hears the requests for some addresses, so the
// exchanges about those settings fail while all others go through.
class DeafPeer final : public station::Peer
{
public:
    explicit DeafPeer(station::Peer &inner) : m_inner(inner) {}

    void muteReads(int address) { m_reads.insert(address); }
    void muteWrites(int address) { m_writes.insert(address); }

    void receive(const QByteArray &bytes, qint64 nowMs) override
    {
        m_pending += bytes;
        QByteArray pass;
        while (!m_pending.isEmpty()) {
            if (m_pending.at(0) != char(0x02)) {
                pass += m_pending.at(0);
                m_pending.remove(0, 1);
                continue;
            }
            if (m_pending.size() < 2 || m_pending.size() < 2 + quint8(m_pending.at(1)) + 2)
                break;
            const int length = 2 + quint8(m_pending.at(1)) + 2;
            const QByteArray frame = m_pending.left(length);
            m_pending.remove(0, length);
            const int address = quint8(frame.at(4));
            const bool read = frame.mid(2, 2) == "GP";
            if ((read && m_reads.count(address)) || (!read && m_writes.count(address)))
                continue;
            pass += frame;
        }
        if (!pass.isEmpty())
            m_inner.receive(pass, nowMs);
    }
    QByteArray takeOutput(qint64 nowMs) override { return m_inner.takeOutput(nowMs); }
    std::optional<qint64> nextOutputAtMs() const override { return m_inner.nextOutputAtMs(); }
    void setLineRate(int baud, qint64 nowMs) override { m_inner.setLineRate(baud, nowMs); }
    void setDtr(bool on, qint64 nowMs) override { m_inner.setDtr(on, nowMs); }

private:
    station::Peer &m_inner;
    QByteArray m_pending;
    std::set<int> m_reads;
    std::set<int> m_writes;
};

// One framed request as the station saw it on the wire.
struct SentFrame
{
    bool read;
    int address;
    int value;
    qint64 atMs;
};

// The framed requests of a line trace (from `sinceMs` on), in order.
inline QList<SentFrame> sentFrames(const SimulatedLine &line, qint64 sinceMs = 0)
{
    QList<SentFrame> frames;
    for (const auto &chunk : line.trace()) {
        if (!chunk.toStation || chunk.atMs < sinceMs)
            continue;
        const QByteArray &b = chunk.bytes;
        for (int i = 0; i + 4 < b.size(); ++i) {
            if (b.at(i) != char(0x02))
                continue;
            const int length = quint8(b.at(i + 1));
            if (i + 2 + length + 2 > b.size())
                break;
            const bool read = b.mid(i + 2, 2) == "GP";
            const int value = read ? -1 : quint8(b.at(i + 5)) * 256 + quint8(b.at(i + 6));
            frames.append({read, quint8(b.at(i + 4)), value, chunk.atMs});
            i += 2 + length + 1;
        }
    }
    return frames;
}

// The addresses read, one entry per read: each read puts its packet on the
// line twice before the station's single reply.
inline QList<int> readAddresses(const SimulatedLine &line, qint64 sinceMs = 0)
{
    QList<int> addresses;
    int repeats = 0;
    for (const SentFrame &f : sentFrames(line, sinceMs)) {
        if (!f.read)
            continue;
        if (repeats == 1 && addresses.last() == f.address) {
            repeats = 0;
            continue;
        }
        addresses.append(f.address);
        repeats = 1;
    }
    return addresses;
}

inline QList<SentFrame> writesIn(const QList<SentFrame> &frames)
{
    QList<SentFrame> writes;
    for (const SentFrame &f : frames)
        if (!f.read)
            writes.append(f);
    return writes;
}

// The shipped definition file of firmware 4.103, as the station simulator holds it.
inline ParamRecords records4103()
{
    ParamRecords records;
    QFile file(QString::fromLocal8Bit(qgetenv("ORV_PRM_DIR")) + QStringLiteral("/4103.prm"));
    if (file.open(QIODevice::ReadOnly))
        applyPrmText(file.readAll(), records);
    return records;
}

inline const QDateTime stationStart{QDate(2026, 3, 14), QTime(10, 0, 0)};

} // namespace orv::test
