#include "link_fixture.h"
#include "pty_peer.h"

#include "link/line_trace.h"
#include "link/link_ui.h"
#include "link/message.h"
#include "link/packet.h"
#include "link/qserial_device.h"
#include "link/qt_pump.h"

#include <QtTest>

using namespace orv;
using namespace orv::test;

namespace {

ScriptedPeer::Responder replyToEach(const QByteArray &reply, qint64 delayMs = 30)
{
    return ScriptedPeer::always(reply, delayMs);
}

// Times (ms since start) at which each chunk went to the station.
QList<qint64> sendTimes(const LinkFixture &f)
{
    QList<qint64> times;
    for (const auto &c : f.line->trace())
        if (c.toStation)
            times << c.atMs - f.startMs;
    return times;
}

// The exchange a row names, at `address` (with `value` for a write): how it failed, if it did.
LinkFailure exchange(LinkFixture &f, const QString &operation, int address = 0x10, int value = 300)
{
    if (operation == QLatin1String("version"))
        return f.link->request_version().failure();
    if (operation == QLatin1String("read"))
        return f.link->read_param(address).failure();
    return f.link->write_param(address, value).failure();
}

struct RecordingUi : LinkUi
{
    QStringList calls;
    const CommControl *comm = nullptr;
    void linkClosing() override { calls << QStringLiteral("closing:%1").arg(comm->portOpen()); }
    void linkClosed() override { calls << QStringLiteral("closed:%1").arg(comm->portOpen()); }
    void lineLost(const QString &) override { calls << QStringLiteral("lost"); }
};


} // namespace

class TestExchange : public QObject
{
    Q_OBJECT

private slots:
    void packetBytes_data();
    void packetBytes();

    void readPutsPacketOnLineTwiceBeforeAwaitingReply();
    void readDecodesReply_data();
    void readDecodesReply();
    void readRejectsWrongLengthAndRetries_data();
    void readRejectsWrongLengthAndRetries();
    void readAcceptsReplySplitAcrossPauses();
    void failuresAreResults_data();
    void failuresAreResults();

    void versionAcceptance_data();
    void versionAcceptance();
    void versionAttemptsAreFifteenToSixteenSecondsApart();

    void writeReadsEchoOnlyAfterFifteenSeconds();
    void writeWithoutEchoReturnsAfterHalfSecond();
    void writeResendsSameValueUntilEchoArrives();
    void writeEchoIsOneReadAfterEachTransmission_data();
    void writeEchoIsOneReadAfterEachTransmission();

    void lineLostOutsideAnExchangeIsReportedOnce_data();
    void lineLostOutsideAnExchangeIsReportedOnce();
    void hungUpPtyFailsReadAtOnceAndCostsNoCpu();
    void serialPortHoldsBoundedInput();
    void successAfterFailureLeavesNoTrace();
    void waitSpanningMidnightEndsOnTime();
    void receiveWindowFollowsWholeSecondClock_data();
    void receiveWindowFollowsWholeSecondClock();
    void closeLinkClosesPortBetweenUiSteps();

    void traceEntryText_data();
    void traceEntryText();
    void traceShowsBothDirectionsAsTheyPass_data();
    void traceShowsBothDirectionsAsTheyPass();
    void traceKeepsNewestWithinCapacity_data();
    void traceKeepsNewestWithinCapacity();
};

void TestExchange::packetBytes_data()
{
    QTest::addColumn<QByteArray>("packet");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("read 0x10") << readPacket(0x10) << QByteArray::fromHex("02034750105603");
    QTest::newRow("write 300 to 0x10") << writePacket(0x10, 300) << QByteArray::fromHex("020553501001 2C1B03");
    QTest::newRow("read 0xFF") << readPacket(0xFF) << QByteArray::fromHex("020347 50FF 6703");
    QTest::newRow("write 65535 to 0xFF") << writePacket(0xFF, 65535) << QByteArray::fromHex("020553 50FF FFFF 5B03");
    QTest::newRow("write 0x8000 to 0") << writePacket(0x00, 0x8000) << QByteArray::fromHex("020553 5000 8000 D803");
}

