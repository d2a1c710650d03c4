#include "connect_station.h"

#include "com_settings.h"
#include "comm_control.h"
#include "line_settings.h"
#include "pump.h"
#include "station_link.h"

#include <QLoggingCategory>

#include <cmath>

Q_LOGGING_CATEGORY(lcConnect, "orv.connect", QtInfoMsg)

namespace orv {

namespace {

constexpr double settleAfterOpen = 3.0;
constexpr double settleBeforeVersion = 3.0;
constexpr double modemTryInterval = 1.0;
constexpr int modemTries = 11;
constexpr double settleAfterModemOk = 3.0;
constexpr double modemCommandPause = 1.0;
constexpr int dialWindow = 60;
constexpr qsizetype dialReplyLimit = 4096;
constexpr double showConnected = 1.0;
constexpr double showFailure = 3.0;

class Connection
{
public:
    Connection(StationLink &link, const ComSettings &settings, ConnectProgress &progress)
        : m_link(link)
        , m_comm(link.comm())
        , m_progress(progress)
        , m_slot(link.state.cur_station)
        , m_settings(settings)
    {
        m_progress.setCancelHandler([this] { cancel(); });
    }
    ~Connection() { m_progress.setCancelHandler({}); }
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    void run()
    {
        m_progress.show();
        m_comm.setTerminalDisplay(false);
        // A flag that is neither 0 nor 255 counts as a direct cable here and
        // in the line set-up alike.
        const bool modem = m_settings.hasModem(m_slot);
        m_comm.setUpLine(modem);
        if (modem)
            throughModem();
        else
            direct();
        if (m_cancelled) {
            // A cancel that came while the port was still opening finds it open only now.
            if (m_comm.portOpen())
                m_comm.setPortOpen(false);
            m_progress.close();
        }
    }

private:
    QString settingsText() const { return settingsStringForRate(m_settings.baud_rate[m_slot]); }

    bool openPort()
    {
        if (!m_comm.setSettings(settingsText()))
            return false;
        m_comm.setCommPort(m_settings.com_port[m_slot]);
        if (!m_comm.setPortOpen(true)) {
            qCDebug(lcConnect) << "COM" << m_settings.com_port[m_slot] << m_comm.lastOpenErrorString();
            return false;
        }
        return true;
    }

    // The fixed text, the reason under it, and what the user can do about it when there is something.
    QString portUnavailableText() const
    {
        const QString reason = m_comm.lastOpenFailureText();
        return reason.isEmpty() ? ConnectText::portUnavailable : ConnectText::portUnavailable + QLatin1Char('\n') + reason;
    }

    // Dropping DTR also hangs up a modem, and a wait on a closed port ends.
    void cancel()
    {
        m_cancelled = true;
        if (m_comm.portOpen())
            m_comm.setPortOpen(false);
        m_link.pump().wake();
    }

    // The procedure's fixed delays; false when the user cancelled meanwhile.
    bool pause(double seconds)
    {
        const QDateTime until = m_link.pump().now().addMSecs(std::llround(seconds * 1000));
        m_link.waitFor(until, [this] { return m_cancelled; });
        return !m_cancelled;
    }

    void afterOpen()
    {
        m_comm.setSetupValue(CommControl::SetupA, 0);
        m_comm.setSetupValue(CommControl::SetupC, 0);
        m_comm.setInBufferCount(0);
        m_comm.setSetupValue(CommControl::SetupB, 600);
    }

    void direct()
    {
        m_progress.setInfo(ConnectText::connecting + settingsText());
        if (!openPort())
            return fail(portUnavailableText());
        if (!pause(settleAfterOpen))
            return;
        afterOpen();
        if (!pause(settleBeforeVersion))
            return;
        askVersion();
    }

