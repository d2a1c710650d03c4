#include "main_fixture.h"
#include "modem_peer.h"
#include "scripted_peer.h"

#include "cancel_form.h"
#include "deferred_icon_style.h"
#include "line_monitor.h"
#include "link_activity.h"
#include "terminal_display.h"

#include "link/connect_station.h"
#include "link/settings_file.h"

#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QStyleFactory>
#include <QToolButton>
#include <QWindow>
#include <QtTest>

using namespace orv;
using namespace orv::test;

namespace {

const QByteArray goodVersion = "4.103\r\n";

// What the main window looked like each time the progress window changed step.
struct ProgressWatch
{
    QStringList infos;
    QList<bool> windowEnabled;
    QList<bool> busyPointer;
    QStringList titles;
    int forms = 0;
    int unloaded = 0;

    void attach(ORV_Main &window)
    {
        QObject::connect(&window, &ORV_Main::connectProgressCreated, &window, [this, &window](cancel_form *form) {
            ++forms;
            QObject::connect(form, &cancel_form::infoChanged, form, [this, &window, form](const QString &text) {
                infos << text;
                windowEnabled << window.isEnabled();
                busyPointer << (window.cursor().shape() == Qt::WaitCursor);
                titles << form->windowTitle();
                QCOMPARE(form->findChild<QLabel *>(QStringLiteral("info_lbl"))->text(), text);
            });
            QObject::connect(form, &cancel_form::unloaded, form, [this] { ++unloaded; });
        });
    }
};

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void startUpLoadsSettingsAndSetsMenus();
    void startUpKeepsAnExistingSettingsFile();
    void menuTreeHasItsCaptionsAndNames_data();
    void menuTreeHasItsCaptionsAndNames();

    void lineMonitorShowsTheLineWhileOpen_data();
    void lineMonitorShowsTheLineWhileOpen();
    void lineMonitorKeepsTheNewestRows_data();
    void lineMonitorKeepsTheNewestRows();

    void menuStatesFollowTheLink_data();
    void menuStatesFollowTheLink();
    void connectionKeepsWindowDisabledThroughoutAndNeverAfter_data();
    void connectionKeepsWindowDisabledThroughoutAndNeverAfter();
    void progressWindowNamesTheSlotRate();
    void progressWindowStaysWhileTheAttemptRuns();
    void portOnlyOpensWithTheSlotLineControl_data();
    void portOnlyOpensWithTheSlotLineControl();
    void portOnlyFailureShowsMessageAndClosesLink();

    void aboutPanelShowsVersionAndCloses();
    void focusComesBackAfterEachSequence_data();
    void focusComesBackAfterEachSequence();
    void propertiesWindowHoldsTheMainWindowDisabled();
    void exitAndClosingEndTheProgram();
    void menuOverflowButtonShowsItsStyleIcon_data();
    void menuOverflowButtonShowsItsStyleIcon();
};

void TestMainWindow::startUpLoadsSettingsAndSetsMenus()
{
    MainFixture f(nullptr);
    const QFileInfo file(f.dataDir.filePath(SettingsFile::fileName()));
    QVERIFY(file.exists());
    QCOMPARE(file.size(), qint64(ComSettings::fileSize));
    QCOMPARE(f.menuState(), startUpState);
    QCOMPARE(f.window->windowTitle(),
             QStringLiteral("ORV CAL    Halvik Weather Station Calibration/Configuration Utility"));
    QCOMPARE(f.window->link().state.cur_station, 0);
    QVERIFY(!f.comPic()->isVisible());
    QCOMPARE(f.comPic()->y(), 0);
    QVERIFY2(!f.window->findChild<TerminalDisplay *>(), "the terminal is start-up work until terminal mode");
    QVERIFY(f.messages.isEmpty());
}

void TestMainWindow::startUpKeepsAnExistingSettingsFile()
{
    QTemporaryDir dir;
    ComSettings stored = ComSettings::defaults();
    stored.com_port[0] = 7;
    stored.baud_rate[0] = 9600.0f;
    {
        SettingsFile file;
        ComSettings scratch;
        QVERIFY(file.load(dir.path(), scratch));
        QVERIFY(file.save(stored));
    }
    VirtualPump pump;
    SimulatedPorts ports;
    ORV_Main window(pump, std::make_unique<CommControl>(std::make_unique<SimulatedLine>(pump, ports), PortMap()),
                    dir.path());
    QCOMPARE(window.settings().com_port[0], std::int16_t(7));
    QCOMPARE(window.settings().baud_rate[0], 9600.0f);
}

