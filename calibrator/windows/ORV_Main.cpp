#include "ORV_Main.h"

#include "Com_form.h"
#include "calibration_mode.h"
#include "cancel_form.h"
#include "change_station_frm.h"
#include "keyboard_focus.h"
#include "line_monitor.h"
#include "link_activity.h"
#include "screen_fit.h"
#include "station_config_menu.h"
#include "terminal_display.h"
#include "version_info.h"
#include "window_accessibility.h"

#include "link/comm_control.h"
#include "link/connect_station.h"
#include "link/line_settings.h"
#include "link/station_link.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFrame>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>

namespace {

constexpr int terminalWidth = 634;
constexpr int terminalHeight = 428;

// The station's command set, written into the terminal before handing over.
// Lines 15 and 22 are a single blank; 11 and 17 end in a blank; the last line
// ends LF CR, the others CR LF.
const char *const terminalHelp[] = {
    "V-   Firmware version number",
    "S-   Firmware Serial#",
    "I-   Unit ID number",
    "C-   Daily min. and max. of all parameters with rainfall rate, and clears.",
    "c-   Daily min. and max. of all parameters with term rainfall, and clears.",
    "     C,D,E command data is cleared automaticaly at midnight",
    "D-   Same as C command but does not clear memory",
    "d-   Same as c command but does not clear memory",
    "E-   same as D command plus date/time of occurrence.",
    "M-   Daily min/max along with date/time of occurrence. Clears.",
    "m-   Daily min/max along with date/time of occurrence. No clear. ",
    "R-   Current conditions. Rainfall as rate.",
    "r-   Current conditions. Term Rainfall",
    "K-   Current calculated values,dew point, Windchill and heat index",
    " ",
    "The following commands respond if the ZBL has logged data in memory.",
    "T-   Newest logged data, ",
    "N-   Nextlogged record (forward in time)",
    "A-   Repeats last line of logged data",
    "P-   Previous logged record (back in time),",
    "B-   oldest logged record.",
    " ",
    "The text listed above is a description of the command set for the station",
    "You are now in terminal mode. Any keys you press will be sent to station.",
};

QString versionText()
{
    return QStringLiteral("%1.%2.%3").arg(ORV_VERSION_MAJOR).arg(ORV_VERSION_MINOR).arg(ORV_VERSION_PATCH);
}

} // namespace

ORV_Main::ORV_Main(orv::Pump &pump, std::unique_ptr<orv::CommControl> comm, const QString &dataDir,
                   orv::MessageSink *messages, QWidget *parent)
    : QMainWindow(parent)
    , m_pump(pump)
    , m_comm(std::move(comm))
    , m_link(std::make_unique<orv::StationLink>(*m_comm, m_pump))
    , m_dataDir(dataDir)
    , m_endAction([] { QCoreApplication::quit(); })
{
    setObjectName(QStringLiteral("ORV_Main"));
    setWindowTitle(QStringLiteral("ORV CAL    Halvik Weather Station Calibration/Configuration Utility"));
    m_link->setUi(this);
    m_link->setMessages(messages);
    m_activity = new LinkActivity(m_pump, this);
    m_link->setProgress(m_activity);
    m_calibration = std::make_unique<CalibrationMode>(*this, *m_link, m_settings, &m_settingsFile, m_dataDir);
    m_calibration->setActivity(m_activity);
    buildMenus();
    buildPanels();
    startUp();
}

ORV_Main::~ORV_Main()
{
    // It lets go of the serial control, which goes before the window's children do.
    delete m_lineMonitor;
    m_link->setUi(nullptr);
    m_link->setProgress(nullptr);
}

QAction *ORV_Main::addItem(QMenu *menu, const char *name, const QString &caption, void (ORV_Main::*handler)())
{
    QAction *action = menu->addAction(caption);
    action->setObjectName(QLatin1String(name));
    onChosen(action, this, this, handler);
    return action;
}

