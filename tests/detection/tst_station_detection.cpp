#include "detection_fixture.h"

#include "link/quick_detection.h"
#include "station/station_model.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <list>

using namespace orv;
using namespace orv::test;

namespace {

QStringList header()
{
    return {QStringLiteral("Detecting Weather Station"), QString()};
}

QStringList foundSummary(const QString &version, int port, int baud)
{
    return {QStringLiteral("Weather Station Detected"),
            QStringLiteral("Weather Station Firmware Version ") + version,
            QStringLiteral("COM Port is COM%1").arg(port),
            QStringLiteral("Baud Rate is %1").arg(baud),
            QStringLiteral("Communication properties have been changed to match")};
}

// The virtual clock, except that window events waiting outside a wait run only
// when the detection asks this pump for them.
class GatedPump final : public Pump
{
public:
    explicit GatedPump(VirtualPump &inner) : m_inner(inner) {}

    QDateTime now() const override { return m_inner.now(); }
    bool waitUntil(const QDateTime &until, const std::function<bool()> &done) override
    {
        return m_inner.waitUntil(until, done);
    }
    void wake() override { m_inner.wake(); }
    void runPending() override
    {
        ++runs;
        QCoreApplication::processEvents();
    }

    int runs = 0;

private:
    VirtualPump &m_inner;
};

} // namespace

class TestStationDetection : public QObject
{
    Q_OBJECT

private slots:
    void absentPortsReportedWithoutWaiting();
    void stationFound_data();
    void stationFound();
    void foundStationChangesOnlyActiveSlot_data();
    void foundStationChangesOnlyActiveSlot();
    void modemReportedAndSkipped();
    void stopHonouredBetweenTries_data();
    void stopHonouredBetweenTries();
    void portVanishingDuringRateTries();
    void outputPaintsThroughThePumpOnce();
    void silentPortTakesAboutAMinutePerRate();
    void narrowedWalkTriesOnlyThePlan();
    void quickWalkReportsEveryPort_data();
    void quickWalkReportsEveryPort();
    void quickWalkStop_data();
    void quickWalkStop();
    void quickWalkAgainstSpecifiedWalkWithRateFoundLast();
    void absenceReason_data();
    void absenceReason();
};

void TestStationDetection::absentPortsReportedWithoutWaiting()
{
    DetectionFixture f;
    f.comm->setTerminalMode(CommControl::TerminalModeA, 1);
    f.comm->setTerminalMode(CommControl::TerminalModeB, 1);
    const QByteArray before = f.settings.toBytes();

    const DetectionResult result = f.run();

    QStringList expected = header();
    for (int p = 1; p <= 8; ++p)
        expected << QStringLiteral("COM%1  Unavailable").arg(p);
    QCOMPARE(f.progress.screen.lines(), expected);
    QCOMPARE(result.outcome, DetectionResult::NotFound);
    QCOMPARE(f.elapsedMs(), 0);
    QVERIFY(!f.comm->terminalActive());
    QCOMPARE(f.settings.toBytes(), before);
    QCOMPARE(f.messages.size(), 1);
    QCOMPARE(f.messages[0].text, notDetectedMessage());
    QVERIFY(f.messages[0].text.startsWith(QLatin1String("Weather station not detected.  Possible causes include: 1)")));
    QCOMPARE(f.messages[0].icon, MessageIcon::Critical);
    QCOMPARE(f.messages[0].title, QStringLiteral("ORV CAL"));
}

void TestStationDetection::stationFound_data()
{
    QTest::addColumn<QList<int>>("absentPorts");
    QTest::addColumn<int>("stationPort");
    QTest::addColumn<int>("stationBaud");
    QTest::addColumn<QString>("lastTraceLine");

    QTest::newRow("9600 on COM2 behind absent COM1") << QList<int>{1} << 2 << 9600 << "COM2 2400 9600 ";
    QTest::newRow("2400 on COM1 at the first try") << QList<int>{} << 1 << 2400 << "COM1 2400 ";
    QTest::newRow("38400 on COM3, the last rate") << QList<int>{1, 2} << 3 << 38400
                                                  << "COM3 2400 9600 19200 300 600 1200 4800 38400 ";
    QTest::newRow("300 on COM8 behind seven absent") << QList<int>{1, 2, 3, 4, 5, 6, 7} << 8 << 300
                                                     << "COM8 2400 9600 19200 300 ";
}

