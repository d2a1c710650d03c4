#include "intl_profile.h"

#include <QFile>
#include <QLoggingCategory>
#include <QStandardPaths>

#include <algorithm>
#include <cstdlib>

namespace zq {

namespace {

Q_LOGGING_CATEGORY(lcIntl, "zq.intl")

// Texts leave the profile as single bytes; what Latin-1 cannot hold becomes a blank
// when it is a blank (locales group with narrow no-break spaces) and '?' otherwise.
QByteArray toSingleByte(const QString &text)
{
    QByteArray out;
    for (QChar c : text) {
        if (c.unicode() <= 0xFF)
            out.append(char(c.unicode()));
        else
            out.append(c.isSpace() ? char(0xA0) : '?');
    }
    return out;
}

// The profile reading: at most three characters fit the 4-byte buffer, and the text
// ends at a zero byte as a C string does.
QByteArray readText(const IntlProfile &profile, const char *key, const char *fallback)
{
    QByteArray text = toSingleByte(profile.value(QString::fromLatin1(key)));
    if (const qsizetype zero = text.indexOf('\0'); zero >= 0)
        text.truncate(zero);
    return (text.isEmpty() ? QByteArray(fallback) : text).left(3);
}

int readNumber(const IntlProfile &profile, const char *key, int fallback)
{
    const QString raw = profile.value(QString::fromLatin1(key));
    if (raw.isEmpty())
        return fallback;
    return std::atoi(toSingleByte(raw).left(3).constData());
}

// Windows-style money layout number (0..7) of a locale's negative currency text.
QString negativeLayout(const QLocale &locale)
{
    const QString symbol = locale.currencySymbol();
    if (symbol.isEmpty())
        return {};
    const QString text = locale.toCurrencyString(-1.0, symbol);
    const int cur = text.indexOf(symbol);
    const int num = text.indexOf(QLatin1Char('1'));
    if (cur < 0 || num < 0)
        return {};
    const bool curFirst = cur < num;
    const int open = text.indexOf(QLatin1Char('('));
    if (open >= 0)
        return QString::number(curFirst ? 0 : 4);
    int minus = text.indexOf(QLatin1Char('-'));
    if (minus < 0)
        minus = text.indexOf(locale.negativeSign());
    if (minus < 0)
        return {};
    if (curFirst) {
        if (minus < cur)
            return QStringLiteral("1");
        return QString::number(minus < num ? 2 : 3);
    }
    if (minus < num)
        return QStringLiteral("5");
    return QString::number(minus < cur ? 6 : 7);
}

QString positiveLayout(const QLocale &locale)
{
    const QString symbol = locale.currencySymbol();
    if (symbol.isEmpty())
        return {};
    const QString text = locale.toCurrencyString(1.0, symbol);
    const int cur = text.indexOf(symbol);
    const int num = text.indexOf(QLatin1Char('1'));
    if (cur < 0 || num < 0)
        return {};
    const bool curFirst = cur < num;
    int gapStart = cur + symbol.size();
    int gapEnd = num;
    if (!curFirst) {
        gapEnd = cur;
        gapStart = cur;
        while (gapStart > 0 && !text.at(gapStart - 1).isDigit())
            --gapStart;
    }
    const QString gap = text.mid(gapStart, gapEnd - gapStart);
    const bool spaced = std::any_of(gap.begin(), gap.end(), [](QChar c) { return c.isSpace(); });
    return QString::number((curFirst ? 0 : 1) + (spaced ? 2 : 0));
}

// The single byte the formatting would compare and insert for a separator.
char separatorByte(const QString &text)
{
    const QByteArray b = toSingleByte(text.left(1));
    return b.isEmpty() ? '\0' : b.at(0);
}

bool storable(const QString &text)
{
    return !text.isEmpty() && (text.at(0).unicode() <= 0xFF || text.at(0).isSpace());
}

QString unquoted(QString value)
{
    value = value.trimmed();
    if (value.size() >= 2 && value.startsWith(QLatin1Char('"')) && value.endsWith(QLatin1Char('"')))
        value = value.mid(1, value.size() - 2);
    return value;
}

} // namespace

FileIntlProfile::FileIntlProfile(QString path, QLocale fallback)
    : m_path(std::move(path)), m_fallback(std::move(fallback))
{
}

QString FileIntlProfile::defaultPath()
{
    const QByteArray overridden = qgetenv("ZQ_INTL_PROFILE");
    if (!overridden.isEmpty())
        return QString::fromLocal8Bit(overridden);
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
           + QStringLiteral("/zqrinp32/intl.ini");
}

QString FileIntlProfile::value(const QString &key) const
{
    if (key == QLatin1String("sDecimal"))
        return separators().first;
    if (key == QLatin1String("sThousand"))
        return separators().second;
    const QString fromFile = fileValue(key);
    return fromFile.isEmpty() ? localeValue(key) : fromFile;
}

QString FileIntlProfile::fileValue(const QString &key) const
{
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    bool inIntl = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inIntl = line.compare(QLatin1String("[intl]"), Qt::CaseInsensitive) == 0;
            continue;
        }
        if (!inIntl || line.startsWith(QLatin1Char(';')))
            continue;
        const int eq = line.indexOf(QLatin1Char('='));
        if (eq > 0 && line.left(eq).trimmed().compare(key, Qt::CaseInsensitive) == 0)
            return unquoted(line.mid(eq + 1));
    }
    return {};
}