void TestExchange::packetBytes()
{
    QFETCH(QByteArray, packet);
    QFETCH(QByteArray, expected);
    QCOMPARE(packet.toHex(' '), expected.toHex(' '));
    // Length byte + body + checksum is a multiple of 256.
    int sum = 0;
    for (int i = 1; i < packet.size() - 1; ++i)
        sum += uchar(packet[i]);
    QCOMPARE(sum % 256, 0);
}

void TestExchange::readPutsPacketOnLineTwiceBeforeAwaitingReply()
{
    LinkFixture f;
    f.peer.setResponder(replyToEach(QByteArray::fromHex("012C")));
    QVERIFY(f.open());
    QCOMPARE(f.link->read_param(0x10).value(), 300);
    const QByteArray packet = QByteArray::fromHex("02034750105603");
    QCOMPARE(f.line->sentBytes().toHex(' '), (packet + packet).toHex(' '));
    // Both go out together after the 0.25 s settle, before any reply is awaited.
    const QList<qint64> times = sendTimes(f);
    QCOMPARE(times.size(), 2);
    QCOMPARE(times[0], 250);
    QCOMPARE(times[1], 250);
}

void TestExchange::readDecodesReply_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("value");
    QTest::newRow("0xFFFF") << QByteArray::fromHex("FFFF") << 65535;
    QTest::newRow("0x8000") << QByteArray::fromHex("8000") << 32768;
    QTest::newRow("high bytes unchanged") << QByteArray::fromHex("B0FE") << 0xB0FE;
    QTest::newRow("zero") << QByteArray::fromHex("0000") << 0;
}

void TestExchange::readDecodesReply()
{
    QFETCH(QByteArray, reply);
    QFETCH(int, value);
    LinkFixture f;
    // Only the second packet (the first attempt) is answered.
    int n = 0;
    f.peer.setResponder([&](const QByteArray &) {
        return ++n == 2 ? QList<ScriptedPeer::Piece>{{20, reply}} : QList<ScriptedPeer::Piece>{};
    });
    QVERIFY(f.open());
    const LinkResult<quint16> read = f.link->read_param(0x80);
    QVERIFY(read.ok());
    QCOMPARE(*read, value);
}

void TestExchange::readRejectsWrongLengthAndRetries_data()
{
    QTest::addColumn<QByteArray>("badReply");
    QTest::newRow("one byte") << QByteArray::fromHex("01");
    QTest::newRow("three bytes") << QByteArray::fromHex("012C00");
    QTest::newRow("eight bytes") << QByteArray::fromHex("0102030405060708");
}

void TestExchange::readRejectsWrongLengthAndRetries()
{
    QFETCH(QByteArray, badReply);
    LinkFixture f;
    // The plain first packet goes unanswered, the first attempt gets a wrong
    // reply, the second attempt a good one.
    int n = 0;
    f.peer.setResponder([&](const QByteArray &) {
        ++n;
        if (n == 1)
            return QList<ScriptedPeer::Piece>{};
        return QList<ScriptedPeer::Piece>{{20, n == 2 ? badReply : QByteArray::fromHex("0064")}};
    });
    QVERIFY(f.open());
    QCOMPARE(f.link->read_param(5).value(), 100);
    // The first attempt (second packet) ran to its deadline: 15 to 16 s.
    const QList<qint64> times = sendTimes(f);
    QCOMPARE(times.size(), 3);
    QVERIFY2(times[2] - times[1] >= 15000 && times[2] - times[1] <= 16000, qPrintable(QString::number(times[2] - times[1])));
}

void TestExchange::readAcceptsReplySplitAcrossPauses()
{
    LinkFixture f;
    int n = 0;
    f.peer.setResponder([&](const QByteArray &) {
        if (++n != 2)
            return QList<ScriptedPeer::Piece>{};
        return QList<ScriptedPeer::Piece>{{20, QByteArray::fromHex("12")}, {3000, QByteArray::fromHex("34")}};
    });
    QVERIFY(f.open());
    QCOMPARE(f.link->read_param(1).value(), 0x1234);
}

