#include "peer_driver.h"

#include "station/param_table.h"
#include "station/station_model.h"

#include <QTest>

using station::StationModel;
using station::StationOptions;

namespace {

const QDateTime clockStart(QDate(2026, 3, 14), QTime(10, 0, 0), Qt::UTC);

StationOptions options()
{
    StationOptions o;
    o.clockStart = clockStart;
    return o;
}

QByteArray readOf(const char *entry)
{
    return framed(QByteArray("GP") + char(station::paramAddress(entry)));
}

QByteArray writeOf(const char *entry, int value)
{
    return framed(QByteArray("SP") + char(station::paramAddress(entry)) + char(value >> 8) + char(value & 0xFF));
}

int valueOf(const QByteArray &reply)
{
    return reply.size() == 2 ? (static_cast<unsigned char>(reply[0]) << 8) | static_cast<unsigned char>(reply[1]) : -1;
}

} // namespace

// What the station answers to each request, byte for byte.
class TestStationProtocol : public QObject
{
    Q_OBJECT
private slots:
    void replies_data();
    void replies();
    void writeIsStored_data();
    void writeIsStored();
    void cutOffFrameIsAbandoned();
    void terminalCommands_data();
    void terminalCommands();
    void currentConditionsFollowUnits();
    void clockRuns();
    void clockFieldWrites_data();
    void clockFieldWrites();
    void paramsCanBeSetDirectly();
};

void TestStationProtocol::replies_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("reply");

    const QByteArray read10 = QByteArray::fromHex("02034750105603");
    QTest::newRow("version") << QByteArray("V") << QByteArray("4.103\r\n");
    QTest::newRow("read 0x10") << read10 << QByteArray::fromHex("0021");
    QTest::newRow("write 300 to 0x10") << QByteArray::fromHex("020553501001 2c1b03") << QByteArray::fromHex("012c");
    QTest::newRow("read temp: outside") << readOf("temp: outside") << QByteArray::fromHex("006f");
    QTest::newRow("read barometric pressure") << readOf("barometric pressure") << QByteArray::fromHex("0bb0");
    QTest::newRow("read baud index") << readOf("Baud Rate index") << QByteArray::fromHex("0004");
    QTest::newRow("read unused address") << framed(QByteArray("GP\xff", 3)) << QByteArray::fromHex("0000");
    QTest::newRow("write echoes high bytes") << framed(QByteArray("SP\x40\xff\x80", 5)) << QByteArray::fromHex("ff80");
    QTest::newRow("bad checksum") << QByteArray::fromHex("02034750105703") << QByteArray();
    QTest::newRow("bad length") << QByteArray::fromHex("0204475010005503") << QByteArray();
    QTest::newRow("bad end byte") << QByteArray::fromHex("02034750105604") << QByteArray();
    QTest::newRow("unknown body") << framed("GQ\x10") << QByteArray();
    QTest::newRow("read body with write length") << framed(QByteArray("GP\x10\x00\x01", 5)) << QByteArray();
    QTest::newRow("noise before a frame") << QByteArray::fromHex("8081fe") + read10 << QByteArray::fromHex("0021");
    QTest::newRow("after a bad checksum") << QByteArray::fromHex("02034750105703") + read10 << QByteArray::fromHex("0021");
    QTest::newRow("start byte where the end belongs")
        << QByteArray::fromHex("020347501056") + read10 << QByteArray::fromHex("0021");
    QTest::newRow("letter inside a frame is data")
        << framed(QByteArray("GP") + 'V') << QByteArray::fromHex("0000");
}

void TestStationProtocol::replies()
{
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, reply);
    StationModel model(options());
    PeerDriver line(model);
    QCOMPARE(line.ask(request, 5000).toHex(), reply.toHex());
}

void TestStationProtocol::writeIsStored_data()
{
    QTest::addColumn<QByteArray>("entry");
    QTest::addColumn<int>("value");
    QTest::newRow("temp: outside") << QByteArray("temp: outside") << 600;
    QTest::newRow("barometric pressure") << QByteArray("barometric pressure") << 3001;
    QTest::newRow("Wsp units, all bits") << QByteArray("Wsp units") << 0xF1;
    QTest::newRow("full 16 bits") << QByteArray("rain fall: term") << 0xFFFF;
}

void TestStationProtocol::writeIsStored()
{
    QFETCH(QByteArray, entry);
    QFETCH(int, value);
    StationModel model(options());
    PeerDriver line(model);
    QCOMPARE(valueOf(line.ask(writeOf(entry.constData(), value))), value);
    QCOMPARE(valueOf(line.ask(readOf(entry.constData()))), value);
}

void TestStationProtocol::cutOffFrameIsAbandoned()
{
    // GIVEN a read cut off after four bytes
    StationModel model(options());
    PeerDriver line(model);
    QVERIFY(line.ask(QByteArray::fromHex("02034750"), 3000).isEmpty());
    // WHEN a whole packet follows much later THEN it is read from its own start
    QCOMPARE(line.ask(QByteArray::fromHex("02034750105603")).toHex(), QByteArray("0021"));
}

void TestStationProtocol::terminalCommands_data()
{
    QTest::addColumn<char>("letter");
    for (char c : QByteArray("SICcDdEMmRrKTNAPB"))
        QTest::addRow("%c", c) << c;
}

