#include "terminal_accessible.h"

#include "terminal_display.h"

TerminalAccessible::TerminalAccessible(TerminalDisplay *display)
    : ReadOnlyTextAccessible(display, QAccessible::Terminal)
{
}

TerminalDisplay *TerminalAccessible::display() const
{
    return static_cast<TerminalDisplay *>(widget());
}

QString TerminalAccessible::plainText() const
{
    return display()->screen().text().join(QLatin1Char('\n'));
}

int TerminalAccessible::cursorPosition() const
{
    return terminalOffset(display()->screen().text(), display()->screen().cursor());
}

QRect TerminalAccessible::characterRect(int offset) const
{
    const QStringList lines = display()->screen().text();
    for (int row = 0; row < lines.size(); ++row) {
        if (offset <= lines[row].size()) {
            const QRect cell = display()->cellRect(QPoint(offset, row));
            return cell.translated(display()->mapToGlobal(QPoint(0, 0)));
        }
        offset -= int(lines[row].size()) + 1;
    }
    return {};
}

int TerminalAccessible::offsetAtPoint(const QPoint &point) const
{
    const QStringList lines = display()->screen().text();
    const QPoint cell = display()->cellAt(display()->mapFromGlobal(point));
    if (cell.y() < 0 || cell.y() >= lines.size() || cell.x() < 0 || cell.x() >= lines[cell.y()].size())
        return -1;
    return terminalOffset(lines, cell);
}

int terminalOffset(const QStringList &lines, QPoint cell)
{
    int offset = 0;
    for (int row = 0; row < lines.size(); ++row) {
        if (row == cell.y())
            return offset + qBound(0, cell.x(), int(lines[row].size()));
        offset += int(lines[row].size()) + 1;
    }
    // On a blank row below the text: the end of the text.
    return qMax(0, offset - 1);
}

TerminalTextChange terminalTextChange(const QString &before, int linesScrolled, const QString &after)
{
    TerminalTextChange change;
    int cut = 0;
    for (int i = 0; i < linesScrolled && cut < before.size(); ++i) {
        const qsizetype end = before.indexOf(QLatin1Char('\n'), cut);
        cut = end < 0 ? int(before.size()) : int(end) + 1;
    }
    change.scrolledOff = before.left(cut);
    const QStringView kept = QStringView(before).mid(cut);
    int same = 0;
    while (same < kept.size() && same < after.size() && kept[same] == after[same])
        ++same;
    change.at = same;
    change.removed = kept.mid(same).toString();
    change.inserted = after.mid(same);
    return change;
}
