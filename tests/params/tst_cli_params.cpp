#include "station_process.h"

#include "params/number_format.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

namespace {

struct Run
{
    int exitCode = -1;
    QString out;
    QString err;
};

// The simulator on a pseudo-terminal for the length of one test.
class Station
{
public:
    explicit Station(const QStringList &options)
    {
        if (!m_process.start(options))
            qWarning("%s", qPrintable(m_process.error()));
    }

    QString pty() const { return m_process.ptyPath(); }
    void stop() { m_process.stop(); }

private:
    orv::test::StationProcess m_process{QStringLiteral(ORV_STATION_PATH)};
};

} // namespace

class TestCliParams : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void listNamesEverySettingOfTheFirmware();
    void listShowsAbsentSettings();
    void getPrintsEngineeringValueAndLimits();
    void setWritesReadsBackAndReports();
    void setRefusesValueOutsideLimits_data();
    void setRefusesValueOutsideLimits();
    void getOfAbsentSetting();
    void missingDefinitionFile();
    void definitionFaultIsRefused_data();
    void definitionFaultIsRefused();
    void unknownSettingName();
    void backupThenRefusedRestoresWriteNothing();
    void clockShowsTheStationsDrift();
    void clockSettingStoppedByCtrlC_data();
    void clockSettingStoppedByCtrlC();

private:
    Run cli(const QString &pty, const QStringList &args);
    QTemporaryDir m_dataDir;
};

void TestCliParams::init()
{
    qunsetenv("ORV_PRM_DIR");
    qunsetenv("ORV_DATA_DIR");
    qunsetenv("ORV_PORTS");
    QVERIFY(m_dataDir.isValid());
}

Run TestCliParams::cli(const QString &pty, const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral(ORVCAL_CLI_PATH),
            QStringList{"--device", pty, "--baud", "2400", "--data-dir", m_dataDir.path()} + args);
    Run run;
    if (!p.waitForFinished(120000)) {
        p.kill();
        p.waitForFinished();
        return run;
    }
    run.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    run.out = QString::fromLatin1(p.readAllStandardOutput());
    run.err = QString::fromLatin1(p.readAllStandardError());
    return run;
}

void TestCliParams::listNamesEverySettingOfTheFirmware()
{
    Station station({});
    QVERIFY(!station.pty().isEmpty());
    const Run run = cli(station.pty(), {"settings-list"});
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(run.out.contains("PRM/4103.prm"), qPrintable(run.out));
    const QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 2 + 33);
    QVERIFY(!run.out.contains("absent"));
    const QRegularExpression outside(QStringLiteral("^temp: outside +12 +0 +255 +1 +96 +-96 +159 +outside-temp$"),
                                     QRegularExpression::MultilineOption);
    QVERIFY2(outside.match(run.out).hasMatch(), qPrintable(run.out));
    const QRegularExpression pressure(QStringLiteral("^barometric pressure +30 +2000 +3200 +100 +0 +20 +32 +pressure$"),
                                      QRegularExpression::MultilineOption);
    QVERIFY2(pressure.match(run.out).hasMatch(), qPrintable(run.out));
}

void TestCliParams::listShowsAbsentSettings()
{
    Station station({"--version", "3.201\\r\\n"});
    QVERIFY(!station.pty().isEmpty());
    const Run run = cli(station.pty(), {"settings-list"});
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(run.out.contains("PRM/3201.prm"), qPrintable(run.out));
    for (const char *name : {"temp: auxillary", "Wet Level", "Lightning Level"}) {
        const QRegularExpression absent(QStringLiteral("^%1 +absent$").arg(QRegularExpression::escape(name)),
                                        QRegularExpression::MultilineOption);
        QVERIFY2(absent.match(run.out).hasMatch(), qPrintable(run.out));
    }
    QCOMPARE(run.out.count("absent"), 3);
}

