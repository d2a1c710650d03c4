// Measures what the link costs: CPU during a pumped wait, and how close a
// read_param over a real pseudo-terminal comes to the protocol floor.
//
//   orv-bench-link wait [SECONDS]                  CPU share of one core during a wait
//   orv-bench-link read DEVICE BAUD [COUNT] [closed|open]
//                                                  read_param timing against a station on DEVICE, with
//                                                  the Line Monitor window made but closed, or shown

#include "link/comm_control.h"
#include "link/port_map.h"
#include "link/qserial_device.h"
#include "link/qt_pump.h"
#include "link/station_link.h"
#include "line_monitor.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTextStream>

#include <cstring>
#include <ctime>
#include <memory>

using namespace orv;

namespace {

double cpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec + ts.tv_nsec / 1e9;
}

int benchWait(double seconds, QTextStream &out)
{
    QtPump pump;
    QElapsedTimer wall;
    wall.start();
    const double cpuBefore = cpuSeconds();
    pump.waitUntil(pump.now().addMSecs(qint64(seconds * 1000)), [] { return false; });
    const double cpu = cpuSeconds() - cpuBefore;
    const double elapsed = wall.elapsed() / 1000.0;
    out << QStringLiteral("pumped wait: %1 s wall, %2 ms CPU, %3% of one core\n")
               .arg(elapsed, 0, 'f', 3).arg(cpu * 1000, 0, 'f', 2).arg(100 * cpu / elapsed, 0, 'f', 3);
    return 0;
}

int benchRead(const QString &device, int baud, int count, const QString &monitorMode, QTextStream &out)
{
    QtPump pump;
    PortMap ports;
    ports.setDevicePath(1, device);
    CommControl comm(std::make_unique<QSerialDevice>(), ports);
    StationLink link(comm, pump);
    comm.setCommPort(1);
    comm.setSettings(settingsStringForRate(float(baud)));
    comm.setDTREnable(true);
    if (!comm.setPortOpen(true)) {
        out << "cannot open " << device << ": " << comm.lastOpenErrorString() << '\n';
        return 1;
    }
    std::unique_ptr<LineMonitor> monitor;
    if (!monitorMode.isEmpty())
        monitor = std::make_unique<LineMonitor>(comm, pump);
    if (monitorMode == QLatin1String("open"))
        monitor->show();
    // The floor: the 0.25 s settle plus 16 bytes on the line (two 7-byte packets, a 2-byte reply).
    const double floorMs = 250.0 + 16 * 10 * 1000.0 / baud;
    double totalMs = 0;
    const double cpuBefore = cpuSeconds();
    for (int i = 0; i < count; ++i) {
        QElapsedTimer t;
        t.start();
        const LinkResult<quint16> read = link.read_param(0x10);
        totalMs += t.nsecsElapsed() / 1e6;
        if (!read) {
            out << "read failed: " << read.errorString() << '\n';
            return 1;
        }
    }
    const double cpuMs = (cpuSeconds() - cpuBefore) * 1000 / count;
    const double meanMs = totalMs / count;
    out << QStringLiteral("read_param at %1 baud%6: %2 ms mean over %3, floor %4 ms, %5% above the floor, "
                          "%7 ms CPU a read\n")
               .arg(baud).arg(meanMs, 0, 'f', 1).arg(count).arg(floorMs, 0, 'f', 1)
               .arg(100 * (meanMs - floorMs) / floorMs, 0, 'f', 1)
               .arg(monitorMode.isEmpty() ? QString() : QStringLiteral(", line monitor ") + monitorMode)
               .arg(cpuMs, 0, 'f', 2);
    if (monitor && monitor->isVisible()) {
        monitor->flush();
        out << QStringLiteral("line monitor rows: %1\n").arg(monitor->rows().size());
    }
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    // Only the monitor needs a window system (off screen when there is no display),
    // so the other measures run on the plain event loop as before.
    const bool withMonitor = argc > 5 && std::strcmp(argv[1], "read") == 0;
    std::unique_ptr<QCoreApplication> app;
    if (withMonitor) {
        if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    QTextStream out(stdout);
    const QStringList args = QCoreApplication::arguments().mid(1);
    if (!args.isEmpty() && args[0] == QLatin1String("wait"))
        return benchWait(args.size() > 1 ? args[1].toDouble() : 15.0, out);
    if (args.size() >= 3 && args[0] == QLatin1String("read")) {
        const QString mode = args.size() > 4 ? args[4] : QString();
        if (!mode.isEmpty() && mode != QLatin1String("closed") && mode != QLatin1String("open")) {
            out << "the monitor is 'closed' or 'open'\n";
            return 2;
        }
        return benchRead(args[1], args[2].toInt(), args.size() > 3 ? args[3].toInt() : 10, mode, out);
    }
    out << "usage: orv-bench-link wait [SECONDS] | read DEVICE BAUD [COUNT] [closed|open]\n";
    return 2;
}
