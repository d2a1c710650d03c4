#include "station_clock_ops.h"

#include "param_access.h"
#include "setting_panels.h"
#include "system_clock.h"

#include "link/pump.h"
#include "link/station_link.h"

#include <QLocale>

#include <array>

namespace orv {

namespace {

// In the order the station's clock is read and written.
constexpr std::array<ParamEntry, 6> clockFields{
    ParamEntry::ClockYears, ParamEntry::ClockMonth,   ParamEntry::ClockDayOfMonth,
    ParamEntry::ClockHours, ParamEntry::ClockMinutes, ParamEntry::ClockSeconds,
};

const QString getMessage = QStringLiteral("Com error while getting station time/date information");

int computerField(const QDateTime &now, int field)
{
    switch (field) {
    case 0:
        return StationClockOps::twoDigitYear(now.date().year());
    case 1:
        return now.date().month();
    case 2:
        return now.date().day();
    case 3:
        return now.time().hour();
    case 4:
        return now.time().minute();
    default:
        return now.time().second();
    }
}

} // namespace

QString clockSetFailedMessage()
{
    return QStringLiteral("Com error while setting station time/date information");
}

StationClockOps::StationClockOps(StationLink &link, const ParamRecords &records, SettingPanels &panels)
    : m_link(link)
    , m_records(records)
    , m_panels(panels)
{
}

bool StationClockOps::recordsPresent() const
{
    for (ParamEntry entry : clockFields)
        if (m_records[entry].absent())
            return false;
    return true;
}

bool StationClockOps::reportAddressFault()
{
    for (ParamEntry entry : clockFields) {
        const QString fault = recordFault(m_records[entry]);
        if (fault.isEmpty())
            continue;
        m_link.show_message(dataFaultMessage(QString::fromLatin1(entryName(entry)), m_link.state.station_version, fault));
        m_panels.setFrameEnabled(PanelId::StationTime, false);
        return true;
    }
    return false;
}

ClockResult StationClockOps::read_station_clock()
{
    m_restarts = 0;
    if (!recordsPresent()) {
        m_panels.setFrameEnabled(PanelId::StationTime, false);
        return ClockResult::Absent;
    }
    // Checked for all six first: a restart must not meet the fault half-way.
    if (reportAddressFault())
        return ClockResult::DataFault;
    std::array<int, 6> values{};
    for (;;) {
        bool valid = true;
        for (int field = 0; field < 6 && valid; ++field) {
            if (field == 5)
                m_secondsAskedAt = m_link.pump().now();
            const Access<quint16> read = read_raw_setting(m_link, m_records[clockFields[field]], getMessage);
            if (read.result == AccessResult::ComFailed)
                return ClockResult::ComFailed;
            const int value = read.value;
            valid = fieldInRange(field, value);
            if (!valid)
                break;
            values[field] = value;
            // The console needs a moment between clock reads.
            if (field < 5)
                m_link.wait_seconds(0.1);
        }
        if (valid)
            break;
        if (m_restarts == maxRestarts) {
            m_link.show_message(QStringLiteral("The weather station reported an impossible time/date %1 times in a row, "
                                               "so ORV CAL stopped reading its clock. Check the station's clock.")
                                    .arg(maxRestarts + 1));
            return ClockResult::GaveUp;
        }
        ++m_restarts;
    }
    station_time = stationDateTime(stationYear(values[0]), values[1], values[2], values[3], values[4], values[5]);
    m_panels.setFrameEnabled(PanelId::StationTime, true);
    m_panels.setCaption(PanelId::StationTime, PanelLabel::Current, stationTimeText(station_time));
    return ClockResult::Done;
}

ClockResult StationClockOps::setStationFromComputer()
{
    if (!recordsPresent())
        return ClockResult::Absent;
    // A clock set half-way would be worse than none.
    if (reportAddressFault())
        return ClockResult::DataFault;
    for (int field = 0; field < 6; ++field) {
        const int value = computerField(m_link.pump().now(), field);
        if (write_raw_setting(m_link, m_records[clockFields[field]], float(value), clockSetFailedMessage()).result
            == AccessResult::ComFailed)
            return ClockResult::ComFailed;
    }
    return read_station_clock();
}

ClockResult StationClockOps::setComputerFromStation(SystemClock &computer)
{
    const ClockResult read = read_station_clock();
    if (read != ClockResult::Done)
        return read;
    QString error;
    if (computer.setLocalDateTime(station_time, &error))
        return ClockResult::Done;
    m_link.show_message(QStringLiteral("ORV CAL could not set the computer's time/date to the weather station's: ") + error,
                        MessageIcon::Exclamation);
    return ClockResult::NotSet;
}

int StationClockOps::stationYear(int value)
{
    return value >= 50 ? value + 1900 : value + 2000;
}

bool StationClockOps::fieldInRange(int field, int value)
{
    switch (field) {
    case 0:
        return value >= 0 && value <= 100;
    case 1:
        return value >= 1 && value <= 12;
    case 2:
        return value > 0 && value <= 31;
    case 3:
        return value >= 0 && value <= 23;
    default:
        return value >= 0 && value <= 59;
    }
}

QDateTime StationClockOps::stationDateTime(int year, int month, int day, int hours, int minutes, int seconds)
{
    const QDate date = QDate(year, month, 1).addDays(day - 1);
    return QDateTime(date, QTime(hours, minutes, seconds));
}

QString StationClockOps::stationTimeText(const QDateTime &time)
{
    return QLocale().toString(time.date(), QLocale::LongFormat) + QLatin1Char(' ')
           + time.time().toString(QStringLiteral("HH:mm"));
}

int StationClockOps::twoDigitYear(int year)
{
    while (year >= 100)
        year -= 100;
    return year;
}

} // namespace orv
