#pragma once

#include <QString>

#include <functional>

namespace orv {

struct ComSettings;
class StationLink;

// What the connection procedure shows while it runs; the progress window
// implements it, tests record it.
class ConnectProgress
{
public:
    virtual ~ConnectProgress() = default;

    // Shown without waiting and painted at once.
    virtual void show() = 0;
    // The current step, painted at once: waits follow that pump no paint events.
    virtual void setInfo(const QString &text) = 0;
    virtual void beep() = 0;
    virtual void close() = 0;

    // The user asked to stop: the attempt ends within a second, port closed.
    void requestCancel()
    {
        if (m_cancel)
            m_cancel();
    }
    // Set by the attempt while it runs.
    void setCancelHandler(std::function<void()> handler) { m_cancel = std::move(handler); }

private:
    std::function<void()> m_cancel;
};

// Texts shown in the progress window.
namespace ConnectText {
inline const QString connecting = QStringLiteral("Connecting to Station ");
inline const QString detectingModem = QStringLiteral("Detecting Modem");
inline const QString initializingModem = QStringLiteral("Initializing Modem");
inline const QString dialing = QStringLiteral("Dialing ");
inline const QString connected = QStringLiteral("Connected to Station");
inline const QString portUnavailable = QStringLiteral("Selected COM Port is Unavailable.");
inline const QString noModem = QStringLiteral("No Modem Detected. Check Cabling and make sure that modem is powered up");
inline const QString noDialResponse = QStringLiteral("No Modem Response during dialing");
inline const QString noDialTone = QStringLiteral("No Dial Tone");
inline const QString lineBusy = QStringLiteral("Line Busy");
inline const QString noVersion = QStringLiteral(
    "Weather Station did not respond with a version number.  Check COM port Setting and Weather Station "
    "and ORV CAL Baud Rate settings.");
} // namespace ConnectText

// Opens the port of slot link.state.cur_station, through its modem when it has
// one, and asks for the station's version. Afterwards the port is open exactly
// when the connection succeeded. A cancelled attempt closes the port and the
// progress window at once, with no failure message.
void connect_station(StationLink &link, const ComSettings &settings, ConnectProgress &progress);

} // namespace orv
