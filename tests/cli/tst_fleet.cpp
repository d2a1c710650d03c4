#include "station_process.h"

#include "fleet.h"

#include "link/settings_file.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <memory>

using namespace orv;
using namespace orv::cli;
using namespace orv::test;

// orvcal-cli over several station slots: simulators on pseudo-terminals, each
// registered as a COM port of a data folder whose settings file names them.
class TestFleet : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void backupFileNamesAreSafe_data();
    void backupFileNamesAreSafe();
    void slotListsAndWorstCodes();
    void refusedBeforeAnyLineOpens_data();
    void refusedBeforeAnyLineOpens();
    void backupOverLinesThatFailInTheirOwnWays();
    void ctrlCStopsEveryLine();

private:
    // Starts a simulator as COM`port`; false with the reason in the test log.
    bool addStation(int port, const QStringList &options = {})
    {
        auto station = std::make_unique<StationProcess>(QStringLiteral(ORV_STATION_PATH));
        const bool up = station->start(QStringList{QStringLiteral("--register-com"), QString::number(port),
                                                   QStringLiteral("--data-dir"), m_dir->path()}
                                       + options);
        if (!up)
            qWarning() << station->error();
        m_stations.push_back(std::move(station));
        return up;
    }
    void setSlots(const QList<std::pair<int, int>> &slotPorts)
    {
        ComSettings s;
        SettingsFile file;
        QVERIFY(file.load(m_dir->path(), s));
        for (const auto &[slot, port] : slotPorts) {
            s.com_port[std::size_t(slot)] = std::int16_t(port);
            s.setStationName(slot, QStringLiteral("Mast %1/%2").arg(slot).arg(port));
        }
        QVERIFY(file.save(s));
    }
    QStringList cli(const QStringList &args) const
    {
        return QStringList{QStringLiteral("--data-dir"), m_dir->path()} + args;
    }
    void startCli(QProcess &process, const QStringList &args)
    {
        process.start(QStringLiteral(ORVCAL_CLI_PATH), cli(args));
        QVERIFY(process.waitForStarted());
    }
    // Waits until the error stream so far holds `text`.
    static bool waitForError(QProcess &process, QByteArray *seen, const QByteArray &text)
    {
        QDeadlineTimer deadline(30000);
        while (!seen->contains(text) && !deadline.hasExpired()) {
            process.waitForReadyRead(200);
            *seen += process.readAllStandardError();
        }
        return seen->contains(text);
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::vector<std::unique_ptr<StationProcess>> m_stations;
};

void TestFleet::init()
{
    m_stations.clear();
    m_dir = std::make_unique<QTemporaryDir>();
}

void TestFleet::backupFileNamesAreSafe_data()
{
    QTest::addColumn<int>("slot");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("file");
    QTest::newRow("plain") << 3 << "Ridge North" << "slot03-Ridge_North.json";
    QTest::newRow("accents dropped") << 12 << QStringLiteral("Zürich Öst") << "slot12-Zurich_Ost.json";
    QTest::newRow("path and shell characters") << 0 << "../../etc/*$x" << "slot00-etc_x.json";
    QTest::newRow("nothing usable") << 19 << "  ???  " << "slot19.json";
}

void TestFleet::backupFileNamesAreSafe()
{
    QFETCH(int, slot);
    QFETCH(QString, name);
    QFETCH(QString, file);
    QCOMPARE(backupFileName(slot, name), file);
}

void TestFleet::slotListsAndWorstCodes()
{
    QCOMPARE(parseSlotList(QStringLiteral("0-3,9,2")), (QList<int>{0, 1, 2, 3, 9}));
    for (const char *bad : {"", "3-1", "0-20", "1,,2", "0x3", "-1"})
        QVERIFY2(!parseSlotList(QLatin1String(bad)), bad);
    // A difference is less bad than a dead station, which is less bad than a run cut short.
    QCOMPARE(worstExitCode({0, 5, 0}), 5);
    QCOMPARE(worstExitCode({5, 1, 4}), 1);
    QCOMPARE(worstExitCode({3, 6, 8}), 6);
}

void TestFleet::refusedBeforeAnyLineOpens_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("code");
    QTest::newRow("one-station command") << QStringList{"--slots", "0", "read", "16"} << 2;
    QTest::newRow("port of its own") << QStringList{"--slots", "0", "--port", "2", "version"} << 2;
    QTest::newRow("both selections") << QStringList{"--slots", "0", "--all-slots", "version"} << 2;
    QTest::newRow("jobs without slots") << QStringList{"--jobs", "2", "version"} << 2;
    QTest::newRow("no lines at once") << QStringList{"--slots", "0", "--jobs", "0", "version"} << 2;
    QTest::newRow("backup without folder") << QStringList{"--slots", "0", "backup"} << 2;
    QTest::newRow("diff of no folder") << QStringList{"--slots", "0", "diff", "/nonexistent"} << 2;
    QTest::newRow("a new settings file sets no slot") << QStringList{"--all-slots", "version"} << 8;
}

