#include "vururaz_accessible.h"

#include "control_painter.h"
#include "edit_model.h"
#include "framework/automation_error.h"
#include "vururaz_ctrl.h"

#include <QFontMetrics>

#include <cmath>

CVururazAccessible::CVururazAccessible(CVururazCtrl *control)
    : QAccessibleWidget(control, QAccessible::SpinBox)
{
}

QAccessibleInterface *CVururazAccessible::create(const QString &className, QObject *object)
{
    if (className != QLatin1String(CVururazCtrl::staticMetaObject.className()))
        return nullptr;
    auto *control = qobject_cast<CVururazCtrl *>(object);
    return control ? new CVururazAccessible(control) : nullptr;
}

void CVururazAccessible::registerFactory()
{
    // Made after QAccessible's factory list exists, so gone before it at exit; the
    // library's own unloading takes the factory with it.
    static const struct Registration
    {
        Registration() { QAccessible::installFactory(&CVururazAccessible::create); }
        ~Registration() { QAccessible::removeFactory(&CVururazAccessible::create); }
    } registration;
}

CVururazCtrl *CVururazAccessible::control() const
{
    return static_cast<CVururazCtrl *>(widget());
}

bool CVururazAccessible::hasSpinArrows() const
{
    return control()->spin() != CVururazCtrl::zqNoSpin;
}

void *CVururazAccessible::interface_cast(QAccessible::InterfaceType type)
{
    switch (type) {
    case QAccessible::TextInterface: return static_cast<QAccessibleTextInterface *>(this);
    case QAccessible::EditableTextInterface: return static_cast<QAccessibleEditableTextInterface *>(this);
    case QAccessible::ValueInterface: return static_cast<QAccessibleValueInterface *>(this);
    default: return QAccessibleWidget::interface_cast(type);
    }
}

QAccessible::Role CVururazAccessible::role() const
{
    return hasSpinArrows() ? QAccessible::SpinBox : QAccessible::EditableText;
}

QAccessible::State CVururazAccessible::state() const
{
    QAccessible::State s = QAccessibleWidget::state();
    const bool readOnly = control()->readOnly();
    s.readOnly = readOnly;
    s.editable = !readOnly;
    s.selectableText = true;
    return s;
}

QString CVururazAccessible::text(QAccessible::Text t) const
{
    if (t == QAccessible::Value)
        return control()->text();
    const QString own = QAccessibleWidget::text(t);
    // A face that hands its focus to the control (zq::RealInput) is what labels and names point at.
    QWidget *face = control()->parentWidget();
    if (t == QAccessible::Name && own.isEmpty() && face && face->focusProxy() == control()) {
        if (QAccessibleInterface *faceInterface = QAccessible::queryAccessibleInterface(face))
            return faceInterface->text(t);
    }
    return own;
}

QStringList CVururazAccessible::actionNames() const
{
    QStringList names = QAccessibleWidget::actionNames();
    if (hasSpinArrows() && control()->isEnabled() && !control()->readOnly())
        names << increaseAction() << decreaseAction();
    return names;
}

void CVururazAccessible::doAction(const QString &actionName)
{
    const bool up = actionName == increaseAction();
    if ((up || actionName == decreaseAction()) && actionNames().contains(actionName)) {
        // What a click on the arrow does, without the arrow's auto-repeat.
        const double step = control()->spinChangeReal();
        control()->applySpinStep(up ? step : -step);
        return;
    }
    QAccessibleWidget::doAction(actionName);
}

QStringList CVururazAccessible::keyBindingsForAction(const QString &actionName) const
{
    if (actionName == increaseAction())
        return {QStringLiteral("Up")};
    if (actionName == decreaseAction())
        return {QStringLiteral("Down")};
    return QAccessibleWidget::keyBindingsForAction(actionName);
}

void CVururazAccessible::selection(int selectionIndex, int *startOffset, int *endOffset) const
{
    *startOffset = *endOffset = 0;
    if (selectionIndex != 0 || selectionCount() == 0)
        return;
    *startOffset = control()->selStart();
    *endOffset = *startOffset + control()->selLength();
}

