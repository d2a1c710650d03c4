#include "control/value_model.h"

#include <QTest>

#include <cfloat>
#include <cmath>
#include <cstring>

using namespace zq;

namespace {

// "key=value;key=value" on top of an empty profile (every key at its default).
FixedIntlProfile profileOf(const QString &entries)
{
    FixedIntlProfile profile;
    for (const QString &pair : entries.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const int eq = pair.indexOf(QLatin1Char('='));
        profile.set(pair.left(eq), pair.mid(eq + 1));
    }
    return profile;
}

const QString commaLocale = QStringLiteral("sDecimal=,;sThousand=.");

ValueSettings loadedSettings(int decimalPlaces = -1, bool separator = false, bool money = false)
{
    ValueSettings s;
    s.DecimalPlaces = short(decimalPlaces);
    s.Separator = separator;
    s.MoneyFormat = money;
    s.loaded = true;
    return s;
}

QByteArray reformatted(const QByteArray &text, const ValueSettings &settings,
                       const IntlProfile &profile)
{
    TextState state{text, 0, 0};
    ReformatText(state, 0, settings, profile);
    return state.text;
}

} // namespace

class TestValueModel : public QObject
{
    Q_OBJECT
private slots:
    void reformat_data();
    void reformat();
    void moneyLayouts_data();
    void moneyLayouts();
    void largestValueFits();
    void caretOffset_data();
    void caretOffset();
    void unloadedLeavesTextAlone();
    void validatedSetText_data();
    void validatedSetText();
    void validatedSetTextCutsLongTexts();
    void parseDisplayedValue_data();
    void parseDisplayedValue();
    void setValueReal_data();
    void setValueReal();
    void textRaw_data();
    void textRaw();
    void textRawSetterText();
    void storedDecimalPlaces_data();
    void storedDecimalPlaces();
    void focusLossRange_data();
    void focusLossRange();
    void spinTarget();
    void moneyFormatSetter();
    void getTextMessage_data();
    void getTextMessage();
};

void TestValueModel::reformat_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("decimalPlaces");
    QTest::addColumn<bool>("separator");
    QTest::addColumn<QString>("profile");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("grouped two places") << QByteArray("1234.5") << 2 << true << QString() << QByteArray("1,234.50");
    QTest::newRow("grouped millions") << QByteArray("1234567.89") << 2 << true << QString() << QByteArray("1,234,567.89");
    QTest::newRow("three digits no group") << QByteArray("123") << 0 << true << QString() << QByteArray("123");
    QTest::newRow("six digits") << QByteArray("123456") << 0 << true << QString() << QByteArray("123,456");
    QTest::newRow("negative grouped") << QByteArray("-1234567") << 0 << true << QString() << QByteArray("-1,234,567");
    QTest::newRow("no separator") << QByteArray("1234.5") << 2 << false << QString() << QByteArray("1234.50");
    QTest::newRow("twelve places print six") << QByteArray("1.5") << 12 << false << QString() << QByteArray("1.500000");
    QTest::newRow("eleven places") << QByteArray("1.5") << 11 << false << QString() << QByteArray("1.50000000000");
    QTest::newRow("locale digits") << QByteArray("1.5") << -1 << false << QStringLiteral("iDigits=3") << QByteArray("1.500");
    QTest::newRow("locale digits out of range") << QByteArray("1.5") << -1 << false << QStringLiteral("iDigits=20") << QByteArray("1.500000");
    QTest::newRow("half to even") << QByteArray("2.5") << 0 << false << QString() << QByteArray("2");
    QTest::newRow("second separator ends number") << QByteArray("1.2.3") << 2 << false << QString() << QByteArray("1.20");
    QTest::newRow("letters dropped") << QByteArray("12a") << -1 << false << QString() << QByteArray("12.00");
    QTest::newRow("parentheses negative") << QByteArray("(5)") << 2 << false << QString() << QByteArray("-5.00");
    QTest::newRow("empty is zero") << QByteArray("") << 2 << false << QString() << QByteArray("0.00");
    QTest::newRow("past the double range kept") << QByteArray(309, '9') << 2 << false << QString() << QByteArray(309, '9');
    QTest::newRow("comma locale grouped") << QByteArray("1234,5") << 2 << true << commaLocale << QByteArray("1.234,50");
    QTest::newRow("comma locale drops dots") << QByteArray("1.234,5") << 2 << false << commaLocale << QByteArray("1234,50");
    QTest::newRow("only first separator char") << QByteArray("1234#5") << 1 << true << QStringLiteral("sDecimal=#x;sThousand='y") << QByteArray("1'234#5");
}

