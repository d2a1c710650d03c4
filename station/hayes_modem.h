#pragma once

#include "paced_output.h"
#include "peer.h"

#include <QByteArray>

#include <optional>

namespace station {

enum class DialOutcome { Connect, Busy, NoDialtone, NoCarrier, Silent };

struct ModemOptions
{
    DialOutcome outcome = DialOutcome::Connect;
    qint64 dialDelayMs = 3000;
    qint64 turnaroundMs = 20;
};

// A Hayes modem on the computer's port with the station at the far end of the
// phone line. In command mode it answers each "AT..." line ending in CR with
// OK (no echo) and ignores any other line; "ATD..." dials and, after the dial
// delay, reports the configured outcome. CONNECT switches to data mode, where
// bytes pass straight between the computer and the station. Dropping DTR
// hangs up and returns to command mode.
class HayesModem final : public Peer
{
public:
    explicit HayesModem(Peer &station, const ModemOptions &options = {});

    void receive(const QByteArray &bytes, qint64 nowMs) override;
    QByteArray takeOutput(qint64 nowMs) override;
    std::optional<qint64> nextOutputAtMs() const override;
    void setLineRate(int baud, qint64 nowMs) override;
    void setDtr(bool on, qint64 nowMs) override;

    bool inDataMode() const { return m_dataMode; }
    // The number of the last dial command, as typed after "ATD" / "ATDT".
    QByteArray dialledNumber() const { return m_number; }

private:
    void handleLine(const QByteArray &line, qint64 nowMs);
    void advance(qint64 nowMs);
    void reply(const QByteArray &text, double atMs);

    Peer &m_station;
    ModemOptions m_options;
    PacedOutput m_output;
    QByteArray m_line;
    QByteArray m_number;
    std::optional<qint64> m_dialResultAtMs;
    bool m_dataMode = false;
    bool m_dtr = true;
    int m_lineRate = 2400;
};

} // namespace station
