#include "terminal_display.h"
#include "terminal_accessible.h"

#include "link/comm_control.h"

#include <QAccessible>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QPainter>

namespace {

constexpr int margin = 2;

} // namespace

TerminalDisplay::TerminalDisplay(orv::CommControl &comm, QWidget *parent)
    : QWidget(parent)
    , m_comm(comm)
{
    setFont(terminalFont());
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(QStringLiteral("Station terminal"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    connect(&m_comm, &orv::CommControl::terminalShow, this, &TerminalDisplay::handleShow);
    connect(&m_comm, &orv::CommControl::terminalCleared, this, &TerminalDisplay::handleCleared);
    fitScreen();
}

QFont TerminalDisplay::terminalFont()
{
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::TypeWriter);
    font.setBold(true);
    font.setPointSizeF(9.75);
    if (QFontInfo(font).fixedPitch())
        return font;
    QFont fallback = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fallback.setBold(true);
    fallback.setPointSizeF(9.75);
    return fallback;
}

QByteArray TerminalDisplay::bytesForKey(int key, const QString &text)
{
    if (key == Qt::Key_Return || key == Qt::Key_Enter)
        return QByteArray(1, '\r');
    if (key == Qt::Key_Backspace)
        return QByteArray(1, '\b');
    QByteArray bytes;
    for (const QChar c : text) {
        // A character the line cannot carry as one byte is not sent at all.
        if (c.unicode() > 0xFF)
            return {};
        bytes += char(c.unicode());
    }
    return bytes;
}

void TerminalDisplay::keyPressEvent(QKeyEvent *event)
{
    if (!m_comm.terminalActive()) {
        QWidget::keyPressEvent(event);
        return;
    }
    const QByteArray bytes = bytesForKey(event->key(), event->text());
    if (!bytes.isEmpty())
        m_comm.sendTyped(bytes);
    event->accept();
}

bool TerminalDisplay::focusNextPrevChild(bool next)
{
    // Tab belongs to the station while the terminal is on.
    return m_comm.terminalActive() ? false : QWidget::focusNextPrevChild(next);
}

void TerminalDisplay::handleShow(const QByteArray &bytes)
{
    const bool heard = QAccessible::isActive();
    const QString before = heard ? m_screen.text().join(QLatin1Char('\n')) : QString();
    const int scrolledBefore = m_screen.scrolled();
    m_screen.feed(bytes);
    if (heard)
        announce(before, scrolledBefore);
    update();
}

void TerminalDisplay::handleCleared()
{
    const bool heard = QAccessible::isActive();
    const QString before = heard ? m_screen.text().join(QLatin1Char('\n')) : QString();
    m_screen.clear();
    if (heard)
        announce(before, m_screen.scrolled());
    update();
}

void TerminalDisplay::announce(const QString &before, int scrolledBefore)
{
    const QStringList lines = m_screen.text();
    const TerminalTextChange change =
        terminalTextChange(before, m_screen.scrolled() - scrolledBefore, lines.join(QLatin1Char('\n')));
    if (!change.scrolledOff.isEmpty()) {
        QAccessibleTextRemoveEvent event(this, 0, change.scrolledOff);
        QAccessible::updateAccessibility(&event);
    }
    if (!change.removed.isEmpty()) {
        QAccessibleTextRemoveEvent event(this, change.at, change.removed);
        QAccessible::updateAccessibility(&event);
    }
    if (!change.inserted.isEmpty()) {
        QAccessibleTextInsertEvent event(this, change.at, change.inserted);
        QAccessible::updateAccessibility(&event);
    }
    const int caret = terminalOffset(lines, m_screen.cursor());
    if (caret != m_announcedCaret) {
        m_announcedCaret = caret;
        QAccessibleTextCursorEvent event(this, caret);
        QAccessible::updateAccessibility(&event);
    }
}

QRect TerminalDisplay::cellRect(QPoint cell) const
{
    const QFontMetrics fm(font());
    const int width = qMax(1, fm.horizontalAdvance(QLatin1Char('M')));
    const int height = qMax(1, fm.lineSpacing());
    return {margin + cell.x() * width, margin + cell.y() * height, width, height};
}

QPoint TerminalDisplay::cellAt(QPoint pos) const
{
    const QRect first = cellRect(QPoint(0, 0));
    const auto cellOf = [](int offset, int size) { return offset < 0 ? -1 : offset / size; };
    return {cellOf(pos.x() - first.x(), first.width()), cellOf(pos.y() - first.y(), first.height())};
}

void TerminalDisplay::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    fitScreen();
}

void TerminalDisplay::fitScreen()
{
    const QRect cell = cellRect(QPoint(0, 0));
    m_screen.resize((width() - 2 * margin) / cell.width(), (height() - 2 * margin) / cell.height());
}

void TerminalDisplay::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), palette().base());
    p.setFont(font());
    p.setPen(palette().text().color());
    const int ascent = QFontMetrics(font()).ascent();
    const QRect first = cellRect(QPoint(0, 0));
    for (int r = 0; r < m_screen.rows(); ++r)
        p.drawText(first.left(), first.top() + r * first.height() + ascent, m_screen.line(r));
    if (hasFocus() && m_comm.terminalActive()) {
        const QPoint c = m_screen.cursor();
        const QRect cell = cellRect(QPoint(qMin(c.x(), m_screen.columns() - 1), c.y()));
        p.fillRect(cell.left(), cell.top() + ascent + 1, cell.width(), 2, palette().text());
    }
}

#include "moc_terminal_display.cpp"
