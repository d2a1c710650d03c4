#include "detection_fixture.h"

#include <QTest>
#include <QTimer>

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

QTEST_GUILESS_MAIN(TestStationDetection)
#include "tst_station_detection.moc"
