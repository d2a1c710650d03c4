#include "station_link.h"

#include "comm_control.h"
#include "line_settings.h"
#include "link_ui.h"
#include "message.h"
#include "packet.h"
#include "pump.h"

#include <QLoggingCategory>
#include <QTimer>

#include <cmath>

Q_LOGGING_CATEGORY(lcLink, "orv.link", QtInfoMsg)

namespace orv {

namespace {

QDateTime wholeSecond(const QDateTime &t)
{
    return t.addMSecs(-(t.time().msec()));
}

quint16 replyValue(const QByteArray &reply)
{
    return quint16(uchar(reply[0]) * 256 + uchar(reply[1]));
}

} // namespace

// Marks a stretch in which the link waits or exchanges: a loss seen then is
// reported by the failing exchange, or once the stretch ends.
class StationLink::Activity
{
public:
    explicit Activity(StationLink &link) : m_link(link) { ++m_link.m_activity; }
    ~Activity()
    {
        if (--m_link.m_activity == 0 && m_link.m_comm.lost())
            m_link.reportLossWhenIdle();
    }
    Activity(const Activity &) = delete;
    Activity &operator=(const Activity &) = delete;

private:
    StationLink &m_link;
};

// One exchange with the station: it starts with nothing received, so its
// failure never carries what an earlier exchange got.
class StationLink::Exchange : public Activity
{
public:
    explicit Exchange(StationLink &link) : Activity(link) { link.m_reply.clear(); }
};

QString lineLostReason(const QString &reason)
{
    return QStringLiteral("The line to the weather station was lost: %1.").arg(reason);
}

QString lineLostMessage(const QString &reason)
{
    return QStringLiteral("The line to the weather station was lost: %1. Check the cable and the serial adapter, "
                          "then connect again.")
        .arg(reason);
}

StationLink::StationLink(CommControl &comm, Pump &pump)
    : m_comm(comm)
    , m_pump(pump)
{
    QObject::connect(&m_comm, &CommControl::dataArrived, &m_comm, [this] { m_pump.wake(); });
    QObject::connect(&m_comm, &CommControl::lineLost, &m_comm, [this] { handleLineLost(); });
}

void StationLink::handleLineLost()
{
    m_lossReported = false;
    // A waiter for a reply must see at once that none can come.
    m_pump.wake();
    if (m_activity == 0)
        reportLossWhenIdle();
}

void StationLink::reportLossWhenIdle()
{
    // Not from inside the serial layer's own notification, and only if no
    // exchange has reported it and the program has not moved on meanwhile.
    QTimer::singleShot(0, &m_comm, [this] {
        if (m_activity != 0 || !m_comm.lost() || m_lossReported)
            return;
        const QString reason = m_comm.lostReason();
        if (m_ui)
            m_ui->lineLost(reason);
        // Said before the windows change under the user.
        show_message(lineLostMessage(reason));
        close_link();
    });
}

void StationLink::wait_seconds(double seconds)
{
    delay(seconds, false);
}

void StationLink::pause(double seconds)
{
    delay(seconds, true);
}

bool StationLink::waitFor(const QDateTime &until, const std::function<bool()> &done)
{
    Activity activity(*this);
    return m_pump.waitUntil(until, done);
}

void StationLink::delay(double seconds, bool endOnLoss)
{
    Activity activity(*this);
    const auto gone = [this] { return !m_comm.portOpen(); };
    double start = m_pump.secondsSinceMidnight();
    for (;;) {
        const double elapsed = m_pump.secondsSinceMidnight() - start;
        if (elapsed >= seconds || (endOnLoss && gone()))
            return;
        const QDateTime until = m_pump.now().addMSecs(qint64(std::ceil((seconds - elapsed) * 1000)));
        if (endOnLoss)
            m_pump.waitUntil(until, gone);
        else
            m_pump.waitUntil(until);
        // Midnight passed: move the start back a day so the wait does not last 24 hours.
        if (m_pump.secondsSinceMidnight() < start)
            start -= 86400;
    }
}

void StationLink::startReceiveWindow()
{
    // The calendar clock counts whole seconds, so a window lasts 15 to 16 s.
    m_replyDeadline = wholeSecond(m_pump.now()).addSecs(receiveWindow);
    m_reply.clear();
}

bool StationLink::receive(int length)
{
    // "Later than the deadline" on a whole-second clock is one second past it.
    bool complete = false;
    m_pump.waitUntil(m_replyDeadline.addSecs(1), [this, length, &complete] {
        keepReply(m_comm.input(), length);
        complete = m_reply.size() == length;
        return complete || !m_comm.portOpen();
    });
    return complete;
}

void StationLink::keepReply(const QByteArray &received, int length)
{
    // A reply longer than its length is never accepted; one byte more says as
    // much, whatever a flooding peer sends.
    const qsizetype room = qMax<qsizetype>(0, length + 1 - m_reply.size());
    m_reply += received.left(room);
}

std::optional<LinkFailure> StationLink::lineGone()
{
    // A closed (or vanished) port can never answer; fail at once rather than
    // running out every attempt against nothing.
    if (m_comm.portOpen())
        return std::nullopt;
    qCWarning(lcLink) << "exchange on a closed port";
    if (!m_comm.lost())
        return LinkFailure{LinkError::PortClosed, QStringLiteral("the port is not open"), m_reply};
    m_lossReported = true;
    return LinkFailure{LinkError::LineLost, m_comm.lostReason(), m_reply};
}

LinkFailure StationLink::noAnswer(const QString &text)
{
    // The line may have gone while the last attempt waited.
    if (std::optional<LinkFailure> gone = lineGone())
        return *gone;
    return {LinkError::NoAnswer, text, m_reply};
}

std::optional<LinkFailure> StationLink::unsendable(int address, const int *value)
{
    // An address that does not fit one byte would reach some other setting,
    // and only 0..65535 fits the two value bytes: either would be stored
    // truncated, so it is refused without touching the line.
    QString why;
    if (address < 0 || address > 255)
        why = QStringLiteral("address %1 is outside 0 to 255").arg(address);
    else if (value && (*value < 0 || *value > 65535))
        why = QStringLiteral("the value %1 is outside 0 to 65535").arg(*value);
    else
        return std::nullopt;
    qCWarning(lcLink) << "refusing the exchange:" << why;
    return LinkFailure{LinkError::NotSendable, why, {}};
}

void StationLink::show_message(const QString &text, MessageIcon icon, const QString &title)
{
    m_messages->showMessage(text, icon, title);
}

void StationLink::show_failure(const QString &text, const LinkFailure &failure)
{
    // The failure's own text stays as it is; why the line went is said under it.
    if (failure.error == LinkError::LineLost)
        show_message(text + QLatin1Char('\n') + lineLostReason(failure.text));
    else
        show_message(text);
}

void StationLink::reportAttempt(LinkProgress::Exchange exchange, int address, int attempt, int attempts)
{
    if (m_progress)
        m_progress->attemptStarted(exchange, address, attempt, attempts);
}

LinkResult<QByteArray> StationLink::request_version()
{
    Exchange exchange(*this);
    for (int attempts = 1;; ++attempts) {
        if (std::optional<LinkFailure> gone = lineGone())
            return *gone;
        reportAttempt(LinkProgress::Exchange::Version, -1, attempts, versionAttempts);
        m_comm.setInBufferCount(0);
        m_comm.setOutput("V");
        startReceiveWindow();
        if (receive(7) && acceptableVersion(m_reply)) {
            state.station_version = m_reply;
            return m_reply;
        }
        qCDebug(lcLink) << "version attempt" << attempts << "got" << m_reply.toHex(' ');
        if (attempts >= versionAttempts)
            return noAnswer(QStringLiteral("no acceptable version reply to %1 requests").arg(versionAttempts));
    }
}

LinkResult<quint16> StationLink::read_param(int address)
{
    Exchange exchange(*this);
    if (std::optional<LinkFailure> refused = unsendable(address))
        return *refused;
    pause(readSettle);
    if (std::optional<LinkFailure> gone = lineGone())
        return *gone;
    m_comm.setInBufferCount(0);
    const QByteArray packet = readPacket(std::uint8_t(address));
    // The packet goes out once on its own and once more at every attempt.
    m_comm.setOutput(packet);
    for (int attempts = 1;; ++attempts) {
        if (std::optional<LinkFailure> gone = lineGone())
            return *gone;
        reportAttempt(LinkProgress::Exchange::Read, address, attempts, readAttempts);
        m_comm.setInBufferCount(0);
        m_comm.setOutput(packet);
        startReceiveWindow();
        if (receive(2))
            return replyValue(m_reply);
        qCDebug(lcLink) << "read" << address << "attempt" << attempts << "got" << m_reply.toHex(' ');
        if (attempts >= readAttempts)
            return noAnswer(QStringLiteral("no reply to %1 reads of address %2").arg(readAttempts).arg(address));
    }
}

LinkResult<quint16> StationLink::write_param(int address, int value)
{
    Exchange exchange(*this);
    if (std::optional<LinkFailure> refused = unsendable(address, &value))
        return *refused;
    const QByteArray packet = writePacket(std::uint8_t(address), value);
    for (int attempts = 1;; ++attempts) {
        if (std::optional<LinkFailure> gone = lineGone())
            return *gone;
        reportAttempt(LinkProgress::Exchange::Write, address, attempts, writeTransmissions);
        m_comm.setOutput(packet);
        pause(writeEchoWait);
        m_reply.clear();
        keepReply(m_comm.input(), 2);
        // The sixth transmission's echo is never looked at.
        if (attempts >= writeTransmissions)
            return noAnswer(QStringLiteral("no echo to %1 writes to address %2").arg(writeTransmissions).arg(address));
        if (std::optional<LinkFailure> gone = lineGone())
            return *gone;
        if (m_reply.size() == 2)
            return replyValue(m_reply);
        qCDebug(lcLink) << "write" << address << "transmission" << attempts << "echo" << m_reply.toHex(' ');
    }
}

LinkResult<Sent> StationLink::write_param_no_echo(int address, int value)
{
    Exchange exchange(*this);
    if (std::optional<LinkFailure> refused = unsendable(address, &value))
        return *refused;
    if (std::optional<LinkFailure> gone = lineGone())
        return *gone;
    reportAttempt(LinkProgress::Exchange::Write, address, 1, 1);
    m_comm.setOutput(writePacket(std::uint8_t(address), value));
    pause(noEchoWait);
    return Sent{};
}

LinkResult<Sent> StationLink::change_rate(int baud)
{
    m_comm.setPortOpen(false);
    m_comm.setSettings(settingsStringForRate(float(baud)));
    if (!m_comm.setPortOpen(true))
        return LinkFailure{LinkError::PortUnavailable, m_comm.lastOpenErrorString(), {}};
    return Sent{};
}

void StationLink::close_link()
{
    if (m_ui)
        m_ui->linkClosing();
    if (m_comm.portOpen())
        m_comm.setPortOpen(false);
    if (m_ui)
        m_ui->linkClosed();
}

} // namespace orv
