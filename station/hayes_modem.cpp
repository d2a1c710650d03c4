#include "hayes_modem.h"

#include <cmath>

namespace station {

HayesModem::HayesModem(Peer &station, const ModemOptions &options)
    : m_station(station)
    , m_options(options)
{
}

void HayesModem::receive(const QByteArray &bytes, qint64 nowMs)
{
    advance(nowMs);
    if (m_dataMode) {
        m_station.receive(bytes, nowMs);
        return;
    }
    for (char c : bytes) {
        if (c == '\r') {
            handleLine(m_line, nowMs);
            m_line.clear();
        } else if (c != '\n' && m_line.size() < 256) {
            m_line += c;
        }
    }
}

QByteArray HayesModem::takeOutput(qint64 nowMs)
{
    advance(nowMs);
    QByteArray out = m_output.take(nowMs, m_lineRate);
    if (m_dataMode)
        out += m_station.takeOutput(nowMs);
    return out;
}

std::optional<qint64> HayesModem::nextOutputAtMs() const
{
    std::optional<qint64> next = m_output.nextAtMs();
    if (m_dialResultAtMs) {
        const auto result = qint64(std::ceil(double(*m_dialResultAtMs) + byteTimeMs(m_lineRate)));
        if (!next || result < *next)
            next = result;
    }
    if (m_dataMode)
        if (const auto s = m_station.nextOutputAtMs(); s && (!next || *s < *next))
            next = s;
    return next;
}

void HayesModem::setLineRate(int baud, qint64 nowMs)
{
    advance(nowMs);
    m_output.settle(nowMs, m_lineRate);
    m_lineRate = baud;
    // The modem passes the computer's rate on: a station at another rate
    // garbles the data just as it would on a direct cable.
    m_station.setLineRate(baud, nowMs);
}

void HayesModem::setDtr(bool on, qint64 nowMs)
{
    advance(nowMs);
    m_dtr = on;
    if (on)
        return;
    // &D2: DTR loss hangs up and puts the modem back in command mode.
    m_dataMode = false;
    m_dialResultAtMs.reset();
    m_line.clear();
}

void HayesModem::handleLine(const QByteArray &line, qint64 nowMs)
{
    // Like a real modem, it hunts for "AT" and drops whatever came before.
    const qsizetype at = line.toUpper().indexOf("AT");
    if (at < 0 || m_dialResultAtMs)
        return;
    const QByteArray text = line.mid(at).trimmed();
    const QByteArray command = text.toUpper();
    if (command.startsWith("ATD")) {
        m_number = text.mid(command.startsWith("ATDT") || command.startsWith("ATDP") ? 4 : 3);
        // A modem that never reports leaves the computer to its own time-out.
        if (m_options.outcome != DialOutcome::Silent)
            m_dialResultAtMs = nowMs + m_options.dialDelayMs;
        return;
    }
    reply("\r\nOK\r\n", double(nowMs + m_options.turnaroundMs));
}

void HayesModem::advance(qint64 nowMs)
{
    if (m_dialResultAtMs && *m_dialResultAtMs <= nowMs) {
        const double at = double(*m_dialResultAtMs);
        m_dialResultAtMs.reset();
        switch (m_options.outcome) {
        case DialOutcome::Connect:
            reply("\r\nCONNECT " + QByteArray::number(m_lineRate) + "\r\n", at);
            // Whatever the station said before the call was answered never reached the line.
            m_station.takeOutput(nowMs);
            m_dataMode = true;
            break;
        case DialOutcome::Busy: reply("\r\nBUSY\r\n", at); break;
        case DialOutcome::NoDialtone: reply("\r\nNO DIALTONE\r\n", at); break;
        case DialOutcome::NoCarrier: reply("\r\nNO CARRIER\r\n", at); break;
        case DialOutcome::Silent: break;
        }
    }
}

void HayesModem::reply(const QByteArray &text, double atMs)
{
    m_output.push(text, atMs, m_lineRate);
}

} // namespace station
