#include "peer_driver.h"

#include "station/param_table.h"
#include "station/station_model.h"
#include "station/station_options.h"

#include <QTest>

using station::StationModel;
using station::StationOptions;
using Delivery = PeerDriver::Delivery;

namespace {

const QByteArray read10 = QByteArray::fromHex("02034750105603");
const QByteArray reply10 = QByteArray::fromHex("0021");

QByteArray baudWrite(int index)
{
    return framed(QByteArray("SP") + char(station::paramAddress("Baud Rate index")) + char(0) + char(index));
}

bool allNoise(const QByteArray &bytes)
{
    for (char c : bytes)
        if (static_cast<unsigned char>(c) < 0x80)
            return false;
    return !bytes.isEmpty();
}

station::FaultOptions faults(const QString &name)
{
    station::FaultOptions f;
    if (!name.isEmpty())
        station::applyFault(name, &f);
    return f;
}

StationModel withFault(const QString &name)
{
    StationOptions o;
    o.faults = faults(name);
    return StationModel(o);
}

} // namespace

// Timing, rates and faults of the station as a peer on a serial line.
class TestStationLine : public QObject
{
    Q_OBJECT
private slots:
    void doubleReadGetsOneReply_data();
    void doubleReadGetsOneReply();
    void backToBackWritesAreAllStored();
    void replyWaitsForQuietLine_data();
    void replyWaitsForQuietLine();
    void wrongRateGarbles_data();
    void wrongRateGarbles();
    void baudIndexWriteMovesStation_data();
    void baudIndexWriteMovesStation();
    void fixedRateStationIgnoresBaudWrites();
    void faultReplies_data();
    void faultReplies();
    void lateReplyMissesTheWindow();
    void splitReplyPauses();
    void everyNthReplyDropped();
};

void TestStationLine::doubleReadGetsOneReply_data()
{
    QTest::addColumn<int>("baud");
    QTest::addColumn<Delivery>("delivery");
    for (int baud : {300, 1200, 2400, 9600, 38400}) {
        QTest::addRow("%d instant", baud) << baud << Delivery::Instant;
        QTest::addRow("%d chunks", baud) << baud << Delivery::Chunk;
        QTest::addRow("%d bytes", baud) << baud << Delivery::PerByte;
    }
}

void TestStationLine::doubleReadGetsOneReply()
{
    QFETCH(int, baud);
    QFETCH(Delivery, delivery);
    StationOptions o;
    o.fixedRate = baud;
    StationModel model(o);
    PeerDriver line(model, baud);
    // The computer sends the read once plain and once as its first attempt.
    line.send(read10, delivery);
    line.send(read10, delivery);
    QCOMPARE(line.collectFor(20000).toHex(), reply10.toHex());
    QCOMPARE(line.emptyPromises(), 0);
    QCOMPARE(model.protocolReplies(), 1);
}

void TestStationLine::backToBackWritesAreAllStored()
{
    StationModel model;
    PeerDriver line(model);
    const QByteArray writeA = framed(QByteArray::fromHex("53500c0258")); // 600 to 0x0c
    const QByteArray writeB = framed(QByteArray::fromHex("53501e0bb8")); // 3000 to 0x1e
    line.send(writeA);
    line.send(writeB);
    QCOMPARE(line.collectFor(5000).toHex(), QByteArray("0bb8"));
    QCOMPARE(model.param(0x0c, line.now()), 600);
    QCOMPARE(model.param(0x1e, line.now()), 3000);
}

void TestStationLine::replyWaitsForQuietLine_data()
{
    QTest::addColumn<int>("baud");
    QTest::addColumn<int>("turnaround");
    QTest::addColumn<double>("quietMs"); // what the station waits before it starts
    QTest::newRow("2400, turnaround rules") << 2400 << 50 << 50.0;
    QTest::newRow("38400, default") << 38400 << 20 << 20.0;
    QTest::newRow("300, ten characters rule") << 300 << 20 << 333.3;
    QTest::newRow("1200, ten characters rule") << 1200 << 20 << 83.3;
}

void TestStationLine::replyWaitsForQuietLine()
{
    QFETCH(int, baud);
    QFETCH(int, turnaround);
    QFETCH(double, quietMs);
    StationOptions o;
    o.fixedRate = baud;
    o.turnaroundMs = turnaround;
    StationModel model(o);
    PeerDriver line(model, baud);
    line.send("V", Delivery::Chunk);
    const qint64 sentAt = line.now();
    const QList<PeerDriver::Piece> pieces = line.piecesUntil(sentAt + 5000);
    QCOMPARE(PeerDriver::joined(pieces), QByteArray("4.103\r\n"));
    const double byteMs = 10000.0 / baud;
    const double firstAt = double(pieces.first().atMs - sentAt);
    QVERIFY2(firstAt >= quietMs + byteMs - 0.5 && firstAt <= quietMs + byteMs + 1.5, qPrintable(QString::number(firstAt)));
    const double lastAt = double(pieces.last().atMs - sentAt);
    QVERIFY2(qAbs(lastAt - (quietMs + 7 * byteMs)) <= 1.5, qPrintable(QString::number(lastAt)));
}

void TestStationLine::wrongRateGarbles_data()
{
    QTest::addColumn<int>("requestBaud");
    QTest::addColumn<int>("replyBaud");
    QTest::addColumn<bool>("answered");
    QTest::newRow("right rate") << 2400 << 2400 << true;
    QTest::newRow("request too fast") << 9600 << 9600 << false;
    QTest::newRow("request too slow") << 1200 << 2400 << false;
    QTest::newRow("reply read too fast") << 2400 << 19200 << true;
    QTest::newRow("reply read too slow") << 2400 << 300 << true;
}

