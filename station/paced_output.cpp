#include "paced_output.h"

#include <QtGlobal>

#include <cmath>

namespace station {

double PacedOutput::push(const QByteArray &bytes, double startMs, int rate, double pauseAfterFirstMs)
{
    double at = qMax(startMs, m_freeAtMs);
    const double perByte = byteTimeMs(rate);
    for (int i = 0; i < bytes.size(); ++i) {
        if (i == 1)
            at += pauseAfterFirstMs;
        at += perByte;
        m_queue.push_back({at, bytes.at(i), rate});
    }
    m_freeAtMs = qMax(m_freeAtMs, at);
    return at;
}

void PacedOutput::settle(qint64 nowMs, int lineRate)
{
    bool any = false;
    while (!m_queue.empty() && m_queue.front().atMs <= double(nowMs)) {
        const Byte b = m_queue.front();
        m_queue.pop_front();
        m_arrived += b.rate == lineRate ? b.value : m_noise.next();
        any = true;
    }
    if (any)
        m_arrivedAtMs = nowMs;
}

QByteArray PacedOutput::take(qint64 nowMs, int lineRate)
{
    settle(nowMs, lineRate);
    QByteArray out;
    out.swap(m_arrived);
    return out;
}

std::optional<qint64> PacedOutput::nextAtMs() const
{
    if (!m_arrived.isEmpty())
        return m_arrivedAtMs;
    if (m_queue.empty())
        return std::nullopt;
    return qint64(std::ceil(m_queue.front().atMs));
}

void PacedOutput::clear()
{
    m_queue.clear();
    m_arrived.clear();
}

} // namespace station
