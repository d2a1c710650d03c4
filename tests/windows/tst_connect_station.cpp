#include "connect_fixture.h"

#include <QtTest>

#include <limits>

using namespace orv;
using namespace orv::test;

namespace {

const QByteArray goodVersion = "4.103\r\n";

// A modem that answers OK from the `okFromTry`-th "AT&F" on (0: never) and
// every later command, and `dialReply` (empty: nothing) 5 s after dialling.
ModemPeer::Responder modemScript(int okFromTry, const QByteArray &dialReply, int *atfCount)
{
    return [=](const QByteArray &line) -> QList<ModemPeer::Answer> {
        if (line == "AT&F") {
            ++*atfCount;
            if (okFromTry == 0 || *atfCount < okFromTry)
                return {};
        }
        if (line.startsWith("ATDT"))
            return dialReply.isEmpty() ? QList<ModemPeer::Answer>{} : QList<ModemPeer::Answer>{{5000, dialReply}};
        return {{40, "\r\nOK\r\n"}};
    };
}

QList<QByteArray> lineTexts(const ModemPeer &modem)
{
    QList<QByteArray> out;
    for (const auto &l : modem.lines())
        out << l.text;
    return out;
}

} // namespace

class TestConnectStation : public QObject
{
    Q_OBJECT

private slots:
    void directConnectionRunsItsStepsOnTime();
    void directTextNamesTheSlotRate_data();
    void directTextNamesTheSlotRate();
    void directFailuresEndTheSameWay_data();
    void directFailuresEndTheSameWay();
    void lineControlFollowsModemFlag_data();
    void lineControlFollowsModemFlag();

    void modemOutcomes_data();
    void modemOutcomes();
    void modemRepliesAreReadAfresh_data();
    void modemRepliesAreReadAfresh();
    void modemCommandsAndTheirPauses();
    void modemWithoutReplyGivesUpBetweenSixtyAndSixtyOneSeconds();
    void lineLostOrCancelEndsTheAttemptAtOnce_data();
    void lineLostOrCancelEndsTheAttemptAtOnce();
};

void TestConnectStation::directConnectionRunsItsStepsOnTime()
{
    ScriptedPeer station(ScriptedPeer::always(goodVersion));
    ConnectFixture f(&station);
    f.comm->setTerminalMode(CommControl::TerminalModeB, 3);
    f.comm->setTerminalMode(CommControl::TerminalModeA, 2);

    f.run();

    QCOMPARE(f.progress->steps(), (QStringList{"show", "Connecting to Station 2400,N,8,1", "Connected to Station",
                                                "close"}));
    QVERIFY(f.comm->portOpen());
    QVERIFY(!f.comm->terminalActive());
    QCOMPARE(f.link->state.station_version, goodVersion);
    // Opened at once, then 3 s and 3 s before the only request goes out.
    QCOMPARE(station.requests().size(), 1);
    QCOMPARE(station.requests().first().bytes, QByteArray("V"));
    const qint64 sentAt = f.line->trace().front().atMs;
    QCOMPARE(f.since(sentAt), qint64(6000));
    const qint64 connected = f.progress->timeOf("Connected to Station");
    QCOMPARE(f.progress->timeOf("close") - connected, qint64(1000));
    QCOMPARE(f.line->lineSettings().baud, 2400);
}

void TestConnectStation::directTextNamesTheSlotRate_data()
{
    QTest::addColumn<float>("rate");
    QTest::addColumn<QString>("text");
    QTest::newRow("9600") << 9600.0f << "Connecting to Station 9600,N,8,1";
    QTest::newRow("19200") << 19200.0f << "Connecting to Station 19200,N,8,1";
    QTest::newRow("300") << 300.0f << "Connecting to Station 300,N,8,1";
}

void TestConnectStation::directTextNamesTheSlotRate()
{
    QFETCH(float, rate);
    QFETCH(QString, text);
    ScriptedPeer station(ScriptedPeer::always(goodVersion));
    ConnectFixture f(&station);
    f.link->state.cur_station = 3;
    f.settings.baud_rate[3] = rate;

    f.run();

    QCOMPARE(f.progress->steps().value(1), text);
    QCOMPARE(f.line->lineSettings().baud, int(rate));
    QVERIFY(f.comm->portOpen());
}

