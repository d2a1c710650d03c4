#include "fleet.h"

#include "cli_context.h"
#include "interrupt_watch.h"

#include "link/port_map.h"
#include "link/settings_file.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QIODevice>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutex>
#include <QMutexLocker>

#include <cstdio>

namespace orv::cli {

namespace {

// Hands each complete line written to it to `lineOut`; what a command prints
// on a stream of its own, a slot's lines among the others'.
class LineDevice final : public QIODevice
{
public:
    explicit LineDevice(std::function<void(const QString &)> lineOut) : m_lineOut(std::move(lineOut))
    {
        open(QIODevice::WriteOnly);
    }
    ~LineDevice() override
    {
        if (!m_pending.isEmpty())
            m_lineOut(QString::fromUtf8(m_pending));
    }

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 size) override
    {
        m_pending.append(data, size);
        for (qsizetype end = m_pending.indexOf('\n'); end >= 0; end = m_pending.indexOf('\n')) {
            m_lineOut(QString::fromUtf8(m_pending.left(end)));
            m_pending.remove(0, end + 1);
        }
        return size;
    }

private:
    std::function<void(const QString &)> m_lineOut;
    QByteArray m_pending;
};

// The lines of every slot go to the terminal whole, one at a time.
QMutex consoleMutex;

void printLine(std::FILE *stream, const QString &line)
{
    const QByteArray bytes = line.toLocal8Bit() + '\n';
    QMutexLocker lock(&consoleMutex);
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stream);
    std::fflush(stream);
}

// The slot whose command runs on this thread, for the link's own log lines.
thread_local QString slotPrefix;
QtMessageHandler previousHandler = nullptr;

void handleLogLine(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (slotPrefix.isEmpty() && previousHandler)
        return previousHandler(type, context, message);
    printLine(stderr, slotPrefix + qFormatLogMessage(type, context, message));
}

bool takesFolder(const QString &command)
{
    return command == QLatin1String("backup") || command == QLatin1String("diff")
        || command == QLatin1String("restore");
}

// The shape of a fleet command's arguments, checked before any line is opened;
// empty when they will do.
QString argumentProblem(const QString &command, const QStringList &args)
{
    if (command == QLatin1String("version"))
        return args.isEmpty() ? QString() : QStringLiteral("version takes no arguments");
    if (command == QLatin1String("clock"))
        return args.isEmpty() || args == QStringList{QStringLiteral("--set-station")}
            ? QString()
            : QStringLiteral("clock takes only --set-station");
    QStringList rest = args;
    if (command == QLatin1String("restore")) {
        rest.removeAll(QStringLiteral("--dry-run"));
        rest.removeAll(QStringLiteral("--force"));
    }
    if (rest.size() != 1 || rest[0].startsWith(QLatin1String("--")))
        return QStringLiteral("%1 over several slots needs a folder, e.g. %1 /var/backups/stations").arg(command);
    const QFileInfo folder(rest[0]);
    if (command == QLatin1String("backup")) {
        if (!QDir().mkpath(folder.filePath()))
            return QStringLiteral("cannot make the folder %1").arg(rest[0]);
    } else if (!folder.isDir()) {
        return QStringLiteral("%1 is not a folder").arg(rest[0]);
    }
    return {};
}

// A column as wide as its widest cell.
QString row(const QStringList &cells, const QList<int> &widths)
{
    QString line;
    for (int i = 0; i < cells.size(); ++i)
        line += i + 1 < cells.size() ? cells[i].leftJustified(widths[i] + 2) : cells[i];
    return line;
}

QString secondsText(double s)
{
    return QString::number(s, 'f', 1) + QStringLiteral(" s");
}

struct FleetRun
{
    CliContext &c;
    const FleetOptions &options;
    QString command;
    QStringList args;
    QList<FleetSlot> stations;
    std::unique_ptr<FleetRunner> runner;
    double seconds = 0;

