#include "cli_context.h"
#include "interrupt_watch.h"

#include "params/clock_check.h"
#include "params/number_format.h"
#include "params/prm_file.h"
#include "params/setting_panels.h"
#include "params/station_backup.h"
#include "params/station_config.h"

#include "link/line_settings.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cmath>

namespace orv::cli {

namespace {

QString seconds(double s)
{
    return s >= 90 ? QStringLiteral("%1 min %2 s").arg(int(s) / 60).arg(int(s) % 60)
                   : QStringLiteral("%1 s").arg(int(std::ceil(s)));
}

// The station's firmware and the records of its definition file.
struct Station
{
    QString firmware;
    QString definitionFile;
    ParamRecords records;
};

int connect(CliContext &c, Station *station)
{
    if (const int code = c.openLink(); code != Ok)
        return code;
    const LinkResult<QByteArray> version = c.link->request_version();
    if (!version)
        return c.exchangeFailed(QStringLiteral("the version request"), version.failure());
    station->firmware = firmwareName(*version);
    const QString path = load_prm_file(c.link->state, station->records, prmSearchPath(c.dataDir), c.link->messages());
    if (path.isEmpty()) {
        c.err << "orvcal-cli: looked in: " << prmSearchPath(c.dataDir).join(QStringLiteral(", ")) << Qt::endl;
        return Refused;
    }
    station->definitionFile = QFileInfo(path).fileName();
    return Ok;
}

Progress readProgress(CliContext &c)
{
    return [&c](int done, int total, ParamEntry entry, double left) {
        if (done < total)
            c.err << "reading setting " << done + 1 << " of " << total << " (" << entryName(entry) << "), about "
                  << seconds(left) << " left" << Qt::endl;
    };
}

// Ok, or the exit code after saying why the settings could not all be read.
int readStation(CliContext &c, const Station &station, const QList<ParamEntry> &entries, QMap<ParamEntry, int> *raw)
{
    const Access<> read = readRawSettings(*c.link, station.records, entries, raw, readProgress(c), c.stopRequested);
    switch (read.result) {
    case AccessResult::Done:
        return Ok;
    case AccessResult::Stopped:
        c.err << "orvcal-cli: stopped on request after reading " << raw->size() << " of " << entries.size()
              << " settings; nothing was written" << Qt::endl;
        return Interrupted;
    case AccessResult::ComFailed:
        return c.exchangeFailed(QStringLiteral("the read of setting %1 of %2").arg(raw->size() + 1).arg(entries.size()),
                                read.failure);
    default:
        c.err << "orvcal-cli: " << printable(station.definitionFile) << " needs correcting first; nothing was written"
              << Qt::endl;
        return Refused;
    }
}

int readBackupFile(CliContext &c, const QString &path, StationBackup *backup)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        c.err << "orvcal-cli: cannot read " << path << ": " << file.errorString() << Qt::endl;
        return BadUsage;
    }
    QString reason;
    int line = 0;
    if (!StationBackup::fromJson(file.read(StationBackup::largestFile + 1), backup, &reason, &line)) {
        c.err << "orvcal-cli: " << path << ", line " << line << ": " << printable(reason)
              << "; the file was refused and nothing was sent to the station" << Qt::endl;
        return Refused;
    }
    return Ok;
}

QString shownValue(const ParamRecords &records, ParamEntry entry, std::optional<int> raw, double eng)
{
    if (!raw)
        return QStringLiteral("-");
    if (records[entry].absent() || std::isnan(eng) || eng == double(*raw))
        return QString::number(*raw);
    return QStringLiteral("%1 (raw %2)").arg(singleText(float(eng))).arg(*raw);
}