int CVururazAccessible::selectionCount() const
{
    return control()->selLength() != 0 ? 1 : 0;
}

void CVururazAccessible::select(int start, int end)
{
    CVururazCtrl *c = control();
    const int n = characterCount();
    start = qBound(0, start, n);
    end = qBound(0, end, n);
    c->setSelStart(end);
    c->setSelLength(start - end);
    c->invalidateControl();
}

void CVururazAccessible::addSelection(int startOffset, int endOffset)
{
    // One selection only, as the control has.
    select(startOffset, endOffset);
}

void CVururazAccessible::removeSelection(int selectionIndex)
{
    if (selectionIndex == 0 && selectionCount() != 0) {
        control()->setSelLength(0);
        control()->invalidateControl();
    }
}

void CVururazAccessible::setSelection(int selectionIndex, int startOffset, int endOffset)
{
    if (selectionIndex == 0)
        select(startOffset, endOffset);
}

int CVururazAccessible::cursorPosition() const
{
    return control()->textState().caret;
}

void CVururazAccessible::setCursorPosition(int position)
{
    control()->setSelStart(position);
    control()->invalidateControl();
}

QString CVururazAccessible::text(int startOffset, int endOffset) const
{
    const QByteArray &text = control()->textState().text;
    const int start = qBound(0, startOffset, int(text.size()));
    const int end = endOffset < 0 ? int(text.size()) : qBound(start, endOffset, int(text.size()));
    return QString::fromLatin1(text.mid(start, end - start));
}

int CVururazAccessible::characterCount() const
{
    return int(control()->textState().text.size());
}

QRect CVururazAccessible::characterRect(int offset) const
{
    CVururazCtrl *c = control();
    const int n = characterCount();
    if (offset < 0 || offset >= n)
        return QRect();
    c->measureCharEdges();
    const QVector<int> &edges = c->charEdges();
    const zq::PaintState state = c->paintState();
    const zq::TextLayout layout = zq::ControlPainter::layout(state, edges);
    // The layout places the caret; a character sits as far from it as their edges are apart.
    const int caret = qBound(0, state.caret, n);
    const int x = layout.caretX + edges.value(offset) - edges.value(caret);
    const QRect local(x, layout.lineTop, edges.value(offset + 1) - edges.value(offset),
                      QFontMetrics(c->font()).height());
    return QRect(c->mapToGlobal(local.topLeft()), local.size());
}

int CVururazAccessible::offsetAtPoint(const QPoint &point) const
{
    CVururazCtrl *c = control();
    const QPoint local = c->mapFromGlobal(point);
    if (!c->rect().contains(local))
        return -1;
    return c->hitTestChar(local.x());
}

void CVururazAccessible::scrollToSubstring(int, int)
{
    // The text scrolls to follow the caret only; there is nothing else to scroll.
}

QString CVururazAccessible::attributes(int offset, int *startOffset, int *endOffset) const
{
    *startOffset = *endOffset = offset;
    return QString();
}

void CVururazAccessible::deleteText(int startOffset, int endOffset)
{
    if (startOffset == endOffset)
        return;
    select(startOffset, endOffset);
    control()->typeKey(zq::vk::Delete, -1, Qt::NoModifier);
}

void CVururazAccessible::insertText(int offset, const QString &text)
{
    setCursorPosition(offset);
    // Typed character by character: the control decides where a digit goes and what a sign does.
    for (const QChar ch : text)
        if (ch.unicode() > 0 && ch.unicode() <= 0xFF)
            control()->typeKey(0, ch.unicode(), Qt::NoModifier);
}

void CVururazAccessible::replaceText(int startOffset, int endOffset, const QString &text)
{
    if (startOffset != endOffset)
        select(startOffset, endOffset);
    else
        setCursorPosition(startOffset);
    for (const QChar ch : text)
        if (ch.unicode() > 0 && ch.unicode() <= 0xFF)
            control()->typeKey(0, ch.unicode(), Qt::NoModifier);
}

QVariant CVururazAccessible::currentValue() const
{
    return control()->valueReal();
}

