#pragma once

#include "link/com_settings.h"
#include "link/link_ui.h"
#include "link/settings_file.h"

#include <QMainWindow>

#include <functional>
#include <memory>

class QAction;
class QFrame;
class QLabel;
class QMenu;
class QPushButton;
class TerminalDisplay;
class cancel_form;
class CalibrationMode;
class LinkActivity;
class LineMonitor;
class StationConfigMenu;

namespace orv {
class CommControl;
class MessageSink;
class Pump;
class StationLink;
}

// The program's only top-level window: loads the station slots at start-up
// and leads, through its menus, to every function of the program.
class ORV_Main : public QMainWindow, public orv::LinkUi
{
    Q_OBJECT
public:
    enum class MenuState { Unconnected, Connected, PortOnly };
    Q_ENUM(MenuState)

    // `comm` is the serial control Comm1; `dataDir` holds "COM Settings.Dat";
    // `messages` shows every message box of the run (stderr when null).
    ORV_Main(orv::Pump &pump, std::unique_ptr<orv::CommControl> comm, const QString &dataDir,
             orv::MessageSink *messages = nullptr, QWidget *parent = nullptr);
    ~ORV_Main() override;

    orv::StationLink &link() { return *m_link; }
    orv::CommControl &comm() { return *m_comm; }
    orv::ComSettings &settings() { return m_settings; }
    orv::SettingsFile &settingsFile() { return m_settingsFile; }
    QString dataDir() const { return m_dataDir; }
    // The terminal panel's display, made the first time it is asked for.
    TerminalDisplay *terminal();
    CalibrationMode &calibration() { return *m_calibration; }
    // What the program is waiting on the station for, shown on the status line.
    LinkActivity &activity() { return *m_activity; }
    // The line monitor window, made the first time it is asked for.
    LineMonitor &lineMonitor();

    // What ending the program does; tests replace it to observe the request.
    void setEndAction(std::function<void()> action) { m_endAction = std::move(action); }

    void setMenuState(MenuState state);

    void linkClosing() override;
    void linkClosed() override;
    void lineLost(const QString &reason) override;

    void open_port_menu_Click();
    void port_close_menu_Click();
    void port_only_menu_Click();
    void Terminal_menu_Click();
    void cal_menu_Click();
    void COM_menu_Click();
    void change_station_menu_Click();
    void about_menu_Click();
    void exit_menu_Click();
    void Command1_Click();
    void line_monitor_menu_Click();

signals:
    // A connection attempt has created its progress window.
    void connectProgressCreated(cancel_form *form);

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void buildMenus();
    void enableMenu(QMenu *menu, bool enabled);
    void buildPanels();
    void startUp();
    QAction *addItem(QMenu *menu, const char *name, const QString &caption, void (ORV_Main::*handler)());

    orv::Pump &m_pump;
    std::unique_ptr<orv::CommControl> m_comm;
    std::unique_ptr<orv::StationLink> m_link;
    LinkActivity *m_activity = nullptr;
    LineMonitor *m_lineMonitor = nullptr;
    QString m_dataDir;
    orv::ComSettings m_settings;
    orv::SettingsFile m_settingsFile;
    std::unique_ptr<CalibrationMode> m_calibration;
    std::function<void()> m_endAction;

    QAction *m_openPort = nullptr;
    QAction *m_portClose = nullptr;
    QAction *m_portOnly = nullptr;
    QMenu *m_viewMenu = nullptr;
    QAction *m_comMenu = nullptr;
    QAction *m_aboutMenu = nullptr;
    StationConfigMenu *m_configMenu = nullptr;

    QWidget *m_comPic = nullptr;
    TerminalDisplay *m_terminal = nullptr;
    QFrame *m_aboutPic = nullptr;
    QLabel *m_versionLbl = nullptr;
    QLabel *m_copyrightLbl = nullptr;
    QPushButton *m_aboutClose = nullptr;
    QLabel *m_settingsLbl = nullptr;
};