void TestStationDetection::stationFound()
{
    QFETCH(QList<int>, absentPorts);
    QFETCH(int, stationPort);
    QFETCH(int, stationBaud);
    QFETCH(QString, lastTraceLine);

    DetectionFixture f;
    RateBoundStation station(stationBaud);
    f.attach(stationPort, station.peer);

    const DetectionResult result = f.run();

    QStringList trace = header();
    for (int p : absentPorts)
        trace << QStringLiteral("COM%1  Unavailable").arg(p);
    trace << lastTraceLine;
    QCOMPARE(f.progress.clearedScreens.size(), 2);
    QCOMPARE(f.progress.clearedScreens.last(), trace);
    QCOMPARE(f.progress.screen.lines(), foundSummary(QStringLiteral("1.90"), stationPort, stationBaud));
    QCOMPARE(f.progress.beeps, 1);

    QVERIFY(result.found());
    QCOMPARE(result.port, stationPort);
    QCOMPARE(result.baud, stationBaud);
    QCOMPARE(f.settings.com_port[0], stationPort);
    QCOMPARE(f.settings.baud_rate[0], float(stationBaud));
    QVERIFY(!f.comm->portOpen());
    QVERIFY(f.messages.isEmpty());
    // The answer came at the station's own rate, not from a garbled exchange.
    QCOMPARE(f.line->lineSettings().baud, stationBaud);
}

void TestStationDetection::foundStationChangesOnlyActiveSlot_data()
{
    QTest::addColumn<int>("slot");
    QTest::newRow("slot 0") << 0;
    QTest::newRow("slot 6") << 6;
    QTest::newRow("slot 19") << 19;
}

void TestStationDetection::foundStationChangesOnlyActiveSlot()
{
    QFETCH(int, slot);
    DetectionFixture f;
    for (int i = 0; i < ComSettings::slotCount; ++i) {
        f.settings.com_port[i] = std::int16_t(1 + i % 8);
        f.settings.baud_rate[i] = 1200.0f;
        f.settings.modem_flag[i] = (i % 2) ? 255 : 0;
    }
    ComSettings expected = f.settings;
    expected.com_port[slot] = 4;
    expected.baud_rate[slot] = 19200.0f;
    RateBoundStation station(19200);
    f.attach(4, station.peer);
    f.link->state.cur_station = slot;

    QVERIFY(f.run().found());

    QCOMPARE(f.settings.toBytes(), expected.toBytes());
    QCOMPARE(f.link->state.cur_station, slot);
}

void TestStationDetection::modemReportedAndSkipped()
{
    DetectionFixture f;
    ScriptedPeer modem;
    bool probeHardwareFlow = false;
    int probeBaud = 0;
    modem.setResponder([&](const QByteArray &request) {
        if (request == "\r") {
            probeHardwareFlow = f.line->hardwareFlow();
            probeBaud = f.line->lineSettings().baud;
        }
        return modemResponder()(request);
    });
    RateBoundStation station(2400);
    f.attach(1, modem);
    f.attach(2, station.peer);

    QVERIFY(f.run().found());

    const QStringList trace = header() + QStringList{QStringLiteral("COM1 Modem Detected"), QStringLiteral("COM2 2400 ")};
    QCOMPARE(f.progress.clearedScreens.last(), trace);
    QVERIFY(probeHardwareFlow);
    QCOMPARE(probeBaud, 2400);
    QByteArray toModem;
    for (const auto &r : modem.requests())
        toModem += r.bytes;
    QCOMPARE(toModem, QByteArray("AT\r"));
    QCOMPARE(f.settings.com_port[0], 2);
}

void TestStationDetection::stopHonouredBetweenTries_data()
{
    QTest::addColumn<qint64>("stopAtMs");
    QTest::addColumn<QString>("lastLine");
    QTest::addColumn<int>("versionRequests");
    QTest::addColumn<qint64>("endMs");

    // The modem probe takes 2 s, each silent rate try 3 s plus four 16 s windows.
    QTest::newRow("during the modem probe") << qint64(1000) << "COM1 Detection Canceled by User." << 0
                                            << qint64(2000);
    QTest::newRow("during the first try's settle wait") << qint64(3000) << "COM1 2400 Detection Canceled by User."
                                                        << 4 << qint64(2000 + 67000);
    QTest::newRow("during the second try's version request")
        << qint64(2000 + 67000 + 20000) << "COM1 2400 9600 Detection Canceled by User." << 8
        << qint64(2000 + 2 * 67000);
}

