#include "station_backup.h"

#include "number_format.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

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
QHash<QString, int> valueLines(const QByteArray &text)
{
    struct Level
    {
        bool object;
        QString path;
        QString key;
        int index = 0;
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
                stack.last().key = QString::fromUtf8(s);
                expectKey = false;
            } else {
                lines.insert(here(), line);
            }
            continue;
        }
        lines.insert(here(), line);
        if (c == '{' || c == '[') {
            stack.append({c == '{', here(), QString(), 0});
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
    root.insert(QStringLiteral("date"), date.toString(Qt::ISODate));
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

    const QHash<QString, int> lines = valueLines(text);
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
        return done(r.fail(QStringLiteral("date"), QStringLiteral("\"date\" is not a date and time (2026-03-14T10:00:00)")));
    long long slot = 0;
    if (!wholeNumber(root.value(QStringLiteral("slot")), 0, 19, &slot))
        return done(r.fail(QStringLiteral("slot"), QStringLiteral("\"slot\" must be a station slot from 0 to 19")));
    b.slot = int(slot);

    const QJsonValue list = root.value(QStringLiteral("settings"));
    if (!list.isArray() || list.toArray().isEmpty())
        return done(r.fail(QStringLiteral("settings"), QStringLiteral("\"settings\" must be a list of at least one setting")));
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
        const QString entryText = o.value(QStringLiteral("entry")).toString();
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