void ORV_Main::buildMenus()
{
    QMenu *file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("File_menu"));
    addItem(file, "change_station_menu", QStringLiteral("&Select Active Station"), &ORV_Main::change_station_menu_Click);
    file->addSeparator()->setObjectName(QStringLiteral("blank_menu"));
    addItem(file, "exit_menu", QStringLiteral("E&xit"), &ORV_Main::exit_menu_Click);

    QMenu *connectMenu = menuBar()->addMenu(QStringLiteral("&Connect"));
    connectMenu->setObjectName(QStringLiteral("connect_menu"));
    m_openPort = addItem(connectMenu, "open_port_menu", QStringLiteral("&Connect to Weather Station"),
                         &ORV_Main::open_port_menu_Click);
    m_portClose = addItem(connectMenu, "port_close_menu", QStringLiteral("&Disconnect From Weather Station"),
                          &ORV_Main::port_close_menu_Click);
    connectMenu->addSeparator()->setObjectName(QStringLiteral("Blank7"));
    m_portOnly = addItem(connectMenu, "port_only_menu", QStringLiteral("&Open COM Port only in Terimal Mode"),
                         &ORV_Main::port_only_menu_Click);

    m_viewMenu = menuBar()->addMenu(QStringLiteral("&Tools"));
    m_viewMenu->setObjectName(QStringLiteral("View_menu"));
    addItem(m_viewMenu, "cal_menu", QStringLiteral("&Calibration Mode"), &ORV_Main::cal_menu_Click);
    addItem(m_viewMenu, "Terminal_menu", QStringLiteral("&Terminal Mode"), &ORV_Main::Terminal_menu_Click);

    // These two act when chosen; they open no menu.
    m_comMenu = menuBar()->addAction(QStringLiteral("Communication &Properties"));
    m_comMenu->setObjectName(QStringLiteral("COM_menu"));
    onChosen(m_comMenu, this, this, &ORV_Main::COM_menu_Click);
    m_aboutMenu = menuBar()->addAction(QStringLiteral("&About"));
    m_aboutMenu->setObjectName(QStringLiteral("about_menu"));
    onChosen(m_aboutMenu, this, this, &ORV_Main::about_menu_Click);

    m_configMenu = new StationConfigMenu(*this, *m_link, m_settings, m_settingsFile, m_dataDir);

    // Beside the program's own menus, so theirs keep their captions and states.
    QMenu *monitorMenu = menuBar()->addMenu(QStringLiteral("&View"));
    monitorMenu->setObjectName(QStringLiteral("monitor_menu"));
    addItem(monitorMenu, "line_monitor_menu", QStringLiteral("&Line Monitor"), &ORV_Main::line_monitor_menu_Click);
}

LineMonitor &ORV_Main::lineMonitor()
{
    if (!m_lineMonitor)
        m_lineMonitor = new LineMonitor(*m_comm, m_pump, this);
    return *m_lineMonitor;
}

void ORV_Main::line_monitor_menu_Click()
{
    LineMonitor &monitor = lineMonitor();
    monitor.show();
    monitor.raise();
    monitor.activateWindow();
}