void TestStationDetection::stopHonouredBetweenTries()
{
    QFETCH(qint64, stopAtMs);
    QFETCH(QString, lastLine);
    QFETCH(int, versionRequests);
    QFETCH(qint64, endMs);

    DetectionFixture f;
    ScriptedPeer silent(ScriptedPeer::silent());
    RateBoundStation laterStation(2400);
    f.attach(1, silent);
    f.attach(2, laterStation.peer);
    const QByteArray before = f.settings.toBytes();
    f.pump.scheduleIn(stopAtMs, [&f] { f.progress.stop = true; });

    const DetectionResult result = f.run();

    QCOMPARE(result.outcome, DetectionResult::Canceled);
    const QStringList expected = header() + QStringList{lastLine};
    QCOMPARE(f.progress.screen.lines(), expected);
    int versions = 0;
    for (const auto &r : silent.requests())
        versions += r.bytes == "V";
    QCOMPARE(versions, versionRequests);
    QCOMPARE(f.elapsedMs(), endMs);
    QVERIFY(laterStation.peer.requests().isEmpty());
    QVERIFY(!f.comm->portOpen());
    QCOMPARE(f.settings.toBytes(), before);
    QCOMPARE(f.messages.size(), 1);
    QCOMPARE(f.messages[0].text, notDetectedMessage());
}

void TestStationDetection::portVanishingDuringRateTries()
{
    DetectionFixture f;
    ScriptedPeer silent(ScriptedPeer::silent());
    f.attach(1, silent);
    // Another program grabs the port while the first rate is being tried.
    f.pump.scheduleIn(10000, [&f] { f.ports.setBusy(DetectionFixture::path(1), true); });

    const DetectionResult result = f.run();

    QStringList expected = header();
    expected << QStringLiteral("COM1 2400  Unavailable");
    for (int p = 2; p <= 8; ++p)
        expected << QStringLiteral("COM%1  Unavailable").arg(p);
    QCOMPARE(f.progress.screen.lines(), expected);
    QCOMPARE(result.outcome, DetectionResult::NotFound);
    QCOMPARE(f.messages.size(), 1);
}

void TestStationDetection::outputPaintsThroughThePumpOnce()
{
    DetectionFixture f;
    GatedPump gated(f.pump);
    StationLink link(*f.comm, gated);
    int runsWhenPainted = -1;
    QStringList shownWhenPainted;
    QTimer::singleShot(0, [&] {
        runsWhenPainted = gated.runs;
        shownWhenPainted = f.progress.screen.lines();
    });

    detect_station(link, f.settings, f.progress);

    // Eight absent ports mean no wait at all: only the pump let the paint in.
    QCOMPARE(gated.runs, 1);
    QCOMPARE(runsWhenPainted, 1);
    QCOMPARE(shownWhenPainted, header());
}

void TestStationDetection::silentPortTakesAboutAMinutePerRate()
{
    DetectionFixture f;
    ScriptedPeer silent(ScriptedPeer::silent());
    f.attach(5, silent);

    f.run();

    QList<qint64> rateStarts;
    for (const auto &[at, text] : f.progress.printedAt) {
        bool isRate = false;
        text.trimmed().toInt(&isRate);
        if (isRate)
            rateStarts << at - f.startMs;
    }
    rateStarts << f.elapsedMs();
    QCOMPARE(rateStarts.size(), 9);
    // The modem probe's 2 s come before the first rate.
    QCOMPARE(rateStarts.first(), 2000);
    for (int i = 1; i < rateStarts.size(); ++i) {
        const qint64 perRate = rateStarts[i] - rateStarts[i - 1];
        // 3 s settle plus four receive windows of 15 s on a whole-second clock (15..16 s each).
        QVERIFY2(perRate >= 63000 && perRate <= 67000, qPrintable(QString::number(perRate)));
    }
    QVERIFY(f.elapsedMs() >= 2000 + 8 * 63000 && f.elapsedMs() <= 2000 + 8 * 67000);
    int versions = 0;
    for (const auto &r : silent.requests())
        versions += r.bytes == "V";
    QCOMPARE(versions, 8 * 4);
    QCOMPARE(f.line->openCount(), 1 + 8);
    QVERIFY(!f.comm->portOpen());
}

