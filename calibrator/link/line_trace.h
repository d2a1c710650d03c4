#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <deque>
#include <vector>

class QIODevice;

namespace orv {

class Pump;

enum class LineDirection { ToStation, FromStation };

// Sees every byte the serial control sends or takes, as it happens. It runs
// inside the exchange, so it must only record, never wait.
class LineObserver
{
public:
    virtual ~LineObserver() = default;
    virtual void lineBytes(LineDirection direction, const QByteArray &bytes) = 0;
};

struct TraceEntry
{
    QDateTime at;
    LineDirection direction = LineDirection::ToStation;
    QByteArray bytes;
};

// "10:00:00.250  >  02 03 47 50 10 56 03  |..GP.V.|": '>' to the station,
// '<' from it; bytes outside printable ASCII show as '.'.
QString formatTraceEntry(const TraceEntry &entry);

// Keeps the most recent chunks, stamped on the link's clock, for a viewer
// that collects them in batches of its own pace.
class LineTrace final : public LineObserver
{
public:
    explicit LineTrace(const Pump &clock, std::size_t capacity = 20000);

    void lineBytes(LineDirection direction, const QByteArray &bytes) override;

    // The chunks recorded since the previous call (at most `capacity` of them).
    std::vector<TraceEntry> takeNew();
    // Everything still kept, oldest first.
    const std::deque<TraceEntry> &entries() const { return m_entries; }
    // Chunks dropped from the front to stay within capacity.
    std::size_t dropped() const { return m_dropped; }
    void clear();

    bool writeTo(QIODevice &out) const;

private:
    const Pump &m_clock;
    std::size_t m_capacity;
    std::deque<TraceEntry> m_entries;
    std::size_t m_newCount = 0;
    std::size_t m_dropped = 0;
};

// Writes each chunk to a device as it passes (a trace file for the command line).
class LineTraceWriter final : public LineObserver
{
public:
    LineTraceWriter(const Pump &clock, QIODevice &out) : m_clock(clock), m_out(out) {}
    void lineBytes(LineDirection direction, const QByteArray &bytes) override;

private:
    const Pump &m_clock;
    QIODevice &m_out;
};

} // namespace orv
