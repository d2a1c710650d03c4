#pragma once

#include "link/com_settings.h"

#include <QDialog>
#include <QList>
#include <QString>

#include <memory>

class QLabel;
class QProgressBar;
class QPushButton;

namespace orv::cli {
class FleetRunner;
}

// "Back up every station…": one progress row per station slot with a port
// set while each is backed up into a folder, every line at once, by the same
// runner and backup as `orvcal-cli --all-slots backup`. Stop ends every line
// at its next read; the dialog closes only once every line has stopped.
class FleetBackupDialog : public QDialog
{
    Q_OBJECT

public:
    FleetBackupDialog(const orv::ComSettings &settings, const QString &dataDir, const QString &folder,
                      QWidget *parent = nullptr);
    ~FleetBackupDialog() override;

    void start();
    bool isFinished() const;
    int rowCount() const { return int(m_rows.size()); }
    // What a row shows: its station, its state and how far its bar is.
    QString rowText(int row) const;
    QString summary() const;

    void reject() override;

signals:
    void allDone();

private:
    void handleStarted(int row);
    void handleProgress(int row, const QString &line);
    void handleSlotFinished(int row);
    void handleFinished();

    struct Row
    {
        QLabel *station = nullptr;
        QProgressBar *bar = nullptr;
        QLabel *state = nullptr;
    };
    QList<Row> m_rows;
    std::unique_ptr<orv::cli::FleetRunner> m_runner;
    QString m_folder;
    QLabel *m_summary = nullptr;
    QPushButton *m_stop = nullptr;
    QPushButton *m_close = nullptr;
};
