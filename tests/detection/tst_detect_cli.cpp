#include "station_process.h"

#include "link/com_settings.h"
#include "link/port_map.h"
#include "link/settings_file.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

using namespace orv;
using namespace orv::test;

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
    ProgramRun detect(int timeoutMs)
    {
        return runProgram(QStringLiteral(ORVCAL_CLI_PATH), {QStringLiteral("--data-dir"), m_dir->path(),
                                                        QStringLiteral("detect")},
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

QTEST_GUILESS_MAIN(TestDetectCli)
#include "tst_detect_cli.moc"