void TestExchange::failuresAreResults_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("line"); // "silent", "flood" (half a megabyte a window) or "unopened"
    QTest::addColumn<qint64>("lossAtMs"); // -1: the line stays
    QTest::addColumn<LinkError>("error");
    QTest::addColumn<int>("transmissions");
    QTest::addColumn<qint64>("minMs");
    QTest::addColumn<qint64>("maxMs");
    const auto row = [](const char *name, const char *operation, int address, int value, const char *line,
                        qint64 lossAtMs, LinkError error, int transmissions, qint64 minMs, qint64 maxMs) {
        QTest::newRow(name) << QString::fromLatin1(operation) << address << value << QString::fromLatin1(line)
                            << lossAtMs << error << transmissions << minMs << maxMs;
    };
    // Four version attempts of 15..16 s; eleven read attempts plus the plain first
    // packet; six write transmissions of 15 s each. A flood is no answer either.
    for (const char *line : {"silent", "flood"}) {
        const QByteArray v = QByteArray(line) + " version", r = QByteArray(line) + " read", w = QByteArray(line) + " write";
        row(v, "version", 0x10, 300, line, -1, LinkError::NoAnswer, 4, 60000, 64000);
        row(r, "read", 0x10, 300, line, -1, LinkError::NoAnswer, 12, 250 + 165000, 250 + 176000);
        row(w, "write", 0x10, 300, line, -1, LinkError::NoAnswer, 6, 90000, 90000);
    }
    // What a packet cannot carry never reaches the line.
    row("read address 256", "read", 256, 0, "silent", -1, LinkError::NotSendable, 0, 0, 0);
    row("read address -999", "read", -999, 0, "silent", -1, LinkError::NotSendable, 0, 0, 0);
    row("write address 300", "write", 300, 1, "silent", -1, LinkError::NotSendable, 0, 0, 0);
    row("write value 65536", "write", 10, 65536, "silent", -1, LinkError::NotSendable, 0, 0, 0);
    row("write value -1", "write", 10, -1, "silent", -1, LinkError::NotSendable, 0, 0, 0);
    row("write value 1e9", "write", 10, 1000000000, "silent", -1, LinkError::NotSendable, 0, 0, 0);
    // A closed or vanished port fails at once, not after every attempt has run out.
    row("version, never opened", "version", 0x10, 300, "unopened", -1, LinkError::PortClosed, 0, 0, 0);
    row("version, lost awaiting the reply", "version", 0x10, 300, "silent", 3000, LinkError::LineLost, 1, 3000, 3000);
    row("read, lost settling", "read", 0x10, 300, "silent", 100, LinkError::LineLost, 0, 100, 100);
    row("read, lost awaiting the reply", "read", 0x10, 300, "silent", 3000, LinkError::LineLost, 2, 3000, 3000);
    row("write, lost awaiting the echo", "write", 0x10, 300, "silent", 5000, LinkError::LineLost, 1, 5000, 5000);
}

