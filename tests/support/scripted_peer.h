#pragma once

#include "station/peer.h"

#include <QByteArray>
#include <QList>

#include <map>
#include <functional>

namespace orv::test {

// A far end that answers each request with whatever the test scripts: the
// exact bytes, split and delayed as the test likes. Requests are the single
// byte "V" or a framed packet from 0x02 to 0x03.
class ScriptedPeer final : public station::Peer
{
public:
    struct Piece
    {
        qint64 delayMs; // after the request (or the previous piece)
        QByteArray bytes;
    };
    using Responder = std::function<QList<Piece>(const QByteArray &request)>;

    explicit ScriptedPeer(Responder responder = {}) : m_responder(std::move(responder)) {}

    void setResponder(Responder responder) { m_responder = std::move(responder); }
    // Bytes sent unasked at `atMs` (a late reply, noise), whatever the responder says.
    void sendAt(qint64 atMs, const QByteArray &bytes) { m_output.emplace(atMs, bytes); }

    void receive(const QByteArray &bytes, qint64 nowMs) override;
    QByteArray takeOutput(qint64 nowMs) override;
    std::optional<qint64> nextOutputAtMs() const override;
    void setLineRate(int baud, qint64) override { m_baud = baud; }
    void setDtr(bool on, qint64) override { m_dtr = on; }

    // Every complete request received, in order, with its arrival time.
    struct Request
    {
        qint64 atMs;
        QByteArray bytes;
    };
    const QList<Request> &requests() const { return m_requests; }
    int baud() const { return m_baud; }
    bool dtr() const { return m_dtr; }

    static Responder always(const QByteArray &reply, qint64 delayMs = 20);
    static Responder silent();

private:
    Responder m_responder;
    QByteArray m_partial;
    QList<Request> m_requests;
    std::multimap<qint64, QByteArray> m_output;
    int m_baud = 0;
    bool m_dtr = false;
};

} // namespace orv::test
