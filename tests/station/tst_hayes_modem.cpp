#include "peer_driver.h"

#include "station/hayes_modem.h"
#include "station/station_model.h"

#include <QTest>

using station::DialOutcome;
using station::HayesModem;
using station::StationModel;

namespace {

constexpr qint64 dialDelayMs = 5000;

station::ModemOptions modemOptions(DialOutcome outcome)
{
    station::ModemOptions o;
    o.outcome = outcome;
    o.dialDelayMs = dialDelayMs;
    return o;
}

} // namespace

// The modem between the computer and a remote station.
class TestHayesModem : public QObject
{
    Q_OBJECT
private slots:
    void commandLines_data();
    void commandLines();
    void dialOutcomes_data();
    void dialOutcomes();
    void dtrDropHangsUp();
    void stationRateStillMatters();
};

void TestHayesModem::commandLines_data()
{
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<QByteArray>("reply");
    const QByteArray ok("\r\nOK\r\n");
    QTest::newRow("detection") << QByteArray("AT&F\r") << ok;
    QTest::newRow("setup") << QByteArray("AT&F0\r") << ok;
    QTest::newRow("initialisation") << QByteArray("ATS2=255&D2\r") << ok;
    QTest::newRow("probe") << QByteArray("AT\r") << ok;
    QTest::newRow("lower case") << QByteArray("at\r") << ok;
    QTest::newRow("two commands") << QByteArray("AT\rAT&F\r") << ok + ok;
    QTest::newRow("no CR yet") << QByteArray("AT&F") << QByteArray();
    QTest::newRow("not a command") << QByteArray("hello\r") << QByteArray();
    QTest::newRow("station request") << QByteArray("V") << QByteArray();
}

void TestHayesModem::commandLines()
{
    QFETCH(QByteArray, sent);
    QFETCH(QByteArray, reply);
    StationModel station;
    HayesModem modem(station);
    PeerDriver line(modem);
    QCOMPARE(line.ask(sent, 1000), reply);
    QVERIFY(!modem.inDataMode());
}

void TestHayesModem::dialOutcomes_data()
{
    QTest::addColumn<DialOutcome>("outcome");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<bool>("connected");
    QTest::newRow("connect") << DialOutcome::Connect << QByteArray("\r\nCONNECT 2400\r\n") << true;
    QTest::newRow("busy") << DialOutcome::Busy << QByteArray("\r\nBUSY\r\n") << false;
    QTest::newRow("no dial tone") << DialOutcome::NoDialtone << QByteArray("\r\nNO DIALTONE\r\n") << false;
    QTest::newRow("no carrier") << DialOutcome::NoCarrier << QByteArray("\r\nNO CARRIER\r\n") << false;
    QTest::newRow("silent") << DialOutcome::Silent << QByteArray() << false;
}

void TestHayesModem::dialOutcomes()
{
    QFETCH(DialOutcome, outcome);
    QFETCH(QByteArray, reply);
    QFETCH(bool, connected);
    StationModel station;
    HayesModem modem(station, modemOptions(outcome));
    PeerDriver line(modem);

    line.send("ATDT 1-555-555-5555\r");
    QCOMPARE(modem.dialledNumber(), QByteArray(" 1-555-555-5555"));
    QVERIFY(line.collectFor(dialDelayMs - 10).isEmpty());
    QCOMPARE(line.collectFor(60000), reply);
    QCOMPARE(modem.inDataMode(), connected);
    // Only a connected call reaches the station.
    QCOMPARE(line.ask("V"), connected ? QByteArray("4.103\r\n") : QByteArray());
}

void TestHayesModem::dtrDropHangsUp()
{
    StationModel station;
    HayesModem modem(station, modemOptions(DialOutcome::Connect));
    PeerDriver line(modem);
    modem.setDtr(true, line.now());
    line.ask("ATDT5551234\r", dialDelayMs + 1000);
    QVERIFY(modem.inDataMode());
    QCOMPARE(line.ask(QByteArray::fromHex("02034750105603")).toHex(), QByteArray("0021"));

    modem.setDtr(false, line.now());
    QVERIFY(!modem.inDataMode());
    QVERIFY(line.ask("V").isEmpty());
    modem.setDtr(true, line.now());
    QCOMPARE(line.ask("AT\r"), QByteArray("\r\nOK\r\n"));
}

void TestHayesModem::stationRateStillMatters()
{
    StationModel station;
    HayesModem modem(station, modemOptions(DialOutcome::Connect));
    PeerDriver line(modem, 9600);
    QCOMPARE(line.ask("ATDT5551234\r", dialDelayMs + 1000), QByteArray("\r\nCONNECT 9600\r\n"));
    QVERIFY(line.ask("V").isEmpty());
}

QTEST_GUILESS_MAIN(TestHayesModem)
#include "tst_hayes_modem.moc"