void TestExchange::failuresAreResults()
{
    QFETCH(QString, operation);
    QFETCH(int, address);
    QFETCH(int, value);
    QFETCH(QString, line);
    QFETCH(qint64, lossAtMs);
    QFETCH(LinkError, error);
    QFETCH(int, transmissions);
    QFETCH(qint64, minMs);
    QFETCH(qint64, maxMs);
    LinkFixture f;
    f.peer.setResponder(ScriptedPeer::silent());
    if (line == QLatin1String("flood"))
        f.peer.setResponder([](const QByteArray &) { return QList<ScriptedPeer::Piece>(50, {100, QByteArray(10000, 'x')}); });
    if (line != QLatin1String("unopened"))
        QVERIFY(f.open());
    if (lossAtMs >= 0)
        f.pump.scheduleIn(lossAtMs, [&] { f.line->unplug(); });

    const LinkFailure failure = exchange(f, operation, address, value);
    QCOMPARE(failure.error, error);
    QVERIFY(!failure.text.isEmpty());
    QCOMPARE(int(f.peer.requests().size()), transmissions);
    QCOMPARE(f.line->sentBytes().isEmpty(), transmissions == 0);
    QVERIFY2(f.elapsedMs() >= minMs && f.elapsedMs() <= maxMs, qPrintable(QString::number(f.elapsedMs())));
    // A reply longer than its length is never kept whole, whatever a flooding peer sends.
    QVERIFY2(failure.received.size() <= (operation == QLatin1String("version") ? 8 : 3),
             qPrintable(QString::number(failure.received.size())));
    QCOMPARE(f.comm->portOpen(), error != LinkError::LineLost && error != LinkError::PortClosed);
}

void TestExchange::versionAcceptance_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("4.103 CR LF") << QByteArray("4.103\r\n") << true;
    QTest::newRow("4.30 then letters") << QByteArray("4.30\rab") << true;
    QTest::newRow("10.9") << QByteArray("10.9xyz") << true;
    QTest::newRow("1.0") << QByteArray("1.0\r\n\r\n") << true;
    QTest::newRow("leading blanks skipped") << QByteArray("  4.1\r\n") << true;
    QTest::newRow("11.0") << QByteArray("11.0abc") << false;
    QTest::newRow("0.99") << QByteArray("0.99abc") << false;
    QTest::newRow("no number") << QByteArray("abcdefg") << false;
    QTest::newRow("six bytes") << QByteArray("4.103\r") << false;
    QTest::newRow("eight bytes") << QByteArray("4.103\r\nX") << false;
}

void TestExchange::versionAcceptance()
{
    QFETCH(QByteArray, reply);
    QFETCH(bool, accepted);
    LinkFixture f;
    f.peer.setResponder(replyToEach(reply));
    QVERIFY(f.open());
    const LinkResult<QByteArray> version = f.link->request_version();
    QCOMPARE(version.ok(), accepted);
    QCOMPARE(int(f.peer.requests().size()), accepted ? 1 : 4);
    QCOMPARE(version.ok() ? *version : QByteArray(), accepted ? reply : QByteArray());
    QCOMPARE(f.link->state.station_version, accepted ? reply : QByteArray());
}

void TestExchange::versionAttemptsAreFifteenToSixteenSecondsApart()
{
    LinkFixture f;
    f.peer.setResponder(ScriptedPeer::silent());
    QVERIFY(f.open());
    f.pump.advance(400); // start mid-second
    f.link->request_version();
    const QList<qint64> times = sendTimes(f);
    QCOMPARE(times.size(), 4);
    for (int i = 1; i < times.size(); ++i) {
        const qint64 gap = times[i] - times[i - 1];
        QVERIFY2(gap >= 15000 && gap <= 16000, qPrintable(QString::number(gap)));
    }
    for (const auto &c : f.line->trace())
        if (c.toStation)
            QCOMPARE(c.bytes, QByteArray("V"));
}

void TestExchange::writeReadsEchoOnlyAfterFifteenSeconds()
{
    LinkFixture f;
    f.peer.setResponder(replyToEach(QByteArray::fromHex("8000")));
    QVERIFY(f.open());
    QCOMPARE(f.link->write_param(0x10, 300).value(), 32768); // the echo, not compared with what was sent
    QCOMPARE(f.line->sentBytes().toHex(' '), QByteArray::fromHex("020553501001 2C1B03").toHex(' '));
    QCOMPARE(f.elapsedMs(), 15000);
}

void TestExchange::writeWithoutEchoReturnsAfterHalfSecond()
{
    LinkFixture f;
    f.peer.setResponder(ScriptedPeer::silent());
    QVERIFY(f.open());
    QVERIFY(f.link->write_param_no_echo(0x20, 1).ok());
    QCOMPARE(f.elapsedMs(), 500);
    QCOMPARE(int(f.peer.requests().size()), 1);
}