void ORV_Main::buildPanels()
{
    auto *background = new QWidget(this);
    background->setObjectName(QStringLiteral("background_pic"));
    background->setMinimumSize(terminalWidth, terminalHeight);
    background->setAutoFillBackground(true);
    setCentralWidget(background);

    auto *title = new QLabel(QStringLiteral("ORV CAL\nWeather Station Calibration/Configuration"), background);
    title->setAlignment(Qt::AlignCenter);
    QFont titleFont = title->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.6);
    titleFont.setBold(true);
    title->setFont(titleFont);
    auto *backgroundLayout = new QVBoxLayout(background);
    backgroundLayout->addWidget(title);

    m_comPic = new QWidget(background);
    m_comPic->setObjectName(QStringLiteral("com_pic"));
    m_comPic->setAutoFillBackground(true);
    m_comPic->hide();

    m_aboutPic = new QFrame(background);
    m_aboutPic->setObjectName(QStringLiteral("about_pic"));
    m_aboutPic->setFrameShape(QFrame::Panel);
    m_aboutPic->setFrameShadow(QFrame::Raised);
    m_aboutPic->setAutoFillBackground(true);
    auto *aboutLayout = new QVBoxLayout(m_aboutPic);
    aboutLayout->setContentsMargins(20, 16, 20, 16);
    auto *caption = new QLabel(QStringLiteral("ORV CAL Version"), m_aboutPic);
    caption->setObjectName(QStringLiteral("about_lbl"));
    m_versionLbl = new QLabel(m_aboutPic);
    m_versionLbl->setObjectName(QStringLiteral("version_lbl"));
    m_copyrightLbl = new QLabel(m_aboutPic);
    m_copyrightLbl->setObjectName(QStringLiteral("Copyright_lbl"));
    m_copyrightLbl->setWordWrap(true);
    auto *support = new QLabel(QStringLiteral("Technical support: Halvik Weather Station service desk"), m_aboutPic);
    support->setObjectName(QStringLiteral("support_lbl"));
    // Installed, the settings live in a per-user folder a technician may not guess.
    m_settingsLbl = new QLabel(m_aboutPic);
    m_settingsLbl->setObjectName(QStringLiteral("settings_lbl"));
    m_settingsLbl->setWordWrap(true);
    m_settingsLbl->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto *close = new QPushButton(QStringLiteral("Close"), m_aboutPic);
    m_aboutClose = close;
    close->setObjectName(QStringLiteral("Command1"));
    connect(close, &QPushButton::clicked, this, &ORV_Main::Command1_Click);
    for (QLabel *label : {caption, m_versionLbl, m_copyrightLbl, support, m_settingsLbl})
        label->setAlignment(Qt::AlignCenter);
    aboutLayout->addWidget(caption);
    aboutLayout->addWidget(m_versionLbl);
    aboutLayout->addWidget(m_copyrightLbl);
    aboutLayout->addWidget(support);
    aboutLayout->addWidget(m_settingsLbl);
    aboutLayout->addWidget(close, 0, Qt::AlignCenter);
    m_aboutPic->setFixedWidth(380);
    m_aboutPic->adjustSize();
    m_aboutPic->hide();

    statusBar()->addWidget(activityLabel(*m_activity, statusBar()), 1);
    resize(terminalWidth, terminalHeight + menuBar()->sizeHint().height() + statusBar()->sizeHint().height());
    giveRoomForCaption(this);
}

TerminalDisplay *ORV_Main::terminal()
{
    // Made when first shown: finding its font is start-up work the first window does not need.
    if (!m_terminal) {
        m_terminal = new TerminalDisplay(*m_comm, m_comPic);
        m_terminal->setObjectName(QStringLiteral("Comm1"));
        m_terminal->setGeometry(0, 0, terminalWidth, terminalHeight);
        setTabOrder(m_terminal, m_aboutClose);
    }
    return m_terminal;
}

void ORV_Main::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    const QRect client = centralWidget()->rect();
    m_comPic->setGeometry(0, 0, client.width(), client.height());
    m_aboutPic->move(client.center() - m_aboutPic->rect().center());
}

void ORV_Main::startUp()
{
    m_comPic->move(m_comPic->x(), 0);
    enableMenu(m_viewMenu, false);
    m_portClose->setEnabled(false);
    if (!m_settingsFile.load(m_dataDir, m_settings)) {
        // Without the file the program still works for this run, on the defaults.
        m_settings = orv::ComSettings::defaults();
        m_link->show_message(m_settingsFile.error());
    }
    m_link->state.cur_station = 0;
}

void ORV_Main::setMenuState(MenuState state)
{
    const bool unconnected = state == MenuState::Unconnected;
    m_openPort->setEnabled(unconnected);
    m_portClose->setEnabled(!unconnected);
    m_portOnly->setEnabled(unconnected);
    // The menu itself, not only its bar entry: enabling the window would re-enable the entry.
    enableMenu(m_viewMenu, state == MenuState::Connected);
    m_comMenu->setEnabled(unconnected);
    m_configMenu->setMenuState(state == MenuState::Connected, unconnected);
}

void ORV_Main::enableMenu(QMenu *menu, bool enabled)
{
    menu->setEnabled(enabled);
    // Its entries too: a screen reader reaches them without opening the menu, and
    // should hear them dimmed and find them doing nothing.
    for (QAction *entry : menu->actions())
        entry->setEnabled(enabled);
}

