#include "cli_context.h"

#include <QCoreApplication>
#include <QLoggingCategory>

#include <cstdio>

using namespace orv::cli;

namespace {

void usage(QTextStream &s)
{
    s << "usage: orvcal-cli [--port N | --device PATH] [--baud RATE] [--data-dir DIR] [--trace FILE] [--verbose]\n"
         "                  COMMAND [ARGS]\n"
         "       orvcal-cli --version | --help\n"
         "Talks to an ORV weather station over a serial line; port and rate default to station slot 0.\n"
         "--trace FILE writes every byte sent and received, with direction and time, to FILE.\n"
         "--verbose also prints what the serial line and the exchange with the station log.\n\n"
         "commands:\n";
    for (const Command &c : commandTable())
        s << "  " << c.usage.leftJustified(26) << "  " << c.summary << '\n';
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
    if (args.removeAll(QStringLiteral("--verbose")) > 0)
        QLoggingCategory::setFilterRules(QStringLiteral("orv.*.info=true\norv.*.warning=true"));
    else
        QLoggingCategory::setFilterRules(QStringLiteral("orv.*.info=false\norv.*.warning=false\n"
                                                        "orv.ports.warning=true\norv.net.warning=true"));
    // The last of an option given twice wins; one at the end without its value is refused.
    std::optional<QString> missingValue;
    auto takeValue = [&](const QString &option) -> std::optional<QString> {
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

    if (args.contains(QStringLiteral("--version"))) {
        out << "orvcal-cli " << ORV_VERSION << Qt::endl;
        return Ok;
    }
    if (args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"))) {
        usage(out);
        return Ok;
    }
    if (const auto p = takeValue(QStringLiteral("--port"))) {
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
    if (const auto d = takeValue(QStringLiteral("--device"))) {
        if (d->isEmpty()) {
            err << "orvcal-cli: --device needs a path" << Qt::endl;
            return BadUsage;
        }
        context.device = *d;
    }
    if (const auto b = takeValue(QStringLiteral("--baud"))) {
        const auto n = parseNumber(*b, 1, 38400);
        if (!n || !orv::isStationRate(int(*n))) {
            err << "orvcal-cli: bad baud rate '" << *b << "' (the station speaks " << orv::stationRatesText() << ")"
                << Qt::endl;
            return BadUsage;
        }
        context.baud = int(*n);
    }
    if (const auto t = takeValue(QStringLiteral("--trace"))) {
        if (t->isEmpty()) {
            err << "orvcal-cli: --trace needs a file" << Qt::endl;
            return BadUsage;
        }
        context.traceFile = *t;
    }
    if (const auto dir = takeValue(QStringLiteral("--data-dir")))
        context.dataDir = *dir;
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
        return command.run(context, args);
    }
    err << "orvcal-cli: unknown command '" << name << "'" << Qt::endl;
    usage(err);
    return BadUsage;
}