void TestExchange::writeResendsSameValueUntilEchoArrives()
{
    LinkFixture f;
    int n = 0;
    f.peer.setResponder([&](const QByteArray &) {
        return ++n < 3 ? QList<ScriptedPeer::Piece>{{20, QByteArray::fromHex("01")}}
                       : QList<ScriptedPeer::Piece>{{20, QByteArray::fromHex("0005")}};
    });
    QVERIFY(f.open());
    QCOMPARE(f.link->write_param(7, 5).value(), 5);
    QCOMPARE(int(f.peer.requests().size()), 3);
    for (const auto &r : f.peer.requests())
        QCOMPARE(r.bytes, writePacket(7, 5));
    QCOMPARE(f.elapsedMs(), 45000);
}

void TestExchange::writeEchoIsOneReadAfterEachTransmission_data()
{
    QTest::addColumn<QByteArray>("pending");      // already received when the write starts
    QTest::addColumn<QByteArrayList>("echoes");   // per transmission; empty: silent
    QTest::addColumn<int>("transmissions");
    QTest::addColumn<int>("value"); // -1: no echo taken
    const QByteArray none;
    const QByteArray five = QByteArray::fromHex("0005");
    QTest::newRow("fifth echo taken") << none << QByteArrayList{none, none, none, none, five} << 5 << 5;
    QTest::newRow("sixth echo never looked at") << none << QByteArrayList{none, none, none, none, none, five} << 6 << -1;
    QTest::newRow("pending input is not discarded: it answers a silent write")
        << QByteArray::fromHex("0102") << QByteArrayList{none} << 1 << 0x0102;
}

void TestExchange::writeEchoIsOneReadAfterEachTransmission()
{
    QFETCH(QByteArray, pending);
    QFETCH(QByteArrayList, echoes);
    QFETCH(int, transmissions);
    QFETCH(int, value);
    LinkFixture f;
    int n = 0;
    f.peer.setResponder([&](const QByteArray &) {
        const QByteArray echo = echoes.value(n++);
        return echo.isEmpty() ? QList<ScriptedPeer::Piece>{} : QList<ScriptedPeer::Piece>{{20, echo}};
    });
    QVERIFY(f.open());
    if (!pending.isEmpty()) {
        f.peer.sendAt(f.pump.msSinceEpoch() + 10, pending);
        f.pump.advance(100);
    }
    const LinkResult<quint16> echo = f.link->write_param(7, 5);
    QCOMPARE(int(f.peer.requests().size()), transmissions);
    QCOMPARE(echo.ok() ? int(*echo) : -1, value);
}

void TestExchange::lineLostOutsideAnExchangeIsReportedOnce_data()
{
    QTest::addColumn<QString>("during");
    QTest::addColumn<bool>("linkReports");
    QTest::newRow("idle") << "idle" << true;
    QTest::newRow("a plain wait") << "wait" << true;
    QTest::newRow("a read: its caller reports") << "read" << false;
    QTest::newRow("a wait then a read: the read's caller reports") << "wait,read" << false;
}

void TestExchange::lineLostOutsideAnExchangeIsReportedOnce()
{
    QFETCH(QString, during);
    QFETCH(bool, linkReports);
    LinkFixture f;
    RecordingUi ui;
    ui.comm = f.comm.get();
    f.link->setUi(&ui);
    f.peer.setResponder(ScriptedPeer::silent());
    QVERIFY(f.open());
    f.pump.scheduleIn(1000, [&] { f.line->unplug(); });
    LinkError readError = LinkError::None;
    for (const QString &step : during.split(QLatin1Char(','))) {
        if (step == QLatin1String("idle"))
            f.pump.advance(2000);
        else if (step == QLatin1String("wait"))
            f.link->wait_seconds(3);
        else
            readError = f.link->read_param(0x10).error();
    }
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();

    if (linkReports) {
        QCOMPARE(ui.calls, (QStringList{QStringLiteral("lost"), QStringLiteral("closing:0"), QStringLiteral("closed:0")}));
        QCOMPARE(f.log.texts().size(), 1);
        QVERIFY2(f.log.texts()[0].startsWith(QStringLiteral("The line to the weather station was lost: ")),
                 qPrintable(f.log.texts()[0]));
    } else {
        QCOMPARE(ui.calls, QStringList());
        QCOMPARE(f.log.texts(), QStringList());
        QCOMPARE(readError, LinkError::LineLost);
    }
}