void TestValueModel::reformat()
{
    QFETCH(QByteArray, text);
    QFETCH(int, decimalPlaces);
    QFETCH(bool, separator);
    QFETCH(QString, profile);
    QFETCH(QByteArray, expected);
    QCOMPARE(reformatted(text, loadedSettings(decimalPlaces, separator), profileOf(profile)), expected);
}

void TestValueModel::moneyLayouts_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("iNegCurr");
    QTest::addColumn<int>("iCurrency");
    QTest::addColumn<QByteArray>("expected");

    const char *tight[] = {"($12.00)", "-$12.00", "$-12.00", "$12.00-", "(12.00$)", "-12.00$",
                           "12.00-$", "12.00$-", "-12.00$", "-$12.00", "$12.00-"};
    const char *spaced[] = {"($ 12.00)", "-$ 12.00", "$ -12.00", "$ 12.00-", "(12.00 $)", "-12.00 $",
                            "12.00- $", "12.00 $-", "-12.00 $", "-$ 12.00", "$ 12.00-"};
    for (int layout = 0; layout <= 10; ++layout) {
        QTest::addRow("negative %d", layout) << QByteArray("-12") << layout << 0 << QByteArray(tight[layout]);
        QTest::addRow("negative %d spaced", layout) << QByteArray("-12") << layout << 3 << QByteArray(spaced[layout]);
    }
    QTest::newRow("positive 6") << QByteArray("12") << 6 << 0 << QByteArray("12.00$");
    QTest::newRow("positive 6 iCurrency 1") << QByteArray("12") << 6 << 1 << QByteArray("12.00$");
    QTest::newRow("positive 0") << QByteArray("12") << 0 << 0 << QByteArray("$12.00");
    QTest::newRow("positive 4 spaced") << QByteArray("12") << 4 << 2 << QByteArray("12.00 $");
    QTest::newRow("11 like 3") << QByteArray("-12") << 11 << 0 << QByteArray("$12.00-");
    QTest::newRow("12 like 2") << QByteArray("-12") << 12 << 0 << QByteArray("$-12.00");
    QTest::newRow("13 like 6") << QByteArray("-12") << 13 << 0 << QByteArray("12.00-$");
    QTest::newRow("14 like 0") << QByteArray("-12") << 14 << 0 << QByteArray("($12.00)");
    QTest::newRow("15 like 4") << QByteArray("-12") << 15 << 0 << QByteArray("(12.00$)");
    QTest::newRow("99 like 0") << QByteArray("-12") << 99 << 0 << QByteArray("($12.00)");
    QTest::newRow("negative value like 0") << QByteArray("-12") << -1 << 0 << QByteArray("($12.00)");
}

void TestValueModel::moneyLayouts()
{
    QFETCH(QByteArray, text);
    QFETCH(int, iNegCurr);
    QFETCH(int, iCurrency);
    QFETCH(QByteArray, expected);
    FixedIntlProfile profile;
    profile.set(QStringLiteral("iNegCurr"), QString::number(iNegCurr));
    profile.set(QStringLiteral("iCurrency"), QString::number(iCurrency));
    const QByteArray once = reformatted(text, loadedSettings(-1, false, true), profile);
    QCOMPARE(once, expected);
    // Every layout reads back as the same text, so editing never drifts.
    QCOMPARE(reformatted(once, loadedSettings(-1, false, true), profile), expected);
}

void TestValueModel::largestValueFits()
{
    char reference[400];
    std::snprintf(reference, sizeof reference, "%.11f", DBL_MAX);
    ValueSettings settings = loadedSettings(11, true, true);
    settings.MaxReal = DBL_MAX;
    settings.MinReal = -DBL_MAX;
    const FixedIntlProfile profile = profileOf(QStringLiteral("iCurrency=3;iNegCurr=4"));
    TextState state;
    const SetValueOutcome outcome = SetValueReal(state, -DBL_MAX, settings, profile);
    QVERIFY(!outcome.rejected);
    QVERIFY(state.text.size() <= MaxTextLength);
    QVERIFY(state.text.startsWith("(179,769,313,486,231,570,"));
    QVERIFY(state.text.endsWith(".00000000000 $)"));
    QByteArray digits = state.text;
    digits.replace(",", "");
    QVERIFY(digits.contains(QByteArray(reference)));
}

