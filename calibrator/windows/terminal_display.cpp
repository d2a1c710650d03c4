#include "terminal_display.h"

#include "link/comm_control.h"

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
    // Heard by what it is; what the station writes on it is not yet readable to a screen reader.
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
    m_screen.feed(bytes);
    update();
}

void TerminalDisplay::handleCleared()
{
    m_screen.clear();
    update();
}

void TerminalDisplay::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    fitScreen();
}

void TerminalDisplay::fitScreen()
{
    const QFontMetrics fm(font());
    const int cell = qMax(1, fm.horizontalAdvance(QLatin1Char('M')));
    const int line = qMax(1, fm.lineSpacing());
    m_screen.resize((width() - 2 * margin) / cell, (height() - 2 * margin) / line);
}

void TerminalDisplay::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), palette().base());
    p.setFont(font());
    p.setPen(palette().text().color());
    const QFontMetrics fm(font());
    const int cell = qMax(1, fm.horizontalAdvance(QLatin1Char('M')));
    const int line = qMax(1, fm.lineSpacing());
    for (int r = 0; r < m_screen.rows(); ++r)
        p.drawText(margin, margin + r * line + fm.ascent(), m_screen.line(r));
    if (hasFocus() && m_comm.terminalActive()) {
        const QPoint c = m_screen.cursor();
        const int col = qMin(c.x(), m_screen.columns() - 1);
        p.fillRect(margin + col * cell, margin + c.y() * line + fm.ascent() + 1, cell, 2,
                   palette().text());
    }
}
