#include "clock_check.h"

#include "param_access.h"

#include "link/comm_control.h"
#include "link/pump.h"
#include "link/station_link.h"

#include <algorithm>

namespace orv {

namespace {

// Wall-clock fields compared as such: the station knows no time zone or
// daylight saving, so neither side's offset may enter the difference.
qint64 wallMs(const QDateTime &t)
{
    return QDateTime(t.date(), t.time(), Qt::UTC).toMSecsSinceEpoch();
}

bool isDateField(ParamEntry field)
{
    return field == ParamEntry::ClockYears || field == ParamEntry::ClockMonth || field == ParamEntry::ClockDayOfMonth;
}

// A write's echo takes 15 s; lining up the next one may add up to six more.
constexpr qint64 writeSpacingMs = 22000;

} // namespace

long long ClockReading::differenceSeconds() const
{
    return (wallMs(station) - wallMs(computer.addMSecs(-computer.time().msec()))) / 1000;
}

const std::array<ParamEntry, 6> &ClockCheck::writeOrder()
{
    static const std::array<ParamEntry, 6> order{
        ParamEntry::ClockSeconds, ParamEntry::ClockMinutes, ParamEntry::ClockHours,
        ParamEntry::ClockYears,   ParamEntry::ClockMonth,   ParamEntry::ClockDayOfMonth,
    };
    return order;
}

ClockCheck::ClockCheck(StationLink &link, const ParamRecords &records, SettingPanels &panels)
    : m_link(link)
    , m_records(records)
    , m_ops(link, records, panels)
{
}

ClockResult ClockCheck::measure(ClockReading *reading)
{
    // The six reads take about two seconds; a station second below 3 may mean
    // its minute turned over between the minute read and the second read.
    for (int pass = 0;; ++pass) {
        const ClockResult result = m_ops.read_station_clock();
        if (result != ClockResult::Done)
            return result;
        const QDateTime replied = m_link.pump().now();
        if (m_ops.station_time.time().second() >= 3 || pass == 2) {
            // The station took its seconds after the settling pause and before
            // its two-byte reply crossed the line back. Taking the computer's
            // clock at the reply instead once made an exact station read -1 s
            // whenever that lag straddled a second.
            const qint64 earliest = wallMs(m_ops.secondsAskedAt()) + qint64(StationLink::readSettle * 1000);
            const qint64 latest = std::max(earliest, wallMs(replied) - lineTimeMs(2));
            const qint64 stationMs = wallMs(m_ops.station_time);
            const qint64 at = std::clamp(stationMs + 500, earliest, latest);
            reading->station = m_ops.station_time;
            reading->computer = replied.addMSecs(at - wallMs(replied));
            reading->differenceMs = stationMs + 500 - at;
            return ClockResult::Done;
        }
        m_link.wait_seconds(3);
    }
}

int ClockCheck::fieldValue(ParamEntry field, const QDateTime &at)
{
    switch (field) {
    case ParamEntry::ClockYears:
        return StationClockOps::twoDigitYear(at.date().year());
    case ParamEntry::ClockMonth:
        return at.date().month();
    case ParamEntry::ClockDayOfMonth:
        return at.date().day();
    case ParamEntry::ClockHours:
        return at.time().hour();
    case ParamEntry::ClockMinutes:
        return at.time().minute();
    default:
        return at.time().second();
    }
}

QDateTime ClockCheck::sendTime(const QDateTime &now, qint64 lineMs, int landingMs, int dateWritesAfter)
{
    const QDateTime earliest = now.addMSecs(lineMs);
    QDateTime landing = earliest.addMSecs(landingMs - earliest.time().msec());
    if (landing < earliest)
        landing = landing.addSecs(1);
    while (landing.time().second() < 2 || landing.time().second() > 57)
        landing = landing.addSecs(1);
    if (dateWritesAfter > 1) {
        const QDateTime lastLanding = landing.addMSecs((dateWritesAfter - 1) * writeSpacingMs);
        if (lastLanding.date() != landing.date())
            landing = QDateTime(lastLanding.date(), QTime(0, 0, 2, landingMs), landing.timeSpec());
    }
    return landing.addMSecs(-lineMs);
}

qint64 ClockCheck::lineTimeMs(int bytes) const
{
    const int baud = m_link.comm().settings().section(QLatin1Char(','), 0, 0).toInt();
    return baud > 0 ? bytes * 10 * 1000 / baud : 0;
}

ClockResult ClockCheck::setStation()
{
    for (ParamEntry field : writeOrder())
        if (m_records[field].absent())
            return ClockResult::Absent;
    // Nine bytes of a write packet.
    const qint64 lineMs = lineTimeMs(9);
    int dateWritesLeft = 3;
    for (std::size_t i = 0; i < writeOrder().size(); ++i) {
        const ParamEntry field = writeOrder()[i];
        // Each landing a little later in its second than the one before: a
        // station that drops the part second on every write then loses no more
        // than the last of these.
        const int landingMs = 20 + 80 * int(i);
        const QDateTime send = sendTime(m_link.pump().now(), lineMs, landingMs, isDateField(field) ? dateWritesLeft : 0);
        if (m_link.pump().now() < send)
            m_link.pump().waitUntil(send);
        if (cancelRequested && cancelRequested())
            return ClockResult::Cancelled;
        const int value = fieldValue(field, m_link.pump().now().addMSecs(lineMs));
        if (onWrite)
            onWrite(field, value);
        if (write_raw_setting(m_link, m_records[field], float(value), clockSetFailedMessage()).result == AccessResult::ComFailed)
            return ClockResult::ComFailed;
        if (isDateField(field))
            --dateWritesLeft;
    }
    return ClockResult::Done;
}

} // namespace orv