    QList<int> codes(bool endedAtOnce) const
    {
        QList<int> out;
        for (int i = 0; i < stations.size(); ++i) {
            const SlotOutcome o = runner->outcome(i);
            out << (o.ran && !(endedAtOnce && runner->isRunning(i)) ? o.exitCode : int(Interrupted));
        }
        return out;
    }

    QString result(int i, bool endedAtOnce) const
    {
        if (endedAtOnce && runner->isRunning(i))
            return QStringLiteral("ended at once");
        return resultText(command, runner->outcome(i));
    }

    void printTable(bool endedAtOnce) const
    {
        const QStringList head{QStringLiteral("slot"), QStringLiteral("station"), QStringLiteral("port"),
                               QStringLiteral("result"), QStringLiteral("time")};
        QList<QStringList> rows{head};
        for (int i = 0; i < stations.size(); ++i) {
            const SlotOutcome o = runner->outcome(i);
            rows << QStringList{QString::number(stations[i].slot), printable(stations[i].name),
                                QStringLiteral("COM%1 %2").arg(stations[i].port).arg(printable(stations[i].device)),
                                result(i, endedAtOnce), o.ran ? secondsText(o.seconds) : QStringLiteral("-")};
        }
        QList<int> widths(head.size(), 0);
        for (const QStringList &r : rows)
            for (int k = 0; k < r.size(); ++k)
                widths[k] = qMax(widths[k], int(r[k].size()));
        for (const QStringList &r : rows)
            c.out << row(r, widths) << Qt::endl;
        for (int i = 0; i < stations.size(); ++i) {
            const SlotOutcome o = runner->outcome(i);
            if (o.ran && o.exitCode != Ok && !o.problem.isEmpty())
                for (const QString &line : o.problem.split(QLatin1Char('\n')))
                    c.out << "slot " << stations[i].slot << ": " << line << Qt::endl;
        }
        const QList<int> all = codes(endedAtOnce);
        const qsizetype done = all.count(int(Ok));
        c.out << stations.size() << " slot(s): " << done << " done, " << stations.size() - done << " not; "
              << secondsText(seconds) << " in all" << Qt::endl;
    }

    void printJson(bool endedAtOnce) const
    {
        QJsonArray list;
        for (int i = 0; i < stations.size(); ++i) {
            const SlotOutcome o = runner->outcome(i);
            QJsonObject slot{{QStringLiteral("slot"), stations[i].slot},
                             {QStringLiteral("station"), stations[i].name},
                             {QStringLiteral("port"), QStringLiteral("COM%1").arg(stations[i].port)},
                             {QStringLiteral("device"), stations[i].device},
                             {QStringLiteral("result"), result(i, endedAtOnce)},
                             {QStringLiteral("exitCode"), codes(endedAtOnce)[i]},
                             {QStringLiteral("ran"), o.ran},
                             {QStringLiteral("seconds"), o.seconds},
                             {QStringLiteral("output"), QJsonArray::fromStringList(o.output)},
                             {QStringLiteral("problem"), o.problem}};
            if (!o.file.isEmpty())
                slot.insert(QStringLiteral("file"), o.file);
            list.append(slot);
        }
        const QJsonObject all{{QStringLiteral("command"), command},
                              {QStringLiteral("arguments"), QJsonArray::fromStringList(args)},
                              {QStringLiteral("exitCode"), worstExitCode(codes(endedAtOnce))},
                              {QStringLiteral("seconds"), seconds},
                              {QStringLiteral("slots"), list}};
        c.out << QJsonDocument(all).toJson(QJsonDocument::Indented);
        c.out.flush();
    }

    void report(bool endedAtOnce) const
    {
        if (options.json)
            printJson(endedAtOnce);
        else
            printTable(endedAtOnce);
    }

