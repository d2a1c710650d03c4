#pragma once

#include <QByteArray>
#include <QChar>
#include <QPoint>
#include <QString>
#include <QStringList>

#include <vector>

// The character grid of the terminal display: received bytes are placed the
// way a plain teletype-style terminal places them. Only CR, LF, BS and TAB
// move the cursor; other control bytes (ESC included) are dropped, so a
// station can never send an escape sequence that rearranges the screen.
class TerminalScreen
{
public:
    TerminalScreen(int columns = 80, int rows = 24);

    // Keeps the text that still fits; the cursor stays on the screen.
    void resize(int columns, int rows);
    void clear();
    void feed(const QByteArray &bytes);

    int columns() const { return m_columns; }
    int rows() const { return m_rows; }
    QPoint cursor() const { return {m_col, m_row}; }
    // Lines scrolled off the top since the screen was made.
    int scrolled() const { return m_scrolled; }
    // Full width, blank-padded.
    QString line(int row) const { return m_lines.at(size_t(row)); }
    // Every row with trailing blanks removed, trailing blank rows dropped.
    QStringList text() const;

    // The character a byte from the station shows as: Latin-1, with the
    // Windows code page's printable characters in 0x80..0x9F.
    static QChar glyphFor(unsigned char byte);

private:
    void lineFeed();
    void put(QChar c);

    int m_columns;
    int m_rows;
    int m_col = 0;
    int m_row = 0;
    int m_scrolled = 0;
    std::vector<QString> m_lines;
};
