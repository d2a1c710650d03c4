#include "message_capture.h"
#include "station_fixture.h"

#include "params/clock_check.h"
#include "params/setting_panels.h"
#include "params/station_backup.h"
#include "params/station_config.h"

#include "link/com_settings.h"
#include "station/param_table.h"

#include <QtTest>

using namespace orv;
using namespace orv::test;

namespace {

// Backup, restore and the clock check on the virtual clock against the
// simulated station on COM2; `drift` puts the station's clock off the computer's.
struct ConfigRig
{
    explicit ConfigRig(const QDateTime &computer = stationStart, qint64 driftMs = 0, station::Peer *front = nullptr)
        : pump(computer)
        , model(options(computer.addMSecs(driftMs)), pump.msSinceEpoch())
    {
        ports.attach(QStringLiteral("/dev/sim-com2"), front ? front : &model);
        PortMap map;
        map.setDevicePath(2, QStringLiteral("/dev/sim-com2"));
        auto device = std::make_unique<SimulatedLine>(pump, ports);
        line = device.get();
        comm = std::make_unique<CommControl>(std::move(device), map);
        link = std::make_unique<StationLink>(*comm, pump);
        link->setMessages(&log);
        comm->setCommPort(2);
        comm->setSettings(QStringLiteral("2400,N,8,1"));
        comm->setDTREnable(true);
        comm->setPortOpen(true);
        settings.baud_rate[0] = 2400;
    }

    static station::StationOptions options(const QDateTime &clock)
    {
        station::StationOptions o;
        o.clockStart = clock;
        return o;
    }

    int address(const char *entry) const { return station::paramAddress(entry); }
    void setRaw(const char *entry, int raw) { model.setParam(address(entry), quint16(raw), pump.msSinceEpoch()); }
    int raw(ParamEntry entry) const { return model.param(int(records[entry].address()), pump.msSinceEpoch()); }

    StationBackup backup()
    {
        QMap<ParamEntry, int> raw;
        if (!readRawSettings(*link, records, backupEntries(records), &raw).done())
            return {};
        return makeBackup(records, raw, QStringLiteral("4.103"), QStringLiteral("4103.prm"), pump.now(), 0,
                          QStringLiteral("Ridge"));
    }

    QMap<ParamEntry, int> current()
    {
        QMap<ParamEntry, int> raw;
        readRawSettings(*link, records, backupEntries(records), &raw);
        return raw;
    }

    QList<SentFrame> writesSince(qint64 ms) const { return writesIn(sentFrames(*line, ms)); }

    VirtualPump pump;
    station::StationModel model;
    SimulatedPorts ports;
    SimulatedLine *line = nullptr;
    std::unique_ptr<CommControl> comm;
    std::unique_ptr<StationLink> link;
    ParamRecords records = records4103();
    ComSettings settings = ComSettings::defaults();
    QuietPanels panels;
    MessageCapture log;
};

// Echoes writes to one address but keeps the old value, as a station does
// with a setting it will not take. `model` is set once the rig has made it.
struct StubbornPeer final : station::Peer
{
    explicit StubbornPeer(int address) : m_address(address) {}

    void receive(const QByteArray &bytes, qint64 nowMs) override
    {
        QByteArray b = bytes;
        for (int i = 0; i + 8 < b.size(); ++i) {
            if (b.at(i) != char(0x02) || b.at(i + 1) != char(5) || b.mid(i + 2, 2) != "SP"
                || quint8(b.at(i + 4)) != m_address)
                continue;
            const int kept = model->param(m_address, nowMs);
            b[i + 5] = char(kept >> 8);
            b[i + 6] = char(kept & 0xFF);
            int sum = 5;
            for (int k = 2; k < 7; ++k)
                sum += quint8(b.at(i + k));
            b[i + 7] = char((256 - sum % 256) % 256);
        }
        model->receive(b, nowMs);
    }
    QByteArray takeOutput(qint64 nowMs) override { return model->takeOutput(nowMs); }
    std::optional<qint64> nextOutputAtMs() const override { return model ? model->nextOutputAtMs() : std::nullopt; }
    void setLineRate(int baud, qint64 nowMs) override
    {
        if (model)
            model->setLineRate(baud, nowMs);
    }
    void setDtr(bool, qint64) override {}