    // Slots share the settings file: a rate a restore moved a slot to is
    // saved once every line is done, on top of whatever the file holds then.
    int saveNewRates()
    {
        QList<std::pair<int, float>> rates;
        for (int i = 0; i < stations.size(); ++i)
            if (const std::optional<float> rate = runner->outcome(i).newRate)
                rates.append({stations[i].slot, *rate});
        if (rates.isEmpty())
            return Ok;
        ComSettings now;
        SettingsFile file;
        if (!file.load(c.dataDir, now)) {
            c.err << "orvcal-cli: " << file.error() << Qt::endl;
            return SettingsProblem;
        }
        for (const auto &[slot, rate] : rates)
            now.baud_rate[std::size_t(slot)] = rate;
        if (!file.save(now)) {
            c.err << "orvcal-cli: the new rates were not saved: " << file.error() << Qt::endl;
            return SettingsProblem;
        }
        return Ok;
    }
};

} // namespace

bool isFleetCommand(const QString &command)
{
    return command == QLatin1String("version") || command == QLatin1String("clock") || takesFolder(command);
}

std::optional<QList<int>> parseSlotList(const QString &text)
{
    QList<int> stations;
    for (const QString &part : text.split(QLatin1Char(','))) {
        const QStringList ends = part.split(QLatin1Char('-'));
        if (ends.size() > 2)
            return std::nullopt;
        const auto first = parseNumber(ends[0], 0, ComSettings::slotCount - 1);
        const auto last = ends.size() == 2 ? parseNumber(ends[1], 0, ComSettings::slotCount - 1) : first;
        if (!first || !last || *last < *first || ends[0].trimmed().startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
            return std::nullopt;
        for (long s = *first; s <= *last; ++s)
            if (!stations.contains(int(s)))
                stations.append(int(s));
    }
    return stations;
}

QList<int> slotsWithAPort(const ComSettings &settings)
{
    const ComSettings fresh = ComSettings::defaults();
    QList<int> out;
    for (std::size_t i = 0; i < std::size_t(ComSettings::slotCount); ++i) {
        const bool untouched = settings.com_port[i] == fresh.com_port[i] && settings.baud_rate[i] == fresh.baud_rate[i]
            && settings.modem_flag[i] == fresh.modem_flag[i] && settings.phone_number[i] == fresh.phone_number[i]
            && settings.modem_setup[i] == fresh.modem_setup[i] && settings.station_name[i] == fresh.station_name[i];
        if (!untouched && settings.com_port[i] >= PortMap::firstPort && settings.com_port[i] <= PortMap::lastPort)
            out.append(int(i));
    }
    return out;
}

QString backupFileName(int slot, const QString &stationName)
{
    QString name;
    for (const QChar ch : stationName.normalized(QString::NormalizationForm_KD)) {
        if (ch.unicode() < 128 && (ch.isLetterOrNumber() || ch == QLatin1Char('-') || ch == QLatin1Char('_')))
            name += ch;
        else if (ch.category() != QChar::Mark_NonSpacing && !name.endsWith(QLatin1Char('_')))
            name += QLatin1Char('_');
    }
    while (name.startsWith(QLatin1Char('_')) || name.startsWith(QLatin1Char('-')))
        name.remove(0, 1);
    while (name.endsWith(QLatin1Char('_')))
        name.chop(1);
    const QString number = QStringLiteral("slot%1").arg(slot, 2, 10, QLatin1Char('0'));
    return (name.isEmpty() ? number : number + QLatin1Char('-') + name) + QStringLiteral(".json");
}

QList<FleetSlot> fleetSlots(const ComSettings &settings, const QString &dataDir, const QList<int> &stations)
{
    const PortMap ports = PortMap::load(dataDir);
    QList<FleetSlot> out;
    for (int slot : stations) {
        FleetSlot s;
        s.slot = slot;
        s.name = settings.stationName(slot);
        s.port = settings.com_port[std::size_t(slot)];
        s.device = ports.devicePath(s.port);
        // Two names for one device (a by-id link and its tty) are one line.
        const QString canonical = QFileInfo(s.device).canonicalFilePath();
        s.line = s.device.isEmpty() ? QStringLiteral("slot %1").arg(slot) : canonical.isEmpty() ? s.device : canonical;
        out.append(s);
    }
    return out;
}

QStringList slotArguments(const QString &command, const QStringList &args, int slot, const QString &stationName)
{
    if (!takesFolder(command))
        return args;
    QStringList out;
    for (const QString &arg : args) {
        if (arg.startsWith(QLatin1String("--"))) {
            out << arg;
            continue;
        }
        const QDir folder(arg);
        QString file = folder.filePath(backupFileName(slot, stationName));
        // A station renamed since its backup still finds it by its slot.
        if (command != QLatin1String("backup") && !QFileInfo::exists(file)) {
            const QStringList named =
                folder.entryList({QStringLiteral("slot%1-*.json").arg(slot, 2, 10, QLatin1Char('0'))}, QDir::Files);
            if (named.size() == 1)
                file = folder.filePath(named[0]);
        }
        out << file;
    }
    return out;
}

SlotOutcome runSlotCommand(const SlotCommand &run, int slot, const std::atomic_bool &stop)
{
    SlotOutcome outcome;
    const QStringList args = slotArguments(run.command, run.args, slot, run.settings.stationName(slot));
    if (takesFolder(run.command))
        for (const QString &arg : args)
            if (!arg.startsWith(QLatin1String("--")))
                outcome.file = arg;
    if (run.command == QLatin1String("backup")) {
        // The folder of a backup is made here, for the windows as for the command line.
        QDir().mkpath(QFileInfo(outcome.file).absolutePath());
    } else if (takesFolder(run.command) && !QFileInfo::exists(outcome.file)) {
        outcome.exitCode = BadUsage;
        outcome.problem = QStringLiteral("no backup of slot %1 in the folder (%2)").arg(slot).arg(outcome.file);
        run.lineOut(QStringLiteral("orvcal-cli: ") + outcome.problem, true);
        return outcome;
    }
    {
        LineDevice outDevice([&](const QString &line) {
            outcome.output << line;
            run.lineOut(line, false);
        });
        LineDevice errDevice([&](const QString &line) {
            // Everything said but the progress: the cause first, then what explains it.
            if (!line.startsWith(QLatin1String("reading ")) && !line.startsWith(QLatin1String("writing "))) {
                QString said = line;
                for (const QLatin1String prefix : {QLatin1String("orvcal-cli: "), QLatin1String("ORV CAL: ")})
                    if (said.startsWith(prefix))
                        said = said.mid(prefix.size());
                outcome.problem += (outcome.problem.isEmpty() ? QString() : QStringLiteral("\n")) + said;
            }
            run.lineOut(line, true);
        });
        QTextStream out(&outDevice);
        QTextStream err(&errDevice);
        CliContext c(out, err);
        c.dataDir = run.dataDir;
        c.slot = slot;
        c.settings = run.settings;
        c.settingsLoaded = true;
        c.savesSettings = false;
        c.stopRequested = [&stop] { return stop.load(); };
        outcome.exitCode = BadUsage;
        for (const Command &command : commandTable())
            if (command.name == run.command)
                outcome.exitCode = command.run(c, args);
        out.flush();
        err.flush();
        if (c.settings.baud_rate[std::size_t(slot)] != run.settings.baud_rate[std::size_t(slot)])
            outcome.newRate = c.settings.baud_rate[std::size_t(slot)];
    }
    if (outcome.exitCode == Ok)
        outcome.problem.clear();
    return outcome;
}

int worstExitCode(const QList<int> &codes)
{
    // A difference is news, a failed station worse, a run cut short worst.
    static const QList<int> order{Ok,         Differ,          NotTaken,        Refused,     ExchangeFailed,
                                  PortUnavailable, SettingsProblem, BadUsage, Interrupted};
    int worst = Ok;
    for (int code : codes)
        if (order.indexOf(code) > order.indexOf(worst))
            worst = code;
    return worst;
}

QString resultText(const QString &command, const SlotOutcome &outcome)
{
    if (!outcome.ran)
        return QStringLiteral("not run");
    switch (outcome.exitCode) {
    case Ok:
        return QStringLiteral("done");
    case ExchangeFailed:
        return QStringLiteral("no answer");
    case BadUsage:
        return takesFolder(command) && command != QLatin1String("backup") ? QStringLiteral("no backup")
                                                                           : QStringLiteral("bad arguments");
    case PortUnavailable:
        return outcome.problem.contains(QLatin1String("went away")) || outcome.problem.contains(QLatin1String("was lost"))
            ? QStringLiteral("line lost")
            : QStringLiteral("port unavailable");
    case Refused:
        return QStringLiteral("refused");
    case Differ:
        return command == QLatin1String("restore") ? QStringLiteral("would write") : QStringLiteral("differs");
    case Interrupted:
        return QStringLiteral("stopped");
    case NotTaken:
        return QStringLiteral("not taken");
    case SettingsProblem:
        return QStringLiteral("settings problem");
    default:
        return QStringLiteral("exit %1").arg(outcome.exitCode);
    }
}

int runFleet(CliContext &c, const FleetOptions &options, const QString &command, const QStringList &args)
{
    if (!isFleetCommand(command)) {
        c.err << "orvcal-cli: " << command << " is for one station; over several slots run version, clock, backup, "
              << "diff or restore" << Qt::endl;
        return BadUsage;
    }
    if (c.port || !c.device.isEmpty() || c.baud || !c.traceFile.isEmpty()) {
        c.err << "orvcal-cli: each slot uses its own port and rate; --port, --device, --baud and --trace are for "
              << "one station" << Qt::endl;
        return BadUsage;
    }
    if (const QString problem = argumentProblem(command, args); !problem.isEmpty()) {
        c.err << "orvcal-cli: " << problem << Qt::endl;
        return BadUsage;
    }
    if (!c.loadSettings())
        return SettingsProblem;
    const QList<int> chosen = options.slotList ? *options.slotList : slotsWithAPort(c.settings);
    if (chosen.isEmpty()) {
        c.err << "orvcal-cli: no station slot has a port set in " << c.settingsFile.path()
              << "; set one up in ORV CAL's properties window, or name slots with --slots" << Qt::endl;
        return SettingsProblem;
    }

    FleetRun run{c, options, command, args, fleetSlots(c.settings, c.dataDir, chosen), {}, 0};
    std::FILE *slotOut = options.json ? stderr : stdout;
    SlotCommand slotCommand{command, args, c.dataDir, c.settings, {}};
    FleetRunner *runner = nullptr;
    run.runner = std::make_unique<FleetRunner>(run.stations, options.jobs, [&](int index, const std::atomic_bool &stop) {
        SlotCommand mine = slotCommand;
        const QString prefix = QStringLiteral("slot %1: ").arg(run.stations[index].slot);
        mine.lineOut = [&, prefix](const QString &line, bool error) { printLine(error ? stderr : slotOut, prefix + line); };
        slotPrefix = prefix;
        SlotOutcome outcome = runSlotCommand(mine, run.stations[index].slot, stop);
        slotPrefix.clear();
        return outcome;
    });
    previousHandler = qInstallMessageHandler(handleLogLine);
    runner = run.runner.get();
    c.out.flush();
    c.err.flush();

    QElapsedTimer timer;
    timer.start();
    QEventLoop loop;
    QObject::connect(runner, &FleetRunner::finished, &loop, &QEventLoop::quit);
    InterruptWatch interrupt(
        c,
        [&] {
            runner->requestStop();
            printLine(stderr, QStringLiteral("orvcal-cli: stopping every line at its next check (a write in progress "
                                             "is finished first); Ctrl+C again stops at once"));
        },
        [&] {
            run.seconds = double(timer.elapsed()) / 1000.0;
            QMutexLocker lock(&consoleMutex);
            run.report(true);
        },
        Interrupted);
    runner->start();
    if (!runner->isFinished())
        loop.exec();
    qInstallMessageHandler(previousHandler);
    run.seconds = double(timer.elapsed()) / 1000.0;
    const int saved = run.saveNewRates();
    run.report(false);
    return worstExitCode(run.codes(false) << saved);
}

} // namespace orv::cli