void TestExchange::hungUpPtyFailsReadAtOnceAndCostsNoCpu()
{
    PtyPeer peer;
    QVERIFY(peer.isOpen());
    PortMap map;
    map.setDevicePath(2, peer.path());
    QtPump pump;
    CommControl comm(std::make_unique<QSerialDevice>(), map);
    StationLink link(comm, pump);
    comm.setCommPort(2);
    QVERIFY(comm.setSettings(QStringLiteral("2400,N,8,1")));
    QVERIFY(comm.setPortOpen(true));

    // The far end takes both request packets, then goes away instead of answering.
    QByteArray request;
    QElapsedTimer sinceLoss;
    double cpuAtLoss = 0;
    QTimer peerSide;
    QObject::connect(&peerSide, &QTimer::timeout, [&] {
        request += peer.read(14 - int(request.size()), 0);
        if (request.size() < 14)
            return;
        peerSide.stop();
        cpuAtLoss = processCpuSeconds();
        sinceLoss.start();
        peer.hangUp();
    });
    peerSide.start(20);
    const LinkError error = link.read_param(0x10).error();
    const qint64 toFailure = sinceLoss.isValid() ? sinceLoss.elapsed() : -1;
    QTest::qWait(500); // idle on the dead line

    const double cpu = processCpuSeconds() - cpuAtLoss;
    QCOMPARE(request.toHex(' '), QByteArray("02 03 47 50 10 56 03 02 03 47 50 10 56 03"));
    QCOMPARE(error, LinkError::LineLost);
    QVERIFY2(toFailure >= 0 && toFailure < 2000, qPrintable(QString::number(toFailure)));
    QVERIFY2(cpu < 0.1, qPrintable(QString::number(cpu)));
    QVERIFY(comm.lost());
    QCOMPARE(comm.lostReason(), QStringLiteral("the other end hung up (%1)").arg(peer.path()));
    QVERIFY(!comm.portOpen());
    qInfo("line lost to failure: %lld ms, %.1f ms CPU up to 0.5 s after", toFailure, cpu * 1000);
}

void TestExchange::serialPortHoldsBoundedInput()
{
    PtyPeer peer;
    QVERIFY(peer.isOpen());
    QSerialDevice device;
    QVERIFY2(device.open(peer.path(), LineSettings(), false), qPrintable(device.errorString()));
    const QByteArray chunk(4096, 'x');
    qint64 offered = 0;
    qint64 taken = 0;
    for (int i = 0; i < 400; ++i) {
        offered += chunk.size();
        taken += peer.writeSome(chunk);
        QCoreApplication::processEvents();
    }
    const qint64 held = device.readAll().size();
    QVERIFY2(held <= QSerialDevice::inputLimit, qPrintable(QString::number(held)));
    // The line stopped taking bytes once the program's share was full.
    QVERIFY2(taken < offered, qPrintable(QString::number(taken)));
    device.close();
}

void TestExchange::successAfterFailureLeavesNoTrace()
{
    LinkFixture f;
    f.peer.setResponder(replyToEach(QByteArray("garbage!!")));
    QVERIFY(f.open());
    QCOMPARE(f.link->request_version().failure().received, QByteArray("garbage!"));
    f.peer.setResponder(replyToEach(QByteArray("4.103\r\n")));
    QCOMPARE(f.link->request_version().value(), QByteArray("4.103\r\n"));
    // Nor does one exchange's reply show in the next one's failure.
    f.comm->setPortOpen(false);
    QCOMPARE(f.link->read_param(0x10).failure().received, QByteArray());
}

