#include "station_clock.h"

namespace station {

StationClock::StationClock(const QDateTime &start, qint64 atMs)
    : m_base(start)
    , m_baseMs(atMs)
{
    // The station knows no time zones; a local wall time is all it keeps.
    m_base.setTimeSpec(Qt::UTC);
}

QDateTime StationClock::at(qint64 nowMs) const
{
    return m_base.addMSecs(nowMs - m_baseMs);
}

int StationClock::field(Field f, qint64 nowMs) const
{
    const QDateTime t = at(nowMs);
    switch (f) {
    case Field::Seconds: return t.time().second();
    case Field::Minutes: return t.time().minute();
    case Field::Hours: return t.time().hour();
    case Field::Day: return t.date().day();
    case Field::Month: return t.date().month();
    case Field::Year: return t.date().year() % 100;
    }
    return 0;
}

bool StationClock::setField(Field f, int value, qint64 nowMs)
{
    const QDateTime t = at(nowMs);
    int year = t.date().year(), month = t.date().month(), day = t.date().day();
    int hour = t.time().hour(), minute = t.time().minute(), second = t.time().second();
    switch (f) {
    case Field::Seconds:
        if (value < 0 || value > 59) return false;
        second = value;
        break;
    case Field::Minutes:
        if (value < 0 || value > 59) return false;
        minute = value;
        break;
    case Field::Hours:
        if (value < 0 || value > 23) return false;
        hour = value;
        break;
    case Field::Day:
        if (value < 1 || value > 31) return false;
        day = value;
        break;
    case Field::Month:
        if (value < 1 || value > 12) return false;
        month = value;
        break;
    case Field::Year:
        if (value < 0 || value > 99) return false;
        year = 2000 + value;
        break;
    }
    day = qMin(day, QDate(year, month, 1).daysInMonth());
    set(QDateTime(QDate(year, month, day), QTime(hour, minute, second), Qt::UTC), nowMs);
    return true;
}

void StationClock::set(const QDateTime &time, qint64 nowMs)
{
    m_base = time;
    m_base.setTimeSpec(Qt::UTC);
    m_baseMs = nowMs;
}

} // namespace station
