#pragma once

#include <QDateTime>

#include <functional>

namespace orv {

// The one clock the link waits on. Production waits in a nested event loop;
// tests substitute a virtual clock so minute-long retry sequences run at once.
class Pump
{
public:
    virtual ~Pump() = default;

    // The calendar clock, millisecond resolution underneath.
    virtual QDateTime now() const = 0;

    // Runs window events until `done` returns true or `until` has passed.
    // `done` is evaluated on entry and after each wake(); returns its last value.
    virtual bool waitUntil(const QDateTime &until, const std::function<bool()> &done = {}) = 0;

    // Something a waiter may be waiting for has happened (bytes arrived).
    virtual void wake() = 0;

    // Lets the window events already queued run once (a repaint), without
    // waiting; a virtual clock may decide otherwise.
    virtual void runPending();

    double secondsSinceMidnight() const;
};

} // namespace orv
