#pragma once

#include "link/pump.h"

#include <QDateTime>

#include <functional>
#include <map>
#include <optional>
#include <vector>

namespace orv::test {

// A clock that only moves when someone waits: a wait jumps straight to the
// next scheduled event (bytes arriving from a simulated peer) or to its end,
// so a minute of protocol time-outs passes in microseconds.
class VirtualPump final : public Pump
{
public:
    // No test needs a day of protocol time: a wait asked to go further is looping, so it aborts.
    static constexpr qint64 maxRunMs = 24LL * 3600 * 1000;

    explicit VirtualPump(const QDateTime &start = QDateTime(QDate(2026, 3, 14), QTime(10, 0, 0)));

    QDateTime now() const override { return m_now; }
    bool waitUntil(const QDateTime &until, const std::function<bool()> &done = {}) override;
    void wake() override {}

    // Runs `action` when the clock reaches `at` (during some wait or advance).
    void schedule(const QDateTime &at, std::function<void()> action);
    void scheduleIn(qint64 ms, std::function<void()> action) { schedule(m_now.addMSecs(ms), std::move(action)); }

    // A time source of its own (a simulated line): `next` says when it next
    // has something, `fire` is called once the clock has reached that time.
    struct Source
    {
        std::function<std::optional<qint64>()> next; // ms since epoch
        std::function<void()> fire;
    };
    int addSource(Source source);
    void removeSource(int id);

    // Moves the clock forward outside any wait, running what falls due.
    void advance(qint64 ms);

    qint64 msSinceEpoch() const { return m_now.toMSecsSinceEpoch(); }

private:
    std::optional<qint64> nextEventMs() const;
    void runDue();

    QDateTime m_now;
    qint64 m_startMs = 0;
    std::multimap<qint64, std::function<void()>> m_events;
    std::map<int, Source> m_sources;
    int m_nextSourceId = 1;
};

} // namespace orv::test
