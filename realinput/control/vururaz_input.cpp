#include "vururaz_ctrl.h"

#include "control_painter.h"
#include "edit_model.h"
#include "framework/automation_error.h"
#include "vendor/kx32r60.h"
#include "vururaz_typelib.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleHints>

namespace {

using zq::Variant;
namespace id = vururaz::dispid;

// The Windows virtual-key code of a Qt key, as KeyDown and KeyUp report it.
int virtualKey(const QKeyEvent *event)
{
    const int key = event->key();
    if ((key >= Qt::Key_0 && key <= Qt::Key_9) || (key >= Qt::Key_A && key <= Qt::Key_Z)) {
        if (event->modifiers() & Qt::KeypadModifier && key <= Qt::Key_9)
            return 0x60 + (key - Qt::Key_0);
        return key;
    }
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return 0x70 + (key - Qt::Key_F1);
    switch (key) {
    case Qt::Key_Backspace: return zq::vk::Back;
    case Qt::Key_Tab: case Qt::Key_Backtab: return zq::vk::Tab;
    case Qt::Key_Return: case Qt::Key_Enter: return zq::vk::Return;
    case Qt::Key_Shift: return zq::vk::Shift;
    case Qt::Key_Control: return zq::vk::Control;
    case Qt::Key_Alt: return zq::vk::Menu;
    case Qt::Key_Pause: return 0x13;
    case Qt::Key_CapsLock: return 0x14;
    case Qt::Key_Escape: return zq::vk::Escape;
    case Qt::Key_Space: return zq::vk::Space;
    case Qt::Key_PageUp: return zq::vk::Prior;
    case Qt::Key_PageDown: return zq::vk::Next;
    case Qt::Key_End: return zq::vk::End;
    case Qt::Key_Home: return zq::vk::Home;
    case Qt::Key_Left: return zq::vk::Left;
    case Qt::Key_Up: return zq::vk::Up;
    case Qt::Key_Right: return zq::vk::Right;
    case Qt::Key_Down: return zq::vk::Down;
    case Qt::Key_Insert: return zq::vk::Insert;
    case Qt::Key_Delete: return zq::vk::Delete;
    case Qt::Key_Asterisk: return event->modifiers() & Qt::KeypadModifier ? 0x6A : 0;
    case Qt::Key_Plus: return event->modifiers() & Qt::KeypadModifier ? 0x6B : 0xBB;
    case Qt::Key_Minus: return event->modifiers() & Qt::KeypadModifier ? 0x6D : 0xBD;
    case Qt::Key_Period: return event->modifiers() & Qt::KeypadModifier ? 0x6E : 0xBE;
    case Qt::Key_Slash: return event->modifiers() & Qt::KeypadModifier ? 0x6F : 0xBF;
    case Qt::Key_Comma: return 0xBC;
    default: return 0;
    }
}

// The character a key press sends to the control, as the keyboard translation would:
// Latin-1 text, Ctrl+letter as control codes 1..26, the keypad's decimal key as the
// locale's separator; -1 for keys that send none.
int characterOf(const QKeyEvent *event, char decimal)
{
    const Qt::KeyboardModifiers mods = event->modifiers();
    if (mods & Qt::AltModifier)
        return -1;
    const int key = event->key();
    if (mods & Qt::ControlModifier)
        return key >= Qt::Key_A && key <= Qt::Key_Z ? key - Qt::Key_A + 1 : -1;
    if (mods & Qt::KeypadModifier && (key == Qt::Key_Period || key == Qt::Key_Comma))
        return static_cast<unsigned char>(decimal);
    const QString text = event->text();
    if (text.isEmpty())
        return -1;
    const ushort c = text.at(0).unicode();
    if (c == 0x7F || c > 0xFF || c == '\t')
        return -1;
    return c;
}

short shiftState(Qt::KeyboardModifiers mods)
{
    short shift = 0;
    if (mods & Qt::ShiftModifier) shift |= 1;
    if (mods & Qt::ControlModifier) shift |= 2;
    if (mods & Qt::AltModifier) shift |= 4;
    return shift;
}

bool isNavigationKey(int key)
{
    switch (key) {
    case Qt::Key_PageUp: case Qt::Key_PageDown: case Qt::Key_End: case Qt::Key_Home:
    case Qt::Key_Left: case Qt::Key_Up: case Qt::Key_Right: case Qt::Key_Down:
        return true;
    default:
        return false;
    }
}

} // namespace

// The control's side of an edit: events, notifications and the widget's own work.
class CVururazCtrl::EditAdapter final : public zq::EditSink
{
public:
    explicit EditAdapter(CVururazCtrl &control) : c(control) {}

