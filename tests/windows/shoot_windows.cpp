#include "ORV_Main.h"
#include "cancel_form.h"
#include "simulated_line.h"
#include "terminal_display.h"
#include "virtual_pump.h"

#include "link/comm_control.h"
#include "station/station_model.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

// Screenshots of the main window, "Connection in Progress" and terminal mode
// after typing R, taken from the screen of a real display (Xvfb will do).
// Usage: shoot_windows OUTPUT_DIR
namespace {

bool shoot(QWidget *window, const QString &path)
{
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
    return ok ? 0 : 1;
}
