#include "value_model.h"

#include <array>
#include <charconv>
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <locale.h>

namespace zq {

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Fixed-point printing as "%.Nf" does in the C locale. The widest printout, the largest
// double with eleven decimals, takes 309 + 1 + 11 characters and a sign.
QByteArray printFixed(double value, int decimals)
{
    std::array<char, 400> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                      std::chars_format::fixed, decimals);
    if (result.ec != std::errc())
        return {};
    return QByteArray(buffer.data(), int(result.ptr - buffer.data()));
}

// The single-precision rounding of the text check. Magnitudes beyond the float range
// round to infinity, as the conversion would.
double toSingle(double value)
{
    if (std::isfinite(value) && std::fabs(value) > double(FLT_MAX))
        return value > 0 ? HUGE_VAL : -HUGE_VAL;
    return double(float(value));
}

int decimalsToPrint(const ValueSettings &settings, const IntlSettings &intl)
{
    const int places = settings.DecimalPlaces != -1
                           ? settings.DecimalPlaces
                           : (settings.MoneyFormat ? intl.iCurrDigits : intl.iDigits);
    // "%.0f" .. "%.11f"; anything else, 12 included, prints like "%f".
    return places >= 0 && places <= 11 ? places : 6;
}

// The money layout 0..7 that an "iNegCurr" value stands for. 0..10 follow the control's
// table; 11..15 are the further layouts of the same convention with the blank left to
// "iCurrency" (11 and 3, 12 and 2, 13 and 6, 14 and 0, 15 and 4 coincide); any other
// value takes layout 0, the default, instead of dropping the number.
int moneyLayout(int iNegCurr)
{
    static constexpr int layouts[16] = {0, 1, 2, 3, 4, 5, 6, 7, 5, 1, 3, 3, 2, 6, 0, 4};
    return iNegCurr >= 0 && iNegCurr < 16 ? layouts[iNegCurr] : 0;
}

QByteArray composeMoney(const QByteArray &number, bool negative, const IntlSettings &intl)
{
    const QByteArray cur = intl.sCurrency;
    const QByteArray sp = intl.iCurrency > 1 ? " " : "";
    const QByteArray minus = negative ? "-" : "";
    const QByteArray open = negative ? "(" : "";
    const QByteArray close = negative ? ")" : "";
    switch (moneyLayout(intl.iNegCurr)) {
    case 1: return minus + cur + sp + number;
    case 2: return cur + sp + minus + number;
    case 3: return cur + sp + number + minus;
    case 4: return open + number + sp + cur + close;
    case 5: return minus + number + sp + cur;
    case 6: return number + minus + sp + cur;
    case 7: return number + sp + cur + minus;
    default: return open + cur + sp + number + close;
    }
}

QByteArray groupDigits(const QByteArray &number, char decimal, char thousand)
{
    const int p = number.indexOf(decimal) >= 0 ? number.indexOf(decimal) : number.size();
    const int r = p % 3;
    QByteArray grouped;
    grouped.reserve(number.size() + number.size() / 3 + 1);
    for (int i = 0; i < number.size(); ++i) {
        if (i > 0 && i < p && (i - r) % 3 == 0)
            grouped.append(thousand);
        grouped.append(number.at(i));
    }
    return grouped;
}

bool holdsNegativeMark(const QByteArray &text)
{
    return text.contains('-') || text.contains('(');
}

// Steps 3 to 5 of ReformatText: the text's digits and separators as atof reads them.
QByteArray plainNumber(const QByteArray &text, const IntlSettings &intl)
{
    QByteArray plain = holdsNegativeMark(text) ? "-" : "";
    for (char c : text) {
        if (c == intl.decimalChar())
            plain.append('.');
        else if (isDigit(c))
            plain.append(c);
    }
    return plain;
}

int clampToText(qint64 position, const QByteArray &text)
{
    return int(qBound<qint64>(0, position, text.size()));
}

} // namespace

QByteArray BufferText(const QByteArray &text)
{
    const int zero = text.indexOf('\0');
    return (zero >= 0 ? text.left(zero) : text).left(MaxTextLength);
}