void TestConnectStation::directFailuresEndTheSameWay_data()
{
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("access"); // "", "busy", "forbidden" or "owner only"
    QTest::addColumn<bool>("stationAnswers");
    QTest::addColumn<float>("rate");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("reason"); // the lines under it: why, and what to do about it
    QTest::addColumn<int>("versionRequests");
    // Start of the failure end, after the start, in ms: [min, max].
    QTest::addColumn<qint64>("failMin");
    QTest::addColumn<qint64>("failMax");

    const QString unavailable = QStringLiteral("Selected COM Port is Unavailable.");
    const QString free;
    const QString denied = QStringLiteral("\nPermission to open the port was denied (/dev/sim-com2).");
    QTest::newRow("absent port") << 5 << free << true << 2400.0f << unavailable
                                 << "\nThe port does not exist (/dev/sim-com5)." << 0 << 0ll << 0ll;
    QTest::newRow("port outside 1..8") << 12 << free << true << 2400.0f << unavailable
                                       << "\nCOM12 is not a port this program knows." << 0 << 0ll << 0ll;
    QTest::newRow("busy port") << 2 << QStringLiteral("busy") << true << 2400.0f << unavailable
                               << "\nThe port is in use by another program (/dev/sim-com2)." << 0 << 0ll << 0ll;
    // Only a cause the user can remove earns advice: a group to join, where the device's group may open it.
    QTest::newRow("port the user's group may open")
        << 2 << QStringLiteral("forbidden") << true << 2400.0f << unavailable
        << denied + "\nYou may not open serial ports: add yourself to the dialout group with "
                    "\"sudo usermod -aG dialout $USER\", then log out and log in again."
        << 0 << 0ll << 0ll;
    QTest::newRow("port only its owner may open")
        << 2 << QStringLiteral("owner only") << true << 2400.0f << unavailable << denied << 0 << 0ll << 0ll;
    const QString rate = QStringLiteral("\nThe rate %1 is not one of the station's rates (300, 600, 1200, 2400, 4800, "
                                        "9600, 19200 or 38400).");
    QTest::newRow("damaged rate 0") << 2 << free << true << 0.0f << unavailable << rate.arg(0) << 0 << 0ll << 0ll;
    QTest::newRow("rate 1234") << 2 << free << true << 1234.0f << unavailable << rate.arg(1234) << 0 << 0ll << 0ll;
    QTest::newRow("rate 1e12") << 2 << free << true << 1e12f << unavailable << rate.arg("999999995904") << 0 << 0ll << 0ll;
    QTest::newRow("rate NaN") << 2 << free << true << std::numeric_limits<float>::quiet_NaN() << unavailable
                              << rate.arg("nan") << 0 << 0ll << 0ll;
    // 6 s of settling, then four 15-16 s attempts.
    QTest::newRow("silent station") << 2 << free << false << 2400.0f << ConnectText::noVersion << "" << 4 << 66000ll
                                    << 70000ll;
}

void TestConnectStation::directFailuresEndTheSameWay()
{
    QFETCH(int, port);
    QFETCH(QString, access);
    QFETCH(bool, stationAnswers);
    QFETCH(float, rate);
    QFETCH(QString, message);
    QFETCH(QString, reason);
    QFETCH(int, versionRequests);
    QFETCH(qint64, failMin);
    QFETCH(qint64, failMax);

    ScriptedPeer station(stationAnswers ? ScriptedPeer::always(goodVersion) : ScriptedPeer::silent());
    ConnectFixture f(&station);
    f.ports.setBusy(ConnectFixture::comPath, access == QLatin1String("busy"));
    f.ports.setForbidden(ConnectFixture::comPath, access == QLatin1String("forbidden") || access == QLatin1String("owner only"),
                         access == QLatin1String("forbidden") ? QStringLiteral("dialout") : QString());
    f.settings.com_port[0] = std::int16_t(port);
    f.settings.baud_rate[0] = rate;

    f.run();

    const QStringList steps = f.progress->steps();
    QCOMPARE(steps.mid(steps.size() - 3), (QStringList{"beep", message + reason, "close"}));
    QVERIFY(!f.comm->portOpen());
    // The port is already closed when the message appears.
    QVERIFY(!f.progress->events.at(steps.size() - 2).portOpen);
    const qint64 beepAt = f.since(f.progress->timeOf("beep"));
    QVERIFY2(beepAt >= failMin && beepAt <= failMax, qPrintable(QString::number(beepAt)));
    QCOMPARE(f.progress->timeOf("close") - f.progress->timeOf(message + reason), qint64(3000));
    QCOMPARE(station.requests().size(), versionRequests);
}

