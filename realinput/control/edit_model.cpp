#include "edit_model.h"

#include "vendor/kx32r60.h"

namespace zq {

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The vendor's text operations work in place on a zero-filled buffer of the full size.
struct Buffer
{
    QByteArray bytes;
    explicit Buffer(const QByteArray &text) : bytes(kx32r60::TextBufferSize, '\0')
    {
        std::copy(text.cbegin(), text.cbegin() + qMin<qsizetype>(text.size(), kx32r60::TextCapacity),
                  bytes.begin());
    }
    char *data() { return bytes.data(); }
    QByteArray text() const { return QByteArray(bytes.constData()); }
};

int decimalPosition(const TextState &state, const EditContext &ctx)
{
    return DecimalPosition(state.text, IntlSettings::read(*ctx.profile));
}

void reformat(TextState &state, int offset, const EditContext &ctx, EditSink &sink)
{
    if (ReformatText(state, offset, ctx.settings, *ctx.profile)) {
        sink.reformatted();
        return;
    }
    // Not loaded, the text stays as typed; the caret and selection must still lie inside it.
    state.caret = qBound(0, state.caret, int(state.text.size()));
    state.selLength = qBound(-state.caret, state.selLength, int(state.text.size()) - state.caret);
}

// Keeps the caret's place relative to the decimal separator while the text is rebuilt.
void reformatAroundCaret(TextState &state, const EditContext &ctx, EditSink &sink)
{
    reformat(state, decimalPosition(state, ctx) - state.caret, ctx, sink);
}

bool hasSignMark(const QByteArray &text)
{
    return text.contains('-') || text.contains('(');
}

// A key that would take the value past the double range is refused like any key the
// control cannot take, and the container hears of it.
bool refused(const QByteArray &next, const EditContext &ctx, EditSink &sink)
{
    if (!ValueOverflows(next, IntlSettings::read(*ctx.profile)))
        return false;
    sink.measure();
    sink.beep();
    sink.invalidEntry();
    return true;
}

QByteArray digitsAndSeparator(const QByteArray &text, char decimal)
{
    QByteArray out;
    for (char c : text) {
        if (isDigit(c) || c == decimal)
            out += c;
    }
    return out;
}

// Replaces the selection by one typed character (the separator or a digit).
void replaceSelectionBy(TextState &state, char c, const QByteArray &before, const EditContext &ctx,
                        EditSink &sink)
{
    Buffer buffer(state.text);
    const char one[2] = {c, '\0'};
    const int caret = kx32r60::replaceSelection(buffer.data(), state.caret, state.selLength, one);
    if (refused(buffer.text(), ctx, sink))
        return;
    state.text = buffer.text();
    state.caret = qBound(0, caret, int(state.text.size()));
    state.selLength = 0;
    sink.notifyText();
    const IntlSettings intl = IntlSettings::read(*ctx.profile);
    const int offset = state.text.contains(intl.decimalChar()) ? DecimalPosition(state.text, intl) - state.caret : 0;
    reformat(state, offset, ctx, sink);
    state.selLength = 0;
    sink.invalidate();
    if (state.text != before)
        sink.fireChange();
}

void insertDigit(TextState &state, char c, const EditContext &ctx, EditSink &sink)
{
    // A full text takes no more: the digit would push its last character out.
    if (state.text.size() >= MaxTextLength) {
        sink.measure();
        sink.beep();
        return;
    }
    QByteArray next = state.text;
    next.insert(state.caret, c);
    if (refused(next, ctx, sink))
        return;
    state.text = next;
    state.caret = qMin(state.caret + 1, int(state.text.size()));
    sink.notifyText();
    reformatAroundCaret(state, ctx, sink);
    sink.invalidate();
}

void overwriteDigit(TextState &state, char c, const EditContext &ctx, EditSink &sink)
{
    QByteArray next = state.text;
    // At the end (DecimalPlaces 0 on a text that still has a separator) the digit goes behind the text.
    if (state.caret < next.size())
        next[state.caret] = c;
    else
        next.append(c);
    if (refused(next, ctx, sink))
        return;
    state.text = next;
    sink.notifyText();
    ++state.caret;
    SkipToDigit(state);
    int offset = decimalPosition(state, ctx) - state.caret;
    // After the last integer digit the caret returns to the separator, not past it.
    if (offset == -1)
        offset = 0;
    reformat(state, offset, ctx, sink);
    sink.invalidate();
    if (state.caret == state.text.size())
        sink.fireAutoTerminate();
}

void typeDigit(TextState &state, char c, const QByteArray &before, const EditContext &ctx, EditSink &sink)
{
    if (state.selLength != 0) {
        replaceSelectionBy(state, c, before, ctx, sink);
        return;
    }
    state.selLength = 0;
    const IntlSettings intl = IntlSettings::read(*ctx.profile);
    const int length = int(state.text.size());
    const int decimal = DecimalPosition(state.text, intl);
    const bool onDigitOrSeparator = state.caret < length
        && (isDigit(state.text.at(state.caret)) || state.text.at(state.caret) == intl.decimalChar());
    const bool allowed = onDigitOrSeparator
        || (state.caret == length && ctx.settings.DecimalPlaces == 0 && length < MaxTextLength)
        || state.caret == decimal;
    if (!allowed || (state.caret == decimal && !ctx.autoHScroll && !sink.roomToInsert(state))) {
        sink.measure();
        sink.beep();
    } else if (state.caret == decimal) {
        insertDigit(state, c, ctx, sink);
    } else {
        overwriteDigit(state, c, ctx, sink);
    }
    if (state.text != before)
        sink.fireChange();
}

void copySelection(const TextState &state, const EditContext &ctx)
{
    Buffer buffer(state.text);
    kx32r60::copySelection(ctx.window, buffer.data(), state.caret, state.selLength);
}

void paste(const TextState &state, const EditContext &ctx, EditSink &sink)
{
    Buffer buffer(state.text);
    kx32r60::paste(ctx.window, buffer.data(), state.caret, state.selLength, kx32r60::TextCapacity);
    sink.setText(buffer.text());
}

// The vendor leaves the caret where it was; a selection left of it takes the caret along.
// Deleting a separator joins the digits around it, so the result may be refused.
bool deleteSelection(TextState &state, const EditContext &ctx, EditSink &sink)
{
    Buffer buffer(state.text);
    kx32r60::deleteSelection(buffer.data(), state.caret, state.selLength);
    if (refused(buffer.text(), ctx, sink))
        return false;
    state.text = buffer.text();
    state.caret = qBound(0, SelectionStart(state), int(state.text.size()));
    state.selLength = 0;
    return true;
}

void moveLeft(TextState &state, bool shift)
{
    if (shift && state.caret > 0) {
        --state.caret;
        ++state.selLength;
    } else {
        state.selLength = 0;
        state.caret = qMax(0, state.caret - 1);
    }
}

void moveRight(TextState &state, bool shift)
{
    if (shift && state.caret < state.text.size()) {
        ++state.caret;
        --state.selLength;
    } else {
        state.selLength = 0;
        state.caret = qMin(int(state.text.size()), state.caret + 1);
    }
}

} // namespace

