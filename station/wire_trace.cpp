#include "wire_trace.h"

#include <QFileDevice>
#include <QIODevice>

namespace station {

WireTrace::WireTrace(Peer &inner, QIODevice &out)
    : m_inner(inner)
    , m_out(out)
{
}

void WireTrace::receive(const QByteArray &bytes, qint64 nowMs)
{
    write(nowMs, true, bytes);
    m_inner.receive(bytes, nowMs);
}

QByteArray WireTrace::takeOutput(qint64 nowMs)
{
    const QByteArray bytes = m_inner.takeOutput(nowMs);
    write(nowMs, false, bytes);
    return bytes;
}

QByteArray WireTrace::formatLine(qint64 ms, bool toStation, const QByteArray &bytes)
{
    return QByteArray::number(ms) + (toStation ? " > " : " < ") + bytes.toHex(' ') + '\n';
}

void WireTrace::write(qint64 ms, bool toStation, const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return;
    m_out.write(formatLine(ms, toStation, bytes));
    if (auto *file = qobject_cast<QFileDevice *>(&m_out))
        file->flush();
}

} // namespace station