void ORV_Main::linkClosing()
{
    m_calibration->unload();
    m_comPic->hide();
}

void ORV_Main::linkClosed()
{
    setMenuState(MenuState::Unconnected);
    m_activity->end();
    enableRestoringFocus(this, true);
    unsetCursor();
}

void ORV_Main::lineLost(const QString &reason)
{
    if (m_comPic->isVisible())
        m_comm->setTerminalWrite(QStringLiteral("\r\n*** Line lost: %1 ***\r\n").arg(reason).toLatin1());
}

void ORV_Main::open_port_menu_Click()
{
    disableKeepingFocus(this);
    setCursor(Qt::WaitCursor);
    m_activity->begin(QStringLiteral("Connecting to the station"));
    {
        cancel_form progress(this);
        emit connectProgressCreated(&progress);
        orv::connect_station(*m_link, m_settings, progress);
    }
    m_activity->end();
    unsetCursor();
    if (m_comm->portOpen())
        setMenuState(MenuState::Connected);
    enableRestoringFocus(this, true);
}

void ORV_Main::port_close_menu_Click()
{
    m_link->close_link();
}

void ORV_Main::port_only_menu_Click()
{
    const int slot = m_link->state.cur_station;
    m_comm->setTerminalDisplay(false);
    m_comm->setUpLine(m_settings.hasModem(slot));
    bool opened = m_comm->setSettings(orv::settingsStringForRate(m_settings.baud_rate[slot]));
    if (opened) {
        m_comm->setCommPort(m_settings.com_port[slot]);
        opened = m_comm->setPortOpen(true);
    }
    if (!opened) {
        m_link->show_message(orv::ConnectText::portUnavailable, orv::MessageIcon::None);
        m_link->close_link();
        return;
    }
    if (m_comm->portOpen())
        setMenuState(MenuState::PortOnly);
    activateWindow();
    setFocus();
    Terminal_menu_Click();
}

void ORV_Main::Terminal_menu_Click()
{
    TerminalDisplay *display = terminal();
    m_comm->setInBufferCount(0);
    m_comm->setTerminalDisplay(true);
    m_comm->setTerminalText(QByteArray());
    display->setGeometry(0, 0, terminalWidth, terminalHeight);
    m_comPic->show();
    m_comPic->raise();
    display->setFocus();
    const int count = int(std::size(terminalHelp));
    for (int i = 0; i < count; ++i) {
        const QByteArray ending = i + 1 < count ? QByteArray("\r\n") : QByteArray("\n\r");
        m_comm->setTerminalWrite(QByteArray(terminalHelp[i]) + ending);
    }
}

void ORV_Main::cal_menu_Click()
{
    m_comPic->hide();
    m_calibration->enter();
}

void ORV_Main::COM_menu_Click()
{
    disableKeepingFocus(this);
    Com_form::showFor(m_settings, *m_link, m_settingsFile, this);
}

void ORV_Main::change_station_menu_Click()
{
    change_station_frm::choose(m_settings, m_link->state.cur_station, this);
}

void ORV_Main::about_menu_Click()
{
    m_versionLbl->setText(versionText());
    m_copyrightLbl->setText(QStringLiteral(ORV_COPYRIGHT));
    m_settingsLbl->setText(QStringLiteral("Settings file: ")
                           + QDir::toNativeSeparators(QDir(m_dataDir).absoluteFilePath(orv::SettingsFile::fileName())));
    m_aboutPic->adjustSize();
    m_aboutPic->move(centralWidget()->rect().center() - m_aboutPic->rect().center());
    m_aboutMenu->setEnabled(false);
    m_aboutPic->raise();
    m_aboutPic->show();
    m_aboutClose->setFocus(Qt::OtherFocusReason);
}

void ORV_Main::Command1_Click()
{
    m_aboutMenu->setEnabled(true);
    m_aboutPic->hide();
}

void ORV_Main::exit_menu_Click()
{
    m_endAction();
}

void ORV_Main::closeEvent(QCloseEvent *event)
{
    event->accept();
    m_endAction();
}

#include "moc_ORV_Main.cpp"
