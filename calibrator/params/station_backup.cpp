#include "station_backup.h"

#include "number_format.h"

#include <QHash>
#include <QSet>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cfloat>
#include <cmath>
#include <set>

namespace orv {

namespace {

int lineAt(const QByteArray &text, qsizetype offset)
{
    offset = std::min(offset, text.size());
    return int(text.left(offset).count('\n')) + 1;
}

// The line on which each value of a syntactically valid JSON text starts,
// keyed by its path: "settings[2].raw". QJsonDocument keeps no positions, and
// a refusal that names the line saves the technician a search.
// A key that appears twice in one object is kept in `duplicate` (the first
// such, by path) with its line: the JSON reader would keep the last value, so
// a file could show one value and restore another.
QHash<QString, int> valueLines(const QByteArray &text, QString *duplicate, int *duplicateLine)
{
    struct Level
    {
        bool object;
        QString path;
        QString key;
        int index = 0;
        QSet<QString> keys;
    };
    QHash<QString, int> lines;
    QList<Level> stack;
    int line = 1;
    bool expectKey = false;
    auto here = [&]() -> QString {
        if (stack.isEmpty())
            return QString();
        const Level &top = stack.last();
        return top.object ? (top.path.isEmpty() ? top.key : top.path + QLatin1Char('.') + top.key)
                          : top.path + QLatin1Char('[') + QString::number(top.index) + QLatin1Char(']');
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text.at(i);
        if (c == '\n') {
            ++line;
            continue;
        }
        if (c == ' ' || c == '\t' || c == '\r' || c == ':')
            continue;
        if (c == ',') {
            if (!stack.isEmpty()) {
                if (stack.last().object)
                    expectKey = true;
                else
                    ++stack.last().index;
            }
            continue;
        }
        if (c == '}' || c == ']') {
            if (!stack.isEmpty())
                stack.removeLast();
            expectKey = false;
            continue;
        }
        if (c == '"') {
            QByteArray s;
            for (++i; i < text.size() && text.at(i) != '"'; ++i) {
                if (text.at(i) == '\\' && i + 1 < text.size())
                    ++i;
                s += text.at(i);
            }
            if (expectKey && !stack.isEmpty()) {
                Level &top = stack.last();
                top.key = QString::fromUtf8(s);
                if (top.keys.contains(top.key) && duplicate->isEmpty()) {
                    *duplicate = top.key;
                    *duplicateLine = line;
                }
                top.keys.insert(top.key);
                expectKey = false;
            } else {
                lines.insert(here(), line);
            }
            continue;
        }
        lines.insert(here(), line);
        if (c == '{' || c == '[') {
            stack.append({c == '{', here(), QString(), 0, {}});
            expectKey = c == '{';
            continue;
        }
        while (i + 1 < text.size() && !QByteArray(",}] \t\r\n").contains(text.at(i + 1)))
            ++i;
    }
    return lines;
}

// Collects the first problem found, with its line.
struct Refusal
{
    const QHash<QString, int> &lines;
    QString reason;
    int line = 0;