void TestStationDetection::narrowedWalkTriesOnlyThePlan()
{
    DetectionFixture f;
    ScriptedPeer silent(ScriptedPeer::silent());
    RateBoundStation station(9600);
    f.attach(1, silent);
    f.attach(2, station.peer);
    DetectionPlan plan;
    plan.ports = {3, 2};
    plan.rates = {38400, 9600};

    const DetectionResult result = detect_station(*f.link, f.settings, f.progress, plan);

    QVERIFY(result.found());
    const QStringList trace = header() + QStringList{QStringLiteral("COM3  Unavailable"), QStringLiteral("COM2 38400 9600 ")};
    QCOMPARE(f.progress.clearedScreens.last(), trace);
    QVERIFY(silent.requests().isEmpty());
    QCOMPARE(f.settings.com_port[0], 2);
    QCOMPARE(f.settings.baud_rate[0], 9600.0f);
}

namespace {

// One entry per port, COM1 first: "-" absent, "busy" held by another program,
// "hidden" a station the presence check does not see, "silent", "modem", or
// the rate a station answers at.
QuickDetectionResult runQuick(DetectionFixture &f, const QStringList &layout, std::list<ScriptedPeer> &peers,
                              std::list<RateBoundStation> &stations, QuickDetectionOptions options = {})
{
    QSet<int> hidden;
    for (int i = 0; i < layout.size(); ++i) {
        const int port = i + 1;
        const QString &what = layout[i];
        if (what == QLatin1String("-"))
            continue;
        if (what == QLatin1String("silent") || what == QLatin1String("busy")) {
            f.attach(port, peers.emplace_back(ScriptedPeer::silent()));
            f.ports.setBusy(DetectionFixture::path(port), what == QLatin1String("busy"));
        } else if (what == QLatin1String("modem")) {
            f.attach(port, peers.emplace_back(modemResponder()));
        } else {
            if (what == QLatin1String("hidden"))
                hidden << port;
            f.attach(port, stations.emplace_back(what == QLatin1String("hidden") ? 2400 : what.toInt()).peer);
        }
    }
    options.absence = [&f, hidden](int port) {
        const QString path = DetectionFixture::path(port);
        return f.ports.peer(path) && !hidden.contains(port) ? QString() : path + QStringLiteral(": no such device");
    };
    return quick_detect(*f.link, f.settings, f.progress, options);
}

QStringList quickHeader(int windowMs = 1000)
{
    return {QStringLiteral("Detecting Weather Station (quick: %1 ms reply window)").arg(windowMs), QString()};
}

QString absentLine(int port)
{
    return QStringLiteral("COM%1  absent (/dev/sim-com%1: no such device)").arg(port);
}

const QString allRates = QStringLiteral("2400 9600 19200 300 600 1200 4800 38400 ");

} // namespace

void TestStationDetection::quickWalkReportsEveryPort_data()
{
    QTest::addColumn<QStringList>("layout");
    QTest::addColumn<QStringList>("portLines");
    QTest::addColumn<int>("foundPort");
    QTest::addColumn<int>("foundBaud");

    QTest::newRow("every outcome, station at the last rate on COM5")
        << QStringList{"-", "busy", "modem", "silent", "38400", "-", "-", "-"}
        << QStringList{absentLine(1), "COM2  in use (/dev/sim-com2)", "COM3  modem", "COM4 " + allRates + " no answer",
                       "COM5 " + allRates + " station at 38400, firmware 1.90", absentLine(6), absentLine(7),
                       absentLine(8)}
        << 5 << 38400;
    QTest::newRow("ports after a found station are still reported, the first one is kept")
        << QStringList{"9600", "-", "2400", "-", "-", "-", "-", "-"}
        << QStringList{"COM1 2400 9600  station at 9600, firmware 1.90", absentLine(2),
                       "COM3 2400  station at 2400, firmware 1.90", absentLine(4), absentLine(5), absentLine(6),
                       absentLine(7), absentLine(8)}
        << 1 << 9600;
    QTest::newRow("a port whose device is absent is not opened")
        << QStringList{"hidden", "-", "-", "-", "-", "-", "-", "-"}
        << QStringList{absentLine(1), absentLine(2), absentLine(3), absentLine(4), absentLine(5), absentLine(6),
                       absentLine(7), absentLine(8)}
        << 0 << 0;
}

