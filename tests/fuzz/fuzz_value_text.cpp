#include "fuzz_driver.h"

#include "control/value_model.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>

using namespace zq;

namespace {

const double limits[] = {3.3e38, -1.1e38, 100.0, -100.0, 0.0, DBL_MAX, -DBL_MAX, 1e300, HUGE_VAL};

bool sound(const TextState &s)
{
    return s.text.size() <= MaxTextLength && !s.text.contains('\0') && s.caret >= 0 && s.caret <= s.text.size();
}

} // namespace

// The value text's parser and formatter: a text set, reformatted, read and
// rewritten from a value, under the settings and number formats the input picks.
void fuzzOne(FuzzInput &in)
{
    // `plain`: separators and currency symbol are distinct characters.
    const int kind = in.below(4);
    const bool plain = kind < 2;
    FixedIntlProfile profile;
    if (kind == 1)
        profile.set("sDecimal", ",").set("sThousand", ".").set("sCurrency", "EUR");
    else if (kind == 2)
        profile.set("sThousand", ".").set("sCurrency", "kr.");
    else if (kind == 3)
        profile.set("sThousand", QString::fromLatin1(in.bytes(3))).set("sDecimal", QString::fromLatin1(in.bytes(2)));
    profile.set("iNegCurr", QString::number(in.below(24) - 4)).set("iCurrency", QString::number(in.below(5)));
    profile.set("iCurrDigits", QString::number(in.below(16) - 2)).set("iDigits", QString::number(in.below(30) - 5));

    ValueSettings settings;
    settings.DecimalPlaces = short(in.below(15) - 1);
    const int flags = in.byte();
    settings.MoneyFormat = flags & 1;
    settings.Separator = flags & 2;
    settings.EntryStyle = flags & 4;
    settings.loaded = (flags & 0x18) != 0;
    settings.MaxReal = limits[in.below(std::size(limits))];
    settings.MinReal = -limits[in.below(std::size(limits))];
    const IntlSettings intl = IntlSettings::read(profile);
    const bool dot = intl.decimalChar() == '.';

    TextState state{BufferText(in.text()), 0, 0};
    state.caret = in.below(int(state.text.size()) + 1);
    const short cancel = short(in.below(3) - 1);
    const bool correct = in.byte() & 1;
    const QByteArray correction = in.text();
    const QByteArray input = in.text(2200);
    const TextState before = state;
    const SetTextOutcome set = ValidatedSetText(state, input, settings, profile, [&](short &c, QByteArray &text) {
        c = cancel;
        if (correct)
            text = correction;
    });
    check(sound(state), "the text and caret stay within the buffer", state.text);
    check(set.invalidSetTextFired == CheckSetText(input, settings, intl).needsInvalidSetText(),
          "InvalidSetText fires exactly for a foreign or out-of-range text", input);
    if (set.cancelled)
        check(state.text == before.text && state.caret == before.caret, "a refused text changes nothing", input);

    check(ReformatText(state, in.below(2101) - 1050, settings, profile) == settings.loaded,
          "formatting runs exactly when loaded");
    check(sound(state), "reformatting keeps the text and caret within the buffer", state.text);
    if (settings.loaded) {
        check(std::any_of(state.text.cbegin(), state.text.cend(), [](char c) { return c >= '0' && c <= '9'; }),
              "a formatted text shows a number", state.text);
        if (plain)
            check(FormatText(state.text, settings, intl) == state.text, "a formatted text formats to itself", state.text);
    }
    const double value = ParseDisplayedValue(state.text, settings, profile);
    // With a comma only the integer part is held against MaxReal, so this needs '.'.
    if (dot && settings.MaxReal >= 0 && !std::isnan(value))
        check(std::fabs(value) <= settings.MaxReal, "the value read is held to MaxReal", state.text);
    check(TextRawFromText(state.text, settings, profile).size() <= state.text.size(), "TextRaw only drops characters");
    char small[7];
    const int copied = GetTextMessage(state.text, small, int(sizeof small));
    check(copied <= 6 && small[copied] == '\0', "get-text stays in the caller's buffer");
    OutOfRangeOnFocusLoss(state.text, settings, profile);

    double v = (in.below(2000001) - 1000000) / 1000.0;
    if (in.byte() & 1)
        std::memcpy(&v, in.bytes(sizeof v).leftJustified(sizeof v, '\0').constData(), sizeof v);
    const SetValueOutcome setValue = SetValueReal(state, v, settings, profile);
    check(sound(state), "setting the value keeps the text and caret within the buffer", state.text);
    // The setter prints six decimals before formatting: at most six survive, and rounding
    // twice may add half a millionth; a double's own precision counts at large values.
    if (!setValue.rejected && settings.loaded && plain && std::fabs(v) <= settings.MaxReal) {
        const int places = settings.DecimalPlaces == -1
                               ? (settings.MoneyFormat ? intl.iCurrDigits : intl.iDigits)
                               : settings.DecimalPlaces;
        const int shown = places >= 0 && places <= 6 ? places : 6;
        const double tolerance = 0.5 * std::pow(10.0, -shown) + 0.75e-6 + std::fabs(v) * 1e-15;
        check(std::fabs(ParseDisplayedValue(state.text, settings, profile) - v) <= tolerance,
              "the text reads back as the value set", state.text);
    }
}
