#include "pty_peer.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QList>

#include <cerrno>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

namespace orv::test {

PtyPeer::PtyPeer()
{
    char name[128] = {};
    if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0) {
        m_master = m_slave = -1;
        return;
    }
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    // A program the test starts must not inherit this end: it would keep the line up.
    ::fcntl(m_master, F_SETFD, FD_CLOEXEC);
    ::fcntl(m_slave, F_SETFD, FD_CLOEXEC);
    m_path = QString::fromLocal8Bit(name);
}

PtyPeer::~PtyPeer()
{
    hangUp();
}

QByteArray PtyPeer::read(int count, int timeoutMs)
{
    QByteArray got;
    QDeadlineTimer deadline(timeoutMs);
    // One look at least, so a zero time-out takes what is there already.
    do {
        pollfd fd{m_master, POLLIN, 0};
        if (::poll(&fd, 1, int(qMax<qint64>(0, deadline.remainingTime()))) <= 0)
            continue;
        char buffer[256];
        const ssize_t n = ::read(m_master, buffer, size_t(qMin<qint64>(sizeof buffer, count - got.size())));
        if (n > 0)
            got.append(buffer, int(n));
        else if (n == 0 || errno != EAGAIN)
            break;
    } while (isOpen() && got.size() < count && !deadline.hasExpired());
    return got;
}

bool PtyPeer::write(const QByteArray &bytes)
{
    return isOpen() && ::write(m_master, bytes.constData(), size_t(bytes.size())) == bytes.size();
}

qint64 PtyPeer::writeSome(const QByteArray &bytes)
{
    const ssize_t n = isOpen() ? ::write(m_master, bytes.constData(), size_t(bytes.size())) : -1;
    return n > 0 ? qint64(n) : 0;
}

void PtyPeer::hangUp()
{
    if (m_master >= 0)
        ::close(m_master);
    if (m_slave >= 0)
        ::close(m_slave);
    m_master = m_slave = -1;
}

double processCpuSeconds()
{
    timespec ts{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

double runningProcessCpuSeconds(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray text = stat.readAll();
    // Fields after the parenthesised command name; utime and stime are the 12th and 13th of them.
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return -1;
    const double ticks = double(::sysconf(_SC_CLK_TCK));
    return (fields[11].toDouble() + fields[12].toDouble()) / ticks;
}

double reapedChildrenCpuSeconds()
{
    rusage usage{};
    ::getrusage(RUSAGE_CHILDREN, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

} // namespace orv::test
