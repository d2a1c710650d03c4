#pragma once

#include "link/station_detection.h"

#include <QWidget>

#include <array>

class QLabel;
class QPushButton;
class StatusLine;

namespace orv {
struct ComSettings;
class StationLink;
}

// "Detect Weather Station": runs the port and rate walk and shows its lines.
// While a run is in progress the window cannot be closed; "&Stop Detection"
// ends the run at its next check and "&Close" is available again after it.
class COM_Detect_frm : public QWidget, private orv::DetectionProgress
{
    Q_OBJECT
public:
    enum Button { DetectButton = 0, StopButton = 1, CloseButton = 2 };

    // Disables `mainWindow` (when given): detection must not run beside anything else.
    COM_Detect_frm(orv::StationLink &link, orv::ComSettings &settings, QWidget *mainWindow,
                   QWidget *parent = nullptr);

    void detect_cmd_Click(int index);
    void detect_station();

    bool isRunning() const { return m_running; }
    QStringList outputLines() const { return m_text.lines(); }
    QPushButton *button(Button which) const { return m_buttons[which]; }
    const orv::DetectionResult &lastResult() const { return m_result; }

signals:
    // Form_Unload: the window has accepted its close.
    void unloaded();
    // A run has begun or finished (for whoever shows the window's state).
    void runningChanged(bool running);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void clear() override;
    void print(const QString &text) override;
    void endLine() override;
    bool stopRequested() override { return m_stopRequested; }
    void beep() override;
    void runEnded() override;

    void setIdleButtons();
    void showText();

    orv::StationLink &m_link;
    orv::ComSettings &m_settings;
    QLabel *m_pic = nullptr;
    // Says at once that a stop is pending: the try in progress runs to its end first.
    StatusLine *m_status = nullptr;
    std::array<QPushButton *, 3> m_buttons{};
    orv::DetectionText m_text;
    orv::DetectionResult m_result;
    bool m_stopRequested = false;
    bool m_running = false;
};
