#include "COM_Detect_frm.h"
#include "Cal_form.h"
#include "Com_form.h"
#include "ORV_Main.h"
#include "calibration_mode.h"
#include "link_activity.h"
#include "cancel_form.h"
#include "line_monitor.h"
#include "simulated_line.h"
#include "terminal_display.h"
#include "virtual_pump.h"

#include "link/comm_control.h"
#include "station/station_model.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QTest>

#include <cstdio>

// Screenshots of the main window, "Connection in Progress", terminal mode
// after typing R, the calibration window's fullest tabs, station selection and
// the properties window, a detection and the line monitor, taken from the screen of a real display (Xvfb will
// do; start it with the screen size to try, e.g. -screen 0 1024x600x24).
// Usage: shoot_windows OUTPUT_DIR
namespace {

bool shoot(QWidget *window, const QString &path)
{
    // The line monitor stays open the whole session; without a window manager it would cover this one.
    window->raise();
    // Let the display server draw what the widgets painted.
    for (int i = 0; i < 5; ++i)
        QTest::qWait(60);
    const QRect frame = window->frameGeometry();
    const QPixmap shot = window->screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
    const bool ok = shot.save(path);
    std::printf("%s %s (%dx%d)\n", ok ? "saved" : "FAILED", qPrintable(path), shot.width(), shot.height());
    return ok;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/tmp/shots");
    QDir().mkpath(out);

    orv::test::VirtualPump pump(QDateTime::currentDateTime());
    orv::test::SimulatedPorts ports;
    station::StationModel console({}, pump.msSinceEpoch());
    ports.attach(QStringLiteral("/dev/sim-com2"), &console);
    orv::PortMap map;
    map.setDevicePath(2, QStringLiteral("/dev/sim-com2"));
    QTemporaryDir data;
    ORV_Main window(pump,
                    std::make_unique<orv::CommControl>(std::make_unique<orv::test::SimulatedLine>(pump, ports), map),
                    data.path());
    window.move(40, 40);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    bool ok = shoot(&window, out + QStringLiteral("/main_window.png"));
    // Open from the start, so that it has the whole session to show at the end.
    window.findChild<QAction *>(QStringLiteral("line_monitor_menu"))->trigger();
    window.lineMonitor().move(80, 80);

    QObject::connect(&window, &ORV_Main::connectProgressCreated, &window, [&](cancel_form *form) {
        QObject::connect(form, &cancel_form::infoChanged, form, [&, form](const QString &text) {
            if (text.startsWith(QStringLiteral("Connecting to Station")))
                ok = shoot(form, out + QStringLiteral("/connection_in_progress.png")) && ok;
        });
    });
    window.findChild<QAction *>(QStringLiteral("open_port_menu"))->trigger();
    window.findChild<QAction *>(QStringLiteral("Terminal_menu"))->trigger();
    QTest::keyClicks(window.terminal(), QStringLiteral("R"));
    pump.advance(2000);
    ok = shoot(&window, out + QStringLiteral("/terminal_after_R.png")) && ok;

    // The calibration window as the screen lets it be: tabs with the most to show.
    window.cal_menu_Click();
    Cal_form *form = window.calibration().form();
    if (!form || !QTest::qWaitForWindowExposed(form))
        return 1;
    auto *tabs = form->findChild<QTabWidget *>(QStringLiteral("SSTab1"));
    for (int tab : {0, 2, 3, 4, 10, 11}) {
        tabs->setCurrentIndex(tab);
        ok = shoot(form, out + QStringLiteral("/calibration_tab%1.png").arg(tab, 2, 10, QLatin1Char('0'))) && ok;
    }
    // The status line while "Make Change" waits for the station's echo.
    tabs->setCurrentIndex(0);
    pump.scheduleIn(9000, [&] {
        window.activity().tick();
        ok = shoot(form, out + QStringLiteral("/calibration_writing.png")) && ok;
    });
    form->findChild<QPushButton *>(QStringLiteral("out_temp_change_cmd"))->click();
    form->close();

    QTimer::singleShot(0, &window, [&] {
        QWidget *selection = QApplication::activeModalWidget();
        if (selection && QTest::qWaitForWindowExposed(selection))
            ok = shoot(selection, out + QStringLiteral("/station_selection.png")) && ok;
        if (selection)
            selection->close();
    });
    window.change_station_menu_Click();

    window.COM_menu_Click();
    // Looked up by name, not from a list of windows: waits delete windows closed before.
    QWidget *properties = window.findChild<QWidget *>(QStringLiteral("Com_form"));
    if (!properties || !QTest::qWaitForWindowExposed(properties))
        return 1;
    ok = shoot(properties, out + QStringLiteral("/properties.png")) && ok;
    // Nothing behind COM1; the station answers on COM2 at the first rate tried.
    auto *comForm = qobject_cast<Com_form *>(properties);
    comForm->Command1_Click();
    COM_Detect_frm *detection = comForm->detectionWindow();
    if (!detection || !QTest::qWaitForWindowExposed(detection))
        return 1;
    detection->detect_station();
    ok = shoot(detection, out + QStringLiteral("/detection.png")) && ok;
    detection->close();
    QTest::qWait(0);
    properties->close();

    window.lineMonitor().flush();
    window.lineMonitor().raise();
    ok = shoot(&window.lineMonitor(), out + QStringLiteral("/line_monitor.png")) && ok;
    return ok ? 0 : 1;
}