void SkipToDigit(TextState &state)
{
    while (state.caret < state.text.size() && !isDigit(state.text.at(state.caret)))
        ++state.caret;
}

void TypeCharacter(TextState &state, int c, KeyModifiers mods, const EditContext &ctx, EditSink &sink)
{
    if (ctx.readOnly || c == 0)
        return;
    // Copy, paste and cut arrive here too; the key-down path has done them.
    if ((c == 3 || c == 22 || c == 24) && mods.ctrl)
        return;
    const QByteArray before = state.text;
    const IntlSettings intl = IntlSettings::read(*ctx.profile);
    const char decimal = intl.decimalChar();

    if (c == '-') {
        const int offset = DecimalPosition(state.text, intl) - state.caret;
        if (hasSignMark(state.text))
            state.text = digitsAndSeparator(state.text, decimal);
        else
            state.text.prepend('-');
        state.text.truncate(MaxTextLength);
        reformat(state, offset, ctx, sink);
        sink.invalidate();
        if (state.text != before) {
            sink.fireChange();
            sink.markModified();
            sink.notifyText();
        }
        return;
    }
    if (c == '+') {
        const int offset = DecimalPosition(state.text, intl) - state.caret;
        if (hasSignMark(state.text))
            state.text = digitsAndSeparator(state.text, decimal);
        reformat(state, offset, ctx, sink);
        sink.invalidate();
    } else if (c == static_cast<unsigned char>(decimal)) {
        if (state.selLength != 0)
            replaceSelectionBy(state, decimal, before, ctx, sink);
        if (!ctx.settings.EntryStyle) {
            state.caret = qMin(DecimalPosition(state.text, intl) + 1, int(state.text.size()));
            state.selLength = 0;
            sink.invalidate();
        }
    } else if (c >= '0' && c <= '9') {
        typeDigit(state, char(c), before, ctx, sink);
        return;
    }
    if (state.text != before)
        sink.fireChange();
}

