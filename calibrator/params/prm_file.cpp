#include "prm_file.h"

#include "link/link_state.h"
#include "link/message.h"
#include "link/numeric.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cctype>
#include <cmath>
#include <limits>

namespace orv {

namespace {

// The definition files come from an old tool chain that trims blanks only.
QByteArray trimSpaces(const QByteArray &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == ' ')
        ++begin;
    while (end > begin && text[end - 1] == ' ')
        --end;
    return text.mid(begin, end - begin);
}

const char *const fieldNames[5] = {"address", "raw minimum", "raw maximum", "scale", "offset"};

// Whether leadingNumber() finds digits at the start of `field` instead of
// reading 0 for want of a number.
bool hasNumber(const QByteArray &field)
{
    QByteArray s = field;
    s.replace(' ', QByteArray()).replace('\t', QByteArray()).replace('\n', QByteArray());
    if (s.startsWith('&') && s.size() >= 3) {
        const char kind = char(s[1] | 0x20);
        const QByteArray digits = kind == 'h' ? "0123456789abcdefABCDEF" : kind == 'o' ? "01234567" : "";
        return digits.contains(s[2]);
    }
    qsizetype i = s.startsWith('+') || s.startsWith('-') ? 1 : 0;
    if (i < s.size() && s[i] == '.')
        ++i;
    return i < s.size() && std::isdigit(uchar(s[i]));
}

// Why field `k` of a line cannot fill a record, or nothing when it can. A
// field read as 0 for want of a number once gave a panel the limits -96..-96.
QString fieldFault(const QByteArray &field, std::size_t k, float *number)
{
    const QString name = QStringLiteral("field %1 (%2)").arg(k + 1).arg(QLatin1String(fieldNames[k]));
    if (field.isEmpty())
        return name + QStringLiteral(" is empty");
    if (!hasNumber(field))
        return QStringLiteral("%1, \"%2\", is not a number").arg(name, QString::fromLatin1(field));
    const double value = leadingNumber(field);
    if (!std::isfinite(value) || std::fabs(value) > double(std::numeric_limits<float>::max()))
        return QStringLiteral("%1, \"%2\", is beyond the range of a single-precision number")
            .arg(name, QString::fromLatin1(field));
    *number = float(value);
    return QString();
}

bool matchesEntry(const QByteArray &field6, ParamEntry entry)
{
    for (const QByteArray &text : entryTexts(entry))
        if (field6.contains(text))
            return true;
    return false;
}

void applyLine(const QByteArray &line, int number, ParamRecords &records)
{
    PrmFields fields;
    QByteArray buffer = line;
    const bool split = split_prm_line(buffer, fields);
    std::array<float, 5> numbers{};
    QString fault;
    for (std::size_t k = 0; split && k < numbers.size() && fault.isEmpty(); ++k)
        fault = fieldFault(fields[k], k, &numbers[k]);
    if (!fault.isEmpty())
        fault = QStringLiteral("line %1, ").arg(number) + fault;
    else if (!split)
        fault = QStringLiteral("line %1 has only %2 of the 5 commas its six fields need").arg(number).arg(line.count(','));
    // A line that cannot be read still says which setting it meant to fill,
    // though a missing comma may have moved its entry text out of field 6.
    const QByteArray &text = fault.isEmpty() ? fields[5] : line;
    for (ParamEntry entry : allEntries()) {
        if (!matchesEntry(text, entry))
            continue;
        ParamRecord &record = records[entry];
        record = ParamRecord{};
        record.line = number;
        record.fault = fault;
        if (!fault.isEmpty())
            continue;
        record.element = numbers;
        // Conversions divide by the scale; the wind offset keeps what the file says.
        if (entry != ParamEntry::WindDirOffset && record.scale() < 1.0f)
            record.scale() = 1.0f;
    }
}

// Path separators in a version reply would lead outside the PRM folder.
bool plainFileName(const QString &name)
{
    return !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\')) && !name.contains(QChar(0));
}

} // namespace

bool split_prm_line(QByteArray &reply_buf, PrmFields &prm_fields)
{
    const QByteArray line = std::exchange(reply_buf, QByteArray());
    PrmFields fields;
    qsizetype start = 0;
    for (std::size_t i = 0; i < 5; ++i) {
        const qsizetype comma = line.indexOf(',', start);
        if (comma < 0)
            return false;
        fields[i] = trimSpaces(line.mid(start, comma - start));
        start = comma + 1;
    }
    fields[5] = trimSpaces(line.mid(start));
    prm_fields = fields;
    return true;
}

QByteArrayList prmLines(const QByteArray &text)
{
    QByteArrayList lines;
    qsizetype start = 0;
    while (start < text.size()) {
        const qsizetype cr = text.indexOf('\r', start);
        if (cr < 0) {
            lines.append(text.mid(start));
            break;
        }
        lines.append(text.mid(start, cr - start));
        start = cr + 1;
        if (start < text.size() && text[start] == '\n')
            ++start;
    }
    return lines;
}

void applyPrmText(const QByteArray &text, ParamRecords &records)
{
    int number = 0;
    for (const QByteArray &line : prmLines(text))
        applyLine(line, ++number, records);
}

QString prmFileName(const QByteArray &version)
{
    if (version.size() < 5)
        return QString();
    return QString::fromLatin1(version.left(1) + version.mid(2, 3)) + QStringLiteral(".prm");
}

QStringList prmSearchPath(const QString &dataDir)
{
    QStringList candidates;
    const QString env = qEnvironmentVariable("ORV_PRM_DIR");
    if (!env.isEmpty())
        candidates << env;
    if (!dataDir.isEmpty())
        candidates << QDir(dataDir).filePath(QStringLiteral("PRM"));
    const QString appDir = QCoreApplication::applicationDirPath();
    if (!appDir.isEmpty()) {
        candidates << QDir(appDir).filePath(QStringLiteral("PRM"));
        candidates << QDir(appDir).filePath(QStringLiteral("../share/orvcal/PRM"));
    }
    const QString userData = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (!userData.isEmpty())
        candidates << QDir(userData).filePath(QStringLiteral("orvcal/PRM"));

    QStringList folders;
    for (const QString &c : candidates) {
        const QString clean = QDir::cleanPath(c);
        if (!folders.contains(clean))
            folders << clean;
    }
    return folders;
}

QString load_prm_file(LinkState &state, ParamRecords &records, const QStringList &folders, MessageSink &messages)
{
    const QString orvCal = QStringLiteral("ORV CAL");
    records.reset();
    if (state.station_version.size() < 5) {
        messages.showMessage(QStringLiteral("ORV CAL is unable to access the PRM file for your ORV station firmware version."),
                             MessageIcon::Critical, orvCal);
        return QString();
    }
    const QString name = prmFileName(state.station_version);
    state.station_version = name.toLatin1();

    const auto unableToAccess = [&name, &messages, &orvCal] {
        messages.showMessage(QStringLiteral("ORV CAL is unable to access the ") + name
                                 + QStringLiteral(" file for your ORV station firmware version."),
                             MessageIcon::Critical, orvCal);
    };
    if (!plainFileName(name)) {
        unableToAccess();
        return QString();
    }
    QString path;
    for (const QString &folder : folders) {
        const QString candidate = QDir(folder).filePath(name);
        if (QFileInfo(candidate).isFile()) {
            path = candidate;
            break;
        }
    }
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly)) {
        unableToAccess();
        return QString();
    }
    const QByteArray text = file.readAll();
    file.close();
    applyPrmText(text, records);
    return path;
}

} // namespace orv
