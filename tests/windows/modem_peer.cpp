#include "modem_peer.h"

namespace orv::test {

void ModemPeer::receive(const QByteArray &bytes, qint64 nowMs)
{
    for (const char c : bytes) {
        if (c == 'V' && m_partial.isEmpty() && m_connected) {
            if (!m_versionReply.isEmpty())
                m_output.emplace(nowMs + 30, m_versionReply);
            continue;
        }
        if (c != '\r') {
            m_partial += c;
            continue;
        }
        const QByteArray line = std::exchange(m_partial, QByteArray());
        m_lines.append({nowMs, line});
        if (!m_responder)
            continue;
        qint64 at = nowMs;
        for (const Answer &a : m_responder(line)) {
            at += a.delayMs;
            m_output.emplace(at, a.bytes);
            if (a.bytes.contains("CONNECT"))
                m_connected = true;
        }
    }
}

QByteArray ModemPeer::takeOutput(qint64 nowMs)
{
    QByteArray out;
    while (!m_output.empty() && m_output.begin()->first <= nowMs) {
        out += m_output.begin()->second;
        m_output.erase(m_output.begin());
    }
    return out;
}

std::optional<qint64> ModemPeer::nextOutputAtMs() const
{
    if (m_output.empty())
        return std::nullopt;
    return m_output.begin()->first;
}

void ModemPeer::setDtr(bool on, qint64)
{
    if (m_dtr && !on) {
        ++m_hangUps;
        m_connected = false;
    }
    m_dtr = on;
}

} // namespace orv::test
