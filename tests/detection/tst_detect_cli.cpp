#include "station_process.h"

#include "link/com_settings.h"
#include "link/port_map.h"
#include "link/settings_file.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

using namespace orv;
using namespace orv::test;

namespace {

// A pseudo-terminal nobody answers on: what the program sends stays readable
// at the master end.
class QuietPty
{
public:
    QuietPty()
    {
        m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0)
            return;
        m_path = QString::fromLocal8Bit(::ptsname(m_master));
        // Held so the master keeps what was sent after the program closes its end.
        m_slave = ::open(::ptsname(m_master), O_RDWR | O_NOCTTY | O_NONBLOCK);
    }
    ~QuietPty()
    {
        if (m_slave >= 0)
            ::close(m_slave);
        if (m_master >= 0)
            ::close(m_master);
    }
    QuietPty(const QuietPty &) = delete;
    QuietPty &operator=(const QuietPty &) = delete;

    bool isOpen() const { return m_slave >= 0; }
    QString path() const { return m_path; }
    QByteArray sent()
    {
        QByteArray bytes;
        char buffer[256];
        ssize_t n;
        while ((n = ::read(m_master, buffer, sizeof buffer)) > 0)
            bytes.append(buffer, n);
        return bytes;
    }

private:
    int m_master = -1;
    int m_slave = -1;
    QString m_path;
};

} // namespace

// orvcal-cli detect against the simulator program on real pseudo-terminals:
// a modem on one port, a station answering only at 9600 on another.
class TestDetectCli : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void nothingAnswers();
    void modemSkippedAndStationFoundAt9600();
    void interruptSaysSoThenEndsAtOnceOnSecond();
    void quickFindsStationAt38400OnThirdPty();
    void quickInterruptedAfterFindingKeepsSettings();
    void detectOptions_data();
    void detectOptions();

private:
    // Ports the test does not give a simulator name paths that cannot exist,
    // so the machine's own serial ports play no part.
    void mapAbsent(const QList<int> &ports)
    {
        for (int p : ports)
            QVERIFY(PortMap::registerPort(m_dir->path(), p, QStringLiteral("/nonexistent/orv-com%1").arg(p), nullptr));
    }
    QByteArray settingsBytes() const
    {
        QFile f(m_dir->filePath(SettingsFile::fileName()));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    ProgramRun detect(int timeoutMs, const QStringList &options = {})
    {
        return runProgram(QStringLiteral(ORVCAL_CLI_PATH),
                          QStringList{QStringLiteral("--data-dir"), m_dir->path(), QStringLiteral("detect")} + options,
                          timeoutMs);
    }

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestDetectCli::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
}

void TestDetectCli::nothingAnswers()
{
    mapAbsent({1, 2, 3, 4, 5, 6, 7, 8});

    const ProgramRun run = detect(10000);

    QVERIFY(run.finished);
    QCOMPARE(run.exitCode, 1);
    QByteArray expected = "Detecting Weather Station\n\n";
    for (int p = 1; p <= 8; ++p)
        expected += "COM" + QByteArray::number(p) + "  Unavailable\n";
    expected += "Settings file not changed.\n";
    QCOMPARE(run.out, expected);
    QVERIFY2(run.err.contains("ORV CAL: Weather station not detected.  Possible causes include: 1) Check"),
             run.err.constData());
    QCOMPARE(settingsBytes(), ComSettings::defaults().toBytes());
}