void TestMainWindow::menuTreeHasItsCaptionsAndNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::newRow("File") << "File_menu" << "&File";
    QTest::newRow("select") << "change_station_menu" << "&Select Active Station";
    QTest::newRow("exit") << "exit_menu" << "E&xit";
    QTest::newRow("Connect") << "connect_menu" << "&Connect";
    QTest::newRow("connect") << "open_port_menu" << "&Connect to Weather Station";
    QTest::newRow("disconnect") << "port_close_menu" << "&Disconnect From Weather Station";
    QTest::newRow("port only") << "port_only_menu" << "&Open COM Port only in Terimal Mode";
    QTest::newRow("Tools") << "View_menu" << "&Tools";
    QTest::newRow("calibration") << "cal_menu" << "&Calibration Mode";
    QTest::newRow("terminal") << "Terminal_menu" << "&Terminal Mode";
    QTest::newRow("properties") << "COM_menu" << "Communication &Properties";
    QTest::newRow("about") << "about_menu" << "&About";
    QTest::newRow("configuration") << "config_menu" << "Confi&guration";
    QTest::newRow("save configuration") << "save_config_menu" << "&Save Station Configuration…";
    QTest::newRow("restore configuration") << "restore_config_menu" << "&Restore Station Configuration…";
    QTest::newRow("back up every station") << "backup_all_menu" << "&Back up every station…";
    QTest::newRow("line monitor") << "line_monitor_menu" << "&Line Monitor";
}

void TestMainWindow::menuTreeHasItsCaptionsAndNames()
{
    QFETCH(QString, name);
    QFETCH(QString, caption);
    MainFixture f(nullptr, false);
    QAction *action = f.action(name.toLatin1().constData());
    QVERIFY2(action, qPrintable(name));
    QCOMPARE(action->text(), caption);
    // Top-level entries sit on the menu bar itself, in this order; the
    // configuration menu comes after the program's original five.
    const QStringList topLevel{"&File",  "&Connect",       "&Tools", "Communication &Properties",
                               "&About", "Confi&guration", "&View"};
    QStringList bar;
    for (QAction *a : f.window->menuBar()->actions())
        bar << a->text();
    QCOMPARE(bar, topLevel);
    const auto *connectMenu = f.window->findChild<QMenu *>(QStringLiteral("connect_menu"));
    QCOMPARE(connectMenu->actions().at(2)->objectName(), QStringLiteral("Blank7"));
    QVERIFY(connectMenu->actions().at(2)->isSeparator());
}

void TestMainWindow::lineMonitorShowsTheLineWhileOpen_data()
{
    QTest::addColumn<bool>("closeBeforeConnecting");
    QTest::addColumn<QStringList>("expectedRows");
    // The version request after the two 3 s settles, and the answer 5 ms of
    // line time at 2400 baud plus the station's 20 ms later.
    QTest::newRow("open") << false
                          << QStringList{"2026-03-14 10:00:06.000  >  56  |V|",
                                         "2026-03-14 10:00:06.025  <  34 2E 31 30 33 0D 0A  |4.103..|"};
    QTest::newRow("closed again: nothing listens") << true << QStringList{};
}

