#include "station_process.h"

#include "params/number_format.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

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
    QTest::newRow("get") << QStringList{"get", "outside-temp"};
    QTest::newRow("set") << QStringList{"set", "outside-temp", "20"};
}

void TestCliParams::definitionFaultIsRefused()
{
    QFETCH(QStringList, args);
    const QString folder = m_dataDir.filePath(QStringLiteral("PRM"));
    QVERIFY(QDir().mkpath(folder));
    const auto removeFolder = qScopeGuard([&folder] { QDir(folder).removeRecursively(); });
    QFile prm(folder + QStringLiteral("/4103.prm"));
    QVERIFY(prm.open(QIODevice::WriteOnly));
    prm.write("300, 0, 255, 1, 96, temp: outside\r\n");
    prm.close();

    Station station({});
    QVERIFY(!station.pty().isEmpty());
    const QString before = cli(station.pty(), {"read", "44"}).out;
    const Run run = cli(station.pty(), args);
    QCOMPARE(run.exitCode, 4);
    QVERIFY2(run.err.contains("ORV CAL cannot use the outside temperature calibration setting of 4103.prm: its "
                              "address 300 is outside 0 to 255."),
             qPrintable(run.err));
    // 300 in one byte is 44: nothing may reach that setting instead.
    QCOMPARE(cli(station.pty(), {"read", "44"}).out, before);
}

void TestCliParams::unknownSettingName()
{
    const Run run = cli(QStringLiteral("/dev/null"), {"get", "Temp: Outsid"});
    QCOMPARE(run.exitCode, 2);
    QVERIFY2(run.err.contains("no setting is called 'Temp: Outsid'"), qPrintable(run.err));
}

QTEST_GUILESS_MAIN(TestCliParams)
#include "tst_cli_params.moc"