int DecimalPosition(const QByteArray &text, const IntlSettings &intl)
{
    const int index = text.indexOf(intl.decimalChar());
    return index >= 0 ? index : text.size();
}

double CAtof(const QByteArray &text)
{
    // Qt sets the process locale from the environment; the control's numbers are C.
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    const QByteArray terminated = BufferText(text);
    return strtod_l(terminated.constData(), nullptr, cLocale);
}

bool ValueOverflows(const QByteArray &text, const IntlSettings &intl)
{
    return !std::isfinite(CAtof(plainNumber(text, intl)));
}

QByteArray FormatText(const QByteArray &text, const ValueSettings &settings,
                      const IntlSettings &intl)
{
    const char decimal = intl.decimalChar();
    const bool negative = holdsNegativeMark(text);
    const double value = CAtof(plainNumber(text, intl));
    // No layout can show a number past the double range (a stored form may hold one): it
    // stays as it is rather than leave an empty field.
    if (!std::isfinite(value))
        return text.left(MaxTextLength);
    const QByteArray printed = printFixed(value, decimalsToPrint(settings, intl));
    // The printed sign goes with the other non-digits; the sign comes back from `negative`.
    QByteArray number;
    for (char c : printed) {
        const char mapped = c == '.' ? decimal : c;
        if (mapped == decimal || isDigit(mapped))
            number.append(mapped);
    }

    if (settings.Separator)
        number = groupDigits(number, decimal, intl.thousandChar());

    const QByteArray composed = settings.MoneyFormat ? composeMoney(number, negative, intl)
                                                     : (negative ? "-" : "") + number;
    return composed.left(MaxTextLength);
}

bool ReformatText(TextState &state, int caretOffset, const ValueSettings &settings,
                  const IntlProfile &profile)
{
    if (!settings.loaded)
        return false;
    const IntlSettings intl = IntlSettings::read(profile);
    state.text = FormatText(BufferText(state.text), settings, intl);
    state.caret = clampToText(qint64(DecimalPosition(state.text, intl)) - caretOffset, state.text);
    state.selLength = 0;
    return true;
}

SetTextCheck CheckSetText(const QByteArray &text, const ValueSettings &settings,
                          const IntlSettings &intl)
{
    SetTextCheck check;
    check.text = BufferText(text);
    const double value = toSingle(CAtof(check.text));
    check.outOfRange = value > settings.MaxReal || !(value >= settings.MinReal) || ValueOverflows(check.text, intl);
    const char currency = intl.sCurrency.isEmpty() ? '$' : intl.sCurrency.at(0);
    for (char c : check.text) {
        const bool allowed = isDigit(c) || c == '-' || c == '+' || c == '(' || c == ')'
                             || c == intl.decimalChar() || c == intl.thousandChar()
                             || c == currency;
        if (!allowed) {
            check.foreign = true;
            break;
        }
    }
    return check;
}

SetTextOutcome ValidatedSetText(TextState &state, const QByteArray &text,
                                const ValueSettings &settings, const IntlProfile &profile,
                                const InvalidSetTextHandler &invalidSetText)
{
    SetTextOutcome outcome;
    const IntlSettings intl = IntlSettings::read(profile);
    const SetTextCheck check = CheckSetText(text, settings, intl);
    outcome.usedText = check.text;
    if (check.needsInvalidSetText()) {
        outcome.invalidSetTextFired = true;
        short cancel = 0;
        QByteArray replacement = check.text;
        if (invalidSetText)
            invalidSetText(cancel, replacement);
        if (cancel != 0) {
            outcome.cancelled = true;
            return outcome;
        }
        // The sink's text is taken as it is, only cut to fit the buffer.
        outcome.usedText = BufferText(replacement);
    }
    // No formatting can show such a value: the field keeps what it holds.
    if (ValueOverflows(outcome.usedText, intl)) {
        outcome.cancelled = true;
        return outcome;
    }
    state.text = outcome.usedText;
    state.selLength = 0;
    state.caret = state.text.size();
    ReformatText(state, 0, settings, profile);
    return outcome;
}

