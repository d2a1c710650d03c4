#include "cli_context.h"
#include "fleet.h"

#include <QCoreApplication>
#include <QLoggingCategory>

#include <cstdio>

using namespace orv::cli;

namespace {

// The options besides the command's own. --help is printed from this table,
// and the parser asks for each by globalOption(), which stops the program on
// a name missing here: no option goes unmentioned.
struct GlobalOption
{
    const char *name;
    const char *value; // null: a switch
    const char *help;
};

const GlobalOption globalOptions[] = {
    {"--port", "N", "COM port 1..8 (COM3 is also understood) instead of slot 0's"},
    {"--device", "PATH", "a serial device path for that COM port in this run"},
    {"--baud", "RATE", "line rate instead of slot 0's"},
    {"--data-dir", "DIR", "folder of the settings file, the ports file and PRM"},
    {"--slots", "LIST", "run the command for these station slots, e.g. 0-5,9 (version, clock, backup, diff, restore)"},
    {"--all-slots", nullptr, "run the command for every slot with a port set"},
    {"--jobs", "N", "with --slots: at most N lines at once (default: every line)"},
    {"--json", nullptr, "with --slots: the summary as JSON on stdout"},
    {"--trace", "FILE", "write every byte sent and received, with direction and time, to FILE"},
    {"--verbose", nullptr, "also print the line's own log on stderr (a lost port, an exchange on a closed port)"},
    {"--version", nullptr, "print the program's version"},
    {"--help", nullptr, "print this help"},
};

const GlobalOption &globalOption(const char *name)
{
    for (const GlobalOption &option : globalOptions)
        if (qstrcmp(option.name, name) == 0)
            return option;
    qFatal("orvcal-cli: %s is not in the table of options", name);
}

// A name too long for its column gets a line of its own, so that it never runs into its text.
QString column(const QString &name)
{
    constexpr int width = 28;
    return name.size() < width ? name.leftJustified(width) : name + QLatin1Char('\n') + QString(width + 2, QLatin1Char(' '));
}

void usage(QTextStream &s)
{
    s << "usage: orvcal-cli [OPTIONS] COMMAND [ARGS]\n"
         "       orvcal-cli --version | --help\n"
         "Talks to an ORV weather station over a serial line; port and rate default to station slot 0.\n\n"
         "options:\n";
    for (const GlobalOption &o : globalOptions) {
        const QString name = QString::fromLatin1(o.name) + (o.value ? QLatin1Char(' ') + QLatin1String(o.value) : QString());
        s << "  " << column(name) << o.help << '\n';
    }
    s << "\ncommands:\n";
    for (const Command &c : commandTable())
        s << "  " << column(c.usage) << c.summary << '\n';
    s << "\nexit codes:\n";
    for (const ExitCodeText &e : exitCodeTexts)
        s << "  " << QString::number(e.code).leftJustified(5) << e.meaning << '\n';
    s.flush();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("orvcal-cli"));
    QTextStream out(stdout);
    QTextStream err(stderr);
    CliContext context(out, err);

    QStringList args = app.arguments().mid(1);
    // The internal log of the line and the exchange is for whoever asks for it;
    // what the user must know (unusable port map lines, what a serial server
    // cannot do) is said either way. QT_LOGGING_RULES still overrides both.
    if (args.removeAll(QLatin1String(globalOption("--verbose").name)) > 0)
        QLoggingCategory::setFilterRules(QStringLiteral("orv.*.info=true\norv.*.warning=true"));
    else
        QLoggingCategory::setFilterRules(QStringLiteral("orv.*.info=false\norv.*.warning=false\n"
                                                        "orv.ports.warning=true\norv.net.warning=true"));
    // The last of an option given twice wins; one at the end without its value is refused.
    std::optional<QString> missingValue;
    auto takeValue = [&](const char *name) -> std::optional<QString> {
        const QString option = QLatin1String(globalOption(name).name);
        std::optional<QString> value;
        for (int i = args.indexOf(option); i >= 0; i = args.indexOf(option)) {
            if (i + 1 >= args.size()) {
                missingValue = option;
                args.removeAt(i);
                break;
            }
            value = args[i + 1];
            args.remove(i, 2);
        }
        return value;
    };

