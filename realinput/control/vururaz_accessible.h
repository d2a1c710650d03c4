#pragma once

#include <QAccessibleWidget>

#include <limits>
#include <memory>
#include <vector>

class CVururazCtrl;

// What assistive technology was last told of the control; an unknown value (NaN)
// is read but not announced.
struct VururazSnapshot
{
    QByteArray text;
    int caret = 0;
    int selStart = 0;
    int selEnd = 0;
    double value = std::numeric_limits<double>::quiet_NaN();
    bool readOnly = false;
};

// What assistive technology sees of the input control: a spin box (an editable
// text without spin arrows) with its text, caret, selection, value and range.
// Every change made through it takes the path the user's own keys and the
// spin arrows take, so read-only, the limits and the control's events hold.
class CVururazAccessible : public QAccessibleWidget,
                           public QAccessibleTextInterface,
                           public QAccessibleEditableTextInterface,
                           public QAccessibleValueInterface
{
public:
    explicit CVururazAccessible(CVururazCtrl *control);

    // Registered with QAccessible by the first control of the process.
    static QAccessibleInterface *create(const QString &className, QObject *object);
    static void registerFactory();
    // The events telling of the change from `was` to `now`, in the order they go out:
    // the text (one insertion, removal or replacement), the value, read-only, then the
    // selection or else the caret.
    static std::vector<std::unique_ptr<QAccessibleEvent>> changeEvents(QObject *control, const VururazSnapshot &was,
                                                                       const VururazSnapshot &now);

    void *interface_cast(QAccessible::InterfaceType type) override;
    QAccessible::Role role() const override;
    QAccessible::State state() const override;
    QString text(QAccessible::Text t) const override;

    QStringList actionNames() const override;
    void doAction(const QString &actionName) override;
    QStringList keyBindingsForAction(const QString &actionName) const override;

    void selection(int selectionIndex, int *startOffset, int *endOffset) const override;
    int selectionCount() const override;
    void addSelection(int startOffset, int endOffset) override;
    void removeSelection(int selectionIndex) override;
    void setSelection(int selectionIndex, int startOffset, int endOffset) override;
    int cursorPosition() const override;
    void setCursorPosition(int position) override;
    QString text(int startOffset, int endOffset) const override;
    int characterCount() const override;
    QRect characterRect(int offset) const override;
    int offsetAtPoint(const QPoint &point) const override;
    void scrollToSubstring(int startIndex, int endIndex) override;
    QString attributes(int offset, int *startOffset, int *endOffset) const override;

    void deleteText(int startOffset, int endOffset) override;
    void insertText(int offset, const QString &text) override;
    void replaceText(int startOffset, int endOffset, const QString &text) override;

    QVariant currentValue() const override;
    void setCurrentValue(const QVariant &value) override;
    QVariant maximumValue() const override;
    QVariant minimumValue() const override;
    QVariant minimumStepSize() const override;

private:
    CVururazCtrl *control() const;
    bool hasSpinArrows() const;
    // Selects [start, end) with the caret at `end`, as a Shift+arrow selection leaves it.
    void select(int start, int end);
};
