#include "pty_peer.h"
#include "station_process.h"

#include "link/com_settings.h"
#include "link/settings_file.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <limits>

#include <unistd.h>

using namespace orv;
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
    void lineThatHangsUpFailsAtOnce();
    void filesAndArgumentsWithoutAStation_data();
    void filesAndArgumentsWithoutAStation();

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

    const QString clientTrace = m_dir->filePath(QStringLiteral("client.trace"));
    run = runProgram(QStringLiteral(ORVCAL_CLI_PATH),
                     cliArgs(station.ptyPath(), {QStringLiteral("--trace"), clientTrace, QStringLiteral("read"),
                                                 QStringLiteral("0x10")}));
    QVERIFY2(run.exitCode == 0, run.err.constData());
    QCOMPARE(run.out.trimmed(), QByteArray("300"));

    // Our own trace: the packet twice, then the reply, stamped in order.
    QFile ours(clientTrace);
    QVERIFY(ours.open(QIODevice::ReadOnly | QIODevice::Text));
    const QStringList lines = QString::fromUtf8(ours.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    const QRegularExpression row(QStringLiteral(R"(^(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3})  ([<>])  ([0-9A-F ]+)  \|.*\|$)"));
    QStringList shape;
    QString previous;
    QByteArray received;
    for (const QString &line : lines) {
        const QRegularExpressionMatch m = row.match(line);
        QVERIFY2(m.hasMatch(), qPrintable(line));
        QVERIFY2(m.captured(1) >= previous, qPrintable(line));
        previous = m.captured(1);
        if (m.captured(2) == QLatin1String(">"))
            shape << m.captured(2) + QLatin1Char(' ') + m.captured(3);
        else
            received += QByteArray::fromHex(m.captured(3).toLatin1());
    }
    QCOMPARE(shape, QStringList(2, QStringLiteral("> 02 03 47 50 10 56 03")));
    QCOMPARE(received.toHex(' '), QByteArray("01 2c"));
    QVERIFY2(lines.last().contains(QLatin1String("  <  ")), qPrintable(lines.last()));

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
    QTest::newRow("trace without a file") << QStringList{QStringLiteral("version"), QStringLiteral("--trace")};
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

void TestCliEndToEnd::lineThatHangsUpFailsAtOnce()
{
    PtyPeer peer;
    QVERIFY(peer.isOpen());
    const double reapedBefore = reapedChildrenCpuSeconds();
    QProcess cli;
    cli.start(QStringLiteral(ORVCAL_CLI_PATH), cliArgs(peer.path(), {QStringLiteral("read"), QStringLiteral("0x10")}));
    QVERIFY(cli.waitForStarted());
    // The read's two packets arrive; the far end goes away instead of answering.
    QCOMPARE(peer.read(14, 5000).toHex(' '), QByteArray("02 03 47 50 10 56 03 02 03 47 50 10 56 03"));
    const double cpuBefore = runningProcessCpuSeconds(cli.processId());
    QVERIFY(cpuBefore >= 0);
    QElapsedTimer sinceLoss;
    sinceLoss.start();
    peer.hangUp();

    QVERIFY(cli.waitForFinished(20000));
    const qint64 toExit = sinceLoss.elapsed();
    const double cpu = reapedChildrenCpuSeconds() - reapedBefore - cpuBefore;
    const QByteArray err = cli.readAllStandardError();
    QCOMPARE(cli.exitCode(), 3);
    QVERIFY2(err.contains("the line went away during the read of address 16"), err.constData());
    QVERIFY2(toExit < 2000, qPrintable(QString::number(toExit)));
    // Not below zero: the child's time has been counted once it was reaped.
    QVERIFY2(cpu >= 0 && cpu < 0.1, qPrintable(QString::number(cpu)));
    qInfo("line lost to exit: %lld ms, %.0f ms CPU (/proc ticks are 10 ms)", toExit, cpu * 1000);
}

void TestCliEndToEnd::filesAndArgumentsWithoutAStation_data()
{
    QTest::addColumn<QByteArray>("settingsFile"); // empty: none
    QTest::addColumn<QByteArray>("portsFile");
    QTest::addColumn<bool>("unprivileged"); // run as nobody, with the settings file read-only
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("out");
    QTest::addColumn<QByteArray>("err");

    ComSettings named = ComSettings::defaults();
    named.setStationName(0, QStringLiteral("Lab %3 roof"));
    ComSettings damaged = ComSettings::defaults();
    damaged.com_port[1] = 0;
    damaged.baud_rate[1] = std::numeric_limits<float>::quiet_NaN();
    damaged.modem_flag[1] = 7;
    ComSettings escape = ComSettings::defaults();
    escape.setStationName(0, QStringLiteral("\x1b[2JRoof\x9b"));
    ComSettings oddRate = ComSettings::defaults();
    oddRate.baud_rate[0] = 1234;
    const QStringList settings{QStringLiteral("settings")};

    QTest::newRow("settings prints a name as typed")
        << named.toBytes() << QByteArray() << false << settings << 0
        << QByteArray(" 0  Lab %3 roof           COM2    2400  direct\n") << QByteArray();
    // A crafted file must not reach the terminal's control sequences.
    QTest::newRow("settings escapes a name's control characters")
        << escape.toBytes() << QByteArray() << false << settings << 0 << QByteArray(" 0  \\x1b[2JRoof\\x9b") << QByteArray();
    QTest::newRow("ports escapes what the file names")
        << QByteArray() << QByteArray("COM3=/dev/\x1b]0;x\x07\n") << false << QStringList{QStringLiteral("ports")} << 0
        << QByteArray("COM3 = /dev/\\x1b]0;x\\x07") << QByteArray();
    QTest::newRow("settings names what a slot holds that cannot be used")
        << damaged.toBytes() << QByteArray() << false << settings << 0
        << QByteArray(" 1  ORV Station 2         COM0     nan  direct\n"
                      "      unusable: port 0 is not COM1 to COM8\n"
                      "      unusable: rate nan is not one of the eight station rates\n"
                      "      unusable: modem flag 7 is neither 0 (direct) nor 255 (modem); taken as direct\n")
        << QByteArray();
    QTest::newRow("a read-only settings file is read")
        << named.toBytes() << QByteArray() << true << settings << 0
        << QByteArray("COM Settings.Dat (read only: changes cannot be saved)\n 0  Lab %3 roof") << QByteArray();
    QTest::newRow("ports shows and warns of lines it cannot use")
        << QByteArray() << QByteArray("COM3=/dev/ttyUSB0\nCOM9=/dev/x\njunk\n") << false
        << QStringList{QStringLiteral("ports")} << 0
        << QByteArray("Lines not used:\n  ") << QByteArray("\"COM9=/dev/x\" not used (ports are COM1 to COM8)");
    QTest::newRow("a stored rate not one of the eight is a settings matter")
        << oddRate.toBytes() << QByteArray() << false
        << QStringList{QStringLiteral("--device"), QStringLiteral("/nonexistent/tty"), QStringLiteral("version")} << 8
        << QByteArray() << QByteArray("holds the rate 1234, which is not one of the eight station rates");
    QTest::newRow("a trace file that cannot be written stops before the line")
        << QByteArray() << QByteArray() << false
        << QStringList{QStringLiteral("--trace"), QStringLiteral("/nonexistent/dir/line.trace"), QStringLiteral("--device"),
                       QStringLiteral("/nonexistent/tty"), QStringLiteral("version")}
        << 2 << QByteArray() << QByteArray("cannot write the trace file /nonexistent/dir/line.trace");
    QTest::newRow("--baud takes the eight rates only")
        << QByteArray() << QByteArray() << false
        << QStringList{QStringLiteral("--baud"), QStringLiteral("1234"), QStringLiteral("version")} << 2
        << QByteArray() << QByteArray("bad baud rate '1234'");
    for (const QStringList &bad : {QStringList{QStringLiteral("read"), QStringLiteral("256")},
                                   QStringList{QStringLiteral("get"), QStringLiteral("no-such-setting")},
                                   QStringList{QStringLiteral("detect"), QStringLiteral("now")},
                                   QStringList{QStringLiteral("settings"), QStringLiteral("all")}}) {
        QTest::addRow("bad arguments leave a damaged file alone: %s", qPrintable(bad.join(QLatin1Char(' '))))
            << QByteArray(100, 'x') << QByteArray() << false << bad << 2 << QByteArray() << QByteArray("orvcal-cli: ");
    }
}

void TestCliEndToEnd::filesAndArgumentsWithoutAStation()
{
    QFETCH(QByteArray, settingsFile);
    QFETCH(QByteArray, portsFile);
    QFETCH(bool, unprivileged);
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, out);
    QFETCH(QByteArray, err);
    const QString settingsPath = m_dir->filePath(SettingsFile::fileName());
    const auto write = [](const QString &path, const QByteArray &bytes) {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    };
    if (!settingsFile.isEmpty())
        QVERIFY(write(settingsPath, settingsFile));
    if (!portsFile.isEmpty())
        QVERIFY(write(m_dir->filePath(QStringLiteral("ports.conf")), portsFile));

    QProcess cli;
    if (unprivileged) {
        const auto readable = QFileDevice::ReadOwner | QFileDevice::ReadOther;
        QVERIFY(QFile::setPermissions(m_dir->path(), readable | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                                                         | QFileDevice::ExeOther));
        QVERIFY(QFile::setPermissions(settingsPath, readable));
        // Root may write any file; the program runs as nobody, as a technician would.
        if (::geteuid() == 0)
            cli.setChildProcessModifier([] {
                if (::setgid(65534) != 0 || ::setuid(65534) != 0)
                    ::_exit(99);
            });
    }
    cli.start(QStringLiteral(ORVCAL_CLI_PATH), QStringList{QStringLiteral("--data-dir"), m_dir->path()} + args);
    QVERIFY(cli.waitForFinished(10000));
    const QByteArray stdOut = cli.readAllStandardOutput();
    const QByteArray stdErr = cli.readAllStandardError();

    QVERIFY2(cli.exitCode() == exitCode, (stdErr + stdOut).constData());
    QVERIFY2(stdOut.contains(out), stdOut.constData());
    QVERIFY2(stdErr.contains(err), stdErr.constData());
    if (!settingsFile.isEmpty()) {
        QFile file(settingsPath);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), settingsFile);
    }
}

QTEST_GUILESS_MAIN(TestCliEndToEnd)
#include "tst_cli_e2e.moc"