    station::StationModel *model = nullptr;

private:
    int m_address;
};

QByteArray goodFile()
{
    StationBackup b;
    b.firmware = QStringLiteral("4.103");
    b.definitionFile = QStringLiteral("4103.prm");
    b.date = QDateTime(QDate(2026, 3, 14), QTime(10, 0));
    b.stationName = QStringLiteral("Ridge");
    b.settings.append({ParamEntry::TempOutside, 12, 111, 15});
    b.settings.append({ParamEntry::BarometricPressure, 30, 2992, 29.92});
    return b.toJson();
}

int lineOf(const QByteArray &text, const QByteArray &needle)
{
    const qsizetype at = text.indexOf(needle);
    return at < 0 ? -1 : int(text.left(at).count('\n')) + 1;
}

} // namespace

class TestStationConfig : public QObject
{
    Q_OBJECT

private slots:
    void backupRoundTripsThroughItsFile();
    void restoreWritesOnlyWhatDiffers_data();
    void restoreWritesOnlyWhatDiffers();
    void restoreRefusals_data();
    void restoreRefusals();
    void damagedFilesAreRefusedWithTheirLine_data();
    void damagedFilesAreRefusedWithTheirLine();
    void interruptedRestoreReportsPrecisely_data();
    void interruptedRestoreReportsPrecisely();
    void settingTheStationDidNotTake();

    void clockSetEndsWithinASecond_data();
    void clockSetEndsWithinASecond();
    void writesLandAwayFromCarries_data();
    void writesLandAwayFromCarries();
};

void TestStationConfig::backupRoundTripsThroughItsFile()
{
    ConfigRig rig;
    const StationBackup made = rig.backup();
    // Everything of 4103.prm but the six clock fields.
    QCOMPARE(made.settings.size(), 27);
    QVERIFY(!made.find(ParamEntry::ClockSeconds));
    const BackupSetting *outside = made.find(ParamEntry::TempOutside);
    QVERIFY(outside);
    QCOMPARE(outside->raw, 111);
    QCOMPARE(outside->eng, 15.0);
    QCOMPARE(outside->address, 12);

    StationBackup read;
    QString reason;
    int line = 0;
    const QByteArray json = made.toJson();
    QVERIFY2(StationBackup::fromJson(json, &read, &reason, &line), qPrintable(reason));
    QCOMPARE(read.firmware, QStringLiteral("4.103"));
    QCOMPARE(read.definitionFile, QStringLiteral("4103.prm"));
    QCOMPARE(read.stationName, QStringLiteral("Ridge"));
    QCOMPARE(read.date, made.date);
    QCOMPARE(read.settings.size(), made.settings.size());
    for (const BackupSetting &s : made.settings) {
        const BackupSetting *r = read.find(s.entry);
        QVERIFY(r);
        QCOMPARE(r->raw, s.raw);
        QCOMPARE(r->address, s.address);
    }
    QCOMPARE(read.find(ParamEntry::TempOutside)->rawLine, lineOf(json, "\"raw\": 111"));
    QVERIFY(checkRestore(read, rig.records, QStringLiteral("4.103")).isEmpty());
    // The date carries its offset; a file from before, without one, still reads as local time.
    const QByteArray local = made.date.toString(Qt::ISODate).toLatin1();
    QVERIFY(QRegularExpression(QStringLiteral("\"date\": \"%1[+-]\\d\\d:\\d\\d\"").arg(QString::fromLatin1(local))).match(QString::fromLatin1(json)).hasMatch());
    QVERIFY(StationBackup::fromJson(QByteArray(json).replace(local + json.mid(json.indexOf(local) + local.size(), 6), local), &read, &reason, &line));
    QCOMPARE(read.date, made.date);
}