int backup(CliContext &c, const QStringList &args)
{
    if (args.size() != 1) {
        c.err << "orvcal-cli: backup needs the file to write, e.g. backup station.json" << Qt::endl;
        return BadUsage;
    }
    const QString path = args[0];
    const QFileInfo target(path);
    if (!QFileInfo(target.absolutePath()).isDir() || target.isDir()) {
        c.err << "orvcal-cli: cannot write " << path << ": no such folder" << Qt::endl;
        return BadUsage;
    }
    Station station;
    if (const int code = connect(c, &station); code != Ok)
        return code;
    const QList<ParamEntry> entries = backupEntries(station.records);
    QMap<ParamEntry, int> raw;
    if (const int code = readStation(c, station, entries, &raw); code != Ok)
        return code;
    const int slot = c.link->state.cur_station;
    const StationBackup b = makeBackup(station.records, raw, station.firmware, station.definitionFile,
                                       c.pump.now(), slot, c.settings.stationName(slot));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(b.toJson()) < 0 || !file.commit()) {
        c.err << "orvcal-cli: cannot write " << path << ": " << file.errorString() << Qt::endl;
        return ExchangeFailed;
    }
    c.out << "saved " << b.settings.size() << " settings of firmware " << printable(station.firmware) << " ("
          << printable(station.definitionFile) << ") to " << path << Qt::endl;
    return Ok;
}

// A damaged backup is refused before the line is opened.
int readBackupThenConnect(CliContext &c, const QString &path, StationBackup *backup, Station *station)
{
    if (const int code = readBackupFile(c, path, backup); code != Ok)
        return code;
    return connect(c, station);
}

int diff(CliContext &c, const QStringList &args)
{
    if (args.size() != 1) {
        c.err << "orvcal-cli: diff needs a backup file, e.g. diff station.json" << Qt::endl;
        return BadUsage;
    }
    StationBackup b;
    Station station;
    if (const int code = readBackupThenConnect(c, args[0], &b, &station); code != Ok)
        return code;
    if (b.firmware != station.firmware)
        c.out << "note: the backup is of firmware " << printable(b.firmware) << ", the station runs "
              << printable(station.firmware) << Qt::endl;
    QMap<ParamEntry, int> raw;
    if (const int code = readStation(c, station, backupEntries(station.records), &raw); code != Ok)
        return code;
    int differing = 0;
    c.out << QStringLiteral("  %1 %2 %3").arg(QStringLiteral("setting"), -22).arg(QStringLiteral("stored"), -22).arg(QStringLiteral("station"))
          << Qt::endl;
    for (const DiffRow &row : compare(b, station.records, raw)) {
        const bool differs = row.differs();
        differing += differs ? 1 : 0;
        c.out << (differs ? "* " : "  ")
              << QStringLiteral("%1 %2 %3")
                     .arg(QString::fromLatin1(entryName(row.entry)), -22)
                     .arg(shownValue(station.records, row.entry, row.storedRaw, row.storedEng), -22)
                     .arg(shownValue(station.records, row.entry, row.currentRaw, row.currentEng))
              << Qt::endl;
    }
    c.out << (differing ? QStringLiteral("%1 setting(s) differ").arg(differing)
                        : QStringLiteral("the station holds the backup"))
          << Qt::endl;
    return differing ? Differ : Ok;
}

// Ctrl+C during a run of writes: the first asks to stop before the next write
// (a write in flight cannot be taken back), the second stops at once after
// `end` has said what was done. Only the writes are guarded: before and after
// them nothing is half done. A fleet run watches Ctrl+C for every slot itself.
// Returns what the writes ask before each one.
std::function<bool()> guardWrites(CliContext &c, std::unique_ptr<InterruptWatch> &watch, std::function<void()> end)
{
    if (c.stopRequested)
        return c.stopRequested;
    watch = std::make_unique<InterruptWatch>(
        c,
        [&c] {
            c.err << "orvcal-cli: stopping after the write in progress (up to 15 s); Ctrl+C again stops at once"
                  << Qt::endl;
        },
        std::move(end), Interrupted);
    return [w = watch.get()] { return w->stopRequested(); };
}

void printReport(CliContext &c, const RestoreReport &report)
{
    for (const QString &line : report.lines())
        c.out << line << Qt::endl;
}

