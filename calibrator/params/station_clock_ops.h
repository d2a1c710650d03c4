#pragma once

#include "param_records.h"

#include <QDateTime>
#include <QString>

namespace orv {

class SettingPanels;
class StationLink;
class SystemClock;

// The message of a clock field the station would not take.
QString clockSetFailedMessage();

enum class ClockResult {
    Done,
    Absent,    // the firmware lacks a clock field: nothing was sent
    ComFailed, // message shown, link closed
    GaveUp,    // the station kept reporting impossible values: message shown, link kept
    NotSet,    // the computer's clock refused the change: message shown
    DataFault, // the definition file's line of a clock field cannot be used: message shown, nothing sent
    Cancelled, // asked to stop between two writes: the fields before were written, none after
};

// The station clock as six settings read and written raw, and the copies
// between it and the computer's clock.
class StationClockOps
{
public:
    // Whole re-reads allowed after an out-of-range field before giving up.
    static constexpr int maxRestarts = 10;

    StationClockOps(StationLink &link, const ParamRecords &records, SettingPanels &panels);

    // Reads year, month, day, hours, minutes and seconds, fills station_time
    // and the clock panel.
    ClockResult read_station_clock();
    // Writes the computer's clock into the station, each field taken at its
    // own write, then reads the station's clock back.
    ClockResult setStationFromComputer();
    // Reads the station's clock and sets the computer's clock to it.
    ClockResult setComputerFromStation(SystemClock &computer);

    QDateTime station_time;
    // When the last read of the seconds field began, on the computer's clock.
    QDateTime secondsAskedAt() const { return m_secondsAskedAt; }
    // Restarts used by the last read, for the curious and for tests.
    int lastRestarts() const { return m_restarts; }

    // 0..49 give 2000..2049, 50..99 give 1950..1999, 100 gives 2000.
    static int stationYear(int value);
    // Whether `value` is possible for clock field `field` (0 years .. 5 seconds).
    static bool fieldInRange(int field, int value);
    // A day beyond its month carries into the next month.
    static QDateTime stationDateTime(int year, int month, int day, int hours, int minutes, int seconds);
    // "DDDDDD HH:NN": the long date form of the current locale, then hours and minutes.
    static QString stationTimeText(const QDateTime &time);
    // The computer clock's year as the station keeps it: 2026 gives 26.
    static int twoDigitYear(int year);

private:
    bool recordsPresent() const;
    // Reports the first clock field whose record cannot be used (its line's
    // fault, an address no packet can carry) and disables the clock panel;
    // true when there was one.
    bool reportAddressFault();

    StationLink &m_link;
    const ParamRecords &m_records;
    SettingPanels &m_panels;
    int m_restarts = 0;
    QDateTime m_secondsAskedAt;
};

} // namespace orv