void TestConnectStation::lineControlFollowsModemFlag_data()
{
    QTest::addColumn<int>("flag");
    QTest::addColumn<bool>("hardwareFlow");
    QTest::addColumn<bool>("rts");
    QTest::newRow("direct") << 0 << false << false;
    QTest::newRow("modem") << 255 << true << true;
    QTest::newRow("damaged flag 7 counts as direct") << 7 << false << false;
}

void TestConnectStation::lineControlFollowsModemFlag()
{
    QFETCH(int, flag);
    QFETCH(bool, hardwareFlow);
    QFETCH(bool, rts);
    int atf = 0;
    ModemPeer modem(modemScript(1, "\r\nCONNECT 2400\r\n", &atf));
    modem.setVersionReply(goodVersion);
    ScriptedPeer station(ScriptedPeer::always(goodVersion));
    ConnectFixture f(flag == 255 ? static_cast<station::Peer *>(&modem) : &station);
    f.settings.modem_flag[0] = std::uint8_t(flag);

    f.run();

    QVERIFY(f.comm->portOpen());
    QCOMPARE(f.line->hardwareFlow(), hardwareFlow);
    QCOMPARE(f.line->dtr(), true);
    QCOMPARE(f.line->rts(), rts);
}

void TestConnectStation::modemOutcomes_data()
{
    QTest::addColumn<int>("okFromTry");
    QTest::addColumn<QByteArray>("dialReply");
    QTest::addColumn<QString>("lastInfo");
    QTest::addColumn<bool>("open");
    QTest::addColumn<int>("atfTries");
    QTest::addColumn<int>("versionRequests");

    QTest::newRow("no modem") << 0 << QByteArray() << ConnectText::noModem << false << 11 << 0;
    QTest::newRow("OK on the third try") << 3 << QByteArray("\r\nCONNECT 2400\r\n") << ConnectText::connected
                                         << true << 3 << 1;
    QTest::newRow("CONNECT") << 1 << QByteArray("\r\nCONNECT 2400\r\n") << ConnectText::connected << true << 1 << 1;
    QTest::newRow("BUSY") << 1 << QByteArray("\r\nBUSY\r\n") << ConnectText::lineBusy << false << 1 << 0;
    QTest::newRow("NO DIALTONE") << 1 << QByteArray("\r\nNO DIALTONE\r\n") << ConnectText::noDialTone << false << 1
                                 << 0;
    // CARRIER counts as connected; the station then never answers.
    QTest::newRow("NO CARRIER") << 1 << QByteArray("\r\nNO CARRIER\r\n") << ConnectText::noVersion << false << 1
                                << 4;
    QTest::newRow("DIAL beats CONNECT") << 1 << QByteArray("\r\nNO DIALTONE\r\nCONNECT\r\n")
                                        << ConnectText::noDialTone << false << 1 << 0;
    QTest::newRow("BUSY beats CONNECT") << 1 << QByteArray("\r\nCONNECT BUSY\r\n") << ConnectText::lineBusy
                                        << false << 1 << 0;
    QTest::newRow("no dial reply") << 1 << QByteArray() << ConnectText::noDialResponse << false << 1 << 0;
}

