#pragma once

#include "window_accessibility.h"

class TerminalDisplay;

// What a screen reader reads of the terminal display: its lines as one text,
// with the terminal's cursor as the caret. Role terminal, so a screen reader
// speaks what arrives as it does in any terminal emulator.
class TerminalAccessible : public ReadOnlyTextAccessible
{
public:
    explicit TerminalAccessible(TerminalDisplay *display);

    QString plainText() const override;
    int cursorPosition() const override;
    QRect characterRect(int offset) const override;
    int offsetAtPoint(const QPoint &point) const override;

private:
    TerminalDisplay *display() const;
};

// How the display's text went from `before` to `after`, as the edits a screen
// reader is told of: the lines that scrolled off the top are removed first,
// then what differs from the first changed character on is replaced.
struct TerminalTextChange
{
    QString scrolledOff;
    int at = 0;
    QString removed;
    QString inserted;

    bool operator==(const TerminalTextChange &o) const
    {
        return scrolledOff == o.scrolledOff && at == o.at && removed == o.removed && inserted == o.inserted;
    }
};

TerminalTextChange terminalTextChange(const QString &before, int linesScrolled, const QString &after);

// The offset in the display's text of `cell` (column, row), for lines as
// TerminalScreen::text() gives them: a cell past a line's end is its end.
int terminalOffset(const QStringList &lines, QPoint cell);
