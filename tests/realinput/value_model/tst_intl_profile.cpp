#include "control/intl_profile.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace zq;

class TestIntlProfile : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void bufferRules_data();
    void bufferRules();
    void fileSection();
    void fileReadAnew();
    void localeFallback_data();
    void localeFallback();
    void missingFileUsesLocaleThenDefaults();
    void unusableLocaleSeparators_data();
    void unusableLocaleSeparators();
    void environmentOverridesLocation();

private:
    void writeProfile(const QByteArray &contents);
    QString m_path;
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestIntlProfile::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_path = m_dir->filePath(QStringLiteral("intl.ini"));
}

void TestIntlProfile::writeProfile(const QByteArray &contents)
{
    QFile file(m_path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(contents);
}

void TestIntlProfile::bufferRules_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("text");  // for the s keys
    QTest::addColumn<int>("number");       // for the i keys

    QTest::newRow("default decimal") << "sDecimal" << QString() << QByteArray(".") << 0;
    QTest::newRow("empty is default") << "sThousand" << QString("") << QByteArray(",") << 0;
    QTest::newRow("three characters kept") << "sCurrency" << QString("EUR") << QByteArray("EUR") << 0;
    QTest::newRow("fourth character dropped") << "sCurrency" << QString("EURO") << QByteArray("EUR") << 0;
    QTest::newRow("non-latin symbol") << "sCurrency" << QString::fromUtf8("\u20ac") << QByteArray("?") << 0;
    QTest::newRow("a zero byte ends the text") << "sDecimal" << QString(2, QChar(0)) << QByteArray(".") << 0;
    QTest::newRow("narrow no-break space") << "sThousand" << QString::fromUtf8("\u202f") << QByteArray("\xa0") << 0;
    QTest::newRow("negative layout") << "iNegCurr" << QString("8") << QByteArray() << 8;
    QTest::newRow("number cut to three digits") << "iNegCurr" << QString("1234") << QByteArray() << 123;
    QTest::newRow("number with junk") << "iCurrDigits" << QString("3x") << QByteArray() << 3;
    QTest::newRow("not a number") << "iDigits" << QString("x") << QByteArray() << 0;
    QTest::newRow("default digits") << "iDigits" << QString() << QByteArray() << 2;
}

void TestIntlProfile::bufferRules()
{
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(QByteArray, text);
    QFETCH(int, number);
    FixedIntlProfile profile;
    if (!value.isNull())
        profile.set(key, value);
    const IntlSettings s = IntlSettings::read(profile);
    const QHash<QString, QByteArray> texts{
        {"sDecimal", s.sDecimal}, {"sThousand", s.sThousand}, {"sCurrency", s.sCurrency}};
    const QHash<QString, int> numbers{{"iCurrency", s.iCurrency},
                                      {"iNegCurr", s.iNegCurr},
                                      {"iCurrDigits", s.iCurrDigits},
                                      {"iDigits", s.iDigits}};
    if (texts.contains(key))
        QCOMPARE(texts.value(key), text);
    else
        QCOMPARE(numbers.value(key), number);
}

void TestIntlProfile::fileSection()
{
    writeProfile("[other]\nsDecimal=#\n"
                 "[Intl]\n"
                 "; a comment\n"
                 "  SDECIMAL = ,  \n"
                 "sThousand=\" \"\n"
                 "sCurrency=kr.\n"
                 "iNegCurr=8\n");
    const FileIntlProfile profile(m_path, QLocale::c());
    const IntlSettings s = IntlSettings::read(profile);
    QCOMPARE(s.sDecimal, QByteArray(","));
    QCOMPARE(s.sThousand, QByteArray(" "));
    QCOMPARE(s.sCurrency, QByteArray("kr."));
    QCOMPARE(s.iNegCurr, 8);
    QCOMPARE(s.iCurrDigits, 2);
}

void TestIntlProfile::fileReadAnew()
{
    writeProfile("[intl]\nsDecimal=,\n");
    const FileIntlProfile profile(m_path, QLocale::c());
    QCOMPARE(IntlSettings::read(profile).sDecimal, QByteArray(","));
    writeProfile("[intl]\nsDecimal=;\n");
    QCOMPARE(IntlSettings::read(profile).sDecimal, QByteArray(";"));
}