void TestStationLine::wrongRateGarbles()
{
    QFETCH(int, requestBaud);
    QFETCH(int, replyBaud);
    QFETCH(bool, answered);
    StationModel model;
    PeerDriver line(model, requestBaud);
    line.send(read10);
    line.setBaud(replyBaud);
    const QByteArray reply = line.collectFor(3000);
    if (!answered) {
        QVERIFY(reply.isEmpty());
        return;
    }
    QCOMPARE(reply.size(), 2);
    if (replyBaud == 2400)
        QCOMPARE(reply.toHex(), reply10.toHex());
    else
        QVERIFY(allNoise(reply));
}

void TestStationLine::baudIndexWriteMovesStation_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("newRate");
    for (int index = 0; index < 8; ++index)
        QTest::addRow("index %d", index) << index << station::baudOfIndex(index);
    QTest::newRow("index 9 keeps the rate") << 9 << 2400;
}

void TestStationLine::baudIndexWriteMovesStation()
{
    QFETCH(int, index);
    QFETCH(int, newRate);
    StationModel model;
    PeerDriver line(model, 2400);
    // The echo still goes out at the old rate.
    QCOMPARE(line.ask(baudWrite(index), 500).toHex(), QByteArray("00") + QByteArray::number(index, 16).rightJustified(2, '0'));
    QCOMPARE(model.ownRate(), newRate);
    QCOMPARE(line.ask("V", 3000).isEmpty(), newRate != 2400);
    line.setBaud(newRate);
    QCOMPARE(line.ask("V", 3000), QByteArray("4.103\r\n"));
}

void TestStationLine::fixedRateStationIgnoresBaudWrites()
{
    StationOptions o;
    o.fixedRate = 9600;
    StationModel model(o);
    PeerDriver line(model, 9600);
    QCOMPARE(line.ask(framed(QByteArray("GP") + char(station::paramAddress("Baud Rate index")))).toHex(),
             QByteArray("0002"));
    QCOMPARE(line.ask(baudWrite(4), 500).toHex(), QByteArray("0004"));
    QCOMPARE(model.ownRate(), 9600);
    QCOMPARE(line.ask("V"), QByteArray("4.103\r\n"));
    line.setBaud(2400);
    QVERIFY(line.ask("V").isEmpty());
}

void TestStationLine::faultReplies_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<int>("length");
    QTest::addColumn<QByteArray>("prefix"); // what the reply starts with, empty for noise

    QTest::newRow("no-reply to a read") << "no-reply" << read10 << 0 << QByteArray();
    QTest::newRow("no-reply to V") << "no-reply" << QByteArray("V") << 0 << QByteArray();
    QTest::newRow("no-reply leaves terminal text") << "no-reply" << QByteArray("I") << 14 << QByteArray("Unit ID");
    QTest::newRow("wrong-length read") << "wrong-length" << read10 << 3 << reply10;
    QTest::newRow("wrong-length write") << "wrong-length" << QByteArray::fromHex("020553501001 2c1b03") << 3
                                        << QByteArray::fromHex("012c");
    QTest::newRow("wrong-length version") << "wrong-length" << QByteArray("V") << 8 << QByteArray("4.103\r\n");
    QTest::newRow("garbage read") << "garbage" << read10 << 2 << QByteArray();
    QTest::newRow("garbage version") << "garbage" << QByteArray("V") << 7 << QByteArray();
}

void TestStationLine::faultReplies()
{
    QFETCH(QString, fault);
    QFETCH(QByteArray, request);
    QFETCH(int, length);
    QFETCH(QByteArray, prefix);
    StationModel model = withFault(fault);
    PeerDriver line(model);
    const QByteArray reply = line.ask(request, 20000);
    QCOMPARE(reply.size(), length);
    if (length == 0)
        return;
    if (prefix.isEmpty())
        QVERIFY(allNoise(reply));
    else
        QCOMPARE(reply.left(prefix.size()).toHex(), prefix.toHex());
}

void TestStationLine::lateReplyMissesTheWindow()
{
    StationModel model = withFault(QStringLiteral("late"));
    PeerDriver line(model);
    line.send(read10);
    QVERIFY(line.collectFor(16000).isEmpty());
    QCOMPARE(line.collectFor(2000).toHex(), reply10.toHex());
}

void TestStationLine::splitReplyPauses()
{
    StationModel model = withFault(QStringLiteral("split"));
    PeerDriver line(model);
    line.send(read10);
    const QList<PeerDriver::Piece> pieces = line.piecesUntil(line.now() + 3000);
    QCOMPARE(pieces.size(), 2);
    QCOMPARE(PeerDriver::joined(pieces).toHex(), reply10.toHex());
    QVERIFY(pieces[1].atMs - pieces[0].atMs >= 300);
}

void TestStationLine::everyNthReplyDropped()
{
    StationModel model = withFault(QStringLiteral("drop-every=3"));
    PeerDriver line(model);
    QList<bool> answered;
    for (int i = 0; i < 6; ++i)
        answered << !line.ask(i % 2 ? QByteArray("V") : read10).isEmpty();
    QCOMPARE(answered, (QList<bool>{true, true, false, true, true, false}));
}

QTEST_GUILESS_MAIN(TestStationLine)
#include "tst_station_line.moc"
