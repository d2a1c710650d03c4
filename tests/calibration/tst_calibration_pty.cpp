#include "message_capture.h"
#include "station_process.h"

#include "Cal_form.h"
#include "ORV_Main.h"
#include "calibration_mode.h"

#include "link/comm_control.h"
#include "link/port_map.h"
#include "link/qserial_device.h"
#include "link/qt_pump.h"

#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QtTest>

using namespace orv;
using namespace orv::test;

namespace {

// Every byte one way on the wire, from the simulator's trace, as one hex text.
QByteArray tracedBytes(const QString &path, const char *direction)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QByteArray hex;
    for (const QByteArray &line : file.readAll().split('\n')) {
        const int at = line.indexOf(direction);
        if (at > 0)
            hex += line.mid(at + 3).trimmed() + ' ';
    }
    return hex.trimmed();
}

} // namespace

// The program as a technician runs it: the main window on the real event
// loop, a real serial device on a pseudo-terminal, the simulator program at
// the far end.
class TestCalibrationPty : public QObject
{
    Q_OBJECT

private slots:
    void changeOutsideTemperatureOverAPty();
};

void TestCalibrationPty::changeOutsideTemperatureOverAPty()
{
    QTemporaryDir dir;
    const QString trace = dir.filePath(QStringLiteral("wire.trace"));
    StationProcess station(QStringLiteral(ORV_STATION_PATH));
    QVERIFY2(station.start({QStringLiteral("--trace"), trace}), qPrintable(station.error()));

    MessageCapture log;
    PortMap ports;
    ports.setDevicePath(2, station.ptyPath());
    QtPump pump;
    auto window = std::make_unique<ORV_Main>(pump, std::make_unique<CommControl>(std::make_unique<QSerialDevice>(), ports),
                                             dir.path(), &log);
    window->setEndAction([] {});
    window->settings().com_port[0] = 2;
    window->settings().baud_rate[0] = 2400;
    window->show();

    window->open_port_menu_Click();
    QVERIFY2(window->comm().portOpen(), qPrintable(log.texts().join(QLatin1Char('\n'))));

    QElapsedTimer entry;
    entry.start();
    window->cal_menu_Click();
    const qint64 entryMs = entry.elapsed();
    Cal_form *form = window->calibration().form();
    QVERIFY2(form && form->isVisible(), qPrintable(log.texts().join(QLatin1Char('\n'))));
    qInfo("calibration entry over the pty at 2400 baud: %lld ms", entryMs);
    bool number = false;
    form->findChild<QLabel *>(QStringLiteral("cur_out_temp_lbl"))->text().toFloat(&number);
    QVERIFY(number);

    // 0 °F goes out as raw 96 (scale 1, offset 96): 0x0060 to address 12.
    form->findChild<QSlider *>(QStringLiteral("out_temp_slider"))->setValue(0);
    QTest::mouseClick(form->findChild<QPushButton *>(QStringLiteral("out_temp_change_cmd")), Qt::LeftButton);
    QVERIFY(log.isEmpty());
    QVERIFY(form->isEnabled());
    QCOMPARE(form->findChild<QLabel *>(QStringLiteral("cur_out_temp_lbl"))->text(), QStringLiteral("0"));

    QTest::mouseClick(form->findChild<QPushButton *>(QStringLiteral("Command1")), Qt::LeftButton);
    window->port_close_menu_Click();
    window.reset();

    // The simulator's memory holds the new value: ask it through the command line.
    const ProgramRun read = runProgram(QStringLiteral(ORVCAL_CLI_PATH),
                                       {QStringLiteral("--data-dir"), dir.path(), QStringLiteral("--device"),
                                        station.ptyPath(), QStringLiteral("read"), QStringLiteral("12")});
    QVERIFY2(read.exitCode == 0, read.err.constData());
    QCOMPARE(read.out.trimmed(), QByteArray("96"));

    // The wire: the version asked at connection and again on entry, the three
    // temperature reads, the write and its echo, the read back.
    const QByteArray sent = tracedBytes(trace, " > ");
    QVERIFY2(sent.startsWith("56 56 02 03 47 50 0a"), sent.constData());
    const int in = sent.indexOf("02 03 47 50 0a");
    const int out = sent.indexOf("02 03 47 50 0c");
    const int aux = sent.indexOf("02 03 47 50 0b");
    QVERIFY(in >= 0 && in < out && out < aux);
    const int write = sent.indexOf("02 05 53 50 0c 00 60");
    QVERIFY2(write > aux, sent.constData());
    QVERIFY(sent.indexOf("02 03 47 50 0c", write) > write);
    QVERIFY(tracedBytes(trace, " < ").contains("00 60"));
}

QTEST_MAIN(TestCalibrationPty)
#include "tst_calibration_pty.moc"