    void notifyText() override { c.boundPropertyChanged(id::Text); }
    void fireChange() override { c.fireSimple(vururaz::event::Change); }
    void fireAutoTerminate() override { c.fireSimple(vururaz::event::AutoTerminate); }
    void markModified() override { c.setModifiedFlag(); }
    void invalidate() override { c.invalidateControl(); }
    void measure() override { c.measureCharEdges(); }
    void beep() override { QApplication::beep(); }
    void invalidEntry() override { c.fireSimple(vururaz::event::InvalidEntry); }
    void reformatted() override
    {
        if (c.ambientUserMode())
            c.notifyChange(id::SelStart);
    }
    void setText(const QByteArray &text) override { c.validatedSetText(text); }
    void spinStep(bool up) override { c.applySpinStep(up ? c.m_spinChangeReal : -c.m_spinChangeReal); }
    bool roomToInsert(const zq::TextState &state) override
    {
        c.measureCharEdges();
        const int before = c.m_charEdges.value(qBound(0, state.caret, int(c.m_charEdges.size()) - 1));
        return zq::ControlPainter::typingRoom(c.paintState()) >= before;
    }

private:
    CVururazCtrl &c;
};

void CVururazCtrl::initInput()
{
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_repeatClock = RepeatClock::system();
}

void CVururazCtrl::setRepeatClock(std::unique_ptr<RepeatClock> clock)
{
    if (!clock)
        return;
    m_repeatClock->cancel();
    m_repeatClock = std::move(clock);
}

zq::PaintState CVururazCtrl::paintState() const
{
    zq::PaintState s;
    s.look = m_look;
    s.look.moneyFormat = m_value.MoneyFormat;
    s.look.font = font();
    s.rect = rect();
    s.text = m_state.text;
    s.caret = m_state.caret;
    s.selLength = m_state.selLength;
    s.focused = m_focus != 0;
    s.enabled = isEnabled();
    s.userMode = ambientUserMode();
    s.mouseState = m_mouseState;
    return s;
}

QImage CVururazCtrl::renderToImage() const
{
    return zq::ControlPainter::render(paintState());
}

void CVururazCtrl::measureCharEdges()
{
    if (!m_charEdges.isEmpty() && m_edgesText == m_state.text && m_edgesFont == font())
        return;
    m_edgesText = m_state.text;
    m_edgesFont = font();
    m_charEdges = zq::ControlPainter::measureCharEdges(m_edgesText, m_edgesFont);
}

void CVururazCtrl::paintEvent(QPaintEvent *)
{
    measureCharEdges();
    const zq::PaintState state = paintState();
    const zq::SpinGeometry spin = zq::ControlPainter::spinGeometry(state);
    m_spinUp = spin.upHit;
    m_spinDown = spin.downHit;
    if (m_caret && m_focus)
        m_caret->setPosition(zq::ControlPainter::caretRect(state, m_charEdges).topLeft());
    QPainter painter(this);
    zq::ControlPainter::paint(painter, state, m_caret.get(), &m_charEdges);
}

void CVururazCtrl::changeEvent(QEvent *event)
{
    CKxControlBase::changeEvent(event);
    if (event->type() == QEvent::EnabledChange || event->type() == QEvent::FontChange) {
        measureCharEdges();
        invalidateControl();
    }
}

bool CVururazCtrl::event(QEvent *event)
{
    // The page, Home, End and arrow keys belong to the control, not to the container's
    // shortcuts; Tab still moves the focus on.
    if (event->type() == QEvent::ShortcutOverride && isNavigationKey(static_cast<QKeyEvent *>(event)->key())) {
        event->accept();
        return true;
    }
    const bool handled = CKxControlBase::event(event);
    // Keys, clicks and focus change the text and caret without a change notification.
    announceChanges();
    return handled;
}

void CVururazCtrl::fireKey(int dispid, int keyCode, Qt::KeyboardModifiers mods)
{
    zq::EventArgs args{{QStringLiteral("KeyCode"), Variant::fromI2(short(keyCode)), true},
                       {QStringLiteral("Shift"), Variant::fromI2(shiftState(mods)), false}};
    fireEvent(dispid, args);
}

zq::EditContext CVururazCtrl::editContext()
{
    zq::EditContext ctx;
    ctx.settings = settings();
    ctx.profile = m_intl.get();
    ctx.readOnly = readOnly();
    ctx.autoHScroll = autoHScroll();
    ctx.spin = m_look.spin;
    ctx.window = this;
    return ctx;
}

