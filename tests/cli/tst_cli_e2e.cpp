#include "station_process.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace orv::test;

// The command-line front end against the station simulator program on a real
// pseudo-terminal: what a technician types, what goes over the wire.
class TestCliEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void versionReadAndWriteOverAPty();
    void settingsOfSlotZeroChooseThePort();
    void badArgumentsNeverReachTheStation_data();
    void badArgumentsNeverReachTheStation();
    void secondProgramCannotShareThePort();
    void stationThatNeverAnswersFails();

private:
    QStringList cliArgs(const QString &device, const QStringList &command) const
    {
        return QStringList{QStringLiteral("--data-dir"), m_dir->path(), QStringLiteral("--device"), device} + command;
    }
    QByteArray traceText() const
    {
        QFile f(m_dir->filePath(QStringLiteral("wire.trace")));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestCliEndToEnd::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
}

void TestCliEndToEnd::versionReadAndWriteOverAPty()
{
    StationProcess station(QStringLiteral(ORV_STATION_PATH));
    QVERIFY2(station.start({QStringLiteral("--trace"), m_dir->filePath(QStringLiteral("wire.trace"))}),
             qPrintable(station.error()));

    ProgramRun run = runProgram(QStringLiteral(ORVCAL_CLI_PATH), cliArgs(station.ptyPath(), {QStringLiteral("version")}));
    QVERIFY2(run.exitCode == 0, run.err.constData());
    QCOMPARE(run.out.trimmed(), QByteArray("4.103\\r\\n"));

    run = runProgram(QStringLiteral(ORVCAL_CLI_PATH),
                     cliArgs(station.ptyPath(), {QStringLiteral("write"), QStringLiteral("0x10"), QStringLiteral("300")}));
    QVERIFY2(run.exitCode == 0, run.err.constData());
    QCOMPARE(run.out.trimmed(), QByteArray("300"));

    run = runProgram(QStringLiteral(ORVCAL_CLI_PATH), cliArgs(station.ptyPath(), {QStringLiteral("read"), QStringLiteral("0x10")}));
    QVERIFY2(run.exitCode == 0, run.err.constData());
    QCOMPARE(run.out.trimmed(), QByteArray("300"));

    // The wire shows the framed packets byte for byte.
    const QByteArray trace = traceText().toLower();
    QVERIFY2(trace.contains("02 05 53 50 10 01 2c 1b 03"), trace.constData());
    QVERIFY2(trace.contains("02 03 47 50 10 56 03"), trace.constData());
    QVERIFY2(trace.contains("01 2c"), trace.constData());
}

void TestCliEndToEnd::settingsOfSlotZeroChooseThePort()
{
    StationProcess station(QStringLiteral(ORV_STATION_PATH));
    QVERIFY2(station.start({QStringLiteral("--register-com"), QStringLiteral("2"), QStringLiteral("--data-dir"),
                            m_dir->path()}),
             qPrintable(station.error()));
    // Slot 0 says COM2 at 2400: no port or device option needed.
    const ProgramRun run = runProgram(QStringLiteral(ORVCAL_CLI_PATH),
                                      {QStringLiteral("--data-dir"), m_dir->path(), QStringLiteral("version")});
    QVERIFY2(run.exitCode == 0, run.err.constData());
    QCOMPARE(run.out.trimmed(), QByteArray("4.103\\r\\n"));

    const ProgramRun ports = runProgram(QStringLiteral(ORVCAL_CLI_PATH),
                                        {QStringLiteral("--data-dir"), m_dir->path(), QStringLiteral("ports")});
    QVERIFY(ports.out.contains(QStringLiteral("COM2 = %1").arg(station.ptyPath()).toLocal8Bit()));
}

void TestCliEndToEnd::badArgumentsNeverReachTheStation_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::newRow("address 256") << QStringList{QStringLiteral("read"), QStringLiteral("256")};
    QTest::newRow("address -1") << QStringList{QStringLiteral("read"), QStringLiteral("-1")};
    QTest::newRow("value 65536") << QStringList{QStringLiteral("write"), QStringLiteral("16"), QStringLiteral("65536")};
    QTest::newRow("value not a number") << QStringList{QStringLiteral("write"), QStringLiteral("16"), QStringLiteral("12a")};
    QTest::newRow("missing value") << QStringList{QStringLiteral("write"), QStringLiteral("16")};
    QTest::newRow("unknown port") << QStringList{QStringLiteral("--port"), QStringLiteral("9"), QStringLiteral("version")};
}

void TestCliEndToEnd::badArgumentsNeverReachTheStation()
{
    QFETCH(QStringList, args);
    StationProcess station(QStringLiteral(ORV_STATION_PATH));
    QVERIFY2(station.start({QStringLiteral("--trace"), m_dir->filePath(QStringLiteral("wire.trace"))}),
             qPrintable(station.error()));
    const ProgramRun run = runProgram(QStringLiteral(ORVCAL_CLI_PATH),
                                      QStringList{QStringLiteral("--data-dir"), m_dir->path(), QStringLiteral("--device"),
                                                  station.ptyPath()} + args);
    QCOMPARE(run.exitCode, 2);
    QVERIFY(!run.err.isEmpty());
    QVERIFY(run.out.isEmpty());
    station.stop();
    // Nothing went to the station.
    QVERIFY2(!traceText().contains(" > "), traceText().constData());
}

void TestCliEndToEnd::secondProgramCannotShareThePort()
{
    StationProcess station(QStringLiteral(ORV_STATION_PATH));
    QVERIFY2(station.start({QStringLiteral("--trace"), m_dir->filePath(QStringLiteral("wire.trace"))}),
             qPrintable(station.error()));
    // A first program holds the port: its write then waits 15 s for the echo.
    QProcess holder;
    holder.start(QStringLiteral(ORVCAL_CLI_PATH), cliArgs(station.ptyPath(), {QStringLiteral("write"), QStringLiteral("0x10"),
                                                                          QStringLiteral("300")}));
    QVERIFY(holder.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(traceText().contains(" > "), 10000);
    const ProgramRun second = runProgram(QStringLiteral(ORVCAL_CLI_PATH), cliArgs(station.ptyPath(), {QStringLiteral("version")}));
    QCOMPARE(second.exitCode, 3);
    QVERIFY2(second.err.contains("in use") || second.err.contains("denied"), second.err.constData());
    holder.kill();
    holder.waitForFinished();
}

void TestCliEndToEnd::stationThatNeverAnswersFails()
{
    StationProcess station(QStringLiteral(ORV_STATION_PATH));
    QVERIFY2(station.start({QStringLiteral("--fault"), QStringLiteral("no-reply")}), qPrintable(station.error()));
    // Four version attempts of 15 s each: about a minute of real protocol time.
    const ProgramRun run = runProgram(QStringLiteral(ORVCAL_CLI_PATH), cliArgs(station.ptyPath(), {QStringLiteral("version")}),
                                      90000);
    QVERIFY(run.finished);
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.contains("did not answer"), run.err.constData());
}

QTEST_GUILESS_MAIN(TestCliEndToEnd)
#include "tst_cli_e2e.moc"
