#include "qt_pump.h"

#include <QEventLoop>
#include <QTimer>

namespace orv {

QDateTime QtPump::now() const
{
    return QDateTime::currentDateTime();
}

bool QtPump::waitUntil(const QDateTime &until, const std::function<bool()> &done)
{
    if (done && done())
        return true;
    const qint64 remaining = now().msecsTo(until);
    if (remaining <= 0)
        return done ? done() : false;

    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    // Coarse timers may fire up to 5% early; protocol time-outs must not.
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);

    // Waits may nest (a window event handled inside a wait starts another);
    // the inner one owns wake() until it returns.
    QEventLoop *outerLoop = m_loop;
    m_loop = &loop;

    bool satisfied = false;
    for (;;) {
        timer.start(int(qMax<qint64>(0, now().msecsTo(until))));
        loop.exec();
        satisfied = done && done();
        // A timer can wake a hair early on a loaded machine; never end before `until`.
        if (satisfied || now() >= until)
            break;
    }

    m_loop = outerLoop;
    // Wakes that arrived while nested went to us; let the outer waiter look again.
    if (m_loop)
        m_loop->quit();
    return satisfied;
}

void QtPump::wake()
{
    // The waiter re-evaluates its condition once the loop returns.
    if (m_loop)
        m_loop->quit();
}

} // namespace orv