    void throughModem()
    {
        if (!openPort())
            return fail(portUnavailableText());
        afterOpen();
        if (!detectModem()) {
            if (!m_cancelled)
                fail(ConnectText::noModem);
            return;
        }
        if (!pause(settleAfterModemOk))
            return;
        m_progress.setInfo(ConnectText::initializingModem);
        const QString setup = m_settings.modemSetup(m_slot);
        send(QStringLiteral("AT") + setup);
        if (!pause(modemCommandPause))
            return;
        send(QStringLiteral("ATS2=255&D2"));
        if (!pause(modemCommandPause))
            return;
        const QString phone = m_settings.phoneNumber(m_slot);
        m_progress.setInfo(ConnectText::dialing + phone);
        m_comm.setInBufferCount(0);
        send(QStringLiteral("ATDT") + phone);
        const QString failure = dialResult();
        if (m_cancelled)
            return;
        if (!failure.isEmpty())
            return fail(failure);
        if (!pause(settleBeforeVersion))
            return;
        askVersion();
    }

    bool detectModem()
    {
        m_progress.setInfo(ConnectText::detectingModem);
        for (int tries = 1;; ++tries) {
            send(QStringLiteral("AT&F"));
            if (!pause(modemTryInterval))
                return false;
            if (m_comm.input().contains("OK"))
                return true;
            // A line gone from under the modem will not bring an OK on a later try.
            if (tries >= modemTries || !m_comm.portOpen())
                return false;
        }
    }

    // Empty when the modem reported a connection (or a lost carrier, which
    // the version request then sorts out).
    QString dialResult()
    {
        const Pump &pump = m_link.pump();
        const QDateTime now = pump.now();
        const QDateTime deadline = now.addMSecs(-now.time().msec()).addSecs(dialWindow);
        // The clock counts whole seconds: "later than the deadline" starts one second past it.
        const QDateTime expiry = deadline.addSecs(1);
        QByteArray reply;
        const auto recognised = [&reply] {
            return reply.contains("CONNECT") || reply.contains("CARRIER") || reply.contains("DIAL")
                || reply.contains("BUSY");
        };
        m_link.waitFor(expiry, [&] {
            // Result codes are a few bytes; a flooding line is not kept whole.
            reply += m_comm.input().left(qMax<qsizetype>(0, dialReplyLimit - reply.size()));
            return recognised() || pump.now() >= expiry || !m_comm.portOpen();
        });
        qCDebug(lcConnect) << "dial reply" << reply;
        // A line gone while dialling never gives a result.
        if (pump.now() >= expiry || !m_comm.portOpen())
            return ConnectText::noDialResponse;
        // Order matters: a reply holding both DIAL and CONNECT is no dial tone.
        if (reply.contains("DIAL"))
            return ConnectText::noDialTone;
        if (reply.contains("BUSY"))
            return ConnectText::lineBusy;
        return {};
    }

    void askVersion()
    {
        const bool answered = m_link.request_version().ok();
        if (m_cancelled)
            return;
        if (!answered)
            return fail(ConnectText::noVersion);
        m_progress.setInfo(ConnectText::connected);
        if (pause(showConnected))
            m_progress.close();
    }

    void send(const QString &command)
    {
        m_comm.setOutput(command.toLatin1() + '\r');
    }

    void fail(const QString &message)
    {
        m_progress.beep();
        // Dropping DTR also hangs up a modem told to do so by &D2.
        if (m_comm.portOpen())
            m_comm.setPortOpen(false);
        m_progress.setInfo(message);
        // Cancel here only closes the message early: the attempt is over.
        if (pause(showFailure))
            m_progress.close();
    }

    StationLink &m_link;
    CommControl &m_comm;
    ConnectProgress &m_progress;
    const int m_slot;
    const ComSettings &m_settings;
    bool m_cancelled = false;
};

} // namespace

void connect_station(StationLink &link, const ComSettings &settings, ConnectProgress &progress)
{
    Connection(link, settings, progress).run();
}

} // namespace orv
