#pragma once

#include "link_progress.h"
#include "link_result.h"
#include "link_state.h"
#include "message.h"

#include <QDateTime>
#include <QString>

#include <functional>
#include <optional>

namespace orv {

class CommControl;
class LinkUi;
class Pump;

// The request/reply exchange with the station on one line: the only code
// that talks to the station once a link is up. Each exchange takes its
// operands as arguments and returns its value or why there is none; it shows
// no message itself.
class StationLink
{
public:
    // Protocol time-outs, in seconds.
    static constexpr double readSettle = 0.25;
    static constexpr int receiveWindow = 15;
    static constexpr double writeEchoWait = 15.0;
    static constexpr double noEchoWait = 0.5;
    static constexpr int versionAttempts = 4;
    static constexpr int readAttempts = 11;
    static constexpr int writeTransmissions = 6;

    StationLink(CommControl &comm, Pump &pump);

    void setUi(LinkUi *ui) { m_ui = ui; }
    // Optional: told of every attempt, for a progress display.
    void setProgress(LinkProgress *progress) { m_progress = progress; }
    // Null goes back to stderr.
    void setMessages(MessageSink *sink) { m_messages = sink ? sink : &m_stderr; }
    MessageSink &messages() { return *m_messages; }
    // A message box for the user; the link's failures use the defaults.
    void show_message(const QString &text, MessageIcon icon = MessageIcon::Critical,
                      const QString &title = QStringLiteral("ORV CAL"));
    // The message of a failed exchange: `text`, and when the line went away,
    // why, on a line of its own.
    void show_failure(const QString &text, const LinkFailure &failure);

    LinkState state;

    CommControl &comm() { return m_comm; }
    Pump &pump() { return m_pump; }

    void wait_seconds(double seconds);
    // The 7-byte reply, also kept in state.station_version.
    LinkResult<QByteArray> request_version();
    LinkResult<quint16> read_param(int address);
    // Sends `value` and returns the station's echo, which is not compared with it.
    LinkResult<quint16> write_param(int address, int value);
    // Sends once, waits half a second and reads nothing: the station answers
    // a change of its rate at the new rate.
    LinkResult<Sent> write_param_no_echo(int address, int value);
    // Reopens the port at `baud`,N,8,1. A port that will not reopen is left
    // closed and the failure says why.
    LinkResult<Sent> change_rate(int baud);
    void close_link();

    // A pumped wait for something other than a reply (a modem's dial result);
    // it counts as link activity, so a line lost meanwhile is left to the caller.
    bool waitFor(const QDateTime &until, const std::function<bool()> &done);

private:
    class Activity;
    friend class Activity;
    class Exchange;
    friend class Exchange;

    // A pause inside an exchange: ends early once the line is gone, since
    // nothing can arrive any more.
    void pause(double seconds);
    void delay(double seconds, bool endOnLoss);
    void handleLineLost();
    void reportLossWhenIdle();

    // Appends input to the reply until it holds exactly `length` bytes or the
    // whole-second clock has passed the attempt's deadline.
    bool receive(int length);
    void keepReply(const QByteArray &received, int length);
    void startReceiveWindow();
    // The failure when nothing can go over the line any more, else none.
    std::optional<LinkFailure> lineGone();
    LinkFailure noAnswer(const QString &text);
    std::optional<LinkFailure> unsendable(int address, const int *value = nullptr);
    void reportAttempt(LinkProgress::Exchange exchange, int address, int attempt, int attempts);

    CommControl &m_comm;
    Pump &m_pump;
    LinkUi *m_ui = nullptr;
    LinkProgress *m_progress = nullptr;
    StderrMessages m_stderr;
    MessageSink *m_messages = &m_stderr;
    // The request in progress: bytes received for it, and the end of its receive wait.
    QByteArray m_reply;
    QDateTime m_replyDeadline;
    int m_activity = 0;
    // An exchange failed because of the current loss, so its caller reports it.
    bool m_lossReported = false;
};

// Shown when the line goes away while nothing was being exchanged.
QString lineLostMessage(const QString &reason);
// The line under a failed exchange's message when the line went away.
QString lineLostReason(const QString &reason);

} // namespace orv