void TestConnectStation::modemOutcomes()
{
    QFETCH(int, okFromTry);
    QFETCH(QByteArray, dialReply);
    QFETCH(QString, lastInfo);
    QFETCH(bool, open);
    QFETCH(int, atfTries);
    QFETCH(int, versionRequests);

    int atf = 0;
    ModemPeer modem(modemScript(okFromTry, dialReply, &atf));
    modem.setVersionReply(goodVersion);
    ConnectFixture f(&modem);
    f.settings.modem_flag[0] = 255;

    f.run();

    const QStringList steps = f.progress->steps();
    QCOMPARE(steps.first(), QStringLiteral("show"));
    QCOMPARE(steps.value(1), ConnectText::detectingModem);
    QCOMPARE(steps.last(), QStringLiteral("close"));
    QCOMPARE(steps.value(steps.size() - 2), lastInfo);
    QCOMPARE(f.comm->portOpen(), open);
    QCOMPARE(steps.contains("beep"), !open);
    QCOMPARE(atf, atfTries);
    QCOMPARE(int(f.line->sentBytes().count('V')), versionRequests);
    if (!open)
        QCOMPARE(f.progress->timeOf("close") - f.progress->timeOf(lastInfo), qint64(3000));
    if (atfTries == 11) {
        const auto lines = modem.lines();
        for (int i = 1; i < lines.size(); ++i)
            QCOMPARE(lines[i].atMs - lines[i - 1].atMs, qint64(1000));
    }
}

void TestConnectStation::modemRepliesAreReadAfresh_data()
{
    QTest::addColumn<bool>("okSplitAcrossRead"); // each "OK" half before, half after the 1 s read
    QTest::addColumn<QByteArray>("setupReply");  // answer to the two set-up commands
    QTest::addColumn<QString>("lastInfo");
    QTest::addColumn<int>("atfTries");
    const QByteArray ok("\r\nOK\r\n");
    // Each try's reply replaces the last: halves of two replies never make an OK.
    QTest::newRow("OK split across every read") << true << ok << ConnectText::noModem << 11;
    // Input is discarded before dialling: an old NO CARRIER is no dial result.
    QTest::newRow("NO CARRIER before dialling") << false << QByteArray("\r\nOK\r\n\r\nNO CARRIER\r\n")
                                                << ConnectText::lineBusy << 1;
}

void TestConnectStation::modemRepliesAreReadAfresh()
{
    QFETCH(bool, okSplitAcrossRead);
    QFETCH(QByteArray, setupReply);
    QFETCH(QString, lastInfo);
    QFETCH(int, atfTries);
    int atf = 0;
    ModemPeer modem([&](const QByteArray &line) -> QList<ModemPeer::Answer> {
        if (line == "AT&F") {
            ++atf;
            if (okSplitAcrossRead)
                return {{900, "\r\nO"}, {200, "K\r\n"}};
            return {{40, "\r\nOK\r\n"}};
        }
        if (line.startsWith("ATDT"))
            return {{5000, "\r\nBUSY\r\n"}};
        return {{40, setupReply}};
    });
    ConnectFixture f(&modem);
    f.settings.modem_flag[0] = 255;

    f.run();

    const QStringList steps = f.progress->steps();
    QCOMPARE(steps.value(steps.size() - 2), lastInfo);
    QCOMPARE(atf, atfTries);
    QVERIFY(!f.comm->portOpen());
}

void TestConnectStation::modemCommandsAndTheirPauses()
{
    int atf = 0;
    ModemPeer modem(modemScript(1, "\r\nCONNECT 2400\r\n", &atf));
    modem.setVersionReply(goodVersion);
    ConnectFixture f(&modem);
    f.settings.modem_flag[0] = 255;
    f.settings.setPhoneNumber(0, QStringLiteral("  555-0199 "));

    f.run();

    QCOMPARE(lineTexts(modem),
             (QList<QByteArray>{"AT&F", "AT&F0", "ATS2=255&D2", "ATDT555-0199"}));
    QCOMPARE(f.progress->steps(),
             (QStringList{"show", "Detecting Modem", "Initializing Modem", "Dialing 555-0199", "Connected to Station",
                          "close"}));
    const auto &lines = modem.lines();
    // 1 s after the try, 3 s after OK; 1 s after each set-up command.
    const qint64 line = lines[1].atMs - lines[0].atMs;
    QVERIFY2(line >= 4000 && line < 4100, qPrintable(QString::number(line)));
    QVERIFY(lines[2].atMs - lines[1].atMs >= 1000 && lines[2].atMs - lines[1].atMs < 1100);
    QVERIFY(lines[3].atMs - lines[2].atMs >= 1000 && lines[3].atMs - lines[2].atMs < 1100);
    // The version request goes 3 s after CONNECT arrived (5 s after dialling).
    qint64 versionAt = 0;
    for (const auto &c : f.line->trace())
        if (c.toStation && c.bytes == "V")
            versionAt = c.atMs;
    const qint64 afterDial = versionAt - lines[3].atMs;
    QVERIFY2(afterDial >= 8000 && afterDial < 8200, qPrintable(QString::number(afterDial)));
    QVERIFY(f.line->sentBytes().startsWith("AT&F\r"));
}