void TestMainWindow::lineMonitorShowsTheLineWhileOpen()
{
    QFETCH(bool, closeBeforeConnecting);
    QFETCH(QStringList, expectedRows);
    ScriptedPeer station(ScriptedPeer::always(goodVersion));
    MainFixture f(&station);
    f.action("line_monitor_menu")->trigger();
    LineMonitor &monitor = f.window->lineMonitor();
    QVERIFY(monitor.isVisible());
    QCOMPARE(monitor.windowTitle(), QStringLiteral("Line Monitor"));
    QVERIFY(monitor.listening());
    if (closeBeforeConnecting)
        monitor.close();
    QCOMPARE(f.window->comm().lineObserver() != nullptr, !closeBeforeConnecting);

    f.action("open_port_menu")->trigger();
    QCOMPARE(f.menuState(), connectedState);
    // Rows arrive in the window's own batches, never during the exchange.
    QVERIFY(monitor.rows().isEmpty());
    monitor.flush();
    QCOMPARE(monitor.rows(), expectedRows);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("trace.txt"));
    monitor.chooseFile = [&] { return path; };
    monitor.findChild<QPushButton *>(QStringLiteral("monitor_save"))->click();
    QFile saved(path);
    QVERIFY(saved.open(QIODevice::ReadOnly | QIODevice::Text));
    const QString text = QString::fromUtf8(saved.readAll());
    QCOMPARE(text, expectedRows.isEmpty() ? QString() : expectedRows.join(QLatin1Char('\n')) + QLatin1Char('\n'));

    monitor.findChild<QPushButton *>(QStringLiteral("monitor_clear"))->click();
    QVERIFY(monitor.rows().isEmpty());
}

void TestMainWindow::lineMonitorKeepsTheNewestRows_data()
{
    QTest::addColumn<QList<int>>("batches"); // chunks sent before each collection
    const int over = LineMonitor::maxRows + 1;
    QTest::newRow("one overfull batch") << QList<int>{over};
    QTest::newRow("rows overrun across batches") << QList<int>{3000, over - 3000};
    QTest::newRow("many small batches") << QList<int>(over, 1);
}

void TestMainWindow::lineMonitorKeepsTheNewestRows()
{
    QFETCH(QList<int>, batches);
    MainFixture f(nullptr);
    LineMonitor &monitor = f.window->lineMonitor();
    monitor.show();
    int sent = 0;
    for (int n : batches) {
        for (int i = 0; i < n; ++i)
            f.window->comm().setOutput(QByteArray::number(sent++));
        monitor.flush();
    }
    const QStringList rows = monitor.rows();
    QCOMPARE(rows.size(), LineMonitor::maxRows);
    QVERIFY2(rows.first().endsWith(QStringLiteral("|1|")), qPrintable(rows.first()));
    QVERIFY2(rows.last().endsWith(QStringLiteral("|%1|").arg(sent - 1)), qPrintable(rows.last()));
}

void TestMainWindow::menuStatesFollowTheLink_data()
{
    QTest::addColumn<bool>("stationPresent");
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("state");
    QTest::addColumn<bool>("portOpen");
    QTest::addColumn<bool>("terminalShown");

    QTest::newRow("connected") << true << QStringList{"connect"} << connectedState << true << false;
    QTest::newRow("failed connection") << false << QStringList{"connect"} << startUpState << false << false;
    QTest::newRow("disconnected") << true << QStringList{"connect", "disconnect"} << startUpState << false << false;
    QTest::newRow("terminal while connected")
        << true << QStringList{"connect", "terminal"} << connectedState << true << true;
    QTest::newRow("disconnect from terminal")
        << true << QStringList{"connect", "terminal", "disconnect"} << startUpState << false << false;
    QTest::newRow("port only") << true << QStringList{"port only"} << portOnlyState << true << true;
    QTest::newRow("port only then disconnect")
        << true << QStringList{"port only", "disconnect"} << startUpState << false << false;
    QTest::newRow("connect after port only")
        << true << QStringList{"port only", "disconnect", "connect"} << connectedState << true << false;
}

void TestMainWindow::menuStatesFollowTheLink()
{
    QFETCH(bool, stationPresent);
    QFETCH(QStringList, steps);
    QFETCH(QString, state);
    QFETCH(bool, portOpen);
    QFETCH(bool, terminalShown);

    ScriptedPeer station(ScriptedPeer::always(goodVersion));
    MainFixture f(&station);
    if (!stationPresent)
        f.window->settings().com_port[0] = 4;

    for (const QString &step : steps) {
        if (step == "connect")
            f.action("open_port_menu")->trigger();
        else if (step == "disconnect")
            f.action("port_close_menu")->trigger();
        else if (step == "terminal")
            f.action("Terminal_menu")->trigger();
        else if (step == "port only")
            f.action("port_only_menu")->trigger();
    }

    QCOMPARE(f.menuState(), state);
    QCOMPARE(f.window->comm().portOpen(), portOpen);
    QCOMPARE(f.comPic()->isVisible(), terminalShown);
    QVERIFY(f.window->isEnabled());
    QVERIFY(f.window->cursor().shape() != Qt::WaitCursor);
    QVERIFY(f.messages.isEmpty());
}

