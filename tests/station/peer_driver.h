#pragma once

#include "station/peer.h"

#include <QByteArray>
#include <QList>
#include <QtGlobal>

// A framed request around `body`, with its checksum.
inline QByteArray framed(const QByteArray &body)
{
    int sum = int(body.size());
    for (char c : body)
        sum += static_cast<unsigned char>(c);
    return QByteArray(1, 0x02) + char(body.size()) + body + char((256 - sum % 256) % 256) + char(0x03);
}

// Drives a peer on a virtual clock the way a serial line does: bytes from the
// computer take their line time and are handed over when they have arrived.
class PeerDriver
{
public:
    enum class Delivery { Instant, Chunk, PerByte };

    struct Piece
    {
        qint64 atMs;
        QByteArray bytes;
    };

    explicit PeerDriver(station::Peer &peer, int baud = 2400, qint64 startMs = 0)
        : m_peer(peer), m_baud(baud), m_now(startMs)
    {
        m_peer.setLineRate(baud, m_now);
    }

    qint64 now() const { return m_now; }
    int baud() const { return m_baud; }
    int emptyPromises() const { return m_emptyPromises; }

    void setBaud(int baud)
    {
        m_baud = baud;
        m_peer.setLineRate(baud, m_now);
    }

    static qint64 lineTimeMs(qsizetype bytes, int baud) { return (qint64(bytes) * 10000 + baud - 1) / baud; }

    // Sends back to back; Instant hands everything over at once, as a pty does.
    void send(const QByteArray &bytes, Delivery delivery = Delivery::Chunk)
    {
        switch (delivery) {
        case Delivery::Instant:
            m_peer.receive(bytes, m_now);
            break;
        case Delivery::Chunk:
            collectUntil(m_now + lineTimeMs(bytes.size(), m_baud));
            m_peer.receive(bytes, m_now);
            break;
        case Delivery::PerByte:
            for (char c : bytes) {
                collectUntil(m_now + lineTimeMs(1, m_baud));
                m_peer.receive(QByteArray(1, c), m_now);
            }
            break;
        }
    }

    // Everything the peer sends until `untilMs`, each piece with its time;
    // the clock ends at `untilMs`.
    QList<Piece> piecesUntil(qint64 untilMs)
    {
        QList<Piece> pieces;
        for (;;) {
            const auto next = m_peer.nextOutputAtMs();
            if (!next || *next > untilMs)
                break;
            m_now = qMax(m_now, *next);
            const QByteArray bytes = m_peer.takeOutput(m_now);
            if (!bytes.isEmpty())
                pieces.append({m_now, bytes});
            else if (m_peer.nextOutputAtMs() == next) {
                ++m_emptyPromises; // promised output that never came
                break;
            }
        }
        m_now = qMax(m_now, untilMs);
        const QByteArray rest = m_peer.takeOutput(m_now);
        if (!rest.isEmpty())
            pieces.append({m_now, rest});
        return pieces;
    }

    QByteArray collectUntil(qint64 untilMs) { return joined(piecesUntil(untilMs)); }
    QByteArray collectFor(qint64 ms) { return collectUntil(m_now + ms); }

    // Sends and returns everything that comes back within `windowMs`.
    QByteArray ask(const QByteArray &bytes, qint64 windowMs = 2000, Delivery delivery = Delivery::Chunk)
    {
        send(bytes, delivery);
        return collectFor(windowMs);
    }

    static QByteArray joined(const QList<Piece> &pieces)
    {
        QByteArray all;
        for (const Piece &p : pieces)
            all += p.bytes;
        return all;
    }

private:
    station::Peer &m_peer;
    int m_baud;
    qint64 m_now;
    int m_emptyPromises = 0;
};
