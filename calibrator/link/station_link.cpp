#include "station_link.h"

#include "comm_control.h"
#include "link_ui.h"
#include "message.h"
#include "numeric.h"
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

float replyValue(const QByteArray &reply)
{
    return float(uchar(reply[0]) * 256 + uchar(reply[1]));
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

char StationLink::startByte() const
{
    return state.pkt_start.isEmpty() ? char(0x02) : state.pkt_start.at(0);
}

char StationLink::endByte() const
{
    return state.pkt_end.isEmpty() ? char(0x03) : state.pkt_end.at(0);
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
    state.reply_deadline = wholeSecond(m_pump.now()).addSecs(receiveWindow);
    state.reply_buf.clear();
}

bool StationLink::receive(int length)
{
    // "Later than the deadline" on a whole-second clock is one second past it.
    bool complete = false;
    m_pump.waitUntil(state.reply_deadline.addSecs(1), [this, length, &complete] {
        keepReply(m_comm.input(), length);
        complete = state.reply_buf.size() == length;
        return complete || !m_comm.portOpen();
    });
    return complete;
}

void StationLink::keepReply(const QByteArray &received, int length)
{
    // A reply longer than its length is never accepted; one byte more says as
    // much, whatever a flooding peer sends.
    const qsizetype room = qMax<qsizetype>(0, length + 1 - state.reply_buf.size());
    state.reply_buf += received.left(room);
}

bool StationLink::lineUsable()
{
    // A closed (or vanished) port can never answer; fail at once rather than
    // running out every attempt against nothing.
    if (m_comm.portOpen())
        return true;
    qCWarning(lcLink) << "exchange on a closed port";
    failExchange();
    return false;
}

void StationLink::failExchange()
{
    state.com_status = LinkState::comFailed;
    if (m_comm.lost())
        m_lossReported = true;
}

void StationLink::show_message(const QString &text, MessageIcon icon, const QString &title)
{
    // The failure's own text stays as it is; why the line went is said under it.
    if (m_lossReported && m_comm.lost() && state.exchangeFailed())
        m_messages->showMessage(text + QLatin1Char('\n') + lineLostReason(m_comm.lostReason()), icon, title);
    else
        m_messages->showMessage(text, icon, title);
}

void StationLink::reportAttempt(LinkProgress::Exchange exchange, int attempt, int attempts)
{
    if (m_progress)
        m_progress->attemptStarted(exchange, state.param_addr, attempt, attempts);
}

void StationLink::request_version()
{
    Activity activity(*this);
    state.com_status = 0;
    for (int attempts = 1;; ++attempts) {
        if (!lineUsable())
            return;
        reportAttempt(LinkProgress::Exchange::Version, attempts, versionAttempts);
        m_comm.setInBufferCount(0);
        m_comm.setOutput("V");
        startReceiveWindow();
        if (receive(7) && acceptableVersion(state.reply_buf)) {
            state.station_version = state.reply_buf;
            return;
        }
        qCDebug(lcLink) << "version attempt" << attempts << "got" << state.reply_buf.toHex(' ');
        if (attempts >= versionAttempts) {
            failExchange();
            return;
        }
    }
}

void StationLink::read_param()
{
    Activity activity(*this);
    state.com_status = 0;
    // An address that does not fit one byte would reach some other setting.
    if (state.param_addr < 0 || state.param_addr > 255) {
        qCWarning(lcLink) << "refusing to read address" << state.param_addr;
        state.com_status = LinkState::comFailed;
        return;
    }
    pause(readSettle);
    if (!lineUsable())
        return;
    m_comm.setInBufferCount(0);
    const QByteArray packet = readPacket(std::uint8_t(state.param_addr), startByte(), endByte());
    // The packet goes out once on its own and once more at every attempt.
    m_comm.setOutput(packet);
    for (int attempts = 1;; ++attempts) {
        if (!lineUsable())
            return;
        reportAttempt(LinkProgress::Exchange::Read, attempts, readAttempts);
        m_comm.setInBufferCount(0);
        m_comm.setOutput(packet);
        startReceiveWindow();
        if (receive(2)) {
            state.param_value = replyValue(state.reply_buf);
            return;
        }
        qCDebug(lcLink) << "read" << state.param_addr << "attempt" << attempts << "got"
                        << state.reply_buf.toHex(' ');
        if (attempts >= readAttempts) {
            failExchange();
            return;
        }
    }
}

void StationLink::write_param()
{
    Activity activity(*this);
    state.com_status = 0;
    const std::int32_t value = roundHalfEven(state.param_value);
    // Only 0..65535 fits the two value bytes; anything else would be stored
    // truncated, so it is refused without touching the line.
    if (state.param_addr < 0 || state.param_addr > 255 || value < 0 || value > 65535) {
        qCWarning(lcLink) << "refusing to write" << state.param_value << "to address" << state.param_addr;
        state.com_status = LinkState::comFailed;
        return;
    }
    const QByteArray packet = writePacket(std::uint8_t(state.param_addr), value, startByte(), endByte());
    for (int attempts = 1;; ++attempts) {
        if (!lineUsable())
            return;
        reportAttempt(LinkProgress::Exchange::Write, attempts, state.write_no_echo == 255 ? 1 : writeTransmissions);
        m_comm.setOutput(packet);
        if (state.write_no_echo == LinkState::noEcho) {
            pause(noEchoWait);
            return;
        }
        pause(writeEchoWait);
        state.reply_buf.clear();
        keepReply(m_comm.input(), 2);
        // The sixth transmission's echo is never looked at.
        if (attempts >= writeTransmissions || !lineUsable()) {
            failExchange();
            return;
        }
        if (state.reply_buf.size() == 2) {
            state.param_value = replyValue(state.reply_buf);
            return;
        }
        qCDebug(lcLink) << "write" << state.param_addr << "transmission" << attempts << "echo"
                        << state.reply_buf.toHex(' ');
    }
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