void TestStationDetection::quickWalkReportsEveryPort()
{
    QFETCH(QStringList, layout);
    QFETCH(QStringList, portLines);
    QFETCH(int, foundPort);
    QFETCH(int, foundBaud);

    DetectionFixture f;
    std::list<ScriptedPeer> peers;
    std::list<RateBoundStation> stations;
    ComSettings expected = f.settings;

    const QuickDetectionResult run = runQuick(f, layout, peers, stations);

    QStringList lines = quickHeader() + portLines;
    if (foundPort) {
        lines << QStringLiteral("Weather Station Detected on COM%1 at %2 baud, firmware version 1.90")
                     .arg(foundPort)
                     .arg(foundBaud);
        expected.com_port[0] = std::int16_t(foundPort);
        expected.baud_rate[0] = float(foundBaud);
    }
    QCOMPARE(f.progress.screen.lines(), lines);
    QCOMPARE(run.ports.size(), 8);
    QCOMPARE(run.result.found(), foundPort != 0);
    QCOMPARE(run.result.port, foundPort);
    QCOMPARE(f.settings.toBytes(), expected.toBytes());
    QCOMPARE(f.messages.size(), foundPort ? 0 : 1);
    QVERIFY(!f.comm->portOpen());
    for (const RateBoundStation &s : stations)
        if (layout.contains(QStringLiteral("hidden")))
            QVERIFY(s.peer.requests().isEmpty());
}

void TestStationDetection::quickWalkStop_data()
{
    QTest::addColumn<QStringList>("layout");
    QTest::addColumn<qint64>("stopAtMs");
    QTest::addColumn<QStringList>("portLines");
    QTest::addColumn<qint64>("endMs"); // 0: not pinned

    // A silent port: the modem probe's 1 s window, then per rate 0.1 s settle and a 1 s window.
    const QStringList silentThenStation{"silent", "2400", "-", "-", "-", "-", "-", "-"};
    const QStringList notProbed{"COM3  not probed", "COM4  not probed", "COM5  not probed",
                                "COM6  not probed", "COM7  not probed", "COM8  not probed"};
    QTest::newRow("during the modem probe") << silentThenStation << qint64(500)
                                            << QStringList{"COM1  stopped", "COM2  not probed"} + notProbed
                                            << qint64(1000);
    QTest::newRow("during the third rate") << silentThenStation << qint64(1000 + 2 * 1100 + 500)
                                           << QStringList{"COM1 2400 9600 19200  stopped", "COM2  not probed"}
                                                  + notProbed
                                           << qint64(1000 + 3 * 1100);
    QTest::newRow("after a station was found")
        << QStringList{"2400", "silent", "-", "-", "-", "-", "-", "-"} << qint64(4000)
        << QStringList{"COM1 2400  station at 2400, firmware 1.90", "COM2 2400 9600  stopped"} + notProbed
        << qint64(0);
    QTest::newRow("during the last try, which finds the station")
        << QStringList{"-", "-", "-", "-", "-", "-", "-", "38400"} << qint64(1000 + 7 * 1100 + 50)
        << QStringList{absentLine(1), absentLine(2), absentLine(3), absentLine(4), absentLine(5), absentLine(6),
                       absentLine(7), "COM8 " + allRates + " station at 38400, firmware 1.90"}
        << qint64(0);
}

void TestStationDetection::quickWalkStop()
{
    QFETCH(QStringList, layout);
    QFETCH(qint64, stopAtMs);
    QFETCH(QStringList, portLines);
    QFETCH(qint64, endMs);

    DetectionFixture f;
    std::list<ScriptedPeer> peers;
    std::list<RateBoundStation> stations;
    const QByteArray before = f.settings.toBytes();
    f.pump.scheduleIn(stopAtMs, [&f] { f.progress.stop = true; });

    const QuickDetectionResult run = runQuick(f, layout, peers, stations);

    QCOMPARE(run.result.outcome, DetectionResult::Canceled);
    QCOMPARE(f.progress.screen.lines(), quickHeader() + portLines + QStringList{"Detection Canceled by User."});
    QCOMPARE(f.settings.toBytes(), before);
    QVERIFY(!f.comm->portOpen());
    // The try in progress ends, no more.
    QVERIFY2(f.elapsedMs() > stopAtMs && f.elapsedMs() <= stopAtMs + 1100, qPrintable(QString::number(f.elapsedMs())));
    if (endMs)
        QCOMPARE(f.elapsedMs(), endMs);
    // Only a run that found nothing says so.
    const bool stationBeforeStop = layout.first() != QLatin1String("silent");
    QCOMPARE(f.messages.size(), stationBeforeStop ? 0 : 1);
    if (!stationBeforeStop)
        QVERIFY(stations.front().peer.requests().isEmpty());
}