void TestValueModel::caretOffset_data()
{
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("caret");
    QTest::newRow("at separator") << 0 << 5;
    QTest::newRow("two left") << 2 << 3;
    QTest::newRow("two right") << -2 << 7;
    QTest::newRow("cut at start") << 100 << 0;
    QTest::newRow("cut at end") << -100 << 8;
    QTest::newRow("extreme") << INT_MIN << 8;
}

void TestValueModel::caretOffset()
{
    QFETCH(int, offset);
    QFETCH(int, caret);
    TextState state{"1234.5", 1, 3};
    QVERIFY(ReformatText(state, offset, loadedSettings(2, true), FixedIntlProfile()));
    QCOMPARE(state.text, QByteArray("1,234.50"));
    QCOMPARE(state.caret, caret);
    QCOMPARE(state.selLength, 0);
}

void TestValueModel::unloadedLeavesTextAlone()
{
    TextState state{"12a", 2, 1};
    ValueSettings settings = loadedSettings(2);
    settings.loaded = false;
    QVERIFY(!ReformatText(state, 0, settings, FixedIntlProfile()));
    QCOMPARE(state.text, QByteArray("12a"));
    QCOMPARE(state.caret, 2);
    QCOMPARE(state.selLength, 1);
}

void TestValueModel::validatedSetText_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<double>("maxReal");
    QTest::addColumn<double>("minReal");
    QTest::addColumn<int>("cancel");
    QTest::addColumn<QByteArray>("replacement"); // null: the sink leaves the text
    QTest::addColumn<bool>("fired");
    QTest::addColumn<QByteArray>("expected");

    const double maxR = 3.3e38;
    const double minR = -1.1e38;
    QTest::newRow("plain number") << QByteArray("1234.5") << maxR << minR << 0 << QByteArray() << false << QByteArray("1234.50");
    QTest::newRow("money characters allowed") << QByteArray("($1,234.5)") << maxR << minR << 0 << QByteArray() << false << QByteArray("-1234.50");
    QTest::newRow("letter, no cancel") << QByteArray("12a") << maxR << minR << 0 << QByteArray() << true << QByteArray("12.00");
    QTest::newRow("letter, cancel") << QByteArray("12a") << maxR << minR << 1 << QByteArray() << true << QByteArray("5.00");
    QTest::newRow("letter, cancel TRUE") << QByteArray("12a") << maxR << minR << -1 << QByteArray() << true << QByteArray("5.00");
    QTest::newRow("letter, corrected") << QByteArray("12a") << maxR << minR << 0 << QByteArray("7") << true << QByteArray("7.00");
    QTest::newRow("corrected text not checked") << QByteArray("x") << maxR << minR << 0 << QByteArray("9b") << true << QByteArray("9.00");
    QTest::newRow("blank is foreign") << QByteArray("1 234") << maxR << minR << 0 << QByteArray() << true << QByteArray("1234.00");
    QTest::newRow("above MaxReal") << QByteArray("101") << 100.0 << minR << 1 << QByteArray() << true << QByteArray("5.00");
    QTest::newRow("MaxReal itself") << QByteArray("100") << 100.0 << minR << 0 << QByteArray() << false << QByteArray("100.00");
    QTest::newRow("single precision rounds to MaxReal") << QByteArray("100.000001") << 100.0 << minR << 0 << QByteArray() << false << QByteArray("100.00");
    QTest::newRow("below MinReal") << QByteArray("-0.5") << maxR << 0.0 << 1 << QByteArray() << true << QByteArray("5.00");
    QTest::newRow("beyond float range") << QByteArray("1") + QByteArray(40, '0') << maxR << minR << 1 << QByteArray() << true << QByteArray("5.00");
    // No formatting can show such a number, so it is refused even when the container lets it pass.
    QTest::newRow("beyond double range") << QByteArray(309, '9') << maxR << minR << 0 << QByteArray() << true << QByteArray("5.00");
    QTest::newRow("digits beyond double range") << "1(" + QByteArray(309, '9') << maxR << minR << 0 << QByteArray() << true << QByteArray("5.00");
}