void TestStationConfig::restoreWritesOnlyWhatDiffers_data()
{
    QTest::addColumn<QByteArray>("first");
    QTest::addColumn<int>("firstRaw");
    QTest::addColumn<QByteArray>("second");
    QTest::addColumn<int>("secondRaw");

    QTest::newRow("two calibrations") << QByteArray("temp: outside") << 600 << QByteArray("barometric pressure") << 3001;
    QTest::newRow("flags and display word") << QByteArray("report flags") << 5 << QByteArray("Wsp units") << 0x71;
    // The baud index moves the station's rate; the restore follows it there.
    QTest::newRow("baud index and wet level") << QByteArray("Baud Rate index") << 2 << QByteArray("Wet Level") << 77;
}

void TestStationConfig::restoreWritesOnlyWhatDiffers()
{
    QFETCH(QByteArray, first);
    QFETCH(int, firstRaw);
    QFETCH(QByteArray, second);
    QFETCH(int, secondRaw);
    ConfigRig rig;
    const StationBackup saved = rig.backup();
    rig.setRaw(first, firstRaw);
    rig.setRaw(second, secondRaw);
    // The station's new rate, as if a technician had changed it by hand.
    if (first == "Baud Rate index") {
        rig.comm->setPortOpen(false);
        rig.comm->setSettings(QStringLiteral("9600,N,8,1"));
        rig.comm->setPortOpen(true);
    }

    const QMap<ParamEntry, int> now = rig.current();
    QStringList differing;
    for (const DiffRow &row : compare(saved, rig.records, now))
        if (row.differs())
            differing << QString::fromLatin1(entryName(row.entry));
    QCOMPARE(differing.size(), 2);
    QVERIFY(differing.contains(QString::fromLatin1(first)));
    QVERIFY(differing.contains(QString::fromLatin1(second)));

    const RestorePlan plan = planRestore(saved, rig.records, now);
    QCOMPARE(plan.writes.size(), 2);
    QVERIFY(plan.estimatedSeconds() >= 2 * secondsPerWrite);
    const qint64 before = rig.pump.msSinceEpoch();
    RestoreRunner runner(*rig.link, rig.records, rig.settings, nullptr, rig.panels);
    const RestoreReport report = runner.run(plan);
    QVERIFY2(report.allTaken(), qPrintable(report.lines().join('\n')));
    QCOMPARE(report.taken.size(), 2);
    QCOMPARE(rig.writesSince(before).size(), 2);
    for (const BackupSetting &s : saved.settings)
        QCOMPARE(rig.raw(s.entry), s.raw);
    QVERIFY(rig.log.messages.isEmpty());
}

void TestStationConfig::restoreRefusals_data()
{
    QTest::addColumn<QString>("firmware");
    QTest::addColumn<QByteArray>("from");
    QTest::addColumn<QByteArray>("to");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<bool>("forcible");

    QTest::newRow("other firmware") << "4.200" << QByteArray() << QByteArray() << "firmware 4.103, the station runs 4.200" << true;
    QTest::newRow("raw above the limit") << "4.103" << QByteArray("\"raw\": 111") << QByteArray("\"raw\": 256")
                                         << "raw value 256 of \"temp: outside\" is outside its limits 0 to 255" << false;
    QTest::newRow("raw below the limit") << "4.103" << QByteArray("\"raw\": 2992") << QByteArray("\"raw\": 1999")
                                         << "outside its limits 2000 to 3200" << false;
    QTest::newRow("eng edited, raw not") << "4.103" << QByteArray("\"eng\": 15") << QByteArray("\"eng\": 19")
                                         << "engineering value 19 but the raw value 111, which is 15" << false;
    QTest::newRow("moved address") << "4.103" << QByteArray("\"address\": 12") << QByteArray("\"address\": 15")
                                   << "at address 15 in the backup but at 12" << true;
}

