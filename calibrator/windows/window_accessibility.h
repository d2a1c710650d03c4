#pragma once

#include <QAccessibleWidget>
#include <QAction>
#include <QLabel>

// What screen readers are told of the program's own windows where Qt's defaults
// say too little: a plain widget window is heard as a window (or a dialog, for the
// ones that act as dialogs), not as an anonymous pane. Installed once, before any
// window is shown.
void installWindowAccessibility();

// A widget whose text a screen reader reads but cannot change: it keeps no
// selection, and its caret is wherever the widget says.
class ReadOnlyTextAccessible : public QAccessibleWidget, public QAccessibleTextInterface
{
public:
    using QAccessibleWidget::QAccessibleWidget;

    virtual QString plainText() const = 0;

    void *interface_cast(QAccessible::InterfaceType t) override;
    QString text(QAccessible::Text t) const override { return QAccessibleWidget::text(t); }
    QString text(int startOffset, int endOffset) const override;
    int characterCount() const override { return int(plainText().size()); }
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    void selection(int, int *startOffset, int *endOffset) const override { *startOffset = *endOffset = 0; }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    void scrollToSubstring(int, int) override {}
    QString attributes(int offset, int *startOffset, int *endOffset) const override;
};

// One line telling what the program is doing. Screen readers hear it as a status
// bar whose name and text are what it says, and hear each change of it as its
// text replaced and its name changed.
class StatusLine : public QLabel
{
    Q_OBJECT
public:
    explicit StatusLine(const QString &text, QWidget *parent = nullptr);

    // QLabel::setText alone would change the name but not the text a screen reader reads.
    void setStatus(const QString &text);
};

// Runs `handler` when `action` is chosen while `window` takes input. A screen reader
// can choose the entries of a disabled window, which keys and mouse cannot; while a
// sequence or a child window holds that window, they do nothing.
template <typename Receiver>
void onChosen(QAction *action, const QWidget *window, Receiver *receiver, void (Receiver::*handler)())
{
    QObject::connect(action, &QAction::triggered, receiver, [window, receiver, handler] {
        if (window->isEnabled())
            (receiver->*handler)();
    });
}
