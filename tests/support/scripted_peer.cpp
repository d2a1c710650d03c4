#include "scripted_peer.h"

namespace orv::test {

void ScriptedPeer::receive(const QByteArray &bytes, qint64 nowMs)
{
    for (char c : bytes) {
        if (m_partial.isEmpty() && c != 0x02) {
            // Anything outside a frame is a request of its own ("V", a modem command byte).
            m_partial = QByteArray(1, c);
        } else {
            m_partial += c;
            if (!(c == 0x03 && m_partial.size() >= 2 && m_partial.size() == uchar(m_partial[1]) + 4))
                continue;
        }
        const QByteArray request = std::exchange(m_partial, QByteArray());
        m_requests.append({nowMs, request});
        if (!m_responder)
            continue;
        qint64 at = nowMs;
        for (const Piece &piece : m_responder(request)) {
            at += piece.delayMs;
            m_output.emplace(at, piece.bytes);
        }
    }
}

QByteArray ScriptedPeer::takeOutput(qint64 nowMs)
{
    QByteArray out;
    while (!m_output.empty() && m_output.begin()->first <= nowMs) {
        out += m_output.begin()->second;
        m_output.erase(m_output.begin());
    }
    return out;
}

std::optional<qint64> ScriptedPeer::nextOutputAtMs() const
{
    if (m_output.empty())
        return std::nullopt;
    return m_output.begin()->first;
}

ScriptedPeer::Responder ScriptedPeer::always(const QByteArray &reply, qint64 delayMs)
{
    return [reply, delayMs](const QByteArray &) { return QList<Piece>{{delayMs, reply}}; };
}

ScriptedPeer::Responder ScriptedPeer::silent()
{
    return [](const QByteArray &) { return QList<Piece>{}; };
}

} // namespace orv::test