void TestMainWindow::connectionKeepsWindowDisabledThroughoutAndNeverAfter_data()
{
    QTest::addColumn<int>("port");
    QTest::addColumn<int>("modemFlag");
    QTest::addColumn<bool>("stationAnswers");
    QTest::addColumn<qint64>("cancelAtMs"); // when the Cancel button is pressed (0: never)
    QTest::addColumn<QString>("lastInfo");
    QTest::newRow("direct, connected") << 2 << 0 << true << 0ll << ConnectText::connected;
    QTest::newRow("direct, absent port") << 6 << 0 << true << 0ll
                                         << ConnectText::portUnavailable + "\nThe port does not exist (/dev/sim-com6).";
    QTest::newRow("direct, silent station") << 2 << 0 << false << 0ll << ConnectText::noVersion;
    QTest::newRow("direct, silent station, cancelled") << 2 << 0 << false << 20000ll
                                                       << ConnectText::connecting + "2400,N,8,1";
    QTest::newRow("modem slot, no modem") << 2 << 255 << false << 0ll << ConnectText::noModem;
}

void TestMainWindow::connectionKeepsWindowDisabledThroughoutAndNeverAfter()
{
    QFETCH(int, port);
    QFETCH(int, modemFlag);
    QFETCH(bool, stationAnswers);
    QFETCH(qint64, cancelAtMs);
    QFETCH(QString, lastInfo);

    ScriptedPeer station(stationAnswers ? ScriptedPeer::always(goodVersion) : ScriptedPeer::silent());
    MainFixture f(&station);
    f.window->settings().com_port[0] = std::int16_t(port);
    f.window->settings().modem_flag[0] = std::uint8_t(modemFlag);
    ProgressWatch watch;
    watch.attach(*f.window);
    if (cancelAtMs > 0)
        connect(f.window.get(), &ORV_Main::connectProgressCreated, this, [&f, cancelAtMs](cancel_form *form) {
            f.pump.scheduleIn(cancelAtMs, [form] { form->findChild<QPushButton *>("cancel_cmd")->click(); });
        });

    f.action("open_port_menu")->trigger();

    QCOMPARE(f.menuState(), lastInfo == ConnectText::connected ? connectedState : startUpState);
    QCOMPARE(watch.forms, 1);
    QCOMPARE(watch.unloaded, 1);
    QCOMPARE(watch.infos.last(), lastInfo);
    QVERIFY(!watch.windowEnabled.contains(true));
    QVERIFY(!watch.busyPointer.contains(false));
    QCOMPARE(watch.titles.first(), QStringLiteral("Connection in Progress"));
    QVERIFY(f.window->isEnabled());
    QVERIFY(f.window->cursor().shape() != Qt::WaitCursor);
    // The progress window is gone once the attempt is over.
    for (QWidget *w : QApplication::topLevelWidgets())
        QVERIFY(w->objectName() != QStringLiteral("cancel_form"));
}

void TestMainWindow::progressWindowNamesTheSlotRate()
{
    ScriptedPeer station(ScriptedPeer::always(goodVersion));
    MainFixture f(&station);
    f.window->settings().baud_rate[0] = 9600.0f;
    ProgressWatch watch;
    watch.attach(*f.window);

    f.action("open_port_menu")->trigger();

    QCOMPARE(watch.infos, (QStringList{"Connecting to Station 9600,N,8,1", "Connected to Station"}));
    QCOMPARE(f.line->lineSettings().baud, 9600);
    QCOMPARE(f.menuState(), connectedState);
}