void KeyDown(TextState &state, int key, KeyModifiers mods, const EditContext &ctx, EditSink &sink)
{
    const QByteArray before = state.text;
    switch (key) {
    case vk::Back:
        if (ctx.readOnly)
            return;
        if (state.selLength != 0) {
            if (!deleteSelection(state, ctx, sink))
                return;
            sink.notifyText();
        } else if (state.caret > 0 && isDigit(state.text.at(state.caret - 1))) {
            state.text.remove(state.caret - 1, 1);
            --state.caret;
        } else {
            state.caret = qMax(0, state.caret - 1);
        }
        reformatAroundCaret(state, ctx, sink);
        sink.invalidate();
        break;
    case vk::End:
        if (mods.shift) {
            for (; state.caret < state.text.size(); ++state.caret)
                --state.selLength;
        } else {
            state.selLength = 0;
            state.caret = int(state.text.size());
        }
        sink.invalidate();
        break;
    case vk::Home:
        if (mods.shift) {
            for (; state.caret > 0; --state.caret)
                ++state.selLength;
        } else {
            state.selLength = 0;
            state.caret = 0;
        }
        sink.invalidate();
        break;
    case vk::Left:
        moveLeft(state, mods.shift);
        sink.invalidate();
        return;
    case vk::Right:
        moveRight(state, mods.shift);
        sink.invalidate();
        return;
    case vk::Up:
        if (ctx.spin != 0) {
            sink.spinStep(true);
        } else {
            moveLeft(state, mods.shift);
            sink.invalidate();
        }
        return;
    case vk::Down:
        if (ctx.spin != 0) {
            sink.spinStep(false);
        } else {
            moveRight(state, mods.shift);
            sink.invalidate();
        }
        return;
    case vk::Insert:
        if (mods.ctrl)
            copySelection(state, ctx);
        else if (mods.shift && !ctx.readOnly)
            paste(state, ctx, sink);
        break;
    case vk::Delete:
        if (ctx.readOnly)
            return;
        if (state.selLength != 0) {
            if (mods.shift)
                copySelection(state, ctx);
            if (!deleteSelection(state, ctx, sink))
                return;
            sink.notifyText();
            SkipToDigit(state);
        } else if (state.caret < state.text.size() && isDigit(state.text.at(state.caret))) {
            state.text.remove(state.caret, 1);
        }
        reformatAroundCaret(state, ctx, sink);
        sink.invalidate();
        break;
    case vk::C:
        if (mods.ctrl)
            copySelection(state, ctx);
        break;
    case vk::V:
        if (mods.ctrl && !ctx.readOnly)
            paste(state, ctx, sink);
        break;
    case vk::X:
        if (mods.ctrl && state.selLength != 0) {
            copySelection(state, ctx);
            if (!ctx.readOnly && deleteSelection(state, ctx, sink)) {
                sink.notifyText();
                reformatAroundCaret(state, ctx, sink);
            }
            sink.invalidate();
        }
        break;
    default:
        return;
    }
    if (state.text != before) {
        sink.measure();
        sink.fireChange();
    }
}

} // namespace zq