void TestValueModel::validatedSetText()
{
    QFETCH(QByteArray, text);
    QFETCH(double, maxReal);
    QFETCH(double, minReal);
    QFETCH(int, cancel);
    QFETCH(QByteArray, replacement);
    QFETCH(bool, fired);
    QFETCH(QByteArray, expected);

    ValueSettings settings = loadedSettings();
    settings.MaxReal = maxReal;
    settings.MinReal = minReal;
    TextState state{"5.00", 1, 2};
    QByteArray seen;
    const SetTextOutcome outcome = ValidatedSetText(
        state, text, settings, FixedIntlProfile(), [&](short &c, QByteArray &invalidText) {
            seen = invalidText;
            c = short(cancel);
            if (!replacement.isNull())
                invalidText = replacement;
        });
    QCOMPARE(outcome.invalidSetTextFired, fired);
    QCOMPARE(seen, fired ? text : QByteArray());
    // A row that ends at the text it started from was refused.
    QCOMPARE(outcome.cancelled, expected == "5.00");
    QCOMPARE(state.text, expected);
    if (outcome.applied()) {
        QCOMPARE(state.caret, DecimalPosition(state.text, IntlSettings()));
        QCOMPARE(state.selLength, 0);
    } else {
        QCOMPARE(state.caret, 1);
        QCOMPARE(state.selLength, 2);
    }
}

void TestValueModel::validatedSetTextCutsLongTexts()
{
    TextState state;
    const SetTextOutcome direct = ValidatedSetText(state, QByteArray(3000, '1'), loadedSettings(0),
                                                   FixedIntlProfile(), {});
    QVERIFY(direct.invalidSetTextFired); // 1024 ones overflow the range
    QCOMPARE(direct.usedText, QByteArray(MaxTextLength, '1'));

    QByteArray seen;
    const SetTextOutcome corrected = ValidatedSetText(
        state, "z", loadedSettings(0), FixedIntlProfile(), [&](short &, QByteArray &text) {
            text = "7" + QByteArray(2000, 'x');
        });
    QCOMPARE(corrected.usedText.size(), MaxTextLength);
    QCOMPARE(state.text, QByteArray("7"));

    const SetTextOutcome zero = ValidatedSetText(state, QByteArray("42\0" "99", 5), loadedSettings(0),
                                                 FixedIntlProfile(), {});
    QVERIFY(!zero.invalidSetTextFired);
    QCOMPARE(state.text, QByteArray("42"));
}

void TestValueModel::parseDisplayedValue_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("profile");
    QTest::addColumn<double>("maxReal");
    QTest::addColumn<double>("expected");

    QTest::newRow("parentheses") << QByteArray("(5.00)") << QString() << 3.3e38 << -5.0;
    QTest::newRow("two separators") << QByteArray("1.2.3") << QString() << 3.3e38 << 1.2;
    QTest::newRow("grouped") << QByteArray("1,234.50") << QString() << 3.3e38 << 1234.5;
    QTest::newRow("money") << QByteArray("-$1,234.50") << QString() << 3.3e38 << -1234.5;
    QTest::newRow("trailing minus") << QByteArray("12.00-") << QString() << 3.3e38 << -12.0;
    QTest::newRow("empty") << QByteArray("") << QString() << 3.3e38 << 0.0;
    QTest::newRow("comma locale") << QByteArray("1.234,50") << commaLocale << 3.3e38 << 1234.5;
    QTest::newRow("cut to MaxReal") << QByteArray("99999") << QString() << 100.0 << 100.0;
    QTest::newRow("negative cut to MaxReal") << QByteArray("-99999") << QString() << 100.0 << -100.0;
    // With a comma the MaxReal test sees only the integer part.
    QTest::newRow("comma locale cut") << QByteArray("150,5") << commaLocale << 100.0 << 100.0;
    QTest::newRow("comma locale integer part at MaxReal") << QByteArray("100,5") << commaLocale << 100.0 << 100.5;
}