void TestDetectCli::modemSkippedAndStationFoundAt9600()
{
    mapAbsent({2, 4, 5, 6, 7, 8});
    StationProcess modem(QStringLiteral(ORV_STATION_PATH));
    QVERIFY2(modem.start({QStringLiteral("--modem"), QStringLiteral("--register-com"), QStringLiteral("1"),
                          QStringLiteral("--data-dir"), m_dir->path()}),
             qPrintable(modem.error()));
    StationProcess station(QStringLiteral(ORV_STATION_PATH));
    QVERIFY2(station.start({QStringLiteral("--fixed-rate"), QStringLiteral("9600"), QStringLiteral("--register-com"),
                            QStringLiteral("3"), QStringLiteral("--data-dir"), m_dir->path()}),
             qPrintable(station.error()));

    // 2 s modem probe on COM1; on COM3 2 s, then a minute of garbled tries at 2400, then 9600.
    const ProgramRun run = detect(150000);

    QVERIFY(run.finished);
    QVERIFY2(run.exitCode == 0, run.err.constData());
    const QList<QByteArray> lines = run.out.split('\n');
    QCOMPARE(lines.mid(0, 10),
             (QList<QByteArray>{"Detecting Weather Station", "", "COM1 Modem Detected", "COM2  Unavailable",
                                "COM3 2400 9600 ", "Weather Station Detected",
                                "Weather Station Firmware Version 4.103", "COM Port is COM3", "Baud Rate is 9600",
                                "Communication properties have been changed to match"}));
    QVERIFY2(lines.value(10).startsWith("Saved COM3 at 9600 baud as station slot 0"), lines.value(10).constData());

    ComSettings expected = ComSettings::defaults();
    expected.com_port[0] = 3;
    expected.baud_rate[0] = 9600.0f;
    QCOMPARE(settingsBytes(), expected.toBytes());
}

void TestDetectCli::interruptSaysSoThenEndsAtOnceOnSecond()
{
    mapAbsent({2, 3, 4, 5, 6, 7, 8});
    StationProcess silent(QStringLiteral(ORV_STATION_PATH));
    QVERIFY2(silent.start({QStringLiteral("--fault"), QStringLiteral("no-reply"), QStringLiteral("--register-com"),
                           QStringLiteral("1"), QStringLiteral("--data-dir"), m_dir->path()}),
             qPrintable(silent.error()));
    ComSettings stored = ComSettings::defaults();
    stored.setStationName(0, QStringLiteral("Keep me"));
    {
        QFile f(m_dir->filePath(SettingsFile::fileName()));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(stored.toBytes());
    }
    QProcess cli;
    cli.start(QStringLiteral(ORVCAL_CLI_PATH), {QStringLiteral("--data-dir"), m_dir->path(), QStringLiteral("detect")});
    QVERIFY(cli.waitForStarted());
    QByteArray out;
    // COM1 answers nothing: the first rate's try runs for a minute.
    QTRY_VERIFY_WITH_TIMEOUT((out += cli.readAllStandardOutput()).contains("COM1 2400 "), 10000);

    ::kill(pid_t(cli.processId()), SIGINT);
    QByteArray err;
    QTRY_VERIFY_WITH_TIMEOUT((err += cli.readAllStandardError()).contains("stopping at the next check"), 2000);
    QVERIFY(!cli.waitForFinished(300)); // the try in progress goes on

    QElapsedTimer sinceSecond;
    sinceSecond.start();
    ::kill(pid_t(cli.processId()), SIGINT);
    QVERIFY(cli.waitForFinished(2000));
    QVERIFY2(sinceSecond.elapsed() < 1000, qPrintable(QString::number(sinceSecond.elapsed())));
    QCOMPARE(cli.exitStatus(), QProcess::NormalExit);
    QCOMPARE(cli.exitCode(), 128 + SIGINT);
    err += cli.readAllStandardError();
    QVERIFY2(err.contains("detection ended; settings file not changed"), err.constData());
    QCOMPARE(settingsBytes(), stored.toBytes());
}


