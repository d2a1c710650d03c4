#pragma once

#include "terminal_screen.h"

#include <QByteArray>
#include <QWidget>

namespace orv {
class CommControl;
}

// The serial control's terminal display: while the control's terminal mode is
// on, typed keys go to the port as typed and received bytes appear as they arrive.
class TerminalDisplay : public QWidget
{
    Q_OBJECT
public:
    explicit TerminalDisplay(orv::CommControl &comm, QWidget *parent = nullptr);

    const TerminalScreen &screen() const { return m_screen; }
    // Where the character cell (column, row) is drawn, and which cell a point falls in.
    QRect cellRect(QPoint cell) const;
    QPoint cellAt(QPoint pos) const;

    // Fixed-pitch "Courier New" bold 9.75 pt, or the system's fixed-pitch
    // font at that size where no fixed-pitch face answers to that name.
    static QFont terminalFont();

    // The bytes a key sends: Enter as CR, Backspace as 0x08, anything else as
    // the single-byte text it types; keys that type nothing send nothing.
    static QByteArray bytesForKey(int key, const QString &text);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool focusNextPrevChild(bool next) override;

private:
    void handleShow(const QByteArray &bytes);
    void handleCleared();
    void fitScreen();
    // Tells screen readers how the text changed since it read `before`.
    void announce(const QString &before, int scrolledBefore);

    orv::CommControl &m_comm;
    TerminalScreen m_screen;
    int m_announcedCaret = 0;
};
