#include "detect_options.h"

#include "cli_context.h"

#include <algorithm>

namespace orv::cli {

namespace {

constexpr long minReplyWindowMs = 50;
constexpr long maxReplyWindowMs = 15000;

std::optional<int> parsePort(QString text)
{
    text = text.trimmed();
    if (text.startsWith(QLatin1String("COM"), Qt::CaseInsensitive))
        text = text.mid(3);
    const auto n = parseNumber(text, 1, 8);
    return n ? std::optional<int>(int(*n)) : std::nullopt;
}

void appendOnce(QList<int> &list, int value)
{
    if (!list.contains(value))
        list << value;
}

QString rateNames()
{
    QList<int> rates(detectionRates.begin(), detectionRates.end());
    std::sort(rates.begin(), rates.end());
    QStringList names;
    for (int rate : rates)
        names << QString::number(rate);
    return names.join(QStringLiteral(", "));
}

} // namespace

std::optional<QList<int>> parsePortList(const QString &text, QString *error)
{
    QList<int> ports;
    for (const QString &item : text.split(QLatin1Char(','))) {
        const QStringList ends = item.split(QLatin1Char('-'));
        const auto first = parsePort(ends.value(0));
        const auto last = ends.size() == 2 ? parsePort(ends[1]) : first;
        if (ends.size() > 2 || !first || !last || *last < *first) {
            *error = QStringLiteral("bad port '%1' in --ports (COM1 to COM8: 1,3 or COM2-COM4)").arg(item.trimmed());
            return std::nullopt;
        }
        for (int port = *first; port <= *last; ++port)
            appendOnce(ports, port);
    }
    return ports;
}

std::optional<QList<int>> parseRateList(const QString &text, QString *error)
{
    QList<int> rates;
    for (const QString &item : text.split(QLatin1Char(','))) {
        const auto n = parseNumber(item, 1, 38400);
        if (!n || std::find(detectionRates.begin(), detectionRates.end(), int(*n)) == detectionRates.end()) {
            *error = QStringLiteral("bad rate '%1' in --rates (the station speaks %2)").arg(item.trimmed(), rateNames());
            return std::nullopt;
        }
        appendOnce(rates, int(*n));
    }
    return rates;
}

std::optional<DetectOptions> parseDetectOptions(const QStringList &args, QString *error)
{
    DetectOptions options;
    QStringList seen;
    bool windowGiven = false;
    for (int i = 0; i < args.size(); ++i) {
        QString name = args[i];
        std::optional<QString> value;
        if (const int eq = name.indexOf(QLatin1Char('=')); eq > 0 && name.startsWith(QLatin1String("--"))) {
            value = name.mid(eq + 1);
            name.truncate(eq);
        }
        if (seen.contains(name)) {
            *error = QStringLiteral("%1 given twice").arg(name);
            return std::nullopt;
        }
        seen << name;
        if (name == QLatin1String("--quick")) {
            if (value) {
                *error = QStringLiteral("--quick takes no value");
                return std::nullopt;
            }
            options.quick = true;
            continue;
        }
        const bool known = name == QLatin1String("--ports") || name == QLatin1String("--rates")
            || name == QLatin1String("--reply-window");
        if (!known) {
            *error = QStringLiteral("detect does not take '%1' (--quick, --ports LIST, --rates LIST, "
                                    "--reply-window MS)")
                         .arg(args[i]);
            return std::nullopt;
        }
        if (!value) {
            if (i + 1 >= args.size()) {
                *error = QStringLiteral("%1 needs a value").arg(name);
                return std::nullopt;
            }
            value = args[++i];
        }
        if (name == QLatin1String("--ports")) {
            const auto ports = parsePortList(*value, error);
            if (!ports)
                return std::nullopt;
            options.plan.ports = *ports;
        } else if (name == QLatin1String("--rates")) {
            const auto rates = parseRateList(*value, error);
            if (!rates)
                return std::nullopt;
            options.plan.rates = *rates;
        } else {
            const auto ms = parseNumber(*value, minReplyWindowMs, maxReplyWindowMs);
            if (!ms) {
                *error = QStringLiteral("bad reply window '%1' (milliseconds, %2 to %3)")
                             .arg(*value)
                             .arg(minReplyWindowMs)
                             .arg(maxReplyWindowMs);
                return std::nullopt;
            }
            options.replyWindowMs = int(*ms);
            windowGiven = true;
        }
    }
    if (windowGiven && !options.quick) {
        // The window's walk keeps its own timings; a short window only makes sense for the quick one.
        *error = QStringLiteral("--reply-window goes with --quick");
        return std::nullopt;
    }
    return options;
}

} // namespace orv::cli