void TestDetectCli::quickFindsStationAt38400OnThirdPty()
{
    mapAbsent({4, 5, 6, 7, 8});
    StationProcess modem(QStringLiteral(ORV_STATION_PATH));
    StationProcess silent(QStringLiteral(ORV_STATION_PATH));
    StationProcess station(QStringLiteral(ORV_STATION_PATH));
    const auto registered = [this](int port) {
        return QStringList{QStringLiteral("--register-com"), QString::number(port), QStringLiteral("--data-dir"),
                           m_dir->path()};
    };
    QVERIFY2(modem.start(QStringList{QStringLiteral("--modem")} + registered(1)), qPrintable(modem.error()));
    QVERIFY2(silent.start(QStringList{QStringLiteral("--fault"), QStringLiteral("no-reply")} + registered(2)),
             qPrintable(silent.error()));
    QVERIFY2(station.start(QStringList{QStringLiteral("--fixed-rate"), QStringLiteral("38400")} + registered(3)),
             qPrintable(station.error()));

    // A short window keeps the run near 7 s: the silent port and the station's
    // seven wrong rates each cost a whole window; the modem ends its wait at "OK".
    QElapsedTimer clock;
    clock.start();
    const ProgramRun run = detect(30000, {QStringLiteral("--quick"), QStringLiteral("--reply-window"),
                                          QStringLiteral("300")});
    const qint64 elapsedMs = clock.elapsed();

    QVERIFY(run.finished);
    QVERIFY2(run.exitCode == 0, run.err.constData());
    const QList<QByteArray> lines = run.out.split('\n');
    const QByteArray rates = "2400 9600 19200 300 600 1200 4800 38400 ";
    QCOMPARE(lines.mid(0, 6), (QList<QByteArray>{"Detecting Weather Station (quick: 300 ms reply window)", "",
                                                 "COM1  modem", "COM2 " + rates + " no answer",
                                                 "COM3 " + rates + " station at 38400, firmware 4.103",
                                                 "COM4  absent (/nonexistent/orv-com4: no such device)"}));
    QCOMPARE(lines.value(10), "Weather Station Detected on COM3 at 38400 baud, firmware version 4.103");
    QVERIFY2(lines.value(11).startsWith("Saved COM3 at 38400 baud as station slot 0"), lines.value(11).constData());
    QVERIFY2(elapsedMs < 20000, qPrintable(QString::number(elapsedMs)));

    ComSettings expected = ComSettings::defaults();
    expected.com_port[0] = 3;
    expected.baud_rate[0] = 38400.0f;
    QCOMPARE(settingsBytes(), expected.toBytes());
}

void TestDetectCli::quickInterruptedAfterFindingKeepsSettings()
{
    mapAbsent({3, 4, 5, 6, 7, 8});
    StationProcess station(QStringLiteral(ORV_STATION_PATH));
    StationProcess silent(QStringLiteral(ORV_STATION_PATH));
    QVERIFY2(station.start({QStringLiteral("--register-com"), QStringLiteral("1"), QStringLiteral("--data-dir"),
                            m_dir->path()}),
             qPrintable(station.error()));
    QVERIFY2(silent.start({QStringLiteral("--fault"), QStringLiteral("no-reply"), QStringLiteral("--register-com"),
                           QStringLiteral("2"), QStringLiteral("--data-dir"), m_dir->path()}),
             qPrintable(silent.error()));
    ComSettings stored = ComSettings::defaults();
    stored.setStationName(0, QStringLiteral("Keep me"));
    {
        QFile f(m_dir->filePath(SettingsFile::fileName()));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(stored.toBytes());
    }
    QProcess cli;
    cli.start(QStringLiteral(ORVCAL_CLI_PATH),
              {QStringLiteral("--data-dir"), m_dir->path(), QStringLiteral("detect"), QStringLiteral("--quick")});
    QVERIFY(cli.waitForStarted());
    QByteArray out;
    QTRY_VERIFY_WITH_TIMEOUT((out += cli.readAllStandardOutput()).contains("COM2 2400 "), 10000);

    ::kill(pid_t(cli.processId()), SIGINT);
    QElapsedTimer sinceStop;
    sinceStop.start();
    QVERIFY(cli.waitForFinished(5000));
    // The try in progress (0.1 s settle and a 1 s window) ends, then the run.
    QVERIFY2(sinceStop.elapsed() < 2500, qPrintable(QString::number(sinceStop.elapsed())));
    QCOMPARE(cli.exitStatus(), QProcess::NormalExit);
    QCOMPARE(cli.exitCode(), 1);
    out += cli.readAllStandardOutput();
    const QList<QByteArray> lines = out.split('\n');
    QCOMPARE(lines.value(2), "COM1 2400  station at 2400, firmware 4.103");
    QVERIFY2(lines.value(3).startsWith("COM2 2400 ") && lines.value(3).endsWith("  stopped"), out.constData());
    QCOMPARE(lines.mid(4), (QList<QByteArray>{"COM3  not probed", "COM4  not probed", "COM5  not probed",
                                              "COM6  not probed", "COM7  not probed", "COM8  not probed",
                                              "Detection Canceled by User.", "Settings file not changed.", ""}));
    QCOMPARE(settingsBytes(), stored.toBytes());
}

