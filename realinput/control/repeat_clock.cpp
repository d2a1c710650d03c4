#include "repeat_clock.h"

#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <climits>

namespace {

class SystemRepeatClock final : public RepeatClock
{
public:
    SystemRepeatClock()
    {
        m_elapsed.start();
        m_timer.setSingleShot(true);
        // A coarse timer may fire up to 5 % late, which would add up over a held arrow.
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            // The callback may ask for the next call, replacing m_due while it runs.
            const std::function<void()> due = m_due;
            if (due)
                due();
        });
    }

    qint64 now() const override { return m_elapsed.elapsed(); }

    void callIn(qint64 ms, std::function<void()> due) override
    {
        m_due = std::move(due);
        m_timer.start(int(std::clamp<qint64>(ms, 0, INT_MAX)));
    }

    void cancel() override
    {
        m_timer.stop();
        m_due = nullptr;
    }

private:
    QElapsedTimer m_elapsed;
    QTimer m_timer;
    std::function<void()> m_due;
};

} // namespace

std::unique_ptr<RepeatClock> RepeatClock::system()
{
    return std::make_unique<SystemRepeatClock>();
}
