#pragma once

#include "link/link_progress.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QTimer>

namespace orv {
class Pump;
}

// What the program is waiting on the station for and since when, as one line
// for the status lines of the main and calibration windows: "Writing Outside
// Temperature… 9 s", and once an answer is overdue "Station not answering,
// attempt 3 of 11".
class LinkActivity : public QObject, public orv::LinkProgress
{
    Q_OBJECT
public:
    explicit LinkActivity(orv::Pump &pump, QObject *parent = nullptr);

    // A sequence of exchanges begins; `task` says what it is for.
    void begin(const QString &task);
    // The sequence is over, whichever way.
    void end();

    QString text() const;
    bool isActive() const { return !m_task.isEmpty(); }

    void attemptStarted(Exchange exchange, int address, int attempt, int attempts) override;

    // Brings the elapsed time up to date; runs every second while active.
    void tick();

signals:
    void changed(const QString &text);

private:
    orv::Pump &m_pump;
    QString m_task;
    QDateTime m_start;
    int m_attempt = 0;
    int m_attempts = 0;
    QTimer m_ticker;
};

class StatusLine;
class QWidget;

// A status line showing `activity`, readable while its window is disabled
// (which it is whenever there is something to show).
StatusLine *activityLabel(LinkActivity &activity, QWidget *parent);