void TestIntlProfile::localeFallback_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QByteArray>("decimal");
    QTest::addColumn<QByteArray>("thousand");
    QTest::addColumn<QByteArray>("currency");
    QTest::addColumn<int>("iCurrency");
    QTest::addColumn<int>("iNegCurr");

    QTest::newRow("en_US") << QLocale(QLocale::English, QLocale::UnitedStates) << QByteArray(".")
                           << QByteArray(",") << QByteArray("$") << 0 << 0;
    QTest::newRow("de_DE") << QLocale(QLocale::German, QLocale::Germany) << QByteArray(",")
                           << QByteArray(".") << QByteArray("?") << 3 << 5;
}

void TestIntlProfile::localeFallback()
{
    QFETCH(QLocale, locale);
    QFETCH(QByteArray, decimal);
    QFETCH(QByteArray, thousand);
    QFETCH(QByteArray, currency);
    QFETCH(int, iCurrency);
    QFETCH(int, iNegCurr);
    writeProfile("[intl]\niDigits=4\n");
    const IntlSettings s = IntlSettings::read(FileIntlProfile(m_path, locale));
    QCOMPARE(s.sDecimal, decimal);
    QCOMPARE(s.sThousand, thousand);
    QCOMPARE(s.sCurrency, currency);
    QCOMPARE(s.iCurrency, iCurrency);
    QCOMPARE(s.iNegCurr, iNegCurr);
    QCOMPARE(s.iDigits, 4);
    QCOMPARE(s.iCurrDigits, 2);
}

void TestIntlProfile::missingFileUsesLocaleThenDefaults()
{
    // The C locale has separators but no currency: the symbol falls through to "$".
    const IntlSettings s = IntlSettings::read(FileIntlProfile(m_path + ".absent", QLocale::c()));
    QCOMPARE(s.sDecimal, QByteArray("."));
    QCOMPARE(s.sCurrency, QByteArray("$"));
    QCOMPARE(s.iNegCurr, 0);
    QCOMPARE(s.iCurrency, 0);
}

// Separators the 4-byte buffers cannot hold, or that would collide, must not reach
// the formatting: 1234.5 would show as "1?234?50" and read back as 1.234.
void TestIntlProfile::unusableLocaleSeparators_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QByteArray>("profile");
    QTest::addColumn<QByteArray>("decimal");
    QTest::addColumn<QByteArray>("thousand");
    QTest::addColumn<bool>("logged");

    const QLocale arabic(QLocale::Arabic, QLocale::Egypt);
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    QTest::newRow("ar_EG, no profile") << arabic << QByteArray() << QByteArray(".") << QByteArray(",") << true;
    QTest::newRow("ar_EG, profile decimal kept") << arabic << QByteArray("[intl]\nsDecimal=,\n")
                                                 << QByteArray(",") << QByteArray(".") << true;
    QTest::newRow("profile decimal equals locale grouping")
        << english << QByteArray("[intl]\nsDecimal=,\n") << QByteArray(",") << QByteArray(".") << true;
    QTest::newRow("profile sets both, taken as given")
        << arabic << QByteArray("[intl]\nsDecimal=,\nsThousand=,\n") << QByteArray(",") << QByteArray(",") << false;
    QTest::newRow("fr_FR narrow space is usable") << QLocale(QLocale::French, QLocale::France) << QByteArray()
                                                  << QByteArray(",") << QByteArray("\xa0") << false;
}

void TestIntlProfile::unusableLocaleSeparators()
{
    QFETCH(QLocale, locale);
    QFETCH(QByteArray, profile);
    QFETCH(QByteArray, decimal);
    QFETCH(QByteArray, thousand);
    QFETCH(bool, logged);
    writeProfile(profile);
    if (logged)
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("separators")));
    else
        QTest::failOnWarning(QRegularExpression(QStringLiteral(".")));
    const FileIntlProfile source(m_path, locale);
    for (int reading = 0; reading < 2; ++reading) { // said once, not at every keystroke
        const IntlSettings s = IntlSettings::read(source);
        QCOMPARE(s.sDecimal, decimal);
        QCOMPARE(s.sThousand, thousand);
    }
}

void TestIntlProfile::environmentOverridesLocation()
{
    qputenv("ZQ_INTL_PROFILE", m_path.toLocal8Bit());
    QCOMPARE(FileIntlProfile::defaultPath(), m_path);
    qunsetenv("ZQ_INTL_PROFILE");
    QVERIFY(FileIntlProfile::defaultPath().endsWith(QLatin1String("/zqrinp32/intl.ini")));
}

QTEST_APPLESS_MAIN(TestIntlProfile)
#include "tst_intl_profile.moc"