void TestMainWindow::progressWindowStaysWhileTheAttemptRuns()
{
    ScriptedPeer silent(ScriptedPeer::silent());
    MainFixture f(&silent);
    cancel_form *progress = nullptr;
    QObject::connect(f.window.get(), &ORV_Main::connectProgressCreated, f.window.get(),
                     [&](cancel_form *form) { progress = form; });
    auto *status = f.window->findChild<QLabel *>(QStringLiteral("activity_lbl"));
    bool shownAfterClose = false;
    QString statusMeanwhile;
    // Past the 6 s the line settles and the first 15 s version attempt.
    f.pump.scheduleIn(25000, [&] {
        // The window manager's close, as from a title bar or Alt+F4.
        progress->windowHandle()->close();
        shownAfterClose = progress->isVisible();
        f.window->activity().tick();
        statusMeanwhile = status->text();
    });

    f.action("open_port_menu")->trigger();

    QVERIFY(shownAfterClose);
    QCOMPARE(statusMeanwhile, QStringLiteral("Connecting to the station… 25 s. Station not answering, attempt 2 of 4"));
    QCOMPARE(status->text(), QString());
    for (QWidget *w : QApplication::topLevelWidgets())
        QVERIFY(w->objectName() != QStringLiteral("cancel_form") || !w->isVisible());
}

void TestMainWindow::portOnlyOpensWithTheSlotLineControl_data()
{
    QTest::addColumn<int>("modemFlag");
    QTest::addColumn<float>("rate");
    QTest::addColumn<bool>("hardwareFlow");
    QTest::addColumn<bool>("rts");
    QTest::newRow("direct 19200") << 0 << 19200.0f << false << false;
    QTest::newRow("direct 300") << 0 << 300.0f << false << false;
    QTest::newRow("modem 2400") << 255 << 2400.0f << true << true;
}

void TestMainWindow::portOnlyOpensWithTheSlotLineControl()
{
    QFETCH(int, modemFlag);
    QFETCH(float, rate);
    QFETCH(bool, hardwareFlow);
    QFETCH(bool, rts);

    ModemPeer modem;
    MainFixture f(&modem);
    f.window->settings().modem_flag[0] = std::uint8_t(modemFlag);
    f.window->settings().baud_rate[0] = rate;
    const qint64 before = f.pump.msSinceEpoch();

    f.action("port_only_menu")->trigger();

    QCOMPARE(f.line->lineSettings().baud, int(rate));
    QCOMPARE(f.line->hardwareFlow(), hardwareFlow);
    QVERIFY(f.line->dtr());
    QCOMPARE(f.line->rts(), rts);
    // No dialling, no version request, no waiting.
    QVERIFY(f.line->sentBytes().isEmpty());
    QCOMPARE(f.pump.msSinceEpoch(), before);
    QCOMPARE(f.menuState(), portOnlyState);
    QVERIFY(f.window->comm().terminalActive());
}

void TestMainWindow::portOnlyFailureShowsMessageAndClosesLink()
{
    MainFixture f(nullptr);
    f.action("port_only_menu")->trigger();

    QCOMPARE(f.messages.size(), 1);
    QCOMPARE(f.messages.first().text, QStringLiteral("Selected COM Port is Unavailable."));
    QCOMPARE(f.messages.first().title, QStringLiteral("ORV CAL"));
    QCOMPARE(f.menuState(), startUpState);
    QVERIFY(!f.comPic()->isVisible());
    QVERIFY(f.window->isEnabled());
}

void TestMainWindow::aboutPanelShowsVersionAndCloses()
{
    MainFixture f(nullptr);
    auto *panel = f.window->findChild<QWidget *>(QStringLiteral("about_pic"));
    QVERIFY(!panel->isVisible());

    f.action("about_menu")->trigger();
    QVERIFY(panel->isVisible());
    QVERIFY(!f.action("about_menu")->isEnabled());
    QCOMPARE(f.window->findChild<QLabel *>(QStringLiteral("version_lbl"))->text(), QStringLiteral("1.0.21"));
    QVERIFY(f.window->findChild<QLabel *>(QStringLiteral("Copyright_lbl"))->text().startsWith("Copyright"));
    QCOMPARE(f.window->findChild<QLabel *>(QStringLiteral("settings_lbl"))->text(),
             QStringLiteral("Settings file: ") + f.dataDir.filePath(QStringLiteral("COM Settings.Dat")));

    auto *close = f.window->findChild<QPushButton *>(QStringLiteral("Command1"));
    QCOMPARE(close->text(), QStringLiteral("Close"));
    // Enter or Space closes it at once.
    QCOMPARE(f.window->focusWidget(), close);
    QTest::mouseClick(close, Qt::LeftButton);
    QVERIFY(!panel->isVisible());
    QVERIFY(f.action("about_menu")->isEnabled());
}

