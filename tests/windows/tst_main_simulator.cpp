#include "main_fixture.h"

#include "terminal_display.h"

#include "station/hayes_modem.h"
#include "station/station_model.h"

#include <QtTest>

using namespace orv;
using namespace orv::test;

// The main window against the simulated station console, direct and behind
// the simulated Hayes modem, on the virtual clock.
class TestMainSimulator : public QObject
{
    Q_OBJECT

private slots:
    void modemOutcomes_data();
    void modemOutcomes();
    void terminalShowsTheStationsCurrentConditions();
    void adapterPulledDuringAnExchangeEndsTheLinkAtOnce();
};

void TestMainSimulator::modemOutcomes_data()
{
    QTest::addColumn<int>("outcome");
    QTest::addColumn<QString>("state");
    QTest::addColumn<QByteArray>("version");
    QTest::newRow("CONNECT") << int(station::DialOutcome::Connect) << connectedState << QByteArray("4.103\r\n");
    QTest::newRow("BUSY") << int(station::DialOutcome::Busy) << startUpState << QByteArray();
    QTest::newRow("NO DIALTONE") << int(station::DialOutcome::NoDialtone) << startUpState << QByteArray();
    QTest::newRow("NO CARRIER") << int(station::DialOutcome::NoCarrier) << startUpState << QByteArray();
    QTest::newRow("silent") << int(station::DialOutcome::Silent) << startUpState << QByteArray();
}

void TestMainSimulator::modemOutcomes()
{
    QFETCH(int, outcome);
    QFETCH(QString, state);
    QFETCH(QByteArray, version);

    station::StationModel console;
    station::ModemOptions options;
    options.outcome = station::DialOutcome(outcome);
    station::HayesModem modem(console, options);
    MainFixture f(&modem);
    f.window->settings().modem_flag[0] = 255;
    const qint64 start = f.pump.msSinceEpoch();

    f.action("open_port_menu")->trigger();

    QCOMPARE(f.menuState(), state);
    QCOMPARE(f.window->comm().portOpen(), !version.isEmpty());
    if (!version.isEmpty())
        QCOMPARE(f.window->link().state.station_version, version);
    QVERIFY(f.window->isEnabled());
    // Even the slowest outcome stays within the documented worst case.
    QVERIFY(f.pump.msSinceEpoch() - start < 150000);
    QCOMPARE(modem.dialledNumber(), QByteArray("1-555-555-5555"));
}

void TestMainSimulator::terminalShowsTheStationsCurrentConditions()
{
    station::StationModel console;
    MainFixture f(&console);
    f.action("open_port_menu")->trigger();
    QCOMPARE(f.menuState(), connectedState);
    f.action("Terminal_menu")->trigger();
    const int helpRows = int(f.window->terminal()->screen().text().size());

    QTest::keyClicks(f.window->terminal(), QStringLiteral("R"));
    f.pump.advance(2000);

    const QStringList screen = f.window->terminal()->screen().text();
    QVERIFY2(screen.size() > helpRows, qPrintable(screen.join('\n')));
    // The console marks temperatures with a degree sign, byte 0xB0.
    QVERIFY2(screen.join('\n').contains(QChar(0x00B0)), qPrintable(screen.join('\n')));
}

void TestMainSimulator::adapterPulledDuringAnExchangeEndsTheLinkAtOnce()
{
    station::StationModel console;
    MainFixture f(&console);
    f.action("open_port_menu")->trigger();
    QCOMPARE(f.menuState(), connectedState);
    // Calibration entry asks for the version first; the adapter goes while it waits.
    const qint64 pulledAt = f.pump.msSinceEpoch() + 10;
    f.pump.schedule(QDateTime::fromMSecsSinceEpoch(pulledAt), [&f] { f.line->unplug(); });

    f.action("cal_menu")->trigger();
    QCoreApplication::processEvents();

    QVERIFY2(f.pump.msSinceEpoch() - pulledAt < 1000, qPrintable(QString::number(f.pump.msSinceEpoch() - pulledAt)));
    QCOMPARE(f.menuState(), startUpState);
    QVERIFY(!f.window->comm().portOpen());
    QVERIFY(f.window->isEnabled());
    // The failed exchange's caller ends the link; the idle report stays silent.
    for (const auto &m : f.messages)
        QVERIFY2(!m.text.startsWith(QStringLiteral("The line to the weather station was lost")), qPrintable(m.text));
}

QTEST_MAIN(TestMainSimulator)
#include "tst_main_simulator.moc"
