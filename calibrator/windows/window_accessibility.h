#pragma once

#include <QAction>
#include <QLabel>

// What screen readers are told of the program's own windows where Qt's defaults
// say too little: a plain widget window is heard as a window (or a dialog, for the
// ones that act as dialogs), not as an anonymous pane. Installed once, before any
// window is shown.
void installWindowAccessibility();

// One line telling what the program is doing. Screen readers hear it as a status
// bar whose name is what it says; QLabel tells them of each change of its text.
class StatusLine : public QLabel
{
    Q_OBJECT
public:
    explicit StatusLine(const QString &text, QWidget *parent = nullptr);
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