void TestStationConfig::restoreRefusals()
{
    QFETCH(QString, firmware);
    QFETCH(QByteArray, from);
    QFETCH(QByteArray, to);
    QFETCH(QString, reason);
    QFETCH(bool, forcible);
    QByteArray json = goodFile();
    if (!from.isEmpty()) {
        QVERIFY(json.contains(from));
        json.replace(from, to);
    }
    StationBackup b;
    QString why;
    int line = 0;
    QVERIFY2(StationBackup::fromJson(json, &b, &why, &line), qPrintable(why));
    const QList<RestoreProblem> problems = checkRestore(b, records4103(), firmware);
    QCOMPARE(problems.size(), 1);
    QVERIFY2(problems.first().reason.contains(reason), qPrintable(problems.first().reason));
    QCOMPARE(problems.first().forcible, forcible);
    QCOMPARE(problems.first().line, lineOf(json, from.isEmpty() ? QByteArray("\"firmware\"") : to));
}

void TestStationConfig::damagedFilesAreRefusedWithTheirLine_data()
{
    QTest::addColumn<QByteArray>("from");
    QTest::addColumn<QByteArray>("to");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<QByteArray>("lineOf"); // text on the line named; empty: the last line

    QTest::newRow("empty") << QByteArray("*") << QByteArray() << "empty" << QByteArray("*");
    QTest::newRow("truncated") << QByteArray("cut") << QByteArray() << "ends too early" << QByteArray();
    QTest::newRow("missing comma") << QByteArray("\"eng\": 15,") << QByteArray("\"eng\": 15")
                                   << "damaged" << QByteArray("\"entry\": \"temp: outside\"");
    QTest::newRow("newer format") << QByteArray("\"formatVersion\": 1") << QByteArray("\"formatVersion\": 2")
                                  << "newer ORV CAL (format version 2" << QByteArray("\"formatVersion\"");
    QTest::newRow("not ours") << QByteArray("\"ORV CAL station configuration\"") << QByteArray("\"photos\"")
                              << "not an ORV CAL station configuration" << QByteArray("\"photos\"");
    QTest::newRow("fractional raw") << QByteArray("\"raw\": 111") << QByteArray("\"raw\": 111.5")
                                    << "whole number from 0 to 65535" << QByteArray("111.5");
    QTest::newRow("raw beyond 16 bits") << QByteArray("\"raw\": 111") << QByteArray("\"raw\": 70000")
                                        << "whole number from 0 to 65535" << QByteArray("70000");
    QTest::newRow("raw as text") << QByteArray("\"raw\": 111") << QByteArray("\"raw\": \"111\"")
                                 << "whole number" << QByteArray("\"111\"");
    QTest::newRow("unknown setting") << QByteArray("\"temp: outside\"") << QByteArray("\"temp: garden\"")
                                     << "\"temp: garden\" is not a setting" << QByteArray("temp: garden");
    QTest::newRow("clock field") << QByteArray("\"temp: outside\"") << QByteArray("\"clock hours\"")
                                 << "clock" << QByteArray("clock hours");
    QTest::newRow("twice the same") << QByteArray("\"barometric pressure\"") << QByteArray("\"temp: outside\"")
                                    << "appears twice" << QByteArray("\"entry\": \"temp: outside\",\n            \"raw\": 2992");
    QTest::newRow("no eng") << QByteArray("\"eng\": 15") << QByteArray("\"eng\": null")
                            << "engineering value of \"temp: outside\" must be a number" << QByteArray("null");
    QTest::newRow("eng beyond a single") << QByteArray("\"eng\": 15") << QByteArray("\"eng\": 1e39")
                                         << "engineering value of \"temp: outside\" must be a number" << QByteArray("1e39");
    QTest::newRow("bad slot") << QByteArray("\"slot\": 0") << QByteArray("\"slot\": 25")
                              << "slot from 0 to 19" << QByteArray("\"slot\"");
    QTest::newRow("bad date") << QByteArray("2026-03-14T10:00:00") << QByteArray("last tuesday")
                              << "not a date" << QByteArray("last tuesday");
    QTest::newRow("a key twice") << QByteArray("\"raw\": 111") << QByteArray("\"raw\": 111,\n\"raw\": 112")
                                 << "\"raw\" appears twice" << QByteArray("\"raw\": 112");
    QTest::newRow("an unknown key") << QByteArray("\"raw\": 111") << QByteArray("\"raw\": 111,\n\"rwa\": 5")
                                    << "\"rwa\" is not a key" << QByteArray("\"rwa\"");
    QTest::newRow("entry as a number") << QByteArray("\"temp: outside\"") << QByteArray("12")
                                       << "the entry 12 is not a setting's name" << QByteArray("\"entry\": 12");
    QTest::newRow("over 1 MiB") << QByteArray("\"Ridge\"") << QByteArray("\"Ridge\"" + QByteArray(1 << 20, ' '))
                                << "larger than 1 MiB" << QByteArray("*");
    QTest::newRow("no settings") << QByteArray("\"settings\": [") << QByteArray("\"settingz\": [")
                                 << "\"settings\" must be a list" << QByteArray("*");
}

