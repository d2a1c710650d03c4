#pragma once

#include <QDateTime>

namespace station {

// The station's own clock: it runs with the caller's time and is set one
// field at a time, the way the clock parameters are written.
class StationClock
{
public:
    enum class Field { Seconds, Minutes, Hours, Day, Month, Year };

    StationClock(const QDateTime &start, qint64 atMs);

    QDateTime at(qint64 nowMs) const;
    // The year reads as two digits, as the station stores it.
    int field(Field f, qint64 nowMs) const;
    // Out-of-range values are ignored; a day past the month's end is clamped.
    bool setField(Field f, int value, qint64 nowMs);
    void set(const QDateTime &time, qint64 nowMs);

private:
    QDateTime m_base;
    qint64 m_baseMs;
};

} // namespace station