void TestExchange::waitSpanningMidnightEndsOnTime()
{
    LinkFixture f(QDateTime(QDate(2026, 12, 31), QTime(23, 59, 59, 500)));
    f.link->wait_seconds(1.5);
    QCOMPARE(f.elapsedMs(), 1500);
    QCOMPARE(f.pump.now().date(), QDate(2027, 1, 1));
}

void TestExchange::receiveWindowFollowsWholeSecondClock_data()
{
    QTest::addColumn<int>("startMsInSecond");
    QTest::addColumn<qint64>("windowMs");
    QTest::newRow("on the second") << 0 << qint64(16000);
    QTest::newRow("late in the second") << 900 << qint64(15100);
}

void TestExchange::receiveWindowFollowsWholeSecondClock()
{
    QFETCH(int, startMsInSecond);
    QFETCH(qint64, windowMs);
    LinkFixture f(QDateTime(QDate(2026, 3, 14), QTime(10, 0, 0, startMsInSecond)));
    f.peer.setResponder(ScriptedPeer::silent());
    QVERIFY(f.open());
    f.link->request_version();
    const QList<qint64> times = sendTimes(f);
    QCOMPARE(times[1] - times[0], windowMs);
}

void TestExchange::closeLinkClosesPortBetweenUiSteps()
{
    LinkFixture f;
    RecordingUi ui;
    ui.comm = f.comm.get();
    f.link->setUi(&ui);
    QVERIFY(f.open());
    f.link->close_link();
    QCOMPARE(ui.calls, (QStringList{QStringLiteral("closing:1"), QStringLiteral("closed:0")}));
    f.link->close_link(); // closing twice is harmless
    QVERIFY(!f.comm->portOpen());
}

QTEST_GUILESS_MAIN(TestExchange)
#include "tst_exchange.moc"

void TestExchange::traceEntryText_data()
{
    QTest::addColumn<int>("direction");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    const int out = int(LineDirection::ToStation);
    const int in = int(LineDirection::FromStation);
    QTest::newRow("read packet") << out << QByteArray::fromHex("02034750105603")
                                 << "2026-03-14 10:00:00.250  >  02 03 47 50 10 56 03  |..GP.V.|";
    QTest::newRow("reply, high and control bytes") << in << QByteArray::fromHex("FF7F20")
                                                   << "2026-03-14 10:00:00.250  <  FF 7F 20  |.. |";
    QTest::newRow("printable text") << in << QByteArray("V2.13\r")
                                    << "2026-03-14 10:00:00.250  <  56 32 2E 31 33 0D  |V2.13.|";
}

void TestExchange::traceEntryText()
{
    QFETCH(int, direction);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    const TraceEntry entry{rigStart.addMSecs(250), LineDirection(direction), bytes};
    QCOMPARE(formatTraceEntry(entry), text);
}

void TestExchange::traceShowsBothDirectionsAsTheyPass_data()
{
    QTest::addColumn<bool>("write");
    QTest::addColumn<QList<qint64>>("pieceDelays");
    QTest::addColumn<QList<QByteArray>>("pieces");
    QTest::addColumn<QStringList>("expected");
    const QString packet = QStringLiteral("02 03 47 50 10 56 03  |..GP.V.|");
    // Both packets leave after the 0.25 s settle; at 2400 baud each takes 30 ms,
    // so the second is in at 0.310 and the station's answer 20 ms later.
    QTest::newRow("read, whole reply")
        << false << QList<qint64>{20} << QList<QByteArray>{QByteArray::fromHex("012C")}
        << QStringList{"10:00:00.250  >  " + packet, "10:00:00.250  >  " + packet, "10:00:00.330  <  01 2C  |.,|"};
    QTest::newRow("read, reply split across a pause")
        << false << QList<qint64>{20, 3000} << QList<QByteArray>{QByteArray::fromHex("12"), QByteArray::fromHex("34")}
        << QStringList{"10:00:00.250  >  " + packet, "10:00:00.250  >  " + packet, "10:00:00.330  <  12  |.|",
                       "10:00:03.330  <  34  |4|"};
    // The echo is in 58 ms after the write (9 bytes take 38 ms, then 20 ms), and
    // stamped then, though the exchange looks at it only 15 s later.
    QTest::newRow("write, its echo")
        << true << QList<qint64>{20} << QList<QByteArray>{QByteArray::fromHex("012C")}
        << QStringList{"10:00:00.000  >  02 05 53 50 10 01 2C 1B 03  |..SP..,..|", "10:00:00.058  <  01 2C  |.,|"};
}

