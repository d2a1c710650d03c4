#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QString>

#include <array>
#include <cstddef>

namespace orv {

// One constant per entry text of a parameter definition file, in the order in
// which each line is tested against them.
enum class ParamEntry {
    WspUnits,
    ScaleUnits,
    RxDtrDelay,
    ReportEndOfDay,
    ReportMinMax,
    ReportIntervalHrs,
    ReportIntervalMin,
    WindDirOffset,
    SolarCal,
    RainIncFlag,
    RainIncValue,
    RainFallDaily,
    RainFallMonthly,
    RainFallTerm,
    ReportFlags,
    Hum0,
    Hum75,
    TempInside,
    TempOutside,
    TempAux,
    BarometricPressure,
    ClockYears,
    ClockMonth,
    ClockDayOfMonth,
    ClockHours,
    ClockMinutes,
    ClockSeconds,
    WetLevel,
    BaudRateIndex,
    LogIntervalMin,
    LogIntervalHrs,
    DataInput,
    LightningLevel,
};

inline constexpr std::size_t paramEntryCount = 33;

// The texts that select an entry's record; all but the auxiliary temperature
// have exactly one. The first is the entry's name.
const QByteArrayList &entryTexts(ParamEntry entry);
QByteArray entryName(ParamEntry entry);
// The entry one of whose texts is exactly `text`, if any.
bool entryFromText(const QByteArray &text, ParamEntry *entry);

// Where a setting lives in the station and how its raw value converts.
struct ParamRecord
{
    static constexpr float absentMarker = -999.0f;

    // Elements 0..4: address, raw minimum, raw maximum, scale, offset.
    std::array<float, 5> element{absentMarker, absentMarker, absentMarker, absentMarker, absentMarker};
    // The definition-file line that filled the record, counting from 1.
    int line = 0;
    // Why that line's numbers cannot be used ("line 13: field 3 (raw
    // maximum), \"abc\", is not a number"); the elements then stay absent.
    QString fault;

    float &address() { return element[0]; }
    float &rawMin() { return element[1]; }
    float &rawMax() { return element[2]; }
    float &scale() { return element[3]; }
    float &offset() { return element[4]; }
    float address() const { return element[0]; }
    float rawMin() const { return element[1]; }
    float rawMax() const { return element[2]; }
    float scale() const { return element[3]; }
    float offset() const { return element[4]; }

    // This firmware lacks the setting: no line of the file names it.
    bool absent() const { return element[0] == absentMarker && fault.isEmpty(); }
};

// The 33 records filled from the connected station's definition file.
class ParamRecords
{
public:
    ParamRecord &operator[](ParamEntry entry) { return m_records[std::size_t(entry)]; }
    const ParamRecord &operator[](ParamEntry entry) const { return m_records[std::size_t(entry)]; }

    // Every element of every record back to the absent marker.
    void reset();

private:
    std::array<ParamRecord, paramEntryCount> m_records;
};

// Every entry in table order, for loops over all records.
const std::array<ParamEntry, paramEntryCount> &allEntries();

} // namespace orv
