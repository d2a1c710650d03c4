#pragma once

#include "link_progress.h"
#include "link_state.h"
#include "message.h"

#include <QDateTime>
#include <QString>

#include <functional>

namespace orv {

class CommControl;
class LinkUi;
class Pump;

// The request/reply exchange with the station: the only code that talks to it
// once a link is up. Failures are reported in one way: com_status = 255.
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
    // A message box for the user; the link's failures use the defaults. After
    // an exchange that failed because the line went away, the reason follows
    // on a line of its own.
    void show_message(const QString &text, MessageIcon icon = MessageIcon::Critical,
                      const QString &title = QStringLiteral("ORV CAL"));

    LinkState state;

    CommControl &comm() { return m_comm; }
    Pump &pump() { return m_pump; }

    void wait_seconds(double seconds);
    void request_version();
    void read_param();
    void write_param();
    void close_link();

    // A pumped wait for something other than a reply (a modem's dial result);
    // it counts as link activity, so a line lost meanwhile is left to the caller.
    bool waitFor(const QDateTime &until, const std::function<bool()> &done);

private:
    class Activity;
    friend class Activity;

    // A pause inside an exchange: ends early once the line is gone, since
    // nothing can arrive any more.
    void pause(double seconds);
    void delay(double seconds, bool endOnLoss);
    void handleLineLost();
    void reportLossWhenIdle();

    // Appends input to reply_buf until it holds exactly `length` bytes or the
    // whole-second clock has passed reply_deadline.
    bool receive(int length);
    void keepReply(const QByteArray &received, int length);
    void startReceiveWindow();
    bool lineUsable();
    void failExchange();
    void reportAttempt(LinkProgress::Exchange exchange, int attempt, int attempts);
    char startByte() const;
    char endByte() const;

    CommControl &m_comm;
    Pump &m_pump;
    LinkUi *m_ui = nullptr;
    LinkProgress *m_progress = nullptr;
    StderrMessages m_stderr;
    MessageSink *m_messages = &m_stderr;
    int m_activity = 0;
    // An exchange failed because of the current loss, so its caller reports it.
    bool m_lossReported = false;
};

// Shown when the line goes away while nothing was being exchanged.
QString lineLostMessage(const QString &reason);
// The line under a failed exchange's message when the line went away.
QString lineLostReason(const QString &reason);

} // namespace orv
