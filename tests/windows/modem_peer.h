#pragma once

#include "station/peer.h"

#include <QByteArray>
#include <QList>

#include <functional>
#include <map>

namespace orv::test {

// A modem whose answers the test scripts: it hears whole command lines (up to
// CR) and answers each with what the responder returns, after `delayMs`.
// Dropping DTR is recorded, as a real modem would hang up on it.
class ModemPeer final : public station::Peer
{
public:
    struct Answer
    {
        qint64 delayMs = 0;
        QByteArray bytes;
    };
    using Responder = std::function<QList<Answer>(const QByteArray &line)>;

    explicit ModemPeer(Responder responder = {}) : m_responder(std::move(responder)) {}

    void receive(const QByteArray &bytes, qint64 nowMs) override;
    QByteArray takeOutput(qint64 nowMs) override;
    std::optional<qint64> nextOutputAtMs() const override;
    void setLineRate(int, qint64) override {}
    // Once a reply holding CONNECT has gone out, "V" gets this from the station.
    void setVersionReply(const QByteArray &reply) { m_versionReply = reply; }
    void setDtr(bool on, qint64 nowMs) override;

    struct Line
    {
        qint64 atMs;
        QByteArray text;
    };
    const QList<Line> &lines() const { return m_lines; }
    int hangUps() const { return m_hangUps; }

private:
    Responder m_responder;
    QByteArray m_partial;
    QList<Line> m_lines;
    std::multimap<qint64, QByteArray> m_output;
    QByteArray m_versionReply;
    bool m_connected = false;
    bool m_dtr = false;
    int m_hangUps = 0;
};

} // namespace orv::test
