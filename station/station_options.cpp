#include "station_options.h"

#include "param_table.h"

#include <QDateTime>

namespace station {

namespace {

// Beyond the computer's 15-second receive window, so a late reply is a missed one.
constexpr qint64 lateReplyMs = 17000;
constexpr qint64 splitPauseMs = 300;

bool takeInt(const QString &text, int *value)
{
    bool ok = false;
    *value = text.toInt(&ok);
    return ok;
}

} // namespace

bool applyFault(const QString &name, FaultOptions *faults)
{
    if (name == QLatin1String("no-reply"))
        faults->noReply = true;
    else if (name == QLatin1String("wrong-length"))
        faults->wrongLength = true;
    else if (name == QLatin1String("garbage"))
        faults->garbage = true;
    else if (name == QLatin1String("late"))
        faults->lateMs = lateReplyMs;
    else if (name == QLatin1String("split"))
        faults->splitPauseMs = splitPauseMs;
    else if (name.startsWith(QLatin1String("drop-every="))) {
        int n = 0;
        if (!takeInt(name.mid(11), &n) || n < 1)
            return false;
        faults->dropEvery = n;
    } else
        return false;
    return true;
}

bool parseDialOutcome(const QString &name, DialOutcome *outcome)
{
    using O = DialOutcome;
    static const std::pair<const char *, O> names[] = {
        {"connect", O::Connect}, {"busy", O::Busy}, {"nodialtone", O::NoDialtone},
        {"nocarrier", O::NoCarrier}, {"silent", O::Silent},
    };
    for (const auto &[text, value] : names)
        if (name == QLatin1String(text)) {
            *outcome = value;
            return true;
        }
    return false;
}

QString usage()
{
    return QStringLiteral(
        "usage: orv-station [options]\n"
        "  --version TEXT        version reply (default \"4.103\\r\\n\"; \\r and \\n are understood)\n"
        "  --params FILE         parameter memory, addr=value lines\n"
        "  --baud-index N        station rate index 0..7 (0=38400 .. 7=300)\n"
        "  --fixed-rate BAUD     answer at this rate only, whatever is written\n"
        "  --turnaround MS       quiet time before a reply (default 20)\n"
        "  --clock-offset S      start the station's clock S seconds off the computer's (may be negative)\n"
        "  --fault NAME          no-reply | wrong-length | garbage | late | drop-every=N | split\n"
        "  --modem               put a Hayes modem in front of the station\n"
        "  --dial-outcome NAME   connect | busy | nodialtone | nocarrier | silent\n"
        "  --dial-delay MS       time from ATDT to the outcome (default 3000)\n"
        "  --trace FILE          write every byte on the line to FILE\n"
        "  --link PATH           make PATH a symbolic link to the terminal\n"
        "  --register-com N --data-dir DIR   map COMn to the terminal in DIR/ports.conf until the simulator ends\n"
        "  --help                print this help\n");
}

bool parseProgramOptions(const QStringList &arguments, ProgramOptions *options, QString *error)
{
    auto fail = [error](const QString &why) {
        *error = why;
        return false;
    };
    for (int i = 0; i < arguments.size(); ++i) {
        const QString &arg = arguments.at(i);
        const bool hasValue = i + 1 < arguments.size();
        const QString value = hasValue ? arguments.at(i + 1) : QString();
        auto needValue = [&]() { return hasValue ? (++i, true) : false; };
        int n = 0;

        if (arg == QLatin1String("--modem")) {
            options->modem = true;
        } else if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            options->help = true;
            return true;
        } else if (!needValue()) {
            return fail(QStringLiteral("%1: unknown option or missing value").arg(arg));
        } else if (arg == QLatin1String("--version")) {
            QString text = value;
            text.replace(QLatin1String("\\r"), QLatin1String("\r")).replace(QLatin1String("\\n"), QLatin1String("\n"));
            options->station.version = text.toLatin1();
        } else if (arg == QLatin1String("--params")) {
            options->paramsFile = value;
        } else if (arg == QLatin1String("--baud-index")) {
            if (!takeInt(value, &n) || baudOfIndex(n) == 0)
                return fail(QStringLiteral("--baud-index: expected 0..7"));
            options->baudIndex = n;
        } else if (arg == QLatin1String("--fixed-rate")) {
            if (!takeInt(value, &n) || baudIndexOf(n) < 0)
                return fail(QStringLiteral("--fixed-rate: expected one of 300 .. 38400"));
            options->station.fixedRate = n;
        } else if (arg == QLatin1String("--turnaround")) {
            if (!takeInt(value, &n) || n < 0)
                return fail(QStringLiteral("--turnaround: expected milliseconds"));
            options->station.turnaroundMs = n;
        } else if (arg == QLatin1String("--clock-offset")) {
            if (!takeInt(value, &n))
                return fail(QStringLiteral("--clock-offset: expected seconds"));
            options->station.clockStart = QDateTime::currentDateTime().addSecs(n);
        } else if (arg == QLatin1String("--fault")) {
            if (!applyFault(value, &options->station.faults))
                return fail(QStringLiteral("--fault: unknown fault %1").arg(value));
        } else if (arg == QLatin1String("--dial-outcome")) {
            if (!parseDialOutcome(value, &options->modemOptions.outcome))
                return fail(QStringLiteral("--dial-outcome: unknown outcome %1").arg(value));
        } else if (arg == QLatin1String("--dial-delay")) {
            if (!takeInt(value, &n) || n < 0)
                return fail(QStringLiteral("--dial-delay: expected milliseconds"));
            options->modemOptions.dialDelayMs = n;
        } else if (arg == QLatin1String("--trace")) {
            options->tracePath = value;
        } else if (arg == QLatin1String("--link")) {
            options->linkPath = value;
        } else if (arg == QLatin1String("--register-com")) {
            if (!takeInt(value, &n) || n < 1 || n > 8)
                return fail(QStringLiteral("--register-com: expected 1..8"));
            options->registerCom = n;
        } else if (arg == QLatin1String("--data-dir")) {
            options->dataDir = value;
        } else {
            return fail(QStringLiteral("%1: unknown option").arg(arg));
        }
    }
    if (options->registerCom && options->dataDir.isEmpty())
        return fail(QStringLiteral("--register-com needs --data-dir"));
    return true;
}

} // namespace station