void TestStationConfig::damagedFilesAreRefusedWithTheirLine()
{
    QFETCH(QByteArray, from);
    QFETCH(QByteArray, to);
    QFETCH(QString, reason);
    QFETCH(QByteArray, lineOf);
    QByteArray json = goodFile();
    if (from == "*")
        json.clear();
    else if (from == "cut")
        json.truncate(json.indexOf("\"raw\": 2992") + 5);
    else {
        QVERIFY2(json.contains(from), from.constData());
        json.replace(json.indexOf(from), from.size(), to);
    }
    StationBackup b;
    QString why;
    int line = 0;
    QVERIFY(!StationBackup::fromJson(json, &b, &why, &line));
    QVERIFY2(why.contains(reason), qPrintable(why));
    int expected = 1;
    if (lineOf.isEmpty())
        expected = int(json.count('\n')) + 1;
    else if (lineOf != "*")
        expected = ::lineOf(json, lineOf);
    QCOMPARE(line, expected);
}

void TestStationConfig::interruptedRestoreReportsPrecisely_data()
{
    QTest::addColumn<bool>("unplug");
    QTest::addColumn<qint64>("atMs");
    QTest::addColumn<int>("taken");
    QTest::addColumn<int>("unconfirmed");
    QTest::addColumn<int>("notWritten");
    QTest::addColumn<int>("writesOnLine");

    // Three writes planned; a cancel is honoured before the next write only.
    QTest::newRow("cancel during the first write") << false << qint64(5000) << 1 << 0 << 2 << 1;
    QTest::newRow("cancel during the second write") << false << qint64(20000) << 2 << 0 << 1 << 2;
    QTest::newRow("line lost during the second write") << true << qint64(20000) << 1 << 1 << 1 << 2;
}