void TestFleet::refusedBeforeAnyLineOpens()
{
    QFETCH(QStringList, args);
    QFETCH(int, code);
    const ProgramRun run = runProgram(QStringLiteral(ORVCAL_CLI_PATH), cli(args));
    QVERIFY2(run.exitCode == code, run.err.constData());
    QVERIFY(run.out.isEmpty());
}

void TestFleet::backupOverLinesThatFailInTheirOwnWays()
{
    // Slots 0 and 1 share COM1; COM3 never answers; COM4 goes away half-way.
    QVERIFY(addStation(1));
    QVERIFY(addStation(2));
    QVERIFY(addStation(3, {QStringLiteral("--fault"), QStringLiteral("no-reply")}));
    QVERIFY(addStation(4));
    setSlots({{0, 1}, {1, 1}, {2, 2}, {3, 3}, {4, 4}});
    const QString folder = m_dir->filePath(QStringLiteral("nightly"));

    QProcess process;
    startCli(process, {QStringLiteral("--all-slots"), QStringLiteral("--json"), QStringLiteral("backup"), folder});
    QByteArray err;
    QVERIFY2(waitForError(process, &err, "slot 4: reading setting 10 of"), err.constData());
    m_stations[3]->stop();
    QVERIFY(process.waitForFinished(120000));
    err += process.readAllStandardError();
    QCOMPARE(process.exitCode(), 3);

    const QJsonObject all = QJsonDocument::fromJson(process.readAllStandardOutput()).object();
    QCOMPARE(all[QLatin1String("exitCode")].toInt(), 3);
    const QJsonArray rows = all[QLatin1String("slots")].toArray();
    QStringList results;
    double sum = 0;
    for (const QJsonValue &slot : rows) {
        results << slot[QLatin1String("result")].toString();
        sum += slot[QLatin1String("seconds")].toDouble();
    }
    QCOMPARE(results, (QStringList{"done", "done", "done", "no answer", "line lost"}));
    // The silent station's minute of retries is waited out beside the others, not after them.
    QVERIFY2(all[QLatin1String("seconds")].toDouble() < sum * 0.8, qPrintable(QString::number(sum)));
    QVERIFY(rows[4][QLatin1String("problem")].toString().contains(QLatin1String("other end hung up")));

    QCOMPARE(QDir(folder).entryList(QDir::Files),
             (QStringList{"slot00-Mast_0_1.json", "slot01-Mast_1_1.json", "slot02-Mast_2_2.json"}));
    QFile second(QDir(folder).filePath(QStringLiteral("slot01-Mast_1_1.json")));
    QVERIFY(second.open(QIODevice::ReadOnly));
    const QJsonObject backup = QJsonDocument::fromJson(second.readAll()).object();
    QCOMPARE(backup[QLatin1String("slot")].toInt(), 1);
    QCOMPARE(backup[QLatin1String("stationName")].toString(), QStringLiteral("Mast 1/1"));
}

void TestFleet::ctrlCStopsEveryLine()
{
    QVERIFY(addStation(1));
    QVERIFY(addStation(2));
    setSlots({{0, 1}, {1, 2}, {2, 2}});
    // One line at a time: the slots in order, each its own row.
    const ProgramRun versions = runProgram(QStringLiteral(ORVCAL_CLI_PATH),
                                          cli({QStringLiteral("--slots"), QStringLiteral("2,0"),
                                               QStringLiteral("--jobs"), QStringLiteral("1"), QStringLiteral("version")}));
    QVERIFY2(versions.exitCode == 0, versions.err.constData());
    const QList<QByteArray> lines = versions.out.split('\n');
    QCOMPARE(lines.value(0), QByteArray("slot 2: 4.103\\r\\n"));
    QVERIFY2(lines.value(3).startsWith("2     Mast 2/2  COM2 "), versions.out.constData());
    QVERIFY2(lines.value(4).startsWith("0     Mast 0/1  COM1 "), versions.out.constData());

    const QString folder = m_dir->filePath(QStringLiteral("cut"));
    QProcess process;
    startCli(process, {QStringLiteral("--all-slots"), QStringLiteral("--json"), QStringLiteral("backup"), folder});
    QByteArray err;
    QVERIFY2(waitForError(process, &err, "slot 0: reading setting 3 of"), err.constData());
    QVERIFY2(waitForError(process, &err, "slot 1: reading setting 3 of"), err.constData());
    ::kill(pid_t(process.processId()), SIGINT);
    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(process.exitCode(), 6);
    const QJsonArray rows = QJsonDocument::fromJson(process.readAllStandardOutput()).object()[QLatin1String("slots")].toArray();
    QStringList results;
    for (const QJsonValue &slot : rows)
        results << slot[QLatin1String("result")].toString();
    QCOMPARE(results, (QStringList{"stopped", "stopped", "not run"}));
    QVERIFY(QDir(folder).entryList(QDir::Files).isEmpty());
}

QTEST_GUILESS_MAIN(TestFleet)
#include "tst_fleet.moc"
