#pragma once

#include <QByteArray>
#include <QString>

namespace orv::test {

// The far end of a real pseudo-terminal, held by the test itself: the program
// under test opens path(), and hangUp() makes the line vanish the way a
// pulled USB adapter or an ended peer program does.
class PtyPeer
{
public:
    PtyPeer();
    ~PtyPeer();

    PtyPeer(const PtyPeer &) = delete;
    PtyPeer &operator=(const PtyPeer &) = delete;

    bool isOpen() const { return m_master >= 0; }
    QString path() const { return m_path; }

    // Collects what the program sends until `count` bytes have come or
    // `timeoutMs` has passed.
    QByteArray read(int count, int timeoutMs);
    bool write(const QByteArray &bytes);
    // As much of `bytes` as the line takes now, without waiting; the count.
    qint64 writeSome(const QByteArray &bytes);
    void hangUp();

private:
    int m_master = -1;
    // Held so that reading this end waits for the program instead of failing
    // before it has opened the line.
    int m_slave = -1;
    QString m_path;
};

// CPU time (user + system) of this process so far.
double processCpuSeconds();
// CPU time of a running child, from /proc; -1 when it cannot be read.
double runningProcessCpuSeconds(qint64 pid);
// CPU time of every child this process has waited for so far.
double reapedChildrenCpuSeconds();

} // namespace orv::test