void TestCliParams::getPrintsEngineeringValueAndLimits()
{
    Station station({});
    QVERIFY(!station.pty().isEmpty());
    const Run raw = cli(station.pty(), {"read", "12"});
    QCOMPARE(raw.exitCode, 0);
    float value = raw.out.trimmed().toFloat();
    value = value - 96.0f;

    for (const QString &name : {QStringLiteral("temp: outside"), QStringLiteral("outside-temp")}) {
        const Run run = cli(station.pty(), {"get", name});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out.trimmed(), QString("temp: outside: %1 (minimum -96, maximum 159)").arg(orv::singleText(value)));
    }
}

void TestCliParams::setWritesReadsBackAndReports()
{
    Station station({});
    QVERIFY(!station.pty().isEmpty());

    Run run = cli(station.pty(), {"set", "temp: outside", "20"});
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(run.out.contains("sent 20 (raw 116)"), qPrintable(run.out));
    QVERIFY2(run.out.contains("temp: outside: 20 (minimum -96, maximum 159)"), qPrintable(run.out));
    QCOMPARE(cli(station.pty(), {"read", "12"}).out.trimmed(), QString("116"));

    run = cli(station.pty(), {"set", "pressure", "29.92"});
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(run.out.contains("barometric pressure: 29.92 (minimum 20.00, maximum 32.00)"), qPrintable(run.out));
    QCOMPARE(cli(station.pty(), {"read", "30"}).out.trimmed(), QString("2992"));
}

void TestCliParams::setRefusesValueOutsideLimits_data()
{
    QTest::addColumn<QString>("setting");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("address");
    QTest::newRow("above") << "temp: outside" << "159.1" << "12";
    QTest::newRow("below") << "outside-temp" << "-97" << "12";
    QTest::newRow("pressure") << "pressure" << "35" << "30";
}

void TestCliParams::setRefusesValueOutsideLimits()
{
    QFETCH(QString, setting);
    QFETCH(QString, value);
    QFETCH(QString, address);

    Station station({});
    QVERIFY(!station.pty().isEmpty());
    const QString before = cli(station.pty(), {"read", address}).out;
    const Run run = cli(station.pty(), {"set", setting, value});
    QCOMPARE(run.exitCode, 4);
    QVERIFY2(run.err.contains("is outside the limits of") && run.err.contains("nothing was sent"), qPrintable(run.err));
    QCOMPARE(cli(station.pty(), {"read", address}).out, before);
}

void TestCliParams::getOfAbsentSetting()
{
    Station station({"--version", "3.201\\r\\n"});
    QVERIFY(!station.pty().isEmpty());
    const Run run = cli(station.pty(), {"get", "lightning"});
    QCOMPARE(run.exitCode, 4);
    QVERIFY2(run.err.contains("firmware 3201.prm has no Lightning Level"), qPrintable(run.err));
}

void TestCliParams::missingDefinitionFile()
{
    Station station({"--version", "9.999\\r\\n"});
    QVERIFY(!station.pty().isEmpty());
    const Run run = cli(station.pty(), {"get", "temp: outside"});
    QCOMPARE(run.exitCode, 4);
    QVERIFY2(run.err.contains("ORV CAL: ORV CAL is unable to access the 9999.prm file for your ORV station "
                              "firmware version."),
             qPrintable(run.err));
    QVERIFY(run.out.isEmpty());
}

