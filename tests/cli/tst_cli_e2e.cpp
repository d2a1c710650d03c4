#include "pty_peer.h"
#include "station_process.h"

#include "link/com_settings.h"
#include "link/settings_file.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <limits>

#include <csignal>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace orv;
using namespace orv::test;

// As a technician would run it: under root, the program becomes user nobody.
static void asNobody(QProcess &process)
{
    if (::geteuid() == 0)
        process.setChildProcessModifier([] {
            if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)
                ::_exit(99);
        });
}

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
    void killedClientLeavesTheSimulatorUsable();
    void stationThatNeverAnswersFails();
    void lineThatHangsUpFailsAtOnce_data();
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
    const QString link = m_dir->filePath(QStringLiteral("ttyStation"));
    QVERIFY(QFile::link(station.ptyPath(), link));
    // A first program holds the port: its write then waits 15 s for the echo.
    QProcess holder;
    holder.start(QStringLiteral(ORVCAL_CLI_PATH), cliArgs(station.ptyPath(), {QStringLiteral("write"), QStringLiteral("0x10"),
                                                                          QStringLiteral("300")}));
    QVERIFY(holder.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(traceText().contains(" > "), 10000);
    // By another name: root passes the terminal's exclusive mode, so only a lock on the device itself keeps it out.
    const ProgramRun second =
        runProgram(QStringLiteral(ORVCAL_CLI_PATH), cliArgs(link, {QStringLiteral("--verbose"), QStringLiteral("version")}));
    QCOMPARE(second.exitCode, 3);
    QVERIFY2(second.err.contains("the port is in use by another program"), second.err.constData());
    // A live holder is no ended client to wait for.
    QVERIFY2(!second.err.contains("held for a client that has ended"), second.err.constData());
    QVERIFY2(!traceText().contains("> 56"), traceText().constData());
    holder.kill();
    holder.waitForFinished();
}

void TestCliEndToEnd::killedClientLeavesTheSimulatorUsable()
{
    // Root opens an exclusive terminal all the same: the fault shows to other users only.
    QVERIFY(::chmod(QFile::encodeName(m_dir->path()).constData(), 0777) == 0);
    StationProcess station(QStringLiteral(ORV_STATION_PATH));
    asNobody(station.process());
    if (!station.start({QStringLiteral("--trace"), m_dir->filePath(QStringLiteral("wire.trace"))}))
        QSKIP(qPrintable(QStringLiteral("user nobody cannot run this build's programs: ") + station.error()));
    // The serial layer's lock file for this terminal number may be a stale one
    // from a root-run test's killed client, which no other user may remove.
    QFile::remove(QStringLiteral("/var/lock/LCK..") + station.ptyPath().mid(5).replace(QLatin1Char('/'), QLatin1Char('_')));
    QProcess killed, next;
    asNobody(killed);
    asNobody(next);
    // Killed as `| head` or Ctrl+C would, once the echo is out (later bytes would reach the next client).
    killed.start(QStringLiteral(ORVCAL_CLI_PATH), cliArgs(station.ptyPath(), {QStringLiteral("write"), QStringLiteral("0x10"),
                                                                          QStringLiteral("300")}));
    // The echo in one trace line or in two, as the simulator's timer fired late or not.
    const QRegularExpression echo(QStringLiteral("< 01 (\\d+ < )?2c"));
    QTRY_VERIFY2_WITH_TIMEOUT(QString::fromLatin1(traceText().simplified()).contains(echo),
                              killed.readAllStandardError().constData(), 10000);
    // The next client opens before the simulator has seen the close, as a script's next line may.
    const pid_t simulator = pid_t(station.process().processId());
    QVERIFY(::kill(simulator, SIGSTOP) == 0);
    const auto resume = qScopeGuard([simulator] { ::kill(simulator, SIGCONT); });
    killed.kill();
    QVERIFY(killed.waitForFinished());
    next.start(QStringLiteral(ORVCAL_CLI_PATH),
               cliArgs(station.ptyPath(), {QStringLiteral("--verbose"), QStringLiteral("version")}));
    QByteArray nextErr;
    QTRY_VERIFY2_WITH_TIMEOUT((nextErr += next.readAllStandardError()).contains("held for a client that has ended"),
                              nextErr.constData(), 10000);
    QVERIFY(::kill(simulator, SIGCONT) == 0);
    QVERIFY(next.waitForFinished(20000));
    QVERIFY2(next.exitCode() == 0, (nextErr + next.readAllStandardError()).constData());
    QVERIFY2(next.readAllStandardOutput().trimmed() == QByteArray("4.103\\r\\n"), traceText().constData());
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

void TestCliEndToEnd::lineThatHangsUpFailsAtOnce_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<bool>("logShown"); // the link's own log lines on stderr
    QTest::newRow("by default") << QStringList() << false;
    QTest::newRow("--verbose") << QStringList{QStringLiteral("--verbose")} << true;
}

void TestCliEndToEnd::lineThatHangsUpFailsAtOnce()
{
    QFETCH(QStringList, options);
    QFETCH(bool, logShown);
    PtyPeer peer;
    QVERIFY(peer.isOpen());
    const double reapedBefore = reapedChildrenCpuSeconds();
    QProcess cli;
    cli.start(QStringLiteral(ORVCAL_CLI_PATH), cliArgs(peer.path(), options + QStringList{QStringLiteral("read"),
                                                                                   QStringLiteral("0x10")}));
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
    QVERIFY2(err.contains(QStringLiteral("the other end hung up (%1)").arg(peer.path()).toUtf8()), err.constData());
    QVERIFY2(err.contains("orv.comm: port lost") == logShown, err.constData());
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
    QTest::newRow("--data-dir at the end without its folder")
        << QByteArray() << QByteArray() << false << QStringList{QStringLiteral("version"), QStringLiteral("--data-dir")}
        << 2 << QByteArray() << QByteArray("orvcal-cli: --data-dir needs a value");
    QTest::newRow("--help keeps a long command apart from its summary")
        << QByteArray() << QByteArray() << false << QStringList{QStringLiteral("--help")} << 0
        << QByteArray("restore FILE [--dry-run] [--force]\n") << QByteArray();
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
        asNobody(cli); // root may write any file
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