void TestStationConfig::interruptedRestoreReportsPrecisely()
{
    QFETCH(bool, unplug);
    QFETCH(qint64, atMs);
    QFETCH(int, taken);
    QFETCH(int, unconfirmed);
    QFETCH(int, notWritten);
    QFETCH(int, writesOnLine);
    ConfigRig rig;
    const StationBackup saved = rig.backup();
    rig.setRaw("temp: outside", 600);
    rig.setRaw("temp: inside", 601);
    rig.setRaw("Wet Level", 60);
    const RestorePlan plan = planRestore(saved, rig.records, rig.current());
    QCOMPARE(plan.writes.size(), 3);

    bool cancel = false;
    RestoreRunner runner(*rig.link, rig.records, rig.settings, nullptr, rig.panels);
    runner.cancelRequested = [&] { return cancel; };
    const qint64 before = rig.pump.msSinceEpoch();
    rig.pump.scheduleIn(atMs, [&] {
        if (unplug)
            rig.line->unplug();
        else
            cancel = true;
    });
    const RestoreReport report = runner.run(plan);
    QCOMPARE(report.ending, unplug ? RestoreReport::Ending::LineLost : RestoreReport::Ending::Cancelled);
    QCOMPARE(report.taken.size(), taken);
    QCOMPARE(report.unconfirmed.size(), unconfirmed);
    QCOMPARE(report.notWritten.size(), notWritten);
    QCOMPARE(rig.writesSince(before).size(), writesOnLine);
    // What the report calls not written is untouched on the station.
    for (const PlannedWrite &w : report.notWritten)
        QCOMPARE(rig.raw(w.entry), w.from);
    for (const PlannedWrite &w : report.taken)
        QCOMPARE(rig.raw(w.entry), w.to);
    const QString text = report.lines().join('\n');
    QVERIFY(!unplug || text.startsWith(QStringLiteral("Restore stopped: the line to the weather station was lost.")));
    for (const PlannedWrite &w : report.notWritten)
        QVERIFY(text.contains(QStringLiteral("Not written (still as before): ")) && text.contains(QString::fromLatin1(entryName(w.entry))));
}

void TestStationConfig::settingTheStationDidNotTake()
{
    StubbornPeer stubborn(station::paramAddress("Wet Level"));
    ConfigRig rig(stationStart, 0, &stubborn);
    stubborn.model = &rig.model;
    const StationBackup saved = rig.backup();
    rig.setRaw("Wet Level", 60);
    rig.setRaw("temp: outside", 600);
    RestoreRunner runner(*rig.link, rig.records, rig.settings, nullptr, rig.panels);
    const RestoreReport report = runner.run(planRestore(saved, rig.records, rig.current()));
    QCOMPARE(report.ending, RestoreReport::Ending::Complete);
    QVERIFY(!report.allTaken());
    QCOMPARE(report.taken.size(), 1);
    QCOMPARE(report.notTaken.size(), 1);
    QCOMPARE(report.notTaken.first().first.entry, ParamEntry::WetLevel);
    QCOMPARE(report.notTaken.first().second, 60);
    QVERIFY(report.lines().join('\n').contains(QStringLiteral("Not taken by the station: \"Wet Level\": sent 50, it holds 60")));
}

void TestStationConfig::clockSetEndsWithinASecond_data()
{
    QTest::addColumn<QDateTime>("computer");
    QTest::addColumn<qint64>("driftMs");

    QTest::newRow("two minutes fast") << QDateTime(QDate(2026, 3, 14), QTime(10, 0, 0)) << qint64(137000);
    QTest::newRow("45 s slow, mid-second") << QDateTime(QDate(2026, 3, 14), QTime(10, 0, 44, 500)) << qint64(-45300);
    // A minute write 15 s before the seconds once left stations a minute off here.
    QTest::newRow("seconds about to carry") << QDateTime(QDate(2026, 3, 14), QTime(12, 34, 50)) << qint64(30000);
    QTest::newRow("over new year") << QDateTime(QDate(2026, 12, 31), QTime(23, 59, 20)) << qint64(3 * 3600000);
    QTest::newRow("day 31 from a short month") << QDateTime(QDate(2027, 3, 31), QTime(8, 0, 0))
                                               << qint64(-40LL * 86400000);
    QTest::newRow("a day behind at midnight") << QDateTime(QDate(2026, 6, 30), QTime(23, 59, 50))
                                              << qint64(-86400000);
    // An exact station once read -1 s when its seconds were read late in a second.
    for (int ms = 300; ms <= 400; ms += 20)
        QTest::addRow("exact, reads from 10:00:10.%03d", ms) << QDateTime(QDate(2026, 3, 14), QTime(10, 0, 10, ms)) << qint64(0);
}