    auto given = [&](const char *name) { return args.contains(QLatin1String(globalOption(name).name)); };
    if (given("--version")) {
        out << "orvcal-cli " << ORV_VERSION << Qt::endl;
        return Ok;
    }
    if (given("--help") || args.contains(QStringLiteral("-h"))) {
        usage(out);
        return Ok;
    }
    if (const auto p = takeValue("--port")) {
        QString text = *p;
        if (text.startsWith(QLatin1String("COM"), Qt::CaseInsensitive))
            text = text.mid(3);
        const auto n = parseNumber(text, 1, 8);
        if (!n) {
            err << "orvcal-cli: unknown port '" << *p << "' (ports are 1 to 8, or use --device PATH)" << Qt::endl;
            return BadUsage;
        }
        context.port = int(*n);
    }
    if (const auto d = takeValue("--device")) {
        if (d->isEmpty()) {
            err << "orvcal-cli: --device needs a path" << Qt::endl;
            return BadUsage;
        }
        context.device = *d;
    }
    if (const auto b = takeValue("--baud")) {
        const auto n = parseNumber(*b, 1, 38400);
        if (!n || !orv::isStationRate(int(*n))) {
            err << "orvcal-cli: bad baud rate '" << *b << "' (the station speaks " << orv::stationRatesText() << ")"
                << Qt::endl;
            return BadUsage;
        }
        context.baud = int(*n);
    }
    if (const auto t = takeValue("--trace")) {
        if (t->isEmpty()) {
            err << "orvcal-cli: --trace needs a file" << Qt::endl;
            return BadUsage;
        }
        context.traceFile = *t;
    }
    if (const auto dir = takeValue("--data-dir"))
        context.dataDir = *dir;
    FleetOptions fleet;
    if (const auto list = takeValue("--slots")) {
        fleet.slotList = parseSlotList(*list);
        if (!fleet.slotList) {
            err << "orvcal-cli: bad slot list '" << *list << "' (slots 0 to 19, e.g. 0-5,9)" << Qt::endl;
            return BadUsage;
        }
    }
    fleet.allSlots = args.removeAll(QLatin1String(globalOption("--all-slots").name)) > 0;
    fleet.json = args.removeAll(QLatin1String(globalOption("--json").name)) > 0;
    const auto jobs = takeValue("--jobs");
    if (jobs) {
        const auto n = parseNumber(*jobs, 1, orv::ComSettings::slotCount);
        if (!n) {
            err << "orvcal-cli: bad --jobs '" << *jobs << "' (1 to " << orv::ComSettings::slotCount << " lines at once)" << Qt::endl;
            return BadUsage;
        }
        fleet.jobs = int(*n);
    }
    if (fleet.slotList && fleet.allSlots) {
        err << "orvcal-cli: give --slots or --all-slots, not both" << Qt::endl;
        return BadUsage;
    }
    if ((jobs || fleet.json) && !fleet.wanted()) {
        err << "orvcal-cli: --jobs and --json go with --slots or --all-slots" << Qt::endl;
        return BadUsage;
    }
    if (missingValue) {
        err << "orvcal-cli: " << *missingValue << " needs a value" << Qt::endl;
        return BadUsage;
    }

    if (args.isEmpty()) {
        usage(err);
        return BadUsage;
    }
    const QString name = args.takeFirst();
    for (const Command &command : commandTable()) {
        if (command.name != name)
            continue;
        context.prepare();
        if (fleet.wanted())
            return runFleet(context, fleet, name, args);
        return command.run(context, args);
    }
    err << "orvcal-cli: unknown command '" << name << "'" << Qt::endl;
    usage(err);
    return BadUsage;
}
