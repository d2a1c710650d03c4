#pragma once

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