void TestStationDetection::quickWalkAgainstSpecifiedWalkWithRateFoundLast()
{
    // The station simulator: silent on COM1..COM7, answering only at 38400 (the last rate) on COM8.
    station::StationOptions silentOptions;
    silentOptions.faults.noReply = true;
    station::StationOptions stationOptions;
    stationOptions.fixedRate = 38400;
    const auto timeWalk = [&](const std::function<DetectionResult(DetectionFixture &)> &walk) {
        DetectionFixture f;
        std::list<station::StationModel> models;
        for (int port = 1; port <= 8; ++port)
            f.attach(port, models.emplace_back(port < 8 ? silentOptions : stationOptions, f.pump.msSinceEpoch()));
        const DetectionResult result = walk(f);
        [&] {
            QCOMPARE(result.port, 8);
            QCOMPARE(result.baud, 38400);
        }();
        return f.elapsedMs();
    };

    const qint64 quickMs = timeWalk([](DetectionFixture &f) {
        QuickDetectionOptions options;
        options.absence = [](int) { return QString(); };
        return quick_detect(*f.link, f.settings, f.progress, options).result;
    });
    const qint64 specifiedMs = timeWalk([](DetectionFixture &f) { return f.run(); });
    if (QTest::currentTestFailed())
        return;

    qInfo("rate found last on COM8: quick walk %.1f s, the window's walk %.1f min", quickMs / 1000.0,
          specifiedMs / 60000.0);
    // 7 x (1 s modem probe + 8 x 1.1 s) + 1 s + 7 x 1.1 s + 0.1 s and the reply.
    QVERIFY2(quickMs > 7 * 9800 + 1000 + 7 * 1100 + 100 && quickMs < 90000, qPrintable(QString::number(quickMs)));
    // 7 x (2 s + 8 x 63..67 s) + 2 s + 7 x 63..67 s + 3 s and the reply.
    const qint64 minimum = 7 * (2000 + 8 * 63000) + 2000 + 7 * 63000 + 3000;
    const qint64 maximum = 7 * (2000 + 8 * 67000) + 2000 + 7 * 67000 + 4000;
    QVERIFY2(specifiedMs > minimum && specifiedMs < maximum, qPrintable(QString::number(specifiedMs)));
}

void TestStationDetection::absenceReason_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("named");
    QTest::addColumn<QString>("listed");
    QTest::addColumn<QString>("reason");

    // DIR is a fresh folder holding the file "tty" and the link "by-id" to it.
    QTest::newRow("no node") << "DIR/gone" << true << "DIR/gone" << "DIR/gone: no such device";
    QTest::newRow("named in the port map") << "DIR/tty" << true << "" << "";
    QTest::newRow("listed by the system") << "DIR/tty" << false << "DIR/tty" << "";
    QTest::newRow("listed under another name") << "DIR/by-id" << false << "DIR/tty" << "";
    QTest::newRow("a default node nothing lists") << "DIR/tty" << false << "DIR/other"
                                                  << "DIR/tty: no serial port behind it";
    QTest::newRow("a serial server in the port map") << "rfc2217://127.0.0.1:4001" << true << "" << "";
    QTest::newRow("a server address nobody named") << "tcp://127.0.0.1:4001" << false << ""
                                                   << "tcp://127.0.0.1:4001: no such device";
}

void TestStationDetection::absenceReason()
{
    QFETCH(QString, path);
    QFETCH(bool, named);
    QFETCH(QString, listed);
    QFETCH(QString, reason);

    QTemporaryDir dir;
    QFile tty(dir.filePath(QStringLiteral("tty")));
    QVERIFY(tty.open(QIODevice::WriteOnly));
    QVERIFY(QFile::link(tty.fileName(), dir.filePath(QStringLiteral("by-id"))));
    const auto inDir = [&dir](QString text) { return text.replace(QLatin1String("DIR"), dir.path()); };

    const QStringList systemPorts = listed.isEmpty() ? QStringList() : QStringList{inDir(listed)};
    QCOMPARE(orv::absenceReason(inDir(path), named, systemPorts), inDir(reason));
}

QTEST_GUILESS_MAIN(TestStationDetection)
#include "tst_station_detection.moc"