void TestConnectStation::modemWithoutReplyGivesUpBetweenSixtyAndSixtyOneSeconds()
{
    int atf = 0;
    ModemPeer modem(modemScript(1, QByteArray(), &atf));
    ConnectFixture f(&modem);
    f.settings.modem_flag[0] = 255;

    f.run();

    const qint64 dialledAt = modem.lines().last().atMs;
    const qint64 waited = f.progress->timeOf("beep") - dialledAt;
    QVERIFY2(waited > 60000 && waited <= 61100, qPrintable(QString::number(waited)));
    QVERIFY(modem.hangUps() >= 1);
}

void TestConnectStation::lineLostOrCancelEndsTheAttemptAtOnce_data()
{
    QTest::addColumn<int>("modemFlag");
    QTest::addColumn<int>("okFromTry");
    QTest::addColumn<qint64>("atMs");
    QTest::addColumn<bool>("cancel"); // Cancel pressed, rather than the line lost
    QTest::addColumn<QStringList>("lastSteps");
    QTest::addColumn<qint64>("openMs"); // how long opening the port takes
    const QString connecting = QStringLiteral("Connecting to Station 2400,N,8,1");
    QTest::newRow("line lost while detecting the modem")
        << 255 << 0 << qint64(2500) << false << QStringList{"beep", ConnectText::noModem, "close"} << qint64(0);
    QTest::newRow("line lost while dialling")
        << 255 << 1 << qint64(10000) << false << QStringList{"beep", ConnectText::noDialResponse, "close"} << qint64(0);
    // No beep, no failure message: the window goes with the step it showed.
    QTest::newRow("cancel while settling") << 0 << 0 << qint64(1500) << true << QStringList{connecting, "close"} << qint64(0);
    QTest::newRow("cancel asking a silent station") << 0 << 0 << qint64(30000) << true << QStringList{connecting, "close"} << qint64(0);
    QTest::newRow("cancel while detecting the modem") << 255 << 0 << qint64(4500) << true
                                                      << QStringList{"Detecting Modem", "close"} << qint64(0);
    QTest::newRow("cancel awaiting the dial result") << 255 << 1 << qint64(20000) << true
                                                     << QStringList{"Dialing 1-555-555-5555", "close"} << qint64(0);
    // As long as a terminal still held for an ended client can take.
    QTest::newRow("cancel while the port opens")
        << 0 << 0 << qint64(500) << true << QStringList{connecting, "close"} << qint64(2000);
}

void TestConnectStation::lineLostOrCancelEndsTheAttemptAtOnce()
{
    QFETCH(int, modemFlag);
    QFETCH(int, okFromTry);
    QFETCH(qint64, atMs);
    QFETCH(bool, cancel);
    QFETCH(QStringList, lastSteps);
    QFETCH(qint64, openMs);
    int atf = 0;
    ModemPeer modem(modemScript(okFromTry, QByteArray(), &atf));
    ScriptedPeer station(ScriptedPeer::silent());
    ConnectFixture f(modemFlag ? static_cast<station::Peer *>(&modem) : &station);
    f.settings.modem_flag[0] = std::uint8_t(modemFlag);
    f.ports.setOpenDelay(ConnectFixture::comPath, openMs);
    f.pump.scheduleIn(atMs, [&f, cancel] { cancel ? f.progress->requestCancel() : f.line->unplug(); });

    f.run();

    const QStringList steps = f.progress->steps();
    QCOMPARE(steps.mid(steps.size() - lastSteps.size()), lastSteps);
    const qint64 endAt = f.since(f.progress->timeOf(cancel ? "close" : "beep"));
    // An open under way is not broken off: the attempt ends when it returns.
    QVERIFY2(endAt >= atMs && endAt <= qMax(atMs, openMs) + 1000, qPrintable(QString::number(endAt)));
    QVERIFY(!f.comm->portOpen());
    QVERIFY(f.log.isEmpty());
}

QTEST_GUILESS_MAIN(TestConnectStation)
#include "tst_connect_station.moc"
