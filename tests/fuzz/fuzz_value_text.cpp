#include "fuzz_driver.h"

#include "control/value_model.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>

using namespace zq;

// The value text's parser and formatter: a text set, reformatted, read and rewritten
// from a value, under the settings and the number formats the input picks.
void fuzzOne(FuzzInput &in)
{
    static const double limits[] = {3.3e38, -1.1e38, 100.0, -100.0, 0.0, DBL_MAX, -DBL_MAX, 1e300, HUGE_VAL};
    const int kind = in.below(4);
    FixedIntlProfile profile;
    if (kind == 1)
        profile.set("sDecimal", ",").set("sThousand", ".").set("sCurrency", "EUR");
    else if (kind == 2)
        profile.set("sThousand", ".").set("sCurrency", "kr.");
    else if (kind == 3)
        profile.set("sThousand", QString::fromLatin1(in.bytes(3))).set("sDecimal", QString::fromLatin1(in.bytes(2)));
    profile.set("iNegCurr", QString::number(in.below(24) - 4)).set("iCurrency", QString::number(in.below(5)));
    profile.set("iCurrDigits", QString::number(in.below(16) - 2)).set("iDigits", QString::number(in.below(30) - 5));
    const IntlSettings intl = IntlSettings::read(profile);
    // Separators and currency symbol distinct characters, so that formatting is a fixed point.
    const bool plain = kind < 2;
    const int flags = in.byte();
    const ValueSettings settings{short(in.below(15) - 1), -limits[in.below(std::size(limits))],
                                 limits[in.below(std::size(limits))], bool(flags & 1), bool(flags & 2),
                                 bool(flags & 4), (flags & 24) != 0};

    TextState state{BufferText(in.text()), 0, 0};
    state.caret = in.below(int(state.text.size()) + 1);
    const TextState before = state;
    const short cancel = short(in.below(3) - 1);
    const QByteArray correction = in.byte() & 1 ? in.text() : QByteArray();
    const QByteArray input = in.text(2200);
    const SetTextOutcome set = ValidatedSetText(state, input, settings, profile, [&](short &c, QByteArray &text) {
        c = cancel;
        if (!correction.isNull())
            text = correction;
    });
    const auto sound = [&state] {
        return state.caret >= 0 && state.caret <= state.text.size() && !state.text.contains('\0')
               && state.text.size() <= MaxTextLength;
    };
    check(sound(), "a text set stays within the buffer", state.text);
    check(set.invalidSetTextFired == CheckSetText(input, settings, intl).needsInvalidSetText(),
          "InvalidSetText fires exactly for a foreign or out-of-range text", input);
    check(!set.cancelled || (state.text == before.text && state.caret == before.caret),
          "a refused text changes nothing", input);
    check(ReformatText(state, in.below(2101) - 1050, settings, profile) == settings.loaded,
          "formatting runs exactly when loaded");
    check(sound(), "reformatting stays within the buffer", state.text);
    const bool digit = std::any_of(state.text.cbegin(), state.text.cend(), [](char c) { return c >= '0' && c <= '9'; });
    check(!settings.loaded || digit, "a formatted text shows a number", state.text);
    check(!settings.loaded || !plain || FormatText(state.text, settings, intl) == state.text,
          "a formatted text formats to itself", state.text);
    const double value = ParseDisplayedValue(state.text, settings, profile);
    // With a decimal separator other than '.' only the integer part is held against MaxReal.
    check(intl.decimalChar() != '.' || settings.MaxReal < 0 || std::isnan(value)
              || std::fabs(value) <= settings.MaxReal,
          "the value read is held to MaxReal", state.text);
    char small[7];
    const int copied = GetTextMessage(state.text, small, int(sizeof small));
    const QByteArray raw = TextRawFromText(state.text, settings, profile);
    check(copied <= 6 && small[copied] == '\0' && raw.size() <= state.text.size(),
          "get-text stays in the caller's buffer and TextRaw only drops characters");
    OutOfRangeOnFocusLoss(state.text, settings, profile);

    double v = (in.below(2000001) - 1000000) / 1000.0;
    if (in.byte() & 1)
        std::memcpy(&v, in.bytes(sizeof v).leftJustified(sizeof v, '\0').constData(), sizeof v);
    const bool rejected = SetValueReal(state, v, settings, profile).rejected;
    check(sound(), "setting the value stays within the buffer", state.text);
    // The setter prints six decimals before formatting, so at most six survive and rounding
    // twice may add half a millionth; a double's own precision counts at large values.
    const int places = settings.DecimalPlaces == -1 ? (settings.MoneyFormat ? intl.iCurrDigits : intl.iDigits)
                                                    : settings.DecimalPlaces;
    const double tolerance = 0.5 * std::pow(10.0, places >= 0 && places <= 6 ? -places : -6) + 0.75e-6
                             + std::fabs(v) * 1e-15;
    check(rejected || !settings.loaded || !plain || std::fabs(v) > settings.MaxReal
              || std::fabs(ParseDisplayedValue(state.text, settings, profile) - v) <= tolerance,
          "the text reads back as the value set", state.text);
}