void CVururazCtrl::keyPressEvent(QKeyEvent *event)
{
    typeKey(virtualKey(event), characterOf(event, zq::IntlSettings::read(intl()).decimalChar()), event->modifiers());
    // The control wants arrows and characters only: Enter and Escape still reach the
    // container's default and cancel buttons.
    const int k = event->key();
    if (k == Qt::Key_Return || k == Qt::Key_Enter || k == Qt::Key_Escape)
        event->ignore();
    else
        event->accept();
}

void CVururazCtrl::typeKey(int key, int character, Qt::KeyboardModifiers modifiers)
{
    const zq::KeyModifiers mods{(modifiers & Qt::ShiftModifier) != 0, (modifiers & Qt::ControlModifier) != 0};
    EditAdapter sink(*this);
    const bool editing = ambientUserMode();
    if (key != 0) {
        fireKey(vururaz::event::KeyDown, key, modifiers);
        if (editing)
            zq::KeyDown(m_state, key, mods, editContext(), sink);
    }
    if (character >= 0) {
        zq::EventArgs args{{QStringLiteral("KeyAscii"), Variant::fromI2(short(character)), true}};
        fireEvent(vururaz::event::KeyPress, args);
        int typed = 0;
        try {
            typed = args[0].value.toI2();
        } catch (const zq::AutomationError &) {
            typed = 0; // an answer that is no key code drops the key
        }
        if (editing)
            zq::TypeCharacter(m_state, typed & 0xFF, mods, editContext(), sink);
    }
}

void CVururazCtrl::keyReleaseEvent(QKeyEvent *event)
{
    const int key = virtualKey(event);
    if (key != 0)
        fireKey(vururaz::event::KeyUp, key, event->modifiers());
    event->accept();
}

void CVururazCtrl::focusInEvent(QFocusEvent *event)
{
    CKxControlBase::focusInEvent(event);
    m_focus = 1;
    // A click that brings the focus must not undo what FocusSelect selects here.
    m_focusByPress = event->reason() == Qt::MouseFocusReason;
    m_undoText = m_state.text;
    m_textString = text();
    refreshCaret();
    if (focusSelect()) {
        m_state.caret = 0;
        m_state.selLength = int(m_textString.size());
    }
    if (moneyFormat())
        setMoneyFormat(true);
    else
        invalidateControl();
}

void CVururazCtrl::focusOutEvent(QFocusEvent *event)
{
    if (m_causesValidation && event->reason() != Qt::PopupFocusReason && !m_validating) {
        zq::EventArgs args{{QStringLiteral("Cancel"), Variant::fromBool(false), true}};
        m_validating = true;
        fireEvent(vururaz::event::KXValidate, args);
        m_validating = false;
        bool cancel = false;
        try {
            cancel = args[0].value.toBool();
        } catch (const zq::AutomationError &) {
            cancel = false;
        }
        if (cancel) {
            setFocus(Qt::OtherFocusReason);
            return;
        }
    }
    m_focus = 0;
    m_focusByPress = false;
    if (m_caret && caretVisible())
        m_caret->hide();
    QGuiApplication::styleHints()->setCursorFlashTime(m_savedBlinkTime);
    m_caret.reset();
    if (zq::OutOfRangeOnFocusLoss(m_state.text, settings(), intl())) {
        // Posted, so the container sees InvalidEntry once the focus has moved on.
        QMetaObject::invokeMethod(
            this, [this] { fireSimple(vururaz::event::InvalidEntry); }, Qt::QueuedConnection);
    }
    CKxControlBase::focusOutEvent(event);
    if (m_state.selLength != 0)
        invalidateControl();
}

void CVururazCtrl::fireMouse(int dispid, QMouseEvent *event)
{
    short button = 0;
    if (event->buttons() & Qt::LeftButton || event->button() == Qt::LeftButton) button |= 1;
    if (event->buttons() & Qt::RightButton || event->button() == Qt::RightButton) button |= 2;
    if (event->buttons() & Qt::MiddleButton || event->button() == Qt::MiddleButton) button |= 4;
    const QPoint pos = event->position().toPoint();
    zq::EventArgs args{{QStringLiteral("Button"), Variant::fromI2(button), false},
                       {QStringLiteral("Shift"), Variant::fromI2(shiftState(event->modifiers())), false},
                       {QStringLiteral("X"), Variant::fromI4(pos.x()), false},
                       {QStringLiteral("Y"), Variant::fromI4(pos.y()), false}};
    fireEvent(dispid, args);
}

int CVururazCtrl::hitTestChar(int x)
{
    measureCharEdges();
    return zq::ControlPainter::hitTestChar(paintState(), m_charEdges, x);
}