double ParseDisplayedValue(const QByteArray &text, const ValueSettings &settings,
                           const IntlProfile &profile)
{
    const IntlSettings intl = IntlSettings::read(profile);
    const char decimal = intl.decimalChar();
    const float sign = holdsNegativeMark(text) ? -1.0f : 1.0f;

    QByteArray number;
    for (char c : BufferText(text)) {
        if (isDigit(c) || c == decimal)
            number.append(c);
    }
    double magnitude = 0.0;
    if (CAtof(number) > settings.MaxReal) {
        magnitude = settings.MaxReal;
    } else {
        if (decimal != '.')
            number.replace(decimal, '.');
        magnitude = CAtof(number);
    }
    return double(sign) * magnitude;
}

SetValueOutcome SetValueReal(TextState &state, double v, const ValueSettings &settings,
                             const IntlProfile &profile)
{
    SetValueOutcome outcome;
    if (!std::isfinite(v) || v > settings.MaxReal || !(v >= settings.MinReal)) {
        outcome.rejected = true;
        return outcome;
    }
    const IntlSettings intl = IntlSettings::read(profile);
    QByteArray printout = printFixed(v, 6).left(MaxTextLength);
    printout.replace('.', intl.decimalChar());

    outcome.textString = printout;
    if (printout != state.text) {
        outcome.changed = true;
        state.text = printout;
        // An unloaded control keeps the printout as it is; the caret must still fit it.
        state.caret = clampToText(state.caret, state.text);
        state.selLength = 0;
        outcome.reformatted = ReformatText(state, 0, settings, profile);
    }
    return outcome;
}

QByteArray TextRawFromText(const QByteArray &text, const ValueSettings &settings,
                           const IntlProfile &profile)
{
    if (!settings.loaded)
        return QByteArray();
    const IntlSettings intl = IntlSettings::read(profile);
    QByteArray raw = BufferText(text);
    raw.replace(QByteArray(1, intl.thousandChar()), QByteArray());
    raw.replace(intl.decimalChar(), '.');
    return raw;
}

QByteArray TextFromTextRaw(const QByteArray &raw, const IntlProfile &profile)
{
    const IntlSettings intl = IntlSettings::read(profile);
    QByteArray text = raw;
    text.replace(QByteArray(","), QByteArray());
    text.replace('.', intl.decimalChar());
    return text;
}

std::optional<short> StoredDecimalPlaces(int requested)
{
    if (requested < -1 || requested > 100)
        return std::nullopt;
    return short(qMin(requested, 12));
}

bool ApplyMoneyFormat(TextState &state, const ValueSettings &settings,
                      const IntlProfile &profile)
{
    state.caret = DecimalPosition(state.text, IntlSettings::read(profile));
    // Not loaded, nothing reformats: no selection may reach past the caret's new place.
    state.selLength = 0;
    return ReformatText(state, 0, settings, profile);
}

bool OutOfRangeOnFocusLoss(const QByteArray &text, const ValueSettings &settings,
                           const IntlProfile &profile)
{
    const char decimal = IntlSettings::read(profile).decimalChar();
    // A sign mark counts only ahead of everything kept, so "$-12.00" reads as -12.
    QByteArray number;
    for (char c : BufferText(text)) {
        if (isDigit(c) || c == decimal)
            number.append(c);
        else if ((c == '-' || c == '(') && number.isEmpty())
            number.append('-');
    }
    const double value = CAtof(number);
    return value > settings.MaxReal || !(value >= settings.MinReal);
}

double SpinTarget(const QByteArray &text, double step, const ValueSettings &settings,
                  const IntlProfile &profile)
{
    double v = ParseDisplayedValue(text, settings, profile) + step;
    if (v > settings.MaxReal)
        v = settings.MaxReal;
    if (!(v >= settings.MinReal))
        v = settings.MinReal;
    return v;
}

int TextLengthMessage(const QByteArray &text)
{
    return BufferText(text).size();
}

int GetTextMessage(const QByteArray &text, char *buffer, int bufferSize)
{
    if (!buffer || bufferSize <= 0)
        return 0;
    const QByteArray t = BufferText(text);
    const int count = qMin(t.size(), bufferSize - 1);
    std::memcpy(buffer, t.constData(), size_t(count));
    buffer[count] = '\0';
    return count;
}

} // namespace zq