void TestValueModel::parseDisplayedValue()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, profile);
    QFETCH(double, maxReal);
    QFETCH(double, expected);
    ValueSettings settings = loadedSettings();
    settings.MaxReal = maxReal;
    QCOMPARE(ParseDisplayedValue(text, settings, profileOf(profile)), expected);
}

void TestValueModel::setValueReal_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<bool>("loaded");
    QTest::addColumn<QString>("profile");
    QTest::addColumn<QByteArray>("oldText");
    QTest::addColumn<bool>("rejected");
    QTest::addColumn<bool>("changed");
    QTest::addColumn<QByteArray>("textString");
    QTest::addColumn<QByteArray>("text");

    QTest::newRow("reformatted") << 1234.5 << true << QString() << QByteArray("0.00") << false << true << QByteArray("1234.500000") << QByteArray("1,234.50");
    QTest::newRow("same value still changes") << 0.0 << true << QString() << QByteArray("0.00") << false << true << QByteArray("0.000000") << QByteArray("0.00");
    QTest::newRow("comma locale") << 1.5 << true << commaLocale << QByteArray("0,00") << false << true << QByteArray("1,500000") << QByteArray("1,50");
    QTest::newRow("printout equals text") << 1.5 << false << QString() << QByteArray("1.500000") << false << false << QByteArray("1.500000") << QByteArray("1.500000");
    QTest::newRow("unloaded keeps printout") << 2.0 << false << QString() << QByteArray("0") << false << true << QByteArray("2.000000") << QByteArray("2.000000");
    QTest::newRow("above MaxReal") << 1000001.0 << true << QString() << QByteArray("7.00") << true << false << QByteArray() << QByteArray("7.00");
    QTest::newRow("below MinReal") << -1000001.0 << true << QString() << QByteArray("7.00") << true << false << QByteArray() << QByteArray("7.00");
    QTest::newRow("not a number") << std::nan("") << true << QString() << QByteArray("7.00") << true << false << QByteArray() << QByteArray("7.00");
}

void TestValueModel::setValueReal()
{
    QFETCH(double, value);
    QFETCH(bool, loaded);
    QFETCH(QString, profile);
    QFETCH(QByteArray, oldText);
    QFETCH(bool, rejected);
    QFETCH(bool, changed);
    QFETCH(QByteArray, textString);
    QFETCH(QByteArray, text);

    ValueSettings settings = loadedSettings(2, true);
    settings.loaded = loaded;
    settings.MaxReal = 1e6;
    settings.MinReal = -1e6;
    TextState state{oldText, int(oldText.size()), 0};
    const SetValueOutcome outcome = SetValueReal(state, value, settings, profileOf(profile));
    QCOMPARE(outcome.rejected, rejected);
    QCOMPARE(outcome.changed, changed);
    QCOMPARE(outcome.textString, textString);
    QCOMPARE(state.text, text);
    QVERIFY(state.caret >= 0 && state.caret <= state.text.size());
}

void TestValueModel::textRaw_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("profile");
    QTest::addColumn<bool>("loaded");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("money grouped") << QByteArray("$1,234.50") << QString() << true << QByteArray("$1234.50");
    QTest::newRow("sign marks stay") << QByteArray("(5.00)") << QString() << true << QByteArray("(5.00)");
    QTest::newRow("comma locale") << QByteArray("1.234,50") << commaLocale << true << QByteArray("1234.50");
    QTest::newRow("not loaded") << QByteArray("1,234.50") << QString() << false << QByteArray();
}

void TestValueModel::textRaw()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, profile);
    QFETCH(bool, loaded);
    QFETCH(QByteArray, expected);
    ValueSettings settings = loadedSettings();
    settings.loaded = loaded;
    const QByteArray raw = TextRawFromText(text, settings, profileOf(profile));
    QCOMPARE(raw, expected);
    QCOMPARE(raw.isNull(), !loaded);
}

void TestValueModel::textRawSetterText()
{
    QCOMPARE(TextFromTextRaw("1,234.5", profileOf(commaLocale)), QByteArray("1234,5"));
    QCOMPARE(TextFromTextRaw("1,234.5", FixedIntlProfile()), QByteArray("1234.5"));
}

