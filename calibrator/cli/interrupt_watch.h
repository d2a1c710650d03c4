#pragma once

#include <QSocketNotifier>

#include <csignal>
#include <functional>
#include <memory>

namespace orv::cli {

class CliContext;

// Ctrl+C in two steps for a run that must not be cut off half-way: the first
// runs `stop` (which says what will happen and asks the run to stop at its
// next safe point), the second runs `end` to say what was left done, then
// ends the program at once with `exitCode`. The signal handler only writes a
// byte; the event loop that every wait pumps does the rest.
class InterruptWatch
{
public:
    InterruptWatch(CliContext &c, std::function<void()> stop, std::function<void()> end, int exitCode);
    ~InterruptWatch();
    InterruptWatch(const InterruptWatch &) = delete;
    InterruptWatch &operator=(const InterruptWatch &) = delete;

    bool stopRequested() const { return m_count > 0; }

private:
    void handleActivated();

    CliContext &m_c;
    std::function<void()> m_stop;
    std::function<void()> m_end;
    int m_exitCode;
    std::unique_ptr<QSocketNotifier> m_notifier;
    struct sigaction m_previous = {};
    int m_count = 0;
};

} // namespace orv::cli