void TestMainWindow::focusComesBackAfterEachSequence_data()
{
    QTest::addColumn<QByteArray>("menu");
    QTest::addColumn<bool>("stationAnswers");
    QTest::addColumn<QString>("windowToClose");
    QTest::newRow("connected") << QByteArray("open_port_menu") << true << QString();
    QTest::newRow("connection failed") << QByteArray("open_port_menu") << false << QString();
    QTest::newRow("properties window closed") << QByteArray("COM_menu") << true << "Com_form";
}

void TestMainWindow::focusComesBackAfterEachSequence()
{
    QFETCH(QByteArray, menu);
    QFETCH(bool, stationAnswers);
    QFETCH(QString, windowToClose);
    ScriptedPeer station(stationAnswers ? ScriptedPeer::always(goodVersion) : ScriptedPeer::silent());
    MainFixture f(&station);
    f.action("about_menu")->trigger();
    QWidget *close = f.window->findChild<QPushButton *>(QStringLiteral("Command1"));
    QCOMPARE(f.window->focusWidget(), close);

    f.action(menu.constData())->trigger();
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->objectName() == windowToClose && w->isVisible())
            w->close();

    QVERIFY(f.window->isEnabled());
    QCOMPARE(f.window->focusWidget(), close);
}

void TestMainWindow::propertiesWindowHoldsTheMainWindowDisabled()
{
    MainFixture f(nullptr);

    f.action("COM_menu")->trigger();

    QWidget *properties = nullptr;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->objectName() == QStringLiteral("Com_form") && w->isVisible())
            properties = w;
    QVERIFY(properties);
    QVERIFY(!f.window->isEnabled());
    // A screen reader reaches the menus of the disabled window, which keys and mouse cannot: they do nothing.
    for (const char *entry : {"COM_menu", "about_menu", "exit_menu"})
        f.action(entry)->trigger();
    QVERIFY(!f.window->findChild<QWidget *>(QStringLiteral("about_pic"))->isVisible() && f.endRequests == 0);
    properties->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(f.window->isEnabled());
    QCOMPARE(f.menuState(), startUpState);
}

void TestMainWindow::exitAndClosingEndTheProgram()
{
    MainFixture f(nullptr);
    f.action("exit_menu")->trigger();
    QCOMPARE(f.endRequests, 1);
    f.window->close();
    QCOMPARE(f.endRequests, 2);
}

void TestMainWindow::menuOverflowButtonShowsItsStyleIcon_data()
{
    QTest::addColumn<QString>("style");
    QTest::newRow("Fusion") << QStringLiteral("Fusion");
    QTest::newRow("Windows") << QStringLiteral("Windows");
}

void TestMainWindow::menuOverflowButtonShowsItsStyleIcon()
{
    QFETCH(QString, style);
    const QString before = QApplication::style()->name();
    QApplication::setStyle(new DeferredIconStyle(QStyleFactory::create(style)));
    {
        QMainWindow window;
        for (int i = 0; i < 12; ++i)
            window.menuBar()->addMenu(QStringLiteral("Menu number %1").arg(i))->addAction(QStringLiteral("Item"));
        window.resize(200, 120);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto *overflow = window.menuBar()->findChild<QToolButton *>(QStringLiteral("qt_menubar_ext_button"));
        QVERIFY(overflow && overflow->isVisible());
        const std::unique_ptr<QStyle> plain(QStyleFactory::create(style));
        const QIcon expected = plain->standardIcon(QStyle::SP_ToolBarHorizontalExtensionButton);
        QVERIFY(!overflow->icon().isNull());
        QCOMPARE(overflow->icon().availableSizes(), expected.availableSizes());
        QCOMPARE(overflow->icon().pixmap(16).toImage(), expected.pixmap(16).toImage());
    }
    QApplication::setStyle(before);
}

QTEST_MAIN(TestMainWindow)
#include "tst_main_window.moc"