void TestStationConfig::clockSetEndsWithinASecond()
{
    QFETCH(QDateTime, computer);
    QFETCH(qint64, driftMs);
    ConfigRig rig(computer, driftMs);
    ClockCheck check(*rig.link, rig.records, rig.panels);
    ClockReading before;
    QCOMPARE(check.measure(&before), ClockResult::Done);
    QVERIFY2(qAbs(before.differenceMs - driftMs) <= 1000, qPrintable(QString::number(before.differenceMs)));
    QVERIFY(driftMs != 0 || (before.differenceSeconds() == 0 && before.computer.time().second() == before.station.time().second()));

    const qint64 start = rig.pump.msSinceEpoch();
    QCOMPARE(check.setStation(), ClockResult::Done);
    const QList<SentFrame> writes = rig.writesSince(start);
    QCOMPARE(writes.size(), 6);
    QCOMPARE(writes.first().address, rig.address("clock seconds"));
    // About 90 s of writes, plus at most a few seconds lining each one up.
    QVERIFY(rig.pump.msSinceEpoch() - start < 120000);

    const QDateTime station = rig.model.clockAt(rig.pump.msSinceEpoch());
    const QDateTime now = rig.pump.now();
    const qint64 offMs = QDateTime(now.date(), now.time(), Qt::UTC).msecsTo(station);
    QVERIFY2(qAbs(offMs) < 1000, qPrintable(QStringLiteral("station %1, computer %2")
                                                 .arg(station.toString(Qt::ISODateWithMs), now.toString(Qt::ISODateWithMs))));
    ClockReading after;
    QCOMPARE(check.measure(&after), ClockResult::Done);
    QVERIFY(qAbs(after.differenceSeconds()) <= 1);
}

void TestStationConfig::writesLandAwayFromCarries_data()
{
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<int>("dateWrites");
    QTest::addColumn<QDateTime>("landing");

    const QDate d(2026, 3, 14);
    QTest::newRow("lands at once") << QDateTime(d, QTime(10, 0, 10, 0)) << 0 << QDateTime(d, QTime(10, 0, 10, 100));
    QTest::newRow("next second") << QDateTime(d, QTime(10, 0, 10, 500)) << 0 << QDateTime(d, QTime(10, 0, 11, 100));
    QTest::newRow("not at 58") << QDateTime(d, QTime(10, 0, 57, 300)) << 0 << QDateTime(d, QTime(10, 1, 2, 100));
    QTest::newRow("not at 0") << QDateTime(d, QTime(10, 0, 0, 50)) << 0 << QDateTime(d, QTime(10, 0, 2, 100));
    QTest::newRow("date writes before midnight") << QDateTime(d, QTime(23, 58, 0)) << 3 << QDateTime(d, QTime(23, 58, 2, 100));
    QTest::newRow("date writes wait for midnight")
        << QDateTime(d, QTime(23, 59, 30)) << 3 << QDateTime(d.addDays(1), QTime(0, 0, 2, 100));
    QTest::newRow("last date write just fits") << QDateTime(d, QTime(23, 59, 30)) << 1 << QDateTime(d, QTime(23, 59, 30, 100));
}

void TestStationConfig::writesLandAwayFromCarries()
{
    QFETCH(QDateTime, now);
    QFETCH(int, dateWrites);
    QFETCH(QDateTime, landing);
    const qint64 lineMs = 38;
    QCOMPARE(ClockCheck::sendTime(now, lineMs, 100, dateWrites).addMSecs(lineMs), landing);
}

QTEST_GUILESS_MAIN(TestStationConfig)
#include "tst_station_config.moc"
