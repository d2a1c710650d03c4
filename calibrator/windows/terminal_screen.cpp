#include "terminal_screen.h"

#include <algorithm>

namespace {

constexpr int tabWidth = 8;

// Code page 1252 in 0x80..0x9F; zero where that code page leaves a hole.
constexpr char16_t cp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

} // namespace

TerminalScreen::TerminalScreen(int columns, int rows)
    : m_columns(std::max(1, columns))
    , m_rows(std::max(1, rows))
    , m_lines(size_t(m_rows), QString(m_columns, QLatin1Char(' ')))
{
}

void TerminalScreen::resize(int columns, int rows)
{
    columns = std::max(1, columns);
    rows = std::max(1, rows);
    if (columns == m_columns && rows == m_rows)
        return;
    // Shrinking keeps the rows nearest the cursor, as scrolling would.
    const int drop = std::max(0, m_row + 1 - rows);
    std::vector<QString> lines;
    for (int r = 0; r < rows; ++r) {
        const int from = r + drop;
        QString l = from < m_rows ? m_lines[size_t(from)].left(columns) : QString();
        lines.push_back(l.leftJustified(columns, QLatin1Char(' ')));
    }
    m_lines = std::move(lines);
    m_columns = columns;
    m_rows = rows;
    m_row = std::min(m_row - drop, m_rows - 1);
    m_col = std::min(m_col, m_columns);
}

void TerminalScreen::clear()
{
    for (QString &l : m_lines)
        l.fill(QLatin1Char(' '));
    m_row = 0;
    m_col = 0;
}

QChar TerminalScreen::glyphFor(unsigned char byte)
{
    if (byte >= 0x80 && byte < 0xA0 && cp1252High[byte - 0x80] != 0)
        return QChar(cp1252High[byte - 0x80]);
    return QChar(byte);
}

void TerminalScreen::feed(const QByteArray &bytes)
{
    for (const char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        switch (b) {
        case '\r':
            m_col = 0;
            break;
        case '\n':
            lineFeed();
            break;
        case '\b':
            m_col = std::max(0, std::min(m_col, m_columns - 1) - 1);
            break;
        case '\t':
            m_col = std::min(m_columns - 1, (m_col / tabWidth + 1) * tabWidth);
            break;
        default:
            if (b >= 0x20 && b != 0x7F)
                put(glyphFor(b));
            break;
        }
    }
}

void TerminalScreen::lineFeed()
{
    if (m_row + 1 < m_rows) {
        ++m_row;
        return;
    }
    m_lines.erase(m_lines.begin());
    ++m_scrolled;
    m_lines.emplace_back(m_columns, QLatin1Char(' '));
}

void TerminalScreen::put(QChar c)
{
    // The cursor waits past the last column, so a full-width line followed by
    // CR LF does not leave an empty line behind it.
    if (m_col >= m_columns) {
        m_col = 0;
        lineFeed();
    }
    m_lines[size_t(m_row)][m_col] = c;
    ++m_col;
}

QStringList TerminalScreen::text() const
{
    QStringList out;
    for (const QString &l : m_lines) {
        int end = int(l.size());
        while (end > 0 && l.at(end - 1) == QLatin1Char(' '))
            --end;
        out << l.left(end);
    }
    while (!out.isEmpty() && out.last().isEmpty())
        out.removeLast();
    return out;
}
