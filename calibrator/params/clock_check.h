#pragma once

#include "param_records.h"
#include "station_clock_ops.h"

#include <QDateTime>

#include <functional>

namespace orv {

class SettingPanels;
class StationLink;

// The station's clock against the computer's.
struct ClockReading
{
    QDateTime station;  // to the second, as the station reports it
    // The computer's clock at the moment the station took its seconds, as
    // near as the exchange tells it: within the station's second whenever it
    // may have been.
    QDateTime computer;
    // Station minus computer; the station's half second unknown is taken as the middle.
    qint64 differenceMs = 0;
    // Whole seconds as the two clocks showed them at that moment: 0 for an
    // exact station, however the reads fall within a second.
    long long differenceSeconds() const;
};

// Reads how far the station's clock is off and sets it from the computer's so
// that it ends within a second, although its six fields go out one write at a
// time, 15 s apart.
class ClockCheck
{
public:
    // Field order of the writes: seconds first, so every later carry happens
    // on the station when it happens on the computer; then minutes and hours;
    // then the date from the year down, so no day is cut to a shorter month.
    static const std::array<ParamEntry, 6> &writeOrder();

    ClockCheck(StationLink &link, const ParamRecords &records, SettingPanels &panels);

    ClockResult measure(ClockReading *reading);

    // Called as each field goes out, with the value planned for its landing.
    std::function<void(ParamEntry field, int value)> onWrite;
    // Asked before each write; true stops there (a write in flight cannot be taken back).
    std::function<bool()> cancelRequested;

    // Writes the six fields with the same records as the calibration window.
    ClockResult setStation();

    // The value of a clock field at computer time `at`: 2026 gives 26 for the year.
    static int fieldValue(ParamEntry field, const QDateTime &at);
    // When to send a write so that it lands `landingMs` into a computer
    // second, at a second from 2 to 57 (away from any carry), and, for the
    // date, on the same day as the date writes that follow it.
    static QDateTime sendTime(const QDateTime &now, qint64 lineMs, int landingMs, int dateWritesAfter);

private:
    // Line time of `bytes` bytes at the port's rate, ten bits each.
    qint64 lineTimeMs(int bytes) const;

    StationLink &m_link;
    const ParamRecords &m_records;
    StationClockOps m_ops;
};

} // namespace orv