void TestExchange::traceShowsBothDirectionsAsTheyPass()
{
    QFETCH(bool, write);
    QFETCH(QList<qint64>, pieceDelays);
    QFETCH(QList<QByteArray>, pieces);
    QFETCH(QStringList, expected);
    LinkFixture f;
    int n = 0;
    // A read's first packet goes unanswered; a write's only one is echoed.
    f.peer.setResponder([&](const QByteArray &) {
        QList<ScriptedPeer::Piece> reply;
        if (++n == (write ? 1 : 2))
            for (int i = 0; i < pieces.size(); ++i)
                reply.append({pieceDelays[i], pieces[i]});
        return reply;
    });
    LineTrace trace(f.pump);
    f.comm->setLineObserver(&trace);
    QVERIFY(f.open());
    QVERIFY(exchange(f, write ? QStringLiteral("write") : QStringLiteral("read")).error == LinkError::None);

    QStringList lines;
    for (const TraceEntry &entry : trace.takeNew())
        lines << formatTraceEntry(entry).mid(11); // the date is the rig's
    QCOMPARE(lines, expected);
    QVERIFY(trace.takeNew().empty());
}

void TestExchange::traceKeepsNewestWithinCapacity_data()
{
    QTest::addColumn<int>("capacity");
    QTest::addColumn<int>("chunks");
    QTest::addColumn<int>("takenBetween"); // chunks after which the viewer collects once (0: never)
    QTest::addColumn<QList<int>>("kept");  // first byte of each chunk kept
    QTest::addColumn<QList<int>>("taken"); // ... and of those the final collection gets
    QTest::newRow("under capacity") << 4 << 3 << 0 << QList<int>{0, 1, 2} << QList<int>{0, 1, 2};
    QTest::newRow("oldest dropped") << 3 << 5 << 0 << QList<int>{2, 3, 4} << QList<int>{2, 3, 4};
    QTest::newRow("collected midway") << 4 << 6 << 3 << QList<int>{2, 3, 4, 5} << QList<int>{3, 4, 5};
    QTest::newRow("collected, then overrun") << 2 << 6 << 1 << QList<int>{4, 5} << QList<int>{4, 5};
}

void TestExchange::traceKeepsNewestWithinCapacity()
{
    QFETCH(int, capacity);
    QFETCH(int, chunks);
    QFETCH(int, takenBetween);
    QFETCH(QList<int>, kept);
    QFETCH(QList<int>, taken);
    VirtualPump pump;
    LineTrace trace(pump, std::size_t(capacity));
    for (int i = 0; i < chunks; ++i) {
        trace.lineBytes(LineDirection::FromStation, QByteArray(1, char(i)));
        if (i + 1 == takenBetween)
            trace.takeNew();
    }
    QList<int> keptFirst, takenFirst;
    for (const TraceEntry &e : trace.entries())
        keptFirst << int(e.bytes[0]);
    for (const TraceEntry &e : trace.takeNew())
        takenFirst << int(e.bytes[0]);
    QCOMPARE(keptFirst, kept);
    QCOMPARE(takenFirst, taken);
    QCOMPARE(trace.dropped(), std::size_t(chunks - kept.size()));
}
