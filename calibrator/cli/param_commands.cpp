#include "cli_context.h"

#include "params/conversion.h"
#include "params/number_format.h"
#include "params/param_access.h"
#include "params/prm_file.h"

#include "link/port_map.h"

#include <QLocale>

#include <algorithm>
#include <cmath>
#include <limits>

namespace orv::cli {

namespace {

// A setting as the command line names it. The words are those of the
// calibration window's messages, so a failure reads the same in both.
struct NamedSetting
{
    const char *alias;
    ParamEntry entry;
    const char *getWords;
    const char *setWords; // null: not changed from here (bit fields, indices, clock)
    const char *picture;  // label picture; null for the general text form
};

const NamedSetting namedSettings[] = {
    {"outside-temp", ParamEntry::TempOutside, "outside temperature calibration", "outside temperature calibration", nullptr},
    {"inside-temp", ParamEntry::TempInside, "Inside temperature calibration", "inside temperature calibration", nullptr},
    {"aux-temp", ParamEntry::TempAux, "Aux. temperature calibration", "Aux. temperature calibration", nullptr},
    {"hum-0", ParamEntry::Hum0, "humidity calibration", "outside humidity calibration", nullptr},
    {"hum-75", ParamEntry::Hum75, "humidity calibration", "outside humidity calibration", nullptr},
    {"pressure", ParamEntry::BarometricPressure, "pressure calibration", "pressure calibration", "00.00"},
    {"daily-rain", ParamEntry::RainFallDaily, "daily rainfall calibration", "daily rainfall calibration", "00.00"},
    {"monthly-rain", ParamEntry::RainFallMonthly, "monthly rainfall calibration", "monthly rainfall calibration", "00.00"},
    {"term-rain", ParamEntry::RainFallTerm, "term rainfall calibration", "term rainfall calibration", "00.00"},
    {"wind-offset", ParamEntry::WindDirOffset, "wind direction offset calibration", "wind direction offset calibration", "000"},
    {"solar", ParamEntry::SolarCal, "solar radiation calibration", "solar radiation calibration", nullptr},
    {"lightning", ParamEntry::LightningLevel, "lightning calibration", "lighning calibration", "000"},
    {"log-hours", ParamEntry::LogIntervalHrs, "logging hour", "logging hour", nullptr},
    {"log-minutes", ParamEntry::LogIntervalMin, "logging minute", "logging minute", nullptr},
    {"report-hours", ParamEntry::ReportIntervalHrs, "report hour", "report hour", nullptr},
    {"report-minutes", ParamEntry::ReportIntervalMin, "reporting minute", "report minute", nullptr},
    {"wet-level", ParamEntry::WetLevel, "leaf wetness wet level calibration", "leaf wetness wet level", nullptr},
    {"dtr-delay", ParamEntry::RxDtrDelay, "DTR calibration", "DTR calibration", "##0"},
    {"report-flag", ParamEntry::ReportFlags, "report flag calibration", nullptr, nullptr},
    {"report-extras", ParamEntry::ReportMinMax, "report flag calibration", nullptr, nullptr},
    {"display-word", ParamEntry::WspUnits, "wind calibration", nullptr, nullptr},
    {"units", ParamEntry::ScaleUnits, "units of measure", nullptr, nullptr},
    {"baud-index", ParamEntry::BaudRateIndex, "station baud rate", nullptr, nullptr},
};

QString aliasOf(ParamEntry entry)
{
    for (const NamedSetting &s : namedSettings)
        if (s.entry == entry)
            return QString::fromLatin1(s.alias);
    return QString();
}

// Entries without a row of their own are read with the entry text as their words.
NamedSetting settingFor(ParamEntry entry)
{
    for (const NamedSetting &s : namedSettings)
        if (s.entry == entry)
            return s;
    return {nullptr, entry, nullptr, nullptr, nullptr};
}

bool findSetting(const QString &name, NamedSetting *found)
{
    for (const NamedSetting &s : namedSettings) {
        if (name.compare(QLatin1String(s.alias), Qt::CaseInsensitive) == 0) {
            *found = s;
            return true;
        }
    }
    ParamEntry entry;
    if (entryFromText(name.toLatin1(), &entry)) {
        *found = settingFor(entry);
        return true;
    }
    for (ParamEntry e : allEntries()) {
        for (const QByteArray &text : entryTexts(e)) {
            if (name.compare(QLatin1String(text), Qt::CaseInsensitive) == 0) {
                *found = settingFor(e);
                return true;
            }
        }
    }
    return false;
}

QString getWords(const NamedSetting &s)
{
    return s.getWords ? QString::fromLatin1(s.getWords) : QString::fromLatin1(entryName(s.entry));
}

QString shown(float value, const NamedSetting &s)
{
    return s.picture ? formatNumber(double(value), QString::fromLatin1(s.picture)) : singleText(value);
}

int unknownSetting(CliContext &c, const QString &name)
{
    c.err << "orvcal-cli: no setting is called '" << name << "'; 'orvcal-cli settings-list' names them all"
          << Qt::endl;
    return BadUsage;
}

// Opens the line, asks the version and loads the matching definition file.
int loadRecords(CliContext &c, ParamRecords &records, QString *path)
{
    if (const int code = c.openLink(); code != Ok)
        return code;
    if (const LinkResult<QByteArray> version = c.link->request_version(); !version)
        return c.exchangeFailed(QStringLiteral("the version request"), version.failure());
    *path = load_prm_file(c.link->state, records, prmSearchPath(c.dataDir), c.link->messages());
    if (path->isEmpty()) {
        c.err << "orvcal-cli: looked in: " << prmSearchPath(c.dataDir).join(QStringLiteral(", ")) << Qt::endl;
        return Refused;
    }
    return Ok;
}

// The engineering limits of a record, without asking the station.
bool engLimits(const ParamRecord &record, float *low, float *high)
{
    float min = record.rawMin();
    float max = record.rawMax();
    if (!raw_to_eng(min, record.element[3], record.element[4]) || !raw_to_eng(max, record.element[3], record.element[4]))
        return false;
    *low = std::min(min, max);
    *high = std::max(min, max);
    return true;
}

int settingsList(CliContext &c, const QStringList &args)
{
    if (!args.isEmpty()) {
        c.err << "orvcal-cli: settings-list takes no arguments" << Qt::endl;
        return BadUsage;
    }
    ParamRecords records;
    QString path;
    if (const int code = loadRecords(c, records, &path); code != Ok)
        return code;
    c.out << "Definition file: " << printable(path) << Qt::endl;
    c.out << QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8  %9")
                 .arg(QStringLiteral("entry"), -20)
                 .arg(QStringLiteral("address"), 7)
                 .arg(QStringLiteral("raw min"), 8)
                 .arg(QStringLiteral("raw max"), 8)
                 .arg(QStringLiteral("scale"), 7)
                 .arg(QStringLiteral("offset"), 7)
                 .arg(QStringLiteral("eng min"), 9)
                 .arg(QStringLiteral("eng max"), 9)
                 .arg(QStringLiteral("alias"))
          << Qt::endl;
    for (ParamEntry e : allEntries()) {
        const ParamRecord &r = records[e];
        const QString name = QString::fromLatin1(entryName(e));
        if (r.absent()) {
            c.out << QStringLiteral("%1 %2").arg(name, -20).arg(QStringLiteral("absent"), 7) << Qt::endl;
            continue;
        }
        if (!r.fault.isEmpty()) {
            c.out << QStringLiteral("%1 unusable: %2").arg(name, -20).arg(printable(r.fault)) << Qt::endl;
            continue;
        }
        float low = 0;
        float high = 0;
        const bool convertible = engLimits(r, &low, &high);
        c.out << QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8  %9")
                     .arg(name, -20)
                     .arg(singleText(r.address()), 7)
                     .arg(singleText(r.rawMin()), 8)
                     .arg(singleText(r.rawMax()), 8)
                     .arg(singleText(r.scale()), 7)
                     .arg(singleText(r.offset()), 7)
                     .arg(convertible ? singleText(low) : QStringLiteral("-"), 9)
                     .arg(convertible ? singleText(high) : QStringLiteral("(scale 0)"), 9)
                     .arg(aliasOf(e))
                     .trimmed()
              << Qt::endl;
    }
    return Ok;
}

void printReading(CliContext &c, const NamedSetting &s, const ParamRecord &record, const EngReading &reading)
{
    c.out << entryName(s.entry) << ": " << shown(reading.current, s) << " (minimum " << shown(reading.minimum, s)
          << ", maximum " << shown(reading.maximum, s) << ")" << Qt::endl;
    // The window's slider could not show such a value; `set` refuses to write one.
    if (reading.raw < std::min(record.rawMin(), record.rawMax()) || reading.raw > std::max(record.rawMin(), record.rawMax()))
        c.out << "note: the station holds raw " << singleText(reading.raw) << ", outside the range of "
              << printable(QString::fromLatin1(c.link->state.station_version)) << " (" << singleText(record.rawMin())
              << " to " << singleText(record.rawMax()) << ")" << Qt::endl;
    if (const QString note = unusualScaleNote(record, getWords(s), c.link->state.station_version); !note.isEmpty())
        c.link->show_message(note, MessageIcon::Information);
}

// The exit code of a failed exchange, which has told the user already.
int exchangeFailure(const LinkFailure &failure)
{
    return failure.error == LinkError::LineLost ? PortUnavailable : ExchangeFailed;
}

// Runs the get pattern and prints the outcome; Ok only when a value was read.
int getAndPrint(CliContext &c, const NamedSetting &s, const ParamRecord &record)
{
    const Access<EngReading> read = get_eng_setting(*c.link, record, getWords(s));
    switch (read.result) {
    case AccessResult::Done:
        printReading(c, s, record, read.value);
        return Ok;
    case AccessResult::Absent:
        c.err << "orvcal-cli: firmware " << printable(QString::fromLatin1(c.link->state.station_version)) << " has no "
              << entryName(s.entry)
              << Qt::endl;
        return Refused;
    case AccessResult::ComFailed:
        return exchangeFailure(read.failure);
    default:
        return Refused;
    }
}

int get(CliContext &c, const QStringList &args)
{
    if (args.size() != 1) {
        c.err << "orvcal-cli: get needs one setting name, e.g. get \"temp: outside\" or get outside-temp" << Qt::endl;
        return BadUsage;
    }
    NamedSetting s;
    if (!findSetting(args[0], &s))
        return unknownSetting(c, args[0]);
    ParamRecords records;
    QString path;
    if (const int code = loadRecords(c, records, &path); code != Ok)
        return code;
    return getAndPrint(c, s, records[s.entry]);
}

int set(CliContext &c, const QStringList &args)
{
    if (args.size() != 2) {
        c.err << "orvcal-cli: set needs a setting name and a value, e.g. set \"temp: outside\" 20" << Qt::endl;
        return BadUsage;
    }
    NamedSetting s;
    if (!findSetting(args[0], &s))
        return unknownSetting(c, args[0]);
    if (!s.setWords) {
        c.err << "orvcal-cli: " << entryName(s.entry)
              << " is not a calibration value; only the settings with a slider in the calibration window are set "
                 "here ('write ADDRESS VALUE' writes raw values)"
              << Qt::endl;
        return BadUsage;
    }
    bool ok = false;
    const double number = QLocale::c().toDouble(args[1].trimmed(), &ok);
    if (!ok || !std::isfinite(number) || std::fabs(number) > double(std::numeric_limits<float>::max())) {
        c.err << "orvcal-cli: '" << args[1] << "' is not a number" << Qt::endl;
        return BadUsage;
    }
    const float value = float(number);

    ParamRecords records;
    QString path;
    if (const int code = loadRecords(c, records, &path); code != Ok)
        return code;
    const ParamRecord &record = records[s.entry];
    const QString name = QString::fromLatin1(entryName(s.entry));
    if (record.absent()) {
        c.err << "orvcal-cli: firmware " << printable(QString::fromLatin1(c.link->state.station_version)) << " has no "
              << name << Qt::endl;
        return Refused;
    }
    if (const QString fault = recordFault(record); !fault.isEmpty()) {
        c.link->show_message(dataFaultMessage(getWords(s), c.link->state.station_version, fault));
        return Refused;
    }
    float low = 0;
    float high = 0;
    float raw = value;
    if (!engLimits(record, &low, &high) || !eng_to_raw(raw, record.element[3], record.element[4])) {
        c.err << "orvcal-cli: " << printable(path) << " gives " << name
              << " a scale of 0; its values cannot be converted"
              << Qt::endl;
        return Refused;
    }
    // The window's slider cannot go past the limits, so neither may this.
    if (value < low || value > high) {
        c.err << "orvcal-cli: " << singleText(value) << " is outside the limits of " << name << " ("
              << singleText(low) << " to " << singleText(high) << "); nothing was sent" << Qt::endl;
        return Refused;
    }
    const float rawLow = std::max(0.0f, std::min(record.rawMin(), record.rawMax()));
    const float rawHigh = std::min(65535.0f, std::max(record.rawMin(), record.rawMax()));
    if (raw < rawLow || raw > rawHigh) {
        c.err << "orvcal-cli: " << singleText(value) << " converts to the raw value " << singleText(raw)
              << ", outside the station's raw limits " << singleText(rawLow) << " to " << singleText(rawHigh)
              << "; nothing was sent" << Qt::endl;
        return Refused;
    }
    const Access<> written =
        write_raw_setting(*c.link, record, raw, settingMessage(QString::fromLatin1(s.setWords)), getWords(s));
    switch (written.result) {
    case AccessResult::Done:
        break;
    case AccessResult::ComFailed:
        return exchangeFailure(written.failure);
    default:
        return Refused;
    }
    c.out << "sent " << shown(value, s) << " (raw " << singleText(raw) << "); the station now holds:" << Qt::endl;
    return getAndPrint(c, s, record);
}

const RegisterCommand paramCommands[] = {
    RegisterCommand({QStringLiteral("settings-list"), QStringLiteral("settings-list"),
                     QStringLiteral("list every setting of the station's definition file, absent ones too"),
                     settingsList}),
    RegisterCommand({QStringLiteral("get"), QStringLiteral("get SETTING"),
                     QStringLiteral("print a setting's engineering value and limits (\"temp: outside\" or "
                                    "outside-temp)"),
                     get}),
    RegisterCommand({QStringLiteral("set"), QStringLiteral("set SETTING VALUE"),
                     QStringLiteral("write a calibration value within its limits and print what the station holds"),
                     set}),
};

} // namespace

} // namespace orv::cli
