#include "control/value_model.h"

#include <QTest>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <random>

using namespace zq;

namespace {

// Random texts and settings through every entry of the value model; the sanitizer build
// turns any overrun into a failure, the checks below catch broken invariants.
class Fuzzer
{
public:
    explicit Fuzzer(unsigned seed) : m_random(seed) {}

    int below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_random); }
    bool coin() { return below(2) == 0; }

    QByteArray text()
    {
        static const QByteArray alphabet("0123456789012345678901234567890.,.,-()$+ aez\0\xa0\xff#'", 48);
        const int length = below(10) == 0 ? below(2200) : below(40);
        QByteArray t;
        t.reserve(length);
        for (int i = 0; i < length; ++i)
            t.append(alphabet.at(below(int(alphabet.size()))));
        return t;
    }

    ValueSettings settings()
    {
        ValueSettings s;
        s.DecimalPlaces = short(below(14) - 1);
        s.MoneyFormat = coin();
        s.Separator = coin();
        s.EntryStyle = coin();
        s.loaded = below(8) != 0;
        const double limits[] = {3.3e38, -1.1e38, 100.0, -100.0, 0.0, DBL_MAX, -DBL_MAX, 1e300};
        s.MaxReal = limits[below(8)];
        s.MinReal = limits[below(8)];
        return s;
    }

    // `plain`: separators and currency symbol are distinct characters; `dot`: the decimal
    // separator is '.'.
    FixedIntlProfile profile(bool &plain, bool &dot)
    {
        FixedIntlProfile p;
        plain = false;
        dot = true;
        switch (below(4)) {
        case 0:
            plain = true;
            break;
        case 1:
            p.set("sDecimal", ",").set("sThousand", ".").set("sCurrency", "EUR");
            plain = true;
            dot = false;
            break;
        case 2:
            p.set("sDecimal", ".").set("sThousand", ".").set("sCurrency", "kr.");
            break;
        default:
            p.set("sThousand", " ").set("iDigits", QString::number(below(30) - 5));
            break;
        }
        p.set("iNegCurr", QString::number(below(24) - 4));
        p.set("iCurrency", QString::number(below(5)));
        p.set("iCurrDigits", QString::number(below(16) - 2));
        return p;
    }

    double uniform(double low, double high)
    {
        return std::uniform_real_distribution<double>(low, high)(m_random);
    }

    double value()
    {
        const double specials[] = {0.0, -0.0, 1.5, -2.25, 1e10, 3.3e38, -1.1e38, DBL_MAX, -DBL_MAX,
                                   std::nan(""), HUGE_VAL, -HUGE_VAL, 1e-300};
        if (coin())
            return specials[below(13)];
        return uniform(-1e6, 1e6);
    }

private:
    std::mt19937 m_random;
};

bool stateIsSound(const TextState &state)
{
    return state.text.size() <= MaxTextLength && !state.text.contains('\0') && state.caret >= 0
           && state.caret <= state.text.size();
}

} // namespace

class TestValueModelFuzz : public QObject
{
    Q_OBJECT
private slots:
    void randomTexts();
    void valueRoundTrip();
};

void TestValueModelFuzz::randomTexts()
{
    Fuzzer fuzz(20240611);
    for (int round = 0; round < 4000; ++round) {
        bool plain = false;
        bool dot = true;
        const FixedIntlProfile profile = fuzz.profile(plain, dot);
        const ValueSettings settings = fuzz.settings();
        TextState state{BufferText(fuzz.text()), 0, 0};
        state.caret = fuzz.below(int(state.text.size()) + 1);

        const int cancel = fuzz.below(3);
        const QByteArray correction = fuzz.coin() ? fuzz.text() : QByteArray();
        const TextState before = state;
        const QByteArray input = fuzz.text();
        const SetTextOutcome outcome = ValidatedSetText(
            state, input, settings, profile, [&](short &c, QByteArray &invalidText) {
                c = short(cancel);
                if (!correction.isNull())
                    invalidText = correction;
            });
        QVERIFY(stateIsSound(state));
        QCOMPARE(outcome.invalidSetTextFired,
                 CheckSetText(input, settings, IntlSettings::read(profile)).needsInvalidSetText());
        if (outcome.cancelled) {
            QCOMPARE(state.text, before.text);
            QCOMPARE(state.caret, before.caret);
        }

        const int offset = fuzz.below(2100) - 1050;
        const bool formatted = ReformatText(state, offset, settings, profile);
        QCOMPARE(formatted, settings.loaded);
        QVERIFY(stateIsSound(state));

        // A formatted number formats to itself, so every keystroke starts from a fixed point.
        const bool hasDigit = std::any_of(state.text.begin(), state.text.end(),
                                          [](char c) { return c >= '0' && c <= '9'; });
        if (formatted && plain && hasDigit) {
            TextState again = state;
            ReformatText(again, 0, settings, profile);
            QCOMPARE(again.text, state.text);
        }

        const double value = ParseDisplayedValue(state.text, settings, profile);
        // With a comma only the integer part is held against MaxReal, so this needs '.'.
        if (dot && settings.MaxReal >= 0 && !std::isnan(value))
            QVERIFY2(std::fabs(value) <= settings.MaxReal, state.text.constData());

        const QByteArray raw = TextRawFromText(state.text, settings, profile);
        QVERIFY(raw.size() <= state.text.size());

        char small[7];
        const int copied = GetTextMessage(state.text, small, int(sizeof small));
        QVERIFY(copied <= 6 && small[copied] == '\0');

        OutOfRangeOnFocusLoss(state.text, settings, profile);
        const SetValueOutcome set = SetValueReal(state, fuzz.value(), settings, profile);
        QVERIFY(stateIsSound(state));
        Q_UNUSED(set);
    }
}

void TestValueModelFuzz::valueRoundTrip()
{
    Fuzzer fuzz(77);
    const FixedIntlProfile profile;
    for (int round = 0; round < 3000; ++round) {
        ValueSettings settings;
        settings.loaded = true;
        settings.Separator = fuzz.coin();
        settings.MoneyFormat = fuzz.coin();
        settings.DecimalPlaces = short(fuzz.below(14) - 1);
        const double v = fuzz.uniform(-1e9, 1e9) * std::pow(10.0, -fuzz.below(10));
        TextState state{"0", 1, 0};
        const SetValueOutcome outcome = SetValueReal(state, v, settings, profile);
        QVERIFY(!outcome.rejected);

        // The setter prints six decimals before formatting, so at most six survive, and
        // rounding twice (six decimals, then `places`) may add half a millionth.
        const int places = settings.DecimalPlaces == -1 ? 2 : qMin(int(settings.DecimalPlaces), 6);
        const double tolerance = 0.5 * std::pow(10.0, -places) * (1 + 1e-9) + 0.5e-6 + 2.5e-7;
        const double back = ParseDisplayedValue(state.text, settings, profile);
        if (std::fabs(back - v) > tolerance)
            QFAIL(qPrintable(QStringLiteral("%1 shown as %2 reads %3")
                                 .arg(v, 0, 'g', 17)
                                 .arg(QString::fromLatin1(state.text))
                                 .arg(back, 0, 'g', 17)));
    }
}

QTEST_APPLESS_MAIN(TestValueModelFuzz)
#include "tst_value_model_fuzz.moc"
