#pragma once

#include "param_access.h"
#include "param_records.h"
#include "station_backup.h"

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace orv {

struct ComSettings;
class SettingPanels;
class SettingsFile;
class StationLink;

// Each write waits this long for its echo; a restore's duration is mostly this.
inline constexpr double secondsPerWrite = 15.0;

// The entries of `records` a backup holds, in definition-file order.
QList<ParamEntry> backupEntries(const ParamRecords &records);

// Called before each exchange of a long sequence: `done` of `total` finished,
// an estimate of the seconds left.
using Progress = std::function<void(int done, int total, ParamEntry entry, double secondsLeft)>;

// Reads the raw value of each of `entries`. A record among them that cannot be
// used is told (each once) before anything is read: DataFault, link open.
// ComFailed after a failed exchange, which has shown its message and closed
// the link; `raw` then holds what was read before it. Stopped when `stop`
// said so before a read.
Access<> readRawSettings(StationLink &link, const ParamRecords &records, const QList<ParamEntry> &entries,
                         QMap<ParamEntry, int> *raw, const Progress &progress = {},
                         const std::function<bool()> &stop = {});

// The engineering value of a raw value with a record's conversion; NaN when
// the record cannot convert.
double engValue(const ParamRecord &record, int raw);

// A backup of what was read, for the version reply and file of `state`.
StationBackup makeBackup(const ParamRecords &records, const QMap<ParamEntry, int> &raw, const QString &firmware,
                         const QString &definitionFile, const QDateTime &date, int slot, const QString &stationName);

// One setting compared between a backup and the station.
struct DiffRow
{
    ParamEntry entry;
    std::optional<int> storedRaw;  // absent: not in the backup
    double storedEng = 0;
    std::optional<int> currentRaw; // absent: this firmware lacks it
    double currentEng = 0;
    bool differs() const { return storedRaw != currentRaw; }
};

QList<DiffRow> compare(const StationBackup &backup, const ParamRecords &records, const QMap<ParamEntry, int> &current);

// Why a backup may not go onto this station, each with the line of the file
// it concerns. A refusal that --force may override is marked so.
struct RestoreProblem
{
    QString reason;
    int line = 0;
    bool forcible = false;
};

// Checks every value of `backup` against the definition file now loaded,
// before anything is written: the firmware, each setting's presence, address
// and raw limits, and that raw and engineering values agree. A setting whose
// definition-file line cannot be used is left to readRawSettings() to refuse.
QList<RestoreProblem> checkRestore(const StationBackup &backup, const ParamRecords &records,
                                   const QString &currentFirmware);

struct PlannedWrite
{
    ParamEntry entry;
    int address = 0;
    int from = 0;
    int to = 0;
};

// Only the settings whose value differs are written; the baud index goes last,
// since writing it moves the station to another rate.
struct RestorePlan
{
    QList<PlannedWrite> writes;
    QList<ParamEntry> absentHere;     // in the backup, not in this firmware: skipped
    QList<ParamEntry> notInBackup;    // in this firmware, not in the backup: left alone
    double estimatedSeconds() const;
};

RestorePlan planRestore(const StationBackup &backup, const ParamRecords &records,
                        const QMap<ParamEntry, int> &current);

// What a restore did, as precisely as the line allows.
struct RestoreReport
{
    // NoAnswer: the station stopped answering; LineLost: the line itself went away.
    enum class Ending { Complete, Cancelled, NoAnswer, LineLost };

    Ending ending = Ending::Complete;
    QList<PlannedWrite> taken;
    QList<std::pair<PlannedWrite, int>> notTaken; // with the value read back
    QList<PlannedWrite> unconfirmed;              // sent, but the line failed before it could be checked
    QList<PlannedWrite> notWritten;

    bool allTaken() const { return ending == Ending::Complete && notTaken.isEmpty() && unconfirmed.isEmpty(); }
    QStringList lines() const;
};

// Writes a plan, reading each setting back after its write. Cancellation is
// looked at between writes only: a write in flight is always finished.
class RestoreRunner
{
public:
    RestoreRunner(StationLink &link, const ParamRecords &records, ComSettings &settings, SettingsFile *file,
                  SettingPanels &panels);

    std::function<bool()> cancelRequested;
    Progress progress;

    RestoreReport run(const RestorePlan &plan);

    // The report so far, the write in progress counted as unconfirmed; for an
    // interruption that cannot wait for the write to finish.
    RestoreReport reportSoFar() const;

private:
    // The value read back after the write, or why there is none.
    Access<quint16> writeOne(const PlannedWrite &w);

    StationLink &m_link;
    const ParamRecords &m_records;
    ComSettings &m_settings;
    SettingsFile *m_file;
    SettingPanels &m_panels;
    RestoreReport m_report;
    RestorePlan m_plan;
    int m_next = 0;
    bool m_running = false;
};

// "15.2 (raw 552)", or the raw value alone where it needs no conversion.
QString valueText(const ParamRecords &records, ParamEntry entry, int raw);

} // namespace orv
