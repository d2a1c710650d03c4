#pragma once

#include "link_progress.h"
#include "link_state.h"
#include "message.h"

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
    // A message box for the user; the link's failures use the defaults.
    void show_message(const QString &text, MessageIcon icon = MessageIcon::Critical,
                      const QString &title = QStringLiteral("ORV CAL"))
    {
        m_messages->showMessage(text, icon, title);
    }

    LinkState state;

    CommControl &comm() { return m_comm; }
    Pump &pump() { return m_pump; }

    void wait_seconds(double seconds);
    void request_version();
    void read_param();
    void write_param();
    void close_link();

private:
    // Appends input to reply_buf until it holds exactly `length` bytes or the
    // whole-second clock has passed reply_deadline.
    bool receive(int length);
    void startReceiveWindow();
    bool lineUsable();
    void reportAttempt(LinkProgress::Exchange exchange, int attempt, int attempts);
    char startByte() const;
    char endByte() const;

    CommControl &m_comm;
    Pump &m_pump;
    LinkUi *m_ui = nullptr;
    LinkProgress *m_progress = nullptr;
    StderrMessages m_stderr;
    MessageSink *m_messages = &m_stderr;
};

} // namespace orv
