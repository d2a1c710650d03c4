#include "main_fixture.h"

#include "station_config_menu.h"
#include "terminal_display.h"

#include "params/station_backup.h"
#include "station/param_table.h"

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
    void configurationMenuSavesAndRestores_data();
    void configurationMenuSavesAndRestores();
    void configurationMenuRefusesADamagedFile();
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

void TestMainSimulator::configurationMenuSavesAndRestores_data()
{
    QTest::addColumn<qint64>("cancelAtMs"); // into the restore's writes; 0: not cancelled
    QTest::addColumn<int>("writes");
    QTest::addColumn<QString>("report");

    QTest::newRow("restored") << qint64(0) << 2 << "Restore finished.";
    // Cancel is honoured between writes: the write in flight is finished.
    QTest::newRow("cancelled during the first write") << qint64(5000) << 1 << "Restore stopped on request.";
}

void TestMainSimulator::configurationMenuSavesAndRestores()
{
    QFETCH(qint64, cancelAtMs);
    QFETCH(int, writes);
    QFETCH(QString, report);
    station::StationModel console;
    MainFixture f(&console);
    auto *menu = f.window->findChild<StationConfigMenu *>();
    QVERIFY(menu);
    // Unconnected only every station can be backed up, each on its own port; connected, only this one.
    QVERIFY(!f.action("save_config_menu")->isEnabled() && f.action("backup_all_menu")->isEnabled());
    f.action("open_port_menu")->trigger();
    QVERIFY(f.action("save_config_menu")->isEnabled() && !f.action("backup_all_menu")->isEnabled());

    const QString file = f.dataDir.filePath(QStringLiteral("ridge.json"));
    QVERIFY(menu->startFolder() != f.window->dataDir() && QFileInfo(menu->startFolder()).isDir());
    // Saved under a name without an extension, the file gets ".json".
    menu->chooseFile = [&](bool save) { return save ? f.dataDir.filePath(QStringLiteral("ridge")) : file; };
    QStringList questions;
    menu->confirm = [&](const QString &q) {
        questions << q;
        return true;
    };
    f.action("save_config_menu")->trigger();
    QVERIFY(f.window->isEnabled());
    QCOMPARE(menu->startFolder(), f.dataDir.path());
    QFile saved(file);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    StationBackup backup;
    QString reason;
    int line = 0;
    QVERIFY2(StationBackup::fromJson(saved.readAll(), &backup, &reason, &line), qPrintable(reason));
    QCOMPARE(backup.settings.size(), 27);
    QVERIFY(f.messages.last().text.contains(QStringLiteral("was saved to")));

    const qint64 now = f.pump.msSinceEpoch();
    console.setParam(station::paramAddress("temp: outside"), 600, now);
    console.setParam(station::paramAddress("Wet Level"), 70, now);
    const qint64 before = f.pump.msSinceEpoch();
    QString saidAfterCancel;
    if (cancelAtMs) {
        // The 27 reads take about 9 s; then the first write is on its way.
        f.pump.scheduleIn(10000 + cancelAtMs, [] {
            for (QWidget *w : QApplication::topLevelWidgets())
                if (auto *dialog = qobject_cast<QProgressDialog *>(w); dialog && dialog->isVisible() && dialog->value() >= 0)
                    QTest::mouseClick(dialog->findChild<QPushButton *>(), Qt::LeftButton);
        });
        f.pump.scheduleIn(12000 + cancelAtMs, [&] {
            for (QWidget *w : QApplication::topLevelWidgets())
                if (auto *dialog = qobject_cast<QProgressDialog *>(w); dialog && dialog->isVisible())
                    saidAfterCancel = dialog->labelText();
        });
    }
    f.action("restore_config_menu")->trigger();
    QCOMPARE(questions.size(), 1);
    QVERIFY(questions.first().startsWith(QStringLiteral("2 setting(s) differ")));
    int sent = 0;
    for (const auto &chunk : f.line->trace())
        if (chunk.toStation && chunk.atMs >= before && chunk.bytes.contains("\x02\x05SP"))
            ++sent;
    QCOMPARE(sent, writes);
    QCOMPARE(saidAfterCancel, cancelAtMs ? QStringLiteral("Finishing the current write…") : QString());
    QVERIFY2(f.messages.last().text.startsWith(report), qPrintable(f.messages.last().text));
    QVERIFY(f.window->isEnabled());
    QCOMPARE(f.menuState(), connectedState);
}

void TestMainSimulator::configurationMenuRefusesADamagedFile()
{
    station::StationModel console;
    MainFixture f(&console);
    f.action("open_port_menu")->trigger();
    auto *menu = f.window->findChild<StationConfigMenu *>();
    const QString file = f.dataDir.filePath(QStringLiteral("damaged.json"));
    QFile damaged(file);
    QVERIFY(damaged.open(QIODevice::WriteOnly));
    damaged.write("{\n  \"format\": \"ORV CAL station configuration\",\n  \"formatVersion\": 1,\n  \"settings\": [\n");
    damaged.close();
    menu->chooseFile = [&](bool) { return file; };
    menu->confirm = [](const QString &) { return true; };
    const qint64 before = f.pump.msSinceEpoch();

    f.action("restore_config_menu")->trigger();

    QVERIFY2(f.messages.last().text.contains(QStringLiteral("line 5: the file ends too early")), qPrintable(f.messages.last().text));
    QVERIFY(f.messages.last().text.endsWith(QStringLiteral("Nothing was written to the weather station.")));
    for (const auto &chunk : f.line->trace())
        QVERIFY(!chunk.toStation || chunk.atMs < before);
    QVERIFY(f.window->isEnabled());
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