void TestValueModel::storedDecimalPlaces_data()
{
    QTest::addColumn<int>("requested");
    QTest::addColumn<int>("stored"); // -99: error 380
    QTest::newRow("-2") << -2 << -99;
    QTest::newRow("-1") << -1 << -1;
    QTest::newRow("0") << 0 << 0;
    QTest::newRow("12") << 12 << 12;
    QTest::newRow("50") << 50 << 12;
    QTest::newRow("100") << 100 << 12;
    QTest::newRow("101") << 101 << -99;
}

void TestValueModel::storedDecimalPlaces()
{
    QFETCH(int, requested);
    QFETCH(int, stored);
    const std::optional<short> result = StoredDecimalPlaces(requested);
    QCOMPARE(result.has_value(), stored != -99);
    if (result)
        QCOMPARE(int(*result), stored);
}

void TestValueModel::focusLossRange_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("profile");
    QTest::addColumn<bool>("invalid");
    QTest::newRow("inside") << QByteArray("50.00") << QString() << false;
    QTest::newRow("above") << QByteArray("150.00") << QString() << true;
    QTest::newRow("parenthesised below") << QByteArray("($150.00)") << QString() << true;
    QTest::newRow("sign after currency") << QByteArray("$-150.00") << QString() << true;
    QTest::newRow("trailing sign not read") << QByteArray("150.00-") << QString() << true;
    QTest::newRow("comma locale integer part only") << QByteArray("100,90") << commaLocale << false;
}

void TestValueModel::focusLossRange()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, profile);
    QFETCH(bool, invalid);
    ValueSettings settings = loadedSettings();
    settings.MaxReal = 100.0;
    settings.MinReal = -100.0;
    QCOMPARE(OutOfRangeOnFocusLoss(text, settings, profileOf(profile)), invalid);
}

void TestValueModel::spinTarget()
{
    ValueSettings settings = loadedSettings();
    settings.MaxReal = 100.0;
    settings.MinReal = -100.0;
    const FixedIntlProfile profile;
    QCOMPARE(SpinTarget("99.50", 1.0, settings, profile), 100.0);
    QCOMPARE(SpinTarget("-99.50", -1.0, settings, profile), -100.0);
    QCOMPARE(SpinTarget("5.00", 0.5, settings, profile), 5.5);
}

void TestValueModel::moneyFormatSetter()
{
    TextState state{"-1234.5", 0, 3};
    const ValueSettings settings = loadedSettings(-1, true, true);
    QVERIFY(ApplyMoneyFormat(state, settings, FixedIntlProfile()));
    QCOMPARE(state.text, QByteArray("($1,234.50)"));
    QCOMPARE(state.caret, 7);
    QCOMPARE(state.selLength, 0);
    state = {"12", 0, 2};
    QVERIFY(!ApplyMoneyFormat(state, ValueSettings(), FixedIntlProfile()));
    QCOMPARE(state.caret + state.selLength, 2); // not loaded: the selection still ends inside the text
}

void TestValueModel::getTextMessage_data()
{
    QTest::addColumn<int>("bufferSize");
    QTest::addColumn<int>("copied");
    QTest::addColumn<QByteArray>("contents");
    QTest::newRow("no buffer") << 0 << 0 << QByteArray();
    QTest::newRow("room for the zero only") << 1 << 0 << QByteArray("");
    QTest::newRow("short") << 3 << 2 << QByteArray("12");
    QTest::newRow("one short of the zero") << 5 << 4 << QByteArray("12.5");
    QTest::newRow("exact") << 6 << 5 << QByteArray("12.50");
    QTest::newRow("larger") << 20 << 5 << QByteArray("12.50");
}

void TestValueModel::getTextMessage()
{
    QFETCH(int, bufferSize);
    QFETCH(int, copied);
    QFETCH(QByteArray, contents);
    const QByteArray text("12.50");
    QCOMPARE(TextLengthMessage(text), 5);
    // Guard bytes behind the caller's buffer must survive.
    QByteArray area(bufferSize + 8, '#');
    QCOMPARE(GetTextMessage(text, area.data(), bufferSize), copied);
    QCOMPARE(area.mid(bufferSize), QByteArray(8, '#'));
    if (bufferSize > 0)
        QCOMPARE(QByteArray(area.constData()), contents);
}

QTEST_APPLESS_MAIN(TestValueModel)
#include "tst_value_model.moc"