void TestStationProtocol::terminalCommands()
{
    QFETCH(char, letter);
    StationModel model(options());
    PeerDriver line(model);
    const QByteArray text = line.ask(QByteArray(1, letter), 5000);
    QVERIFY(text.size() > 4);
    QVERIFY(text.endsWith("\r\n"));
    // A station printing these would be taken for a modem by the detection.
    for (const char *word : {"OK", "CONNECT", "CARRIER", "DIAL", "BUSY"})
        QVERIFY2(!text.contains(word), text.constData());
}

void TestStationProtocol::currentConditionsFollowUnits()
{
    StationModel model(options());
    PeerDriver line(model);
    const QByteArray english = line.ask("R", 5000);
    QVERIFY(english.contains("\xb0" "F"));
    QVERIFY(english.contains("29.92 inHg"));
    QVERIFY(english.contains("Rain day 0.12 in"));

    line.ask(writeOf("Scale: 0=FPS 1=CGS", 1));
    line.ask(writeOf("barometric pressure", 3000));
    const QByteArray metric = line.ask("R", 5000);
    QVERIFY(metric.contains("\xb0" "C"));
    QVERIFY(metric.contains("1015.9 hPa"));
    QVERIFY(line.ask("Z", 3000).isEmpty());
}

void TestStationProtocol::clockRuns()
{
    StationModel model(options());
    PeerDriver line(model);
    QCOMPARE(valueOf(line.ask(readOf("clock hours"))), 10);
    QCOMPARE(valueOf(line.ask(readOf("clock minutes"))), 0);
    line.collectFor(125 * 1000);
    QCOMPARE(valueOf(line.ask(readOf("clock minutes"))), 2);
    line.send(readOf("clock seconds"));
    const qint64 askedAtSeconds = line.now() / 1000;
    QCOMPARE(valueOf(line.collectFor(1000)), int(askedAtSeconds % 60));
    QCOMPARE(valueOf(line.ask(readOf("clock years"))), 26);
}

void TestStationProtocol::clockFieldWrites_data()
{
    QTest::addColumn<QDateTime>("start");
    QTest::addColumn<QByteArray>("entry");
    QTest::addColumn<int>("value");
    QTest::addColumn<QDateTime>("expected");

    const QDateTime jan31(QDate(2026, 1, 31), QTime(23, 59, 30), Qt::UTC);
    QTest::newRow("year") << clockStart << QByteArray("clock years") << 99
                          << QDateTime(QDate(2099, 3, 14), QTime(10, 0, 0), Qt::UTC);
    QTest::newRow("month") << clockStart << QByteArray("clock month") << 12
                           << QDateTime(QDate(2026, 12, 14), QTime(10, 0, 0), Qt::UTC);
    QTest::newRow("day") << clockStart << QByteArray("clock day of month") << 1
                         << QDateTime(QDate(2026, 3, 1), QTime(10, 0, 0), Qt::UTC);
    QTest::newRow("hours") << clockStart << QByteArray("clock hours") << 23
                           << QDateTime(QDate(2026, 3, 14), QTime(23, 0, 0), Qt::UTC);
    QTest::newRow("minutes") << clockStart << QByteArray("clock minutes") << 59
                             << QDateTime(QDate(2026, 3, 14), QTime(10, 59, 0), Qt::UTC);
    QTest::newRow("seconds") << clockStart << QByteArray("clock seconds") << 42
                             << QDateTime(QDate(2026, 3, 14), QTime(10, 0, 42), Qt::UTC);
    QTest::newRow("February keeps a valid day") << jan31 << QByteArray("clock month") << 2
                                                << QDateTime(QDate(2026, 2, 28), QTime(23, 59, 30), Qt::UTC);
    QTest::newRow("minute 60 ignored") << clockStart << QByteArray("clock minutes") << 60 << clockStart;
    QTest::newRow("month 13 ignored") << clockStart << QByteArray("clock month") << 13 << clockStart;
    QTest::newRow("day 0 ignored") << clockStart << QByteArray("clock day of month") << 0 << clockStart;
}

void TestStationProtocol::clockFieldWrites()
{
    QFETCH(QDateTime, start);
    QFETCH(QByteArray, entry);
    QFETCH(int, value);
    QFETCH(QDateTime, expected);
    StationOptions o;
    o.clockStart = start;
    StationModel model(o);
    PeerDriver line(model);
    QCOMPARE(valueOf(line.ask(writeOf(entry.constData(), value), 1000)), value);
    // The write lands within the first second; the clock then runs on.
    const QDateTime now = model.clockAt(line.now());
    QVERIFY2(qAbs(now.secsTo(expected)) <= 1, qPrintable(now.toString(Qt::ISODate)));
}

void TestStationProtocol::paramsCanBeSetDirectly()
{
    StationModel model(options());
    model.setParam(station::paramAddress("temp: inside"), 700, 0);
    model.setParam(station::paramAddress("Baud Rate index"), 2, 0);
    QCOMPARE(model.ownRate(), 9600);
    PeerDriver line(model, 9600);
    QCOMPARE(valueOf(line.ask(readOf("temp: inside"))), 700);
}

QTEST_GUILESS_MAIN(TestStationProtocol)
#include "tst_station_protocol.moc"
