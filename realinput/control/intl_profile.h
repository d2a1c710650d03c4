#pragma once

#include <QByteArray>
#include <QLocale>
#include <QString>

namespace zq {

// Where the control's number formatting gets its "intl" settings from.
class IntlProfile
{
public:
    virtual ~IntlProfile() = default;
    // The text stored for one "intl" key; a null or empty string when there is none.
    virtual QString value(const QString &key) const = 0;
};

// The [intl] section of a profile file, read from disk on every call so that a change
// shows at the next keystroke. A key the file lacks is answered from the fallback
// locale (the user's system locale in production) where a locale knows it; what is
// still missing takes the built-in defaults when the settings are read.
//
// File location: $ZQ_INTL_PROFILE when set, else <generic config dir>/zqrinp32/intl.ini
// (that is $XDG_CONFIG_HOME/zqrinp32/intl.ini, by default ~/.config/zqrinp32/intl.ini).
// Lines are "key=value"; blanks around both are dropped, and a value written in double
// quotes keeps its blanks (sThousand=" ").
//
// A locale separator that a single byte cannot hold (ar_EG), or one equal to the other
// separator, is replaced by the default '.' or ',' (the other one when that collides),
// and the log says so once.
class FileIntlProfile : public IntlProfile
{
public:
    explicit FileIntlProfile(QString path = defaultPath(), QLocale fallback = QLocale::system());

    QString value(const QString &key) const override;

    static QString defaultPath();
    const QString &path() const { return m_path; }

private:
    QString fileValue(const QString &key) const;
    QString localeValue(const QString &key) const;
    // sDecimal and sThousand, each from the file or else from the locale, made usable.
    QPair<QString, QString> separators() const;

    QString m_path;
    QLocale m_fallback;
    mutable bool m_fallbackReported = false;
};

// A profile holding exactly the keys given, for tests and for embedding programs that
// pin the format regardless of the machine.
class FixedIntlProfile : public IntlProfile
{
public:
    FixedIntlProfile() = default;
    FixedIntlProfile &set(const QString &key, const QString &value);
    QString value(const QString &key) const override;

private:
    QList<QPair<QString, QString>> m_values;
};

// The seven settings as the formatting routines use them: each read into a 4-byte
// buffer (at most three characters, single-byte), absent or empty keys at their
// defaults, the numeric ones converted like atoi.
struct IntlSettings
{
    QByteArray sDecimal = ".";
    QByteArray sThousand = ",";
    QByteArray sCurrency = "$";
    int iCurrency = 0;
    int iNegCurr = 0;
    int iCurrDigits = 2;
    int iDigits = 2;

    // Only the first character of each separator is compared, inserted or removed.
    char decimalChar() const { return sDecimal.isEmpty() ? '.' : sDecimal.at(0); }
    char thousandChar() const { return sThousand.isEmpty() ? ',' : sThousand.at(0); }

    static IntlSettings read(const IntlProfile &profile);
};

} // namespace zq