void TestDetectCli::detectOptions_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArrayList>("portLines"); // after the heading; empty when refused
    QTest::addColumn<QByteArray>("sentOnCom1");
    QTest::addColumn<QByteArray>("complaint");

    const QByteArray quick = "Detecting Weather Station (quick: 1000 ms reply window)";
    const auto absent = [](int port) {
        return "COM" + QByteArray::number(port) + "  absent (/nonexistent/orv-com" + QByteArray::number(port)
            + ": no such device)";
    };
    QTest::newRow("quick, ports in the order given")
        << QStringList{"--quick", "--ports", "3,2"} << 1 << QByteArrayList{quick, "", absent(3), absent(2)}
        << QByteArray() << QByteArray();
    QTest::newRow("quick, a range of ports")
        << QStringList{"--quick", "--ports=COM6-com8"} << 1
        << QByteArrayList{quick, "", absent(6), absent(7), absent(8)} << QByteArray() << QByteArray();
    QTest::newRow("quick, rates in the order given on a silent port")
        << QStringList{"--ports=1", "--quick", "--rates", "38400,300", "--reply-window=50"} << 1
        << QByteArrayList{"Detecting Weather Station (quick: 50 ms reply window)", "", "COM1 38400 300  no answer"}
        << QByteArray("AT\rVV") << QByteArray();
    QTest::newRow("the window's walk narrowed")
        << QStringList{"--ports", "2,4", "--rates", "9600"} << 1
        << QByteArrayList{"Detecting Weather Station", "", "COM2  Unavailable", "COM4  Unavailable"} << QByteArray()
        << QByteArray();

    const auto refused = [](const char *name, const QStringList &options, const char *complaint) {
        QTest::newRow(name) << options << 2 << QByteArrayList() << QByteArray() << QByteArray(complaint);
    };
    refused("port beyond COM8", {"--quick", "--ports", "9"}, "bad port '9' in --ports");
    refused("port 0", {"--ports", "COM0"}, "bad port 'COM0' in --ports");
    refused("range backwards", {"--quick", "--ports", "3-1"}, "bad port '3-1' in --ports");
    refused("empty port list", {"--quick", "--ports="}, "bad port '' in --ports");
    refused("ports without a value", {"--quick", "--ports"}, "--ports needs a value");
    refused("rate not spoken by the station", {"--quick", "--rates", "2400,9601"}, "bad rate '9601' in --rates");
    refused("rate not a number", {"--rates", "fast"}, "bad rate 'fast' in --rates");
    refused("reply window without quick", {"--reply-window", "400"}, "--reply-window goes with --quick");
    refused("reply window too short", {"--quick", "--reply-window", "10"}, "bad reply window '10'");
    refused("reply window beyond the normal one", {"--quick", "--reply-window", "15001"}, "bad reply window '15001'");
    refused("an option twice", {"--quick", "--rates", "300", "--rates", "600"}, "--rates given twice");
    refused("unknown option", {"--fast"}, "detect does not take '--fast'");
}

void TestDetectCli::detectOptions()
{
    QFETCH(QStringList, options);
    QFETCH(int, exitCode);
    QFETCH(QByteArrayList, portLines);
    QFETCH(QByteArray, sentOnCom1);
    QFETCH(QByteArray, complaint);

    QuietPty com1;
    QVERIFY(com1.isOpen());
    QVERIFY(PortMap::registerPort(m_dir->path(), 1, com1.path(), nullptr));
    mapAbsent({2, 3, 4, 5, 6, 7, 8});
    ComSettings stored = ComSettings::defaults();
    stored.setStationName(0, QStringLiteral("Keep me"));
    {
        QFile f(m_dir->filePath(SettingsFile::fileName()));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(stored.toBytes());
    }

    const ProgramRun run = detect(10000, options);

    QVERIFY(run.finished);
    QCOMPARE(run.exitCode, exitCode);
    if (portLines.isEmpty())
        QCOMPARE(run.out, QByteArray());
    else
        QCOMPARE(run.out, portLines.join('\n') + "\nSettings file not changed.\n");
    QVERIFY2(run.err.contains(complaint), run.err.constData());
    QCOMPARE(com1.sent(), sentOnCom1);
    QCOMPARE(settingsBytes(), stored.toBytes());
}

QTEST_GUILESS_MAIN(TestDetectCli)
#include "tst_detect_cli.moc"