QPair<QString, QString> FileIntlProfile::separators() const
{
    QString decimal = fileValue(QStringLiteral("sDecimal"));
    QString thousand = fileValue(QStringLiteral("sThousand"));
    const bool decimalFromLocale = decimal.isEmpty();
    const bool thousandFromLocale = thousand.isEmpty();
    if (decimalFromLocale)
        decimal = localeValue(QStringLiteral("sDecimal"));
    if (thousandFromLocale)
        thousand = localeValue(QStringLiteral("sThousand"));
    // An empty locale answer means the built-in default anyway.
    const bool decimalBad = decimalFromLocale && !decimal.isEmpty() && !storable(decimal);
    const bool thousandBad = thousandFromLocale && !thousand.isEmpty() && !storable(thousand);
    const bool collide = (decimalFromLocale || thousandFromLocale)
        && separatorByte(decimal.isEmpty() ? QStringLiteral(".") : decimal)
               == separatorByte(thousand.isEmpty() ? QStringLiteral(",") : thousand);
    if (!decimalBad && !thousandBad && !collide)
        return {decimal, thousand};

    if (decimalFromLocale)
        decimal = !thousandFromLocale && separatorByte(thousand) == '.' ? QStringLiteral(",") : QStringLiteral(".");
    if (thousandFromLocale)
        thousand = separatorByte(decimal) == ',' ? QStringLiteral(".") : QStringLiteral(",");
    if (!m_fallbackReported) {
        m_fallbackReported = true;
        qCWarning(lcIntl).noquote() << QStringLiteral("Number separators of locale %1 do not fit a single byte or "
                                                      "clash; using '%2' and '%3'")
                                           .arg(m_fallback.name(), decimal, thousand);
    }
    return {decimal, thousand};
}

// Only what a locale states itself; the digit counts have no locale source and fall
// through to the defaults.
QString FileIntlProfile::localeValue(const QString &key) const
{
    if (key == QLatin1String("sDecimal"))
        return m_fallback.decimalPoint();
    if (key == QLatin1String("sThousand"))
        return m_fallback.groupSeparator();
    if (key == QLatin1String("sCurrency"))
        return m_fallback.currencySymbol();
    if (key == QLatin1String("iCurrency"))
        return positiveLayout(m_fallback);
    if (key == QLatin1String("iNegCurr"))
        return negativeLayout(m_fallback);
    return {};
}

FixedIntlProfile &FixedIntlProfile::set(const QString &key, const QString &value)
{
    for (auto &entry : m_values) {
        if (entry.first == key) {
            entry.second = value;
            return *this;
        }
    }
    m_values.append({key, value});
    return *this;
}

QString FixedIntlProfile::value(const QString &key) const
{
    for (const auto &entry : m_values) {
        if (entry.first == key)
            return entry.second;
    }
    return {};
}

IntlSettings IntlSettings::read(const IntlProfile &profile)
{
    IntlSettings s;
    s.sDecimal = readText(profile, "sDecimal", ".");
    s.sThousand = readText(profile, "sThousand", ",");
    s.sCurrency = readText(profile, "sCurrency", "$");
    s.iCurrency = readNumber(profile, "iCurrency", 0);
    s.iNegCurr = readNumber(profile, "iNegCurr", 0);
    s.iCurrDigits = readNumber(profile, "iCurrDigits", 2);
    s.iDigits = readNumber(profile, "iDigits", 2);
    return s;
}

} // namespace zq