void CVururazAccessible::setCurrentValue(const QVariant &value)
{
    CVururazCtrl *c = control();
    bool ok = false;
    const double v = value.toDouble(&ok);
    // Only what the user could do: nothing on a read-only or disabled control.
    if (!ok || c->readOnly() || !c->isEnabled() || !c->ambientUserMode())
        return;
    try {
        c->setValueReal(v);
    } catch (const zq::AutomationError &) {
        // Outside MinReal..MaxReal: refused and left as it was, as the spin arrows leave it.
    }
}

QVariant CVururazAccessible::maximumValue() const
{
    return control()->maxReal();
}

QVariant CVururazAccessible::minimumValue() const
{
    return control()->minReal();
}

QVariant CVururazAccessible::minimumStepSize() const
{
    return double(control()->spinChangeReal());
}

std::vector<std::unique_ptr<QAccessibleEvent>> CVururazAccessible::changeEvents(QObject *control,
                                                                                const VururazSnapshot &was,
                                                                                const VururazSnapshot &now)
{
    std::vector<std::unique_ptr<QAccessibleEvent>> events;
    if (was.text != now.text) {
        const int common = int(qMin(was.text.size(), now.text.size()));
        int prefix = 0;
        while (prefix < common && was.text.at(prefix) == now.text.at(prefix))
            ++prefix;
        int suffix = 0;
        while (suffix < common - prefix
               && was.text.at(was.text.size() - 1 - suffix) == now.text.at(now.text.size() - 1 - suffix))
            ++suffix;
        const QString removed = QString::fromLatin1(was.text.mid(prefix, was.text.size() - prefix - suffix));
        const QString inserted = QString::fromLatin1(now.text.mid(prefix, now.text.size() - prefix - suffix));
        std::unique_ptr<QAccessibleTextCursorEvent> e;
        if (removed.isEmpty())
            e = std::make_unique<QAccessibleTextInsertEvent>(control, prefix, inserted);
        else if (inserted.isEmpty())
            e = std::make_unique<QAccessibleTextRemoveEvent>(control, prefix, removed);
        else
            e = std::make_unique<QAccessibleTextUpdateEvent>(control, prefix, removed, inserted);
        e->setCursorPosition(now.caret);
        events.push_back(std::move(e));
    }
    // The same text may read as another value once the number format changed.
    if (!std::isnan(was.value) && !std::isnan(now.value) && was.value != now.value)
        events.push_back(std::make_unique<QAccessibleValueChangeEvent>(control, now.value));
    if (was.readOnly != now.readOnly) {
        QAccessible::State changed;
        changed.readOnly = true;
        changed.editable = true;
        events.push_back(std::make_unique<QAccessibleStateChangeEvent>(control, changed));
    }
    // An empty selection is no selection, wherever the caret takes it.
    const bool hadSelection = was.selStart != was.selEnd, hasSelection = now.selStart != now.selEnd;
    if ((hadSelection || hasSelection) && (was.selStart != now.selStart || was.selEnd != now.selEnd)) {
        auto e = std::make_unique<QAccessibleTextSelectionEvent>(control, now.selStart, now.selEnd);
        e->setCursorPosition(now.caret);
        events.push_back(std::move(e));
    } else if (was.caret != now.caret) {
        events.push_back(std::make_unique<QAccessibleTextCursorEvent>(control, now.caret));
    }
    return events;
}

void CVururazCtrl::announceChanges()
{
    VururazSnapshot now;
    const int n = int(m_state.text.size());
    now.text = m_state.text;
    now.caret = qBound(0, m_state.caret, n);
    now.selStart = qBound(0, selStart(), n);
    now.selEnd = qBound(now.selStart, now.selStart + selLength(), n);
    now.readOnly = readOnly();
    // Nobody listens: the value is not even read.
    if (QAccessible::isActive())
        now.value = valueReal();
    const VururazSnapshot was = m_announced;
    m_announced = now;
    if (!QAccessible::isActive())
        return;
    for (const auto &e : CVururazAccessible::changeEvents(this, was, now))
        QAccessible::updateAccessibility(e.get());
}
