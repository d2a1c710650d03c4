#pragma once

#include "intl_profile.h"

#include <QByteArray>

#include <functional>
#include <optional>

// The input control's value model: how its single-byte text is normalised, formatted,
// accepted and read as a number. Everything here is a pure function of the text, the
// control's settings and the locale profile; the control fires the events, raises the
// errors and sends the notifications that the results call for.
namespace zq {

// Longest text the control holds (its buffer keeps one more byte for the zero).
constexpr int MaxTextLength = 1024;

// The control state the formatting depends on, as the control stores it.
struct ValueSettings
{
    short DecimalPlaces = -1; // -1 takes the locale's digits; stored at most 12
    double MinReal = -1.1e38;
    double MaxReal = 3.3e38;
    bool MoneyFormat = false;
    bool Separator = false;
    bool EntryStyle = false;
    // Formatting runs only once the control has been loaded from a stream or bag.
    bool loaded = false;
};

// The text area of the control with the caret and selection that move with it.
struct TextState
{
    QByteArray text; // at most MaxTextLength characters, no zero byte inside
    int caret = 0;
    int selLength = 0;
};

// A text as the control's buffer would hold it: up to the first zero, at most 1024 bytes.
QByteArray BufferText(const QByteArray &text);

// Index of the first decimal-separator character, or the length when there is none.
int DecimalPosition(const QByteArray &text, const IntlSettings &intl);

// atof in the C locale, whatever the process locale is: leading blanks, sign, digits,
// '.', exponent; stops at the first other character; 0 when nothing converts.
double CAtof(const QByteArray &text);

// Whether the text's digits and separators read beyond the double range, so that no
// formatting can show them; such a text is refused wherever it would be taken.
bool ValueOverflows(const QByteArray &text, const IntlSettings &intl);

// Steps 2 to 9 of ReformatText: the normalised and formatted text for `text`.
QByteArray FormatText(const QByteArray &text, const ValueSettings &settings,
                      const IntlSettings &intl);

// Rebuilds the text and puts the caret `caretOffset` characters left of the decimal
// position (cut to the text), selection length 0. Answers false, leaving the state as
// it is, while the control is not loaded. In user mode the control then invalidates,
// marks modified and notifies SelStart.
bool ReformatText(TextState &state, int caretOffset, const ValueSettings &settings,
                  const IntlProfile &profile);

// Whether a text may be set without asking the container first.
struct SetTextCheck
{
    QByteArray text; // cut to 1024 characters
    bool foreign = false;
    bool outOfRange = false;
    bool needsInvalidSetText() const { return foreign || outOfRange; }
};
SetTextCheck CheckSetText(const QByteArray &text, const ValueSettings &settings,
                          const IntlSettings &intl);

// The container's say on a foreign or out-of-range text: the control fires
// InvalidSetText with these by-reference arguments and returns what the sink left.
using InvalidSetTextHandler = std::function<void(short &cancel, QByteArray &invalidText)>;

struct SetTextOutcome
{
    bool invalidSetTextFired = false;
    bool cancelled = false; // nothing changed
    QByteArray usedText;    // what went into the buffer before reformatting
    bool applied() const { return !cancelled; }
};

// Replaces the whole text. When applied, the caret is at the end of the text and
// ReformatText(0) has run; the control then notifies Text, measures, invalidates and
// fires Change (also when the text did not differ).
SetTextOutcome ValidatedSetText(TextState &state, const QByteArray &text,
                                const ValueSettings &settings, const IntlProfile &profile,
                                const InvalidSetTextHandler &invalidSetText);

// The ValueReal getter's reading of the text; MinReal is not applied.
double ParseDisplayedValue(const QByteArray &text, const ValueSettings &settings,
                           const IntlProfile &profile);

struct SetValueOutcome
{
    bool rejected = false;  // error 380; nothing changed
    bool changed = false;   // the text differed from the printout: Change fires
    bool reformatted = false; // ReformatText ran: the control notifies SelStart
    QByteArray textString;  // the new Text string (the unformatted printout)
};

// The ValueReal setter's text work: prints v with "%f" and the locale's decimal
// separator and, when that differs from the old text, reformats it.
SetValueOutcome SetValueReal(TextState &state, double v, const ValueSettings &settings,
                             const IntlProfile &profile);

// The TextRaw getter: grouping removed, decimal separator made '.', currency and sign
// marks kept; a null string while the control is not loaded.
QByteArray TextRawFromText(const QByteArray &text, const ValueSettings &settings,
                           const IntlProfile &profile);

// What the TextRaw setter hands to ValidatedSetText (when loaded): ',' removed and '.'
// made the locale's decimal separator.
QByteArray TextFromTextRaw(const QByteArray &raw, const IntlProfile &profile);

// The stored DecimalPlaces for a requested value; no value means error 380.
std::optional<short> StoredDecimalPlaces(int requested);

// The MoneyFormat setter's text work: caret to the decimal position, then ReformatText(0).
bool ApplyMoneyFormat(TextState &state, const ValueSettings &settings,
                      const IntlProfile &profile);

// The focus-loss range check: true when InvalidEntry is due.
bool OutOfRangeOnFocusLoss(const QByteArray &text, const ValueSettings &settings,
                           const IntlProfile &profile);

// The value a spin step leads to: cut to MaxReal, then raised to MinReal.
double SpinTarget(const QByteArray &text, double step, const ValueSettings &settings,
                  const IntlProfile &profile);

// Window messages on the text. Get-text-length answers the length. Get-text copies into
// the caller's buffer of `bufferSize` bytes as much as fits and always ends it with a
// zero, answering the characters copied (without the zero); a buffer of 0 bytes gets
// nothing and answers 0.
int TextLengthMessage(const QByteArray &text);
int GetTextMessage(const QByteArray &text, char *buffer, int bufferSize);

} // namespace zq
