#include "pty_server.h"

#include "peer.h"

#include <QSocketNotifier>

#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace station {

namespace {

constexpr std::pair<speed_t, int> speeds[] = {
    {B50, 50},       {B75, 75},       {B110, 110},     {B134, 134},     {B150, 150},
    {B200, 200},     {B300, 300},     {B600, 600},     {B1200, 1200},   {B1800, 1800},
    {B2400, 2400},   {B4800, 4800},   {B9600, 9600},   {B19200, 19200}, {B38400, 38400},
    {B57600, 57600}, {B115200, 115200},
};

speed_t speedOfBaud(int baud)
{
    for (const auto &[speed, rate] : speeds)
        if (rate == baud)
            return speed;
    return B2400;
}

QString errnoText(const char *what)
{
    return QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(std::strerror(errno)));
}

// Polling the terminal settings this often keeps a rate change noticed even
// when the program changes rate and then only listens.
constexpr int ratePollMs = 100;

} // namespace

int baudOfSpeed(unsigned speed)
{
    for (const auto &[s, rate] : speeds)
        if (s == speed)
            return rate;
    return 0;
}

PtyServer::PtyServer(QObject *parent)
    : QObject(parent)
{
    m_outputTimer.setSingleShot(true);
    m_outputTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_outputTimer, &QTimer::timeout, this, &PtyServer::handleOutputDue);
    m_pollTimer.setInterval(ratePollMs);
    connect(&m_pollTimer, &QTimer::timeout, this, &PtyServer::pollLineRate);
    // The kernel reports a close before it drops the closer's flock, however
    // long a loaded machine keeps the two apart; the poll looks again until
    // the lock has gone.
    connect(&m_pollTimer, &QTimer::timeout, this, &PtyServer::releaseStaleExclusive);
}

PtyServer::~PtyServer()
{
    if (m_closeWatch >= 0)
        ::close(m_closeWatch);
    if (m_slave >= 0)
        ::close(m_slave);
    if (m_master >= 0)
        ::close(m_master);
}

bool PtyServer::open(int initialBaud, QString *error)
{
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0) {
        *error = errnoText("posix_openpt");
        return false;
    }
    const char *name = ::ptsname(m_master);
    if (!name) {
        *error = errnoText("ptsname");
        return false;
    }
    m_slavePath = QString::fromLocal8Bit(name);
    m_slave = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (m_slave < 0) {
        *error = errnoText("open slave");
        return false;
    }
    termios tio{};
    if (::tcgetattr(m_slave, &tio) != 0) {
        *error = errnoText("tcgetattr");
        return false;
    }
    ::cfmakeraw(&tio);
    ::cfsetispeed(&tio, speedOfBaud(initialBaud));
    ::cfsetospeed(&tio, speedOfBaud(initialBaud));
    if (::tcsetattr(m_slave, TCSANOW, &tio) != 0) {
        *error = errnoText("tcsetattr");
        return false;
    }
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    m_clock.start();
    return true;
}

void PtyServer::serve(Peer &peer)
{
    m_peer = &peer;
    m_readNotifier = new QSocketNotifier(m_master, QSocketNotifier::Read, this);
    connect(m_readNotifier, &QSocketNotifier::activated, this, &PtyServer::handleReadable);
    m_writeNotifier = new QSocketNotifier(m_master, QSocketNotifier::Write, this);
    m_writeNotifier->setEnabled(false);
    connect(m_writeNotifier, &QSocketNotifier::activated, this, &PtyServer::handleWritable);
    pollLineRate();
    m_pollTimer.start();
    watchClients();
}

void PtyServer::watchClients()
{
    m_closeWatch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_closeWatch < 0
        || ::inotify_add_watch(m_closeWatch, QFile::encodeName(m_slavePath).constData(),
                               IN_CLOSE_WRITE | IN_CLOSE_NOWRITE) < 0) {
        std::fprintf(stderr, "orv-station: %s\n", qPrintable(errnoText("inotify")));
        return;
    }
    auto *notifier = new QSocketNotifier(m_closeWatch, QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &PtyServer::handleClientClosed);
}

void PtyServer::handleClientClosed()
{
    char events[4096];
    while (::read(m_closeWatch, events, sizeof events) > 0) {
    }
    releaseStaleExclusive();
}

// A client opens the terminal exclusive (TIOCEXCL) and clears that when it
// closes. One that dies instead leaves it set, and since we hold the slave
// open the setting outlives it: every later open by anyone but root fails
// with EBUSY. Our clients hold an flock on the device while they use it, so
// exclusive mode with no such lock held is taken for a dead client's, and
// cleared. A shared lock is enough to find none held, and tells a client
// that meets it that only we are looking.
void PtyServer::releaseStaleExclusive()
{
    int exclusive = 0;
    if (::ioctl(m_slave, TIOCGEXCL, &exclusive) != 0 || !exclusive)
        return;
    if (::flock(m_slave, LOCK_SH | LOCK_NB) != 0)
        return;
    ::ioctl(m_slave, TIOCNXCL);
    ::flock(m_slave, LOCK_UN);
}

void PtyServer::handleReadable()
{
    QByteArray bytes;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(m_master, buffer, sizeof buffer);
        if (n > 0) {
            bytes.append(buffer, n);
            continue;
        }
        // EIO means no one holds the slave; we always do, so it is transient.
        if (n < 0 && errno == EINTR)
            continue;
        break;
    }
    if (bytes.isEmpty())
        return;
    pollLineRate();
    m_peer->receive(bytes, nowMs());
    scheduleOutput();
}

void PtyServer::handleWritable()
{
    flushPending();
}

void PtyServer::handleOutputDue()
{
    m_pendingWrite += m_peer->takeOutput(nowMs());
    flushPending();
    scheduleOutput();
}

void PtyServer::flushPending()
{
    while (!m_pendingWrite.isEmpty()) {
        const ssize_t n = ::write(m_master, m_pendingWrite.constData(), size_t(m_pendingWrite.size()));
        if (n > 0) {
            m_pendingWrite.remove(0, n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            break;
        }
    }
    m_writeNotifier->setEnabled(!m_pendingWrite.isEmpty());
}

void PtyServer::pollLineRate()
{
    termios tio{};
    if (::tcgetattr(m_slave, &tio) != 0)
        return;
    const int rate = baudOfSpeed(::cfgetospeed(&tio));
    if (rate == m_lineRate)
        return;
    m_lineRate = rate;
    m_peer->setLineRate(rate, nowMs());
    scheduleOutput();
}

void PtyServer::scheduleOutput()
{
    const auto next = m_peer->nextOutputAtMs();
    if (!next) {
        m_outputTimer.stop();
        return;
    }
    m_outputTimer.start(int(qBound(qint64(0), *next - nowMs(), qint64(24 * 3600 * 1000))));
}

} // namespace station

#include "moc_pty_server.cpp"
