#pragma once

#include "link/line_trace.h"

#include <QTimer>
#include <QWidget>

#include <functional>

class StatusLine;
class QPlainTextEdit;

namespace orv {
class CommControl;
class Pump;
}

// The "Line Monitor" window: every byte over the station's line, one row per
// chunk. It listens only while shown, and it takes what the line recorded on a
// timer of its own, so the exchange never waits for a repaint.
class LineMonitor : public QWidget
{
    Q_OBJECT
public:
    static constexpr int maxRows = 5000;
    static constexpr int flushIntervalMs = 200;

    LineMonitor(orv::CommControl &comm, const orv::Pump &clock, QWidget *parent = nullptr);
    ~LineMonitor() override;

    // Moves what the line recorded since the last batch into the rows.
    void flush();
    QStringList rows() const;
    bool listening() const;

    // Writes the rows kept to `path`; false after saying why on the window.
    bool saveTo(const QString &path);
    void save();
    void clear();

    // Tests answer the file dialog instead of a user (empty: cancelled).
    std::function<QString()> chooseFile;

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void stopListening();

    orv::CommControl &m_comm;
    orv::LineTrace m_trace;
    QPlainTextEdit *m_view = nullptr;
    StatusLine *m_status = nullptr;
    QTimer m_flushTimer;
};