void TestCliParams::definitionFaultIsRefused_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("says");
    QTest::addColumn<QString>("untouched"); // 300 in one byte is 44: nothing may reach that setting instead
    const QString cannot = QStringLiteral("ORV CAL cannot use the outside temperature calibration setting of 4103.prm: ");
    const QString address = cannot + "its address 300 is outside 0 to 255.";
    const QString notANumber = cannot + "line 1, field 3 (raw maximum), \"abc\", is not a number.";
    QTest::newRow("get") << QStringList{"get", "outside-temp"} << QByteArray("300, 0, 255, 1, 96") << 4 << address << "44";
    QTest::newRow("set") << QStringList{"set", "outside-temp", "20"} << QByteArray("300, 0, 255, 1, 96") << 4 << address << "44";
    for (const QStringList &args : {QStringList{"get", "outside-temp"}, QStringList{"set", "outside-temp", "20"},
                                    QStringList{"backup", m_dataDir.filePath("b.json")}})
        QTest::addRow("%s, a field without a number", qPrintable(args[0])) << args << QByteArray("12, 0, abc, 1, 96") << 4 << notANumber << "12";
    QTest::newRow("get, value outside the file's range") << QStringList{"get", "outside-temp"} << QByteArray("12, 0, 100, 1, 96") << 0
                                                         << "note: the station holds raw 111, outside the range of 4103.prm (0 to 100)" << "12";
}

void TestCliParams::definitionFaultIsRefused()
{
    QFETCH(QStringList, args);
    QFETCH(QByteArray, line);
    QFETCH(int, exitCode);
    QFETCH(QString, says);
    QFETCH(QString, untouched);
    const QString folder = m_dataDir.filePath(QStringLiteral("PRM"));
    QVERIFY(QDir().mkpath(folder));
    const auto removeFolder = qScopeGuard([&folder] { QDir(folder).removeRecursively(); });
    QFile prm(folder + QStringLiteral("/4103.prm"));
    QVERIFY(prm.open(QIODevice::WriteOnly));
    prm.write(line + ", temp: outside\r\n");
    prm.close();

    Station station({});
    QVERIFY(!station.pty().isEmpty());
    const QString before = cli(station.pty(), {"read", untouched}).out;
    const Run run = cli(station.pty(), args);
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2((run.err + run.out).contains(says), qPrintable(run.err + run.out));
    QCOMPARE(cli(station.pty(), {"read", untouched}).out, before);
}

void TestCliParams::unknownSettingName()
{
    const Run run = cli(QStringLiteral("/dev/null"), {"get", "Temp: Outsid"});
    QCOMPARE(run.exitCode, 2);
    QVERIFY2(run.err.contains("no setting is called 'Temp: Outsid'"), qPrintable(run.err));
}

void TestCliParams::backupThenRefusedRestoresWriteNothing()
{
    const QString trace = m_dataDir.filePath(QStringLiteral("wire.txt"));
    Station station({"--trace", trace});
    QVERIFY(!station.pty().isEmpty());
    const QString file = m_dataDir.filePath(QStringLiteral("ridge.json"));
    Run run = cli(station.pty(), {"backup", file});
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(run.out.contains("saved 27 settings of firmware 4.103 (4103.prm)"), qPrintable(run.out));
    QVERIFY2(run.err.contains("reading setting 27 of 27 (Lightning Level)"), qPrintable(run.err));

    QFile saved(file);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    const QByteArray json = saved.readAll();
    saved.close();
    auto restoreFrom = [&](const QByteArray &text) {
        QFile edited(file);
        edited.open(QIODevice::WriteOnly | QIODevice::Truncate);
        edited.write(text);
        edited.close();
        return cli(station.pty(), {"restore", file});
    };
    // Checked against the definition file before anything is read or written.
    QByteArray outside = json;
    outside.replace("\"raw\": 2992", "\"raw\": 3300");
    const int line = int(outside.left(outside.indexOf("3300")).count('\n')) + 1;
    run = restoreFrom(outside);
    QCOMPARE(run.exitCode, 4);
    QVERIFY2(run.err.contains(QStringLiteral("line %1: the raw value 3300 of \"barometric pressure\" is outside its limits").arg(line)),
             qPrintable(run.err));
    QVERIFY2(run.err.contains("nothing was written"), qPrintable(run.err));
    // A damaged file is refused before the port is even opened.
    run = restoreFrom(json.left(json.size() / 2));
    QCOMPARE(run.exitCode, 4);
    QVERIFY2(run.err.contains("ends too early"), qPrintable(run.err));

    QFile wire(trace);
    QVERIFY(wire.open(QIODevice::ReadOnly));
    QVERIFY(!wire.readAll().contains("> 02 05 53 50"));

    // The line goes away during a write: exit 3, as for any command on a lost line.
    QVERIFY(saved.open(QIODevice::WriteOnly | QIODevice::Truncate));
    saved.write(QByteArray(json).replace("\"eng\": 29.92", "\"eng\": 29.93").replace("\"raw\": 2992", "\"raw\": 2993"));
    saved.close();
    QProcess restore;
    restore.start(QStringLiteral(ORVCAL_CLI_PATH), {"--device", station.pty(), "--baud", "2400", "--data-dir", m_dataDir.path(), "restore", file});
    QByteArray err;
    QTRY_VERIFY2_WITH_TIMEOUT((err += restore.readAllStandardError()).contains("writing setting 1 of 1"), err.constData(), 30000);
    station.stop();
    QVERIFY(restore.waitForFinished(5000));
    QCOMPARE(restore.exitCode(), 3);
    QVERIFY2((err += restore.readAllStandardError()).contains("the line to the weather station was lost"), err.constData());
}

