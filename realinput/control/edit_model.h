#pragma once

#include "value_model.h"

class QWidget;

namespace zq {

// What an edit asks of the control, in the order the edit needs it. The control
// fires the events and sends the notifications; tests record the calls.
class EditSink
{
public:
    virtual ~EditSink() = default;
    virtual void notifyText() = 0;       // change notification of Text
    virtual void fireChange() = 0;
    virtual void fireAutoTerminate() = 0;
    virtual void markModified() = 0;
    virtual void invalidate() = 0;
    virtual void measure() = 0;          // MeasureCharEdges
    virtual void beep() = 0;
    virtual void invalidEntry() = 0;     // fires InvalidEntry
    // ReformatText ran (the control notifies SelStart in user mode).
    virtual void reformatted() = 0;
    // Pasted text goes through ValidatedSetText; the sink updates the state itself.
    virtual void setText(const QByteArray &text) = 0;
    // ApplySpinStep with +SpinChangeReal (up) or -SpinChangeReal.
    virtual void spinStep(bool up) = 0;
    // Without AutoHScroll a digit is inserted only while the text before the caret fits.
    virtual bool roomToInsert(const TextState &state) = 0;
};

// The editing context of one key: the settings the formatting needs and the
// control's editing properties.
struct EditContext
{
    ValueSettings settings;
    const IntlProfile *profile = nullptr;
    bool readOnly = false;
    bool autoHScroll = false;
    short spin = 0;
    // The clipboard owner handed to the vendor layer; may be null.
    QWidget *window = nullptr;
};

// Windows virtual-key codes of the keys the key-down path acts on.
namespace vk {
enum : int {
    Back = 0x08, Tab = 0x09, Return = 0x0D, Shift = 0x10, Control = 0x11, Menu = 0x12, Escape = 0x1B,
    Space = 0x20, Prior = 0x21, Next = 0x22, End = 0x23, Home = 0x24, Left = 0x25, Up = 0x26,
    Right = 0x27, Down = 0x28, Insert = 0x2D, Delete = 0x2E, C = 0x43, V = 0x56, X = 0x58
};
}

struct KeyModifiers
{
    bool shift = false;
    bool ctrl = false;
};

// The character path of one typed character (after KeyPress): digits insert in the
// integer part and overwrite elsewhere, '-' toggles the sign, '+' makes the value
// positive, the decimal separator jumps behind the separator.
void TypeCharacter(TextState &state, int c, KeyModifiers mods, const EditContext &ctx, EditSink &sink);

// The key-down path: deletion, caret movement, selection, clipboard and the Up/Down
// spin keys. Keys it does not know change nothing.
void KeyDown(TextState &state, int key, KeyModifiers mods, const EditContext &ctx, EditSink &sink);

// Moves the caret right until it stands on a digit or at the end.
void SkipToDigit(TextState &state);

// The left end of the selection and its absolute length.
inline int SelectionStart(const TextState &s) { return s.selLength < 0 ? s.caret + s.selLength : s.caret; }
inline int SelectionSize(const TextState &s) { return s.selLength < 0 ? -s.selLength : s.selLength; }

} // namespace zq