int restore(CliContext &c, const QStringList &arguments)
{
    QStringList args = arguments;
    const bool dryRun = args.removeAll(QStringLiteral("--dry-run")) > 0;
    const bool force = args.removeAll(QStringLiteral("--force")) > 0;
    if (args.size() != 1 || args[0].startsWith(QLatin1String("--"))) {
        c.err << "orvcal-cli: restore needs a backup file, e.g. restore station.json [--dry-run] [--force]" << Qt::endl;
        return BadUsage;
    }
    StationBackup b;
    Station station;
    if (const int code = readBackupThenConnect(c, args[0], &b, &station); code != Ok)
        return code;

    bool refused = false;
    for (const RestoreProblem &p : checkRestore(b, station.records, station.firmware)) {
        const bool overridden = p.forcible && force;
        refused = refused || !overridden;
        c.err << (overridden ? "orvcal-cli: warning: " : "orvcal-cli: ") << args[0] << ", line " << p.line << ": "
              << printable(p.reason) << (p.forcible && !force ? " (--force restores it anyway)" : "") << Qt::endl;
    }
    if (refused) {
        c.err << "orvcal-cli: the backup was refused; nothing was written to the station" << Qt::endl;
        return Refused;
    }

    QMap<ParamEntry, int> raw;
    if (const int code = readStation(c, station, backupEntries(station.records), &raw); code != Ok)
        return code;
    const RestorePlan plan = planRestore(b, station.records, raw);
    for (ParamEntry e : plan.absentHere)
        c.out << "skipped (firmware " << printable(station.firmware) << " has no such setting): " << entryName(e)
              << Qt::endl;
    for (ParamEntry e : plan.notInBackup)
        c.out << "not in the backup, left as it is: " << entryName(e) << Qt::endl;
    if (plan.writes.isEmpty()) {
        c.out << "nothing to write: the station already holds the backup" << Qt::endl;
        return Ok;
    }
    c.out << plan.writes.size() << " setting(s) differ; " << (dryRun ? "restoring them would take" : "writing them takes")
          << " about " << seconds(plan.estimatedSeconds()) << " (each write waits 15 s for the station's echo)"
          << Qt::endl;
    for (const PlannedWrite &w : plan.writes)
        c.out << "  " << entryName(w.entry) << ": " << valueText(station.records, w.entry, w.from) << " -> "
              << valueText(station.records, w.entry, w.to) << Qt::endl;
    if (dryRun) {
        c.out << "dry run: nothing was written" << Qt::endl;
        return Differ;
    }

    QuietPanels panels;
    RestoreRunner runner(*c.link, station.records, c.settings, c.settingsSaver(), panels);
    std::unique_ptr<InterruptWatch> interrupt;
    runner.cancelRequested = guardWrites(c, interrupt, [&] { printReport(c, runner.reportSoFar()); });
    runner.progress = [&](int done, int total, ParamEntry entry, double left) {
        if (done < total)
            c.err << "writing setting " << done + 1 << " of " << total << " (" << entryName(entry) << "), about "
                  << seconds(left) << " left" << Qt::endl;
    };
    const RestoreReport report = runner.run(plan);
    printReport(c, report);
    switch (report.ending) {
    case RestoreReport::Ending::Cancelled:
        return Interrupted;
    case RestoreReport::Ending::LineLost:
        c.err << "orvcal-cli: the line to the weather station was lost during the restore (" << c.lineText()
              << "): " << c.comm->lostReason() << Qt::endl;
        return PortUnavailable;
    case RestoreReport::Ending::NoAnswer:
        return ExchangeFailed;
    case RestoreReport::Ending::Complete:
        break;
    }
    return report.notTaken.isEmpty() ? Ok : NotTaken;
}

QString differenceText(const ClockReading &r)
{
    const long long s = r.differenceSeconds();
    if (s == 0)
        return QStringLiteral("0 s (within a second)");
    return QStringLiteral("%1%2 s (station %3)").arg(s > 0 ? QStringLiteral("+") : QString()).arg(s).arg(s > 0 ? QStringLiteral("ahead") : QStringLiteral("behind"));
}

void printReading(CliContext &c, const ClockReading &r, const char *when)
{
    const QString format = QStringLiteral("yyyy-MM-dd HH:mm:ss");
    c.out << when << "station  " << r.station.toString(format) << Qt::endl;
    c.out << when << "computer " << r.computer.toString(format) << Qt::endl;
    c.out << when << "difference " << differenceText(r) << Qt::endl;
}

