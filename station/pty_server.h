#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

class QSocketNotifier;

namespace station {

class Peer;

// Serves a peer on a pseudo-terminal in real time. The computer's program
// opens the slave end like any serial port; its line rate is read from the
// terminal settings whenever bytes arrive and a few times a second. A pty
// carries no modem lines, so DTR never reaches the peer.
class PtyServer : public QObject
{
    Q_OBJECT
public:
    explicit PtyServer(QObject *parent = nullptr);
    ~PtyServer() override;

    // Creates the terminal pair; the slave starts raw at `initialBaud`.
    bool open(int initialBaud, QString *error);
    QString slavePath() const { return m_slavePath; }

    // Milliseconds since open(), the clock the peer runs on.
    qint64 nowMs() const { return m_clock.elapsed(); }

    void serve(Peer &peer);

private:
    void watchClients();
    void handleClientClosed();
    void releaseStaleExclusive();
    void handleReadable();
    void handleWritable();
    void handleOutputDue();
    void pollLineRate();
    void scheduleOutput();
    void flushPending();

    Peer *m_peer = nullptr;
    int m_master = -1;
    // Held open so the terminal survives the program closing its end.
    int m_slave = -1;
    QString m_slavePath;
    // Tells of every close of the slave, so a client that died holding the
    // terminal exclusive does not lock everyone else out.
    int m_closeWatch = -1;
    QSocketNotifier *m_readNotifier = nullptr;
    QSocketNotifier *m_writeNotifier = nullptr;
    QTimer m_outputTimer;
    QTimer m_pollTimer;
    QElapsedTimer m_clock;
    QByteArray m_pendingWrite;
    int m_lineRate = 0;
};

// Baud rate of a termios speed constant, 0 for one it does not know.
int baudOfSpeed(unsigned speed);

} // namespace station
