#pragma once

#include <QtGlobal>

#include <functional>
#include <memory>

// The time source of the spin arrows' auto-repeat. The event loop replaces the
// nested message loop of a held arrow: the control asks to be called back when
// the next step falls due. Tests hand in a clock they move themselves.
class RepeatClock
{
public:
    virtual ~RepeatClock() = default;
    // Milliseconds since some fixed start.
    virtual qint64 now() const = 0;
    // Calls `due` once, `ms` from now; a new call replaces the pending one.
    virtual void callIn(qint64 ms, std::function<void()> due) = 0;
    virtual void cancel() = 0;

    // The monotonic clock with a precise Qt timer.
    static std::unique_ptr<RepeatClock> system();
};