int clock(CliContext &c, const QStringList &args)
{
    const bool set = args == QStringList{QStringLiteral("--set-station")};
    if (!args.isEmpty() && !set) {
        c.err << "orvcal-cli: clock takes only --set-station" << Qt::endl;
        return BadUsage;
    }
    Station station;
    if (const int code = connect(c, &station); code != Ok)
        return code;
    QuietPanels panels;
    ClockCheck check(*c.link, station.records, panels);
    auto failed = [&](ClockResult result) -> int {
        if (result == ClockResult::Absent) {
            c.err << "orvcal-cli: firmware " << printable(station.firmware) << " has no clock settings" << Qt::endl;
            return Refused;
        }
        return ExchangeFailed;
    };
    ClockReading before;
    if (const ClockResult r = check.measure(&before); r != ClockResult::Done)
        return failed(r);
    printReading(c, before, set ? "before: " : "");
    if (!set)
        return Ok;
    c.err << "setting the station's clock: six writes, about 90 s" << Qt::endl;
    QStringList written;
    QString inFlight;
    // A half-set clock is worse than an unset one: say exactly which fields went out.
    auto report = [&](const char *ending) {
        QStringList left;
        for (ParamEntry field : ClockCheck::writeOrder()) {
            const QString name = QString::fromLatin1(entryName(field));
            if (!written.contains(name) && name != inFlight)
                left << name;
        }
        c.out << ending << Qt::endl;
        c.out << "written: " << written.size() << " of 6";
        if (!written.isEmpty())
            c.out << " (" << written.join(QStringLiteral(", ")) << ')';
        c.out << Qt::endl;
        if (!inFlight.isEmpty())
            c.out << "sent but not confirmed (check it): " << inFlight << Qt::endl;
        if (!left.isEmpty())
            c.out << "not written: " << left.join(QStringLiteral(", ")) << Qt::endl;
        c.out << "the station's clock may now be wrong; run clock --set-station again" << Qt::endl;
    };
    check.onWrite = [&](ParamEntry field, int value) {
        if (!inFlight.isEmpty())
            written << std::exchange(inFlight, QString());
        inFlight = QString::fromLatin1(entryName(field));
        c.err << "writing " << written.size() + 1 << " of 6: " << inFlight << " = " << value << Qt::endl;
    };
    std::unique_ptr<InterruptWatch> interrupt;
    check.cancelRequested = guardWrites(c, interrupt, [&] { report("clock setting ended at once on request"); });
    const ClockResult setting = check.setStation();
    interrupt.reset();
    if (setting == ClockResult::Done || setting == ClockResult::Cancelled) {
        if (!inFlight.isEmpty())
            written << std::exchange(inFlight, QString());
    }
    if (setting == ClockResult::Cancelled) {
        report("clock setting stopped on request");
        return Interrupted;
    }
    if (setting != ClockResult::Done)
        return failed(setting);
    ClockReading after;
    if (const ClockResult r = check.measure(&after); r != ClockResult::Done)
        return failed(r);
    printReading(c, after, "after:  ");
    return Ok;
}

const RegisterCommand configCommands[] = {
    RegisterCommand({QStringLiteral("backup"), QStringLiteral("backup FILE"),
                     QStringLiteral("save every setting but the clock to a JSON file"), backup}),
    RegisterCommand({QStringLiteral("diff"), QStringLiteral("diff FILE"),
                     QStringLiteral("compare a backup with the station (exit 5 when they differ)"), diff}),
    RegisterCommand({QStringLiteral("restore"), QStringLiteral("restore FILE [--dry-run] [--force]"),
                     QStringLiteral("write the settings that differ from a backup, checked first"), restore}),
    RegisterCommand({QStringLiteral("clock"), QStringLiteral("clock [--set-station]"),
                     QStringLiteral("station clock against the computer's; set it from the computer"), clock}),
};

} // namespace

} // namespace orv::cli