void CVururazCtrl::leftButtonDown(QMouseEvent *event)
{
    const bool placeCaret = (m_focus && !m_focusByPress) || !focusSelect();
    m_focusByPress = false;
    if (!hasFocus())
        setFocus(Qt::MouseFocusReason);
    const QPoint pos = event->position().toPoint();
    if (!m_spinUp.isEmpty() && m_spinUp.containsInclusive(pos)) {
        spinPress(true);
        return;
    }
    if (!m_spinDown.isEmpty() && m_spinDown.containsInclusive(pos)) {
        spinPress(false);
        return;
    }
    QWidget *grabber = QWidget::mouseGrabber();
    if (grabber && grabber != this) {
        fireMouse(vururaz::event::MouseDown, event);
        return;
    }
    if (grabber == this)
        releaseMouse();
    if (placeCaret) {
        m_mouseState = 1;
        m_state.caret = hitTestChar(pos.x());
        m_state.selLength = 0;
        grabMouse();
    }
    invalidateControl();
    fireMouse(vururaz::event::MouseDown, event);
}

void CVururazCtrl::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        leftButtonDown(event);
    } else {
        m_focusByPress = false;
        fireMouse(vururaz::event::MouseDown, event);
    }
}

void CVururazCtrl::mouseDoubleClickEvent(QMouseEvent *event)
{
    fireSimple(vururaz::event::DblClick);
    if (event->button() == Qt::LeftButton)
        leftButtonDown(event);
}

void CVururazCtrl::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint pos = event->position().toPoint();
    if (m_mouseState == 1) {
        const int caret = hitTestChar(pos.x());
        m_state.selLength += m_state.caret - caret;
        m_state.caret = caret;
        invalidateControl();
    } else if (m_mouseState == 2 || m_mouseState == 3) {
        spinRepeat();
    } else if (m_look.spin != 0) {
        updateSpinHover(pos);
    }
    fireMouse(vururaz::event::MouseMove, event);
}

void CVururazCtrl::mouseReleaseEvent(QMouseEvent *event)
{
    fireMouse(vururaz::event::MouseUp, event);
    if (rect().contains(event->position().toPoint()))
        fireSimple(vururaz::event::Click);
    if (event->button() != Qt::LeftButton)
        return;
    if (QWidget::mouseGrabber() == this)
        releaseMouse();
    m_repeatClock->cancel();
    m_mouseState = 0;
    invalidateControl();
}

void CVururazCtrl::leaveEvent(QEvent *event)
{
    // Leaving the window counts as a move off the spin arrows.
    if (m_mouseState == 0)
        updateSpinHover(QPoint(-1, -1));
    CKxControlBase::leaveEvent(event);
}

void CVururazCtrl::updateSpinHover(QPoint pos)
{
    const int hover = !m_spinUp.isEmpty() && m_spinUp.containsInclusive(pos)         ? 2
                      : !m_spinDown.isEmpty() && m_spinDown.containsInclusive(pos) ? 3
                                                                                   : 0;
    if (hover != 0) {
        m_hoverState = hover;
        setCursor(zq::spinCursor(hover == 2));
    } else if (m_hoverState != 0) {
        // Back to the control's own pointer, including one chosen while over the arrows.
        applyMousePointer(effectiveMousePointer());
        m_hoverState = 0;
    }
}

void CVururazCtrl::spinPress(bool up)
{
    if (m_look.spin == 0)
        return;
    m_mouseState = up ? 2 : 3;
    applySpinStep(up ? m_spinChangeReal : -m_spinChangeReal);
    m_nextRepeatTick = m_repeatClock->now() + m_spinDelay;
    grabMouse();
    scheduleSpinRepeat();
}

void CVururazCtrl::scheduleSpinRepeat()
{
    m_repeatClock->callIn(qMax<qint64>(0, m_nextRepeatTick - m_repeatClock->now()), [this] { spinRepeat(); });
}

void CVururazCtrl::spinRepeat()
{
    if (m_mouseState != 2 && m_mouseState != 3)
        return;
    if (m_repeatClock->now() >= m_nextRepeatTick && m_look.spin != 0) {
        applySpinStep(m_mouseState == 2 ? m_spinChangeReal : -m_spinChangeReal);
        m_nextRepeatTick = m_repeatClock->now() + m_spinSpeed;
    }
    scheduleSpinRepeat();
}

void CVururazCtrl::applySpinStep(double step)
{
    if (readOnly())
        return;
    const double v = zq::SpinTarget(m_state.text, step, settings(), intl());
    try {
        setValueReal(v);
    } catch (const zq::AutomationError &) {
        return; // a range with MinReal above MaxReal has no value to step to
    }
    repaint();
}
