#include "line_trace.h"

#include "pump.h"

#include <QIODevice>

#include <algorithm>

namespace orv {

QString formatTraceEntry(const TraceEntry &entry)
{
    QString printable;
    printable.reserve(entry.bytes.size());
    for (const char c : entry.bytes) {
        const auto u = uchar(c);
        printable += (u >= 0x20 && u < 0x7F) ? QChar(u) : QChar(u'.');
    }
    return QStringLiteral("%1  %2  %3  |%4|")
        .arg(entry.at.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")),
             entry.direction == LineDirection::ToStation ? QStringLiteral(">") : QStringLiteral("<"),
             QString::fromLatin1(entry.bytes.toHex(' ')).toUpper(), printable);
}

LineTrace::LineTrace(const Pump &clock, std::size_t capacity)
    : m_clock(clock)
    , m_capacity(std::max<std::size_t>(capacity, 1))
{
}

void LineTrace::lineBytes(LineDirection direction, const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return;
    m_entries.push_back({m_clock.now(), direction, bytes});
    m_newCount = std::min(m_newCount + 1, m_capacity);
    if (m_entries.size() > m_capacity) {
        m_entries.pop_front();
        ++m_dropped;
    }
}

std::vector<TraceEntry> LineTrace::takeNew()
{
    std::vector<TraceEntry> batch(m_entries.end() - std::ptrdiff_t(m_newCount), m_entries.end());
    m_newCount = 0;
    return batch;
}

void LineTrace::clear()
{
    m_entries.clear();
    m_newCount = 0;
    m_dropped = 0;
}

bool LineTrace::writeTo(QIODevice &out) const
{
    for (const TraceEntry &entry : m_entries)
        if (out.write(formatTraceEntry(entry).toUtf8() + '\n') < 0)
            return false;
    return true;
}

void LineTraceWriter::lineBytes(LineDirection direction, const QByteArray &bytes)
{
    if (!bytes.isEmpty())
        m_out.write(formatTraceEntry({m_clock.now(), direction, bytes}).toUtf8() + '\n');
}

} // namespace orv