    bool fail(const QString &path, const QString &why)
    {
        if (reason.isEmpty()) {
            reason = why;
            QString p = path;
            // A missing value is reported on the line of what should hold it.
            while (!lines.contains(p) && !p.isEmpty()) {
                const qsizetype cut = std::max(p.lastIndexOf(QLatin1Char('.')), p.lastIndexOf(QLatin1Char('[')));
                p = cut > 0 ? p.left(cut) : QString();
            }
            line = lines.value(p, 1);
        }
        return false;
    }
};

// A value as the file spells it, for saying what was found instead.
QString jsonText(const QJsonValue &v)
{
    const QByteArray list = QJsonDocument(QJsonArray{v}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(list.mid(1, list.size() - 2));
}

bool wholeNumber(const QJsonValue &v, long long min, long long max, long long *out)
{
    if (!v.isDouble())
        return false;
    const double d = v.toDouble();
    if (d != std::floor(d) || d < double(min) || d > double(max))
        return false;
    *out = static_cast<long long>(d);
    return true;
}

} // namespace

const QString StationBackup::formatName = QStringLiteral("ORV CAL station configuration");

bool isBackedUp(ParamEntry entry)
{
    switch (entry) {
    case ParamEntry::ClockYears:
    case ParamEntry::ClockMonth:
    case ParamEntry::ClockDayOfMonth:
    case ParamEntry::ClockHours:
    case ParamEntry::ClockMinutes:
    case ParamEntry::ClockSeconds:
        return false;
    default:
        return true;
    }
}

QString firmwareName(const QByteArray &versionReply)
{
    return QString::fromLatin1(versionReply).trimmed();
}

const BackupSetting *StationBackup::find(ParamEntry entry) const
{
    for (const BackupSetting &s : settings)
        if (s.entry == entry)
            return &s;
    return nullptr;
}

QByteArray StationBackup::toJson() const
{
    QJsonArray list;
    for (const BackupSetting &s : settings) {
        QJsonObject o;
        o.insert(QStringLiteral("entry"), QString::fromLatin1(entryName(s.entry)));
        o.insert(QStringLiteral("address"), s.address);
        o.insert(QStringLiteral("raw"), s.raw);
        // Through the single's text form, so 15.2 is written 15.2 and not 15.199999809.
        o.insert(QStringLiteral("eng"), singleText(float(s.eng)).toDouble());
        list.append(o);
    }
    QJsonObject root;
    root.insert(QStringLiteral("format"), formatName);
    root.insert(QStringLiteral("formatVersion"), formatVersion);
    root.insert(QStringLiteral("firmware"), firmware);
    root.insert(QStringLiteral("definitionFile"), definitionFile);
    // With its offset, so the moment is plain wherever the file is read.
    const int offset = date.offsetFromUtc();
    root.insert(QStringLiteral("date"), date.toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss"))
                                            + QStringLiteral("%1%2:%3")
                                                  .arg(offset < 0 ? QLatin1Char('-') : QLatin1Char('+'))
                                                  .arg(std::abs(offset) / 3600, 2, 10, QLatin1Char('0'))
                                                  .arg(std::abs(offset) % 3600 / 60, 2, 10, QLatin1Char('0')));
    root.insert(QStringLiteral("slot"), slot);
    root.insert(QStringLiteral("stationName"), stationName);
    root.insert(QStringLiteral("settings"), list);
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

bool StationBackup::fromJson(const QByteArray &text, StationBackup *backup, QString *reason, int *line)
{
    auto refuse = [&](const QString &why, int at) {
        *reason = why;
        *line = at;
        return false;
    };
    if (text.size() > largestFile)
        return refuse(QStringLiteral("the file is larger than 1 MiB, far more than a station configuration holds"), 1);
    if (text.trimmed().isEmpty())
        return refuse(QStringLiteral("the file is empty"), 1);
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(text, &error);
    if (error.error != QJsonParseError::NoError) {
        // Qt names a missing comma an unterminated object too; only running
        // into the end of the text tells a cut-off file.
        const bool cutShort = error.offset >= text.trimmed().size();
        return refuse((cutShort ? QStringLiteral("the file ends too early (truncated?): ")
                                : QStringLiteral("the file is damaged: "))
                          + error.errorString(),
                      lineAt(text, error.offset));
    }
    if (!doc.isObject())
        return refuse(QStringLiteral("the file does not hold a station configuration"), 1);

    QString duplicate;
    int duplicateLine = 0;
    const QHash<QString, int> lines = valueLines(text, &duplicate, &duplicateLine);
    Refusal r{lines, {}, 0};
    auto done = [&](bool ok) {
        if (!ok) {
            *reason = r.reason;
            *line = r.line;
        }
        return ok;
    };
    const QJsonObject root = doc.object();
    if (root.value(QStringLiteral("format")).toString() != formatName)
        return done(r.fail(QStringLiteral("format"),
                           QStringLiteral("the file is not an ORV CAL station configuration (no \"format\": \"%1\")")
                               .arg(formatName)));
    long long version = 0;
    if (!wholeNumber(root.value(QStringLiteral("formatVersion")), 1, 1000000, &version))
        return done(r.fail(QStringLiteral("formatVersion"), QStringLiteral("\"formatVersion\" must be a whole number from 1")));
    if (version > formatVersion)
        return done(r.fail(QStringLiteral("formatVersion"),
                           QStringLiteral("the file was written by a newer ORV CAL (format version %1; this one reads "
                                          "version %2)")
                               .arg(version)
                               .arg(formatVersion)));
    if (!duplicate.isEmpty())
        return refuse(QStringLiteral("\"%1\" appears twice in one place; which of its values is meant cannot be told")
                          .arg(duplicate),
                      duplicateLine);
    static const QStringList rootKeys{QStringLiteral("format"),   QStringLiteral("formatVersion"),
                                      QStringLiteral("firmware"), QStringLiteral("definitionFile"),
                                      QStringLiteral("date"),     QStringLiteral("slot"),
                                      QStringLiteral("stationName"), QStringLiteral("settings")};
    static const QStringList settingKeys{QStringLiteral("entry"), QStringLiteral("address"), QStringLiteral("raw"),
                                         QStringLiteral("eng")};
    // A misspelt key would otherwise be passed over without a word.
    auto unknownKey = [&](const QJsonObject &o, const QStringList &known, const QString &at) {
        for (const QString &key : o.keys())
            if (!known.contains(key))
                return !r.fail(at.isEmpty() ? key : at + QLatin1Char('.') + key,
                               QStringLiteral("\"%1\" is not a key of a station configuration (%2 are)")
                                   .arg(key, known.join(QStringLiteral(", "))));
        return false;
    };

    StationBackup b;
    auto text_of = [&](const char *key, QString *out, bool mayBeEmpty) {
        const QJsonValue v = root.value(QLatin1String(key));
        if (!v.isString() || (!mayBeEmpty && v.toString().trimmed().isEmpty()))
            return r.fail(QLatin1String(key), QStringLiteral("\"%1\" must be %2text")
                                                  .arg(QLatin1String(key), mayBeEmpty ? QString() : QStringLiteral("non-empty ")));
        *out = v.toString();
        return true;
    };
    QString date;
    if (!text_of("firmware", &b.firmware, false) || !text_of("definitionFile", &b.definitionFile, false)
        || !text_of("date", &date, false) || !text_of("stationName", &b.stationName, true))
        return done(false);
    b.firmwareLine = lines.value(QStringLiteral("firmware"), 1);
    b.date = QDateTime::fromString(date, Qt::ISODate);
    if (!b.date.isValid())
        return done(r.fail(QStringLiteral("date"), QStringLiteral("\"date\" is not a date and time (2026-03-14T10:00:00+01:00)")));
    long long slot = 0;
    if (!wholeNumber(root.value(QStringLiteral("slot")), 0, 19, &slot))
        return done(r.fail(QStringLiteral("slot"), QStringLiteral("\"slot\" must be a station slot from 0 to 19")));
    b.slot = int(slot);

    const QJsonValue list = root.value(QStringLiteral("settings"));
    if (!list.isArray() || list.toArray().isEmpty())
        return done(r.fail(QStringLiteral("settings"), QStringLiteral("\"settings\" must be a list of at least one setting")));
    if (unknownKey(root, rootKeys, QString()))
        return done(false);
    std::set<ParamEntry> seen;
    const QJsonArray array = list.toArray();
    for (qsizetype i = 0; i < array.size(); ++i) {
        const QString at = QStringLiteral("settings[%1]").arg(i);
        auto path = [&](const char *key) { return at + QLatin1Char('.') + QLatin1String(key); };
        if (!array.at(i).isObject())
            return done(r.fail(at, QStringLiteral("each setting must be an object with entry, address, raw and eng")));
        const QJsonObject o = array.at(i).toObject();
        BackupSetting s;
        s.line = lines.value(at, 1);
        if (unknownKey(o, settingKeys, at))
            return done(false);
        const QJsonValue entry = o.value(QStringLiteral("entry"));
        if (!entry.isString())
            return done(r.fail(path("entry"), (entry.isUndefined() ? QStringLiteral("a setting has no entry")
                                                                   : QStringLiteral("the entry %1 is not a setting's name")
                                                                         .arg(jsonText(entry)))
                                                  + QStringLiteral("; write the name in quotes, such as \"temp: outside\"")));
        const QString entryText = entry.toString();
        if (!entryFromText(entryText.toLatin1(), &s.entry) || entryText.toLatin1() != entryName(s.entry))
            return done(r.fail(path("entry"), QStringLiteral("\"%1\" is not a setting of a definition file").arg(entryText)));
        if (!isBackedUp(s.entry))
            return done(r.fail(path("entry"), QStringLiteral("the clock (\"%1\") is not part of a configuration").arg(entryText)));
        if (!seen.insert(s.entry).second)
            return done(r.fail(path("entry"), QStringLiteral("\"%1\" appears twice").arg(entryText)));
        long long value = 0;
        if (!wholeNumber(o.value(QStringLiteral("address")), 0, 255, &value))
            return done(r.fail(path("address"), QStringLiteral("the address of \"%1\" must be a whole number from 0 to 255").arg(entryText)));
        s.address = int(value);
        if (!wholeNumber(o.value(QStringLiteral("raw")), 0, 65535, &value))
            return done(r.fail(path("raw"), QStringLiteral("the raw value of \"%1\" must be a whole number from 0 to 65535").arg(entryText)));
        s.raw = int(value);
        const QJsonValue eng = o.value(QStringLiteral("eng"));
        if (!eng.isDouble())
            return done(r.fail(path("eng"), QStringLiteral("the engineering value of \"%1\" must be a number").arg(entryText)));
        // A station holds singles; a value past their range would be written back as no number.
        if (std::fabs(eng.toDouble()) > double(FLT_MAX))
            return done(r.fail(path("eng"), QStringLiteral("the engineering value of \"%1\" must be a number within "
                                                           "the single range (3.4e38)")
                                                .arg(entryText)));
        s.eng = eng.toDouble();
        s.addressLine = lines.value(path("address"), s.line);
        s.rawLine = lines.value(path("raw"), s.line);
        s.engLine = lines.value(path("eng"), s.line);
        b.settings.append(s);
    }
    *backup = b;
    return true;
}

} // namespace orv