void TestCliParams::clockShowsTheStationsDrift()
{
    Station station({"--clock-offset", "-75"});
    QVERIFY(!station.pty().isEmpty());
    const Run run = cli(station.pty(), {"clock"});
    QCOMPARE(run.exitCode, 0);
    const QRegularExpression difference(QStringLiteral("^difference -(74|75|76) s \\(station behind\\)$"),
                                        QRegularExpression::MultilineOption);
    QVERIFY2(difference.match(run.out).hasMatch(), qPrintable(run.out));
}

void TestCliParams::clockSettingStoppedByCtrlC_data()
{
    QTest::addColumn<int>("interrupts");
    QTest::addColumn<QStringList>("report");
    const QString rest = QStringLiteral("not written: clock minutes, clock hours, clock years, clock month, clock day of month");
    const QString again = QStringLiteral("the station's clock may now be wrong; run clock --set-station again");
    QTest::newRow("once: the write in flight is finished, no other is started")
        << 1 << QStringList{QStringLiteral("clock setting stopped on request"), QStringLiteral("written: 1 of 6 (clock seconds)"), rest, again};
    QTest::newRow("twice: it ends at once, the write in flight unconfirmed")
        << 2
        << QStringList{QStringLiteral("clock setting ended at once on request"), QStringLiteral("written: 0 of 6"),
                       QStringLiteral("sent but not confirmed (check it): clock seconds"), rest, again};
}

void TestCliParams::clockSettingStoppedByCtrlC()
{
    QFETCH(int, interrupts);
    QFETCH(QStringList, report);
    Station station({"--clock-offset", "-75"});
    QVERIFY(!station.pty().isEmpty());
    QProcess p;
    p.start(QStringLiteral(ORVCAL_CLI_PATH), QStringList{"--device", station.pty(), "--baud", "2400", "--data-dir",
                                                         m_dataDir.path(), "clock", "--set-station"});
    QVERIFY(p.waitForStarted());
    QByteArray err;
    QTRY_VERIFY_WITH_TIMEOUT((err += p.readAllStandardError()).contains("writing 1 of 6"), 20000);
    ::kill(pid_t(p.processId()), SIGINT);
    QTRY_VERIFY_WITH_TIMEOUT((err += p.readAllStandardError()).contains("Ctrl+C again stops at once"), 2000);
    if (interrupts == 2) {
        ::kill(pid_t(p.processId()), SIGINT);
        QVERIFY(p.waitForFinished(2000));
    } else {
        QVERIFY(p.waitForFinished(30000));
    }
    err += p.readAllStandardError();
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), 6);
    QVERIFY2(!err.contains("writing 2 of 6"), err.constData());
    const QString out = QString::fromLatin1(p.readAllStandardOutput());
    const QStringList lines = out.split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.mid(3), report);
}

QTEST_GUILESS_MAIN(TestCliParams)
#include "tst_cli_params.moc"
