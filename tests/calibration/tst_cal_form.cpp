#include "link_rig.h"
#include "prm_folder.h"
#include "scripted_peer.h"
#include "station_fixture.h"

#include "Cal_form.h"
#include "ORV_Main.h"
#include "calibration_mode.h"
#include "link_activity.h"
#include "screen_pointer.h"

#include "power_input.h"

#include "framework/automation_error.h"
#include "framework/ole_control.h"
#include "framework/registry.h"

#include "params/station_clock_ops.h"
#include "params/system_clock.h"
#include "station/param_table.h"

#include "link/com_settings.h"
#include "link/connect_station.h"
#include "link/settings_file.h"

#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QSlider>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

using namespace orv;
using namespace orv::test;

namespace {

struct NoClock : SystemClock
{
    QList<QDateTime> sets;
    bool setLocalDateTime(const QDateTime &time, QString *) override
    {
        sets << time;
        return true;
    }
};

// The main window on the virtual clock, connected to the station simulator
// on COM2 at 2400 baud, with its own data folder and recorded messages.
struct WindowRig
{
    WindowRig()
        : pump(stationStart)
        , model(stationOptions(), pump.msSinceEpoch())
        , deaf(model)
    {
        ports.attach(LinkRig::path(2), &deaf);
        window = std::make_unique<ORV_Main>(pump, simulatedComm(pump, ports, &line), dataDir.path(), &log);
        window->setEndAction([] {});
        window->calibration().setSystemClock(&computer);
        window->show();
        window->settings().com_port[0] = 2;
        CommControl &comm = window->comm();
        comm.setCommPort(2);
        comm.setSettings(QStringLiteral("2400,N,8,1"));
        comm.setDTREnable(true);
        comm.setPortOpen(true);
        window->setMenuState(ORV_Main::MenuState::Connected);
    }

    ~WindowRig()
    {
        window.reset();
        setScreenPointerNormal();
    }

    static station::StationOptions stationOptions()
    {
        station::StationOptions o;
        o.clockStart = stationStart;
        return o;
    }

    Cal_form *form() const { return window->calibration().form(); }

    template <typename T>
    T *find(const char *name) const
    {
        return form() ? form()->findChild<T *>(QLatin1String(name)) : nullptr;
    }

    void enter()
    {
        mark = pump.msSinceEpoch();
        window->cal_menu_Click();
    }

    void selectTab(int tab)
    {
        mark = pump.msSinceEpoch();
        find<QTabWidget>("SSTab1")->setCurrentIndex(tab);
    }

    QList<int> readsSinceMark() const { return readAddresses(*line, mark); }

    // Runs the deletions that a closed window leaves for the event loop.
    static void flushDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    void setRaw(const char *entry, int raw) { model.setParam(station::paramAddress(entry), quint16(raw), pump.msSinceEpoch()); }
    int raw(const char *entry) const { return model.param(station::paramAddress(entry), pump.msSinceEpoch()); }

    VirtualPump pump;
    station::StationModel model;
    DeafPeer deaf;
    SimulatedPorts ports;
    QTemporaryDir dataDir;
    SimulatedLine *line = nullptr;
    NoClock computer;
    MessageCapture log;
    std::unique_ptr<ORV_Main> window;
    qint64 mark = 0;
};

QString labelText(const WindowRig &rig, const char *name)
{
    auto *l = rig.find<QLabel>(name);
    return l ? l->text() : QStringLiteral("<missing %1>").arg(QLatin1String(name));
}

} // namespace

class TestCalForm : public QObject
{
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void windowHasItsTabsFramesAndTexts();
    void tabTableHoldsEveryPanelOnce();
    void powerInputHasItsStoredProperties_data();
    void powerInputHasItsStoredProperties();
    void powerPanelWithoutAUsableLibrary_data();
    void powerPanelWithoutAUsableLibrary();
    void entryAsksVersionThenReadsTemperatureTab();
    void entryWithoutVersionSaysWhy();
    void statusLineTellsWhatRunsAndForHowLong_data();
    void statusLineTellsWhatRunsAndForHowLong();
    void tabReadsInOrder_data();
    void tabReadsInOrder();
    void failureInSecondReadSkipsThirdAndUnloads();
    void allAbsentDefinitionFile();
    void setLabelFollowsSlider_data();
    void setLabelFollowsSlider();
    void makeChangeWritesAndReadsBack();
    void powerInputGreysDuringAnExchange();
    void powerInputTakesTyping();
    void failedWriteClosesAfterOneMessage();
    void definitionFaultKeepsLinkAndDisablesPanel_data();
    void definitionFaultKeepsLinkAndDisablesPanel();
    void negativeWindScaleKeepsAnUnmovedOffset();
    void sliderThatCannotShowTheStationWritesOnlyAChosenValue_data();
    void sliderThatCannotShowTheStationWritesOnlyAChosenValue();
    void reportFlagButtonWaitsForASelection();
    void windOptionsKeepOtherPanelsBits();
    void closeAndEnterAgain();
    void keyboardOnlyWork();
    void smallScreenKeepsEverythingInReach();
    void linkClosingUnloadsWindow();
    void baudChangeContinuesAtNewRate();
    void clockTabShowsStationTimeAndCopiesIt();
    void entryTimeAgainstProtocolFloor();
    void screenshots();
};

void TestCalForm::windowHasItsTabsFramesAndTexts()
{
    WindowRig rig;
    rig.enter();
    Cal_form *form = rig.form();
    QVERIFY(form);
    QCOMPARE(form->windowTitle(), QStringLiteral("ORV Weather Station Calibration"));
    auto *tabs = rig.find<QTabWidget>("SSTab1");
    const QStringList captions{"Temperature",      "Humidity",        "Press / Power", "Rainfall",
                               "Wind",             "Solar",           "Lightning",     "Leaf Wetness",
                               "Logging Interval", "Report Interval", "Report Flags",  "&Time-Date/Baud Rate",
                               "DTR",              "Display"};
    QCOMPARE(tabs->count(), captions.size());
    for (int i = 0; i < captions.size(); ++i)
        QCOMPARE(tabs->tabText(i), captions[i]);
    QCOMPARE(rig.find<QPushButton>("Command1")->text(), QStringLiteral("&Close"));
    QVERIFY(labelText(rig, "Label7").startsWith(QStringLiteral("Slider Hint: The \"Sliders\" used")));
    QVERIFY(labelText(rig, "Label1(36)").contains(QStringLiteral("5°F in error in indicates")));
    QVERIFY(labelText(rig, "Label1(35)").contains(QStringLiteral("NW (315°) the correct offset would be 270°.")));
    QVERIFY(labelText(rig, "Label1(40)").contains(QStringLiteral("a \"wet\" condition")));
    QVERIFY(labelText(rig, "Label1(39)").contains(QStringLiteral("lighning count in any givin minute")));
    QVERIFY(labelText(rig, "Label2").startsWith(QStringLiteral(" When changing")));
    QVERIFY(labelText(rig, "Label2").endsWith(QStringLiteral("startup screen..")));
    QCOMPARE(rig.find<QGroupBox>("hum_0_frame")->title(), QStringLiteral("Outside Humidity mV @  0.0% RH"));
    QCOMPARE(rig.find<QGroupBox>("dtr_frame")->title(), QStringLiteral("Serial Port DTR Line \"Time to Live\" Delay"));
    // Every panel is there once, with its identity's caption.
    for (const PanelInfo &panel : panels()) {
        QCOMPARE(form->findChildren<QGroupBox *>(QLatin1String(panel.frame)).size(), 1);
        QCOMPARE(rig.find<QGroupBox>(panel.frame)->title(), panelCaption(panel.id));
    }
    // The Power Setting panel holds the real-number input control with its stored settings.
    QWidget *power = rig.find<QWidget>("ZqRealInput1");
    QVERIFY2(power, "no ZqRealInput1 control");
    QCOMPARE(power->metaObject()->className(), "CVururazCtrl");
    QCOMPARE(power->property("BevelStyle").toInt(), 3);
    QCOMPARE(power->property("BevelSize").toInt(), 0);
    QCOMPARE(power->property("VAlignment").toInt(), 2);
    QCOMPARE(power->property("FillColor").toUInt(), 0x00FFFFFFu);
    QCOMPARE(power->property("BackColor").toUInt(), 0x00FFFFFFu);
    QCOMPARE(power->property("ForeColor").toUInt(), 0x80000012u);
    QCOMPARE(power->size(), QSize(42, 17));
    QVERIFY(!rig.find<QWidget>("ZqRealInput1_slot"));
    // Every slider panel's controls carry their own names.
    for (const SliderSetting &s : sliderSettings()) {
        for (const char *name : {s.currentLabel, s.minLabel, s.maxLabel, s.setLabel, s.slider, s.button})
            QVERIFY2(rig.find<QWidget>(name), name);
    }
    for (int k = 0; k < 8; ++k)
        QVERIFY(rig.find<QRadioButton>(qPrintable(QStringLiteral("flag_opt(%1)").arg(k))));
    for (int k = 0; k <= 8; ++k)
        QVERIFY(rig.find<QFrame>(qPrintable(QStringLiteral("Line1(%1)").arg(k))));
    QVERIFY(rig.find<QRadioButton>("time_opt(0)")->isChecked());
    auto *combo = rig.find<QComboBox>("baud_combo");
    QCOMPARE(combo->count(), 8);
    QCOMPARE(combo->itemText(0), QStringLiteral("300 Baud"));
    QCOMPARE(combo->itemData(7).toInt(), 38400);
    QCOMPARE(combo->currentIndex(), -1);
}

// Each panel is on exactly one tab, which reads it once when selected, and
// each check box is on one panel: a panel left out of the table fails here,
// not as a panel that silently shows nothing.
void TestCalForm::tabTableHoldsEveryPanelOnce()
{
    QMap<PanelId, int> placed;
    QMap<CheckBox, int> boxes;
    for (const CalTab &tab : calibrationTabs()) {
        QList<PanelId> onTab;
        for (const CalPanel &panel : tab.panels) {
            ++placed[panel.id];
            onTab << panel.id;
            const bool power = panel.kind == CalPanel::PowerSetting;
            QCOMPARE(bool(sliderSetting(panel.id)), panel.kind == CalPanel::Slider);
            QCOMPARE(bool(panel.read), !power && panel.kind != CalPanel::Slider && panel.kind != CalPanel::StationTime);
            QVERIFY2(tab.reads.count(panel.id) == (power ? 0 : 1), panelInfo(panel.id).frame);
            for (const CalChoice &choice : panel.choices)
                boxes[choice.box] += panel.kind == CalPanel::CheckBoxes;
        }
        for (PanelId read : tab.reads)
            QVERIFY2(onTab.contains(read), panelInfo(read).frame);
    }
    for (const PanelInfo &panel : panels())
        QVERIFY2(placed.value(panel.id) == 1, panel.frame);
    for (CheckBox box : {CheckBox::Instantaneous, CheckBox::Knots, CheckBox::MaxMinReport, CheckBox::FormFeed})
        QCOMPARE(boxes.value(box), 1);
}

void TestCalForm::entryAsksVersionThenReadsTemperatureTab()
{
    WindowRig rig;
    rig.setRaw("temp: outside", 120);
    rig.enter();
    QVERIFY(rig.line->sentBytes().startsWith("V"));
    QCOMPARE(rig.readsSinceMark(), (QList<int>{10, 12, 11}));
    QVERIFY(rig.form()->isVisible());
    QVERIFY(rig.form()->isEnabled());
    QVERIFY(!rig.window->isEnabled());
    QVERIFY(!screenPointerBusy());
    QCOMPARE(labelText(rig, "cur_out_temp_lbl"), QStringLiteral("24"));
    QCOMPARE(labelText(rig, "Min_out_temp_lbl"), QStringLiteral("-96"));
    QCOMPARE(labelText(rig, "Max_out_temp_lbl"), QStringLiteral("159"));
    QCOMPARE(rig.find<QSlider>("out_temp_slider")->value(), 24);
    QCOMPARE(labelText(rig, "set_out_temp_lbl"), QStringLiteral("24"));
    QVERIFY(rig.log.messages.isEmpty());
}

void TestCalForm::entryWithoutVersionSaysWhy()
{
    WindowRig rig;
    rig.ports.detach(QStringLiteral("/dev/sim-com2"));
    ScriptedPeer silent(ScriptedPeer::silent());
    rig.ports.attach(QStringLiteral("/dev/sim-com2"), &silent);
    rig.window->comm().setPortOpen(false);
    rig.window->comm().setPortOpen(true);
    auto *status = rig.window->findChild<QLabel *>(QStringLiteral("activity_lbl"));
    QString statusMeanwhile;
    rig.pump.scheduleIn(20000, [&] {
        rig.window->activity().tick();
        statusMeanwhile = status->text();
    });
    rig.enter();
    QCOMPARE(statusMeanwhile,
             QStringLiteral("Entering calibration mode… 20 s. Station not answering, attempt 2 of 4"));
    QVERIFY(!rig.form());
    QVERIFY(rig.window->isEnabled());
    QVERIFY(!rig.window->comm().portOpen());
    QVERIFY(!screenPointerBusy());
    // The menus fall back to "not connected", and the user is told why.
    QCOMPARE(rig.log.texts(), QStringList{ConnectText::noVersion});
    QCOMPARE(rig.log.messages.first().icon, MessageIcon::Critical);
    QCOMPARE(rig.log.messages.first().title, QStringLiteral("ORV CAL"));
    QCOMPARE(status->text(), QString());
}

void TestCalForm::statusLineTellsWhatRunsAndForHowLong_data()
{
    QTest::addColumn<int>("tab");
    QTest::addColumn<QByteArray>("button");
    QTest::addColumn<int>("deafTo");
    QTest::addColumn<int>("afterMs");
    QTest::addColumn<QString>("status");
    QTest::newRow("write waiting for its echo")
        << 6 << QByteArray("change_light_cmd") << -1 << 9000 << "Writing Lightning Log Level… 9 s";
    QTest::newRow("write not echoed")
        << 0 << QByteArray("out_temp_change_cmd") << 12 << 40000
        << "Writing Outside Temperature… 40 s. Station not answering, attempt 3 of 6";
    QTest::newRow("tab read not answered")
        << 5 << QByteArray() << 24 << 40000 << "Reading the Solar tab… 40 s. Station not answering, attempt 3 of 11";
    QTest::newRow("clock set") << 11 << QByteArray("time_appy_cmd") << -1 << 2000
                               << "Setting the weather station clock… 2 s";
}

void TestCalForm::statusLineTellsWhatRunsAndForHowLong()
{
    QFETCH(int, tab);
    QFETCH(QByteArray, button);
    QFETCH(int, deafTo);
    QFETCH(int, afterMs);
    QFETCH(QString, status);
    WindowRig rig;
    rig.enter();
    auto *line = rig.find<QLabel>("activity_lbl");
    QVERIFY(line);
    QCOMPARE(line->text(), QString());
    if (!button.isEmpty())
        rig.selectTab(tab);
    if (deafTo >= 0) {
        rig.deaf.muteReads(deafTo);
        rig.deaf.muteWrites(deafTo);
    }
    QString meanwhile;
    bool enabledMeanwhile = true;
    rig.pump.scheduleIn(afterMs, [&] {
        rig.window->activity().tick();
        meanwhile = line->text();
        enabledMeanwhile = rig.form()->isEnabled();
    });
    if (button.isEmpty())
        rig.selectTab(tab);
    else
        QTest::mouseClick(rig.find<QPushButton>(button.constData()), Qt::LeftButton);
    QCOMPARE(meanwhile, status);
    QVERIFY(!enabledMeanwhile);
    if (rig.form())
        QCOMPARE(line->text(), QString());
}

void TestCalForm::tabReadsInOrder_data()
{
    QTest::addColumn<int>("tab");
    QTest::addColumn<QList<int>>("addresses");
    QTest::newRow("1 Humidity") << 1 << QList<int>{13, 14};
    QTest::newRow("2 Press / Power") << 2 << QList<int>{30};
    QTest::newRow("3 Rainfall") << 3 << QList<int>{27, 28, 29};
    QTest::newRow("4 Wind") << 4 << QList<int>{23, 16};
    QTest::newRow("5 Solar") << 5 << QList<int>{24};
    QTest::newRow("6 Lightning") << 6 << QList<int>{33};
    QTest::newRow("7 Leaf Wetness") << 7 << QList<int>{32};
    QTest::newRow("8 Logging Interval") << 8 << QList<int>{8, 7};
    QTest::newRow("9 Report Interval") << 9 << QList<int>{21, 22};
    QTest::newRow("10 Report Flags") << 10 << QList<int>{31, 20};
    QTest::newRow("11 Time-Date/Baud Rate") << 11 << QList<int>{5, 4, 3, 2, 1, 0, 6};
    QTest::newRow("12 DTR") << 12 << QList<int>{18};
    QTest::newRow("13 Display") << 13 << QList<int>{17, 16, 16};
}

void TestCalForm::tabReadsInOrder()
{
    QFETCH(int, tab);
    QFETCH(QList<int>, addresses);
    WindowRig rig;
    rig.enter();
    rig.selectTab(tab);
    QCOMPARE(rig.readsSinceMark(), addresses);
    QVERIFY(rig.form()->isEnabled());
    QVERIFY(!screenPointerBusy());
    // Back to the first tab and here again: everything is asked again.
    rig.selectTab(0);
    QCOMPARE(rig.readsSinceMark(), (QList<int>{10, 12, 11}));
    rig.selectTab(tab);
    QCOMPARE(rig.readsSinceMark(), addresses);
    QVERIFY(rig.log.messages.isEmpty());
}

void TestCalForm::failureInSecondReadSkipsThirdAndUnloads()
{
    WindowRig rig;
    rig.enter();
    rig.deaf.muteReads(28);
    QPointer<Cal_form> form = rig.form();
    rig.selectTab(3);
    QCOMPARE(rig.log.texts(),
             QStringList{QStringLiteral("Com error while getting monthly rainfall calibration information")});
    QVERIFY(!rig.readsSinceMark().contains(29));
    QVERIFY(!form->isVisible());
    WindowRig::flushDeletes();
    QVERIFY(form.isNull());
    QVERIFY(rig.window->isEnabled());
    QVERIFY(!rig.window->comm().portOpen());
    QVERIFY(!screenPointerBusy());
}

void TestCalForm::allAbsentDefinitionFile()
{
    QTemporaryDir prm;
    QFile empty(prm.path() + QStringLiteral("/4103.prm"));
    QVERIFY(empty.open(QIODevice::WriteOnly));
    empty.close();
    const QByteArray saved = qgetenv("ORV_PRM_DIR");
    qputenv("ORV_PRM_DIR", QFile::encodeName(prm.path()));
    WindowRig rig;
    rig.enter();
    qputenv("ORV_PRM_DIR", saved);

    QCOMPARE(rig.line->sentBytes(), QByteArray("V"));
    QVERIFY(rig.form() && rig.form()->isVisible());
    for (const char *frame : {"out_temp_frame", "in_temp_frame", "Aux_temp_frame"})
        QVERIFY2(!rig.find<QWidget>(frame)->isEnabled(), frame);
    for (const char *label : {"Min_out_temp_lbl", "Max_out_temp_lbl", "Min_in_temp_lbl", "Max_aux_temp_lbl"})
        QCOMPARE(labelText(rig, label), QString());
    rig.selectTab(10);
    QVERIFY(!rig.find<QWidget>("flag_frame")->isVisibleTo(rig.form()));
    QVERIFY(!rig.find<QWidget>("new_flag_frame")->isVisibleTo(rig.form()));
    rig.selectTab(13);
    QVERIFY(!rig.find<QWidget>("unit_frame")->isEnabled());
    QCOMPARE(rig.line->sentBytes(), QByteArray("V"));
    QVERIFY(rig.log.messages.isEmpty());
}

void TestCalForm::setLabelFollowsSlider_data()
{
    QTest::addColumn<QString>("slider");
    QTest::addColumn<QString>("label");
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("press 2992") << "press_slide" << "set_press_lbl" << 2992 << "29.92";
    QTest::newRow("humidity 512") << "Hum_75_slider" << "set_75_hum_lbl" << 512 << "0.512";
    QTest::newRow("offset 5") << "offset_slide" << "set_offset_lbl" << 5 << "005";
    QTest::newRow("lightning 4") << "light_slide" << "set_light_lbl" << 4 << "004";
    QTest::newRow("outside -3") << "out_temp_slider" << "set_out_temp_lbl" << -3 << "-3";
    QTest::newRow("solar 150") << "solar_slide" << "set_solar_lbl" << 150 << "01.50";
}

void TestCalForm::setLabelFollowsSlider()
{
    QFETCH(QString, slider);
    QFETCH(QString, label);
    QFETCH(int, value);
    QFETCH(QString, text);
    WindowRig rig;
    rig.enter();
    auto *s = rig.form()->findChild<QSlider *>(slider);
    auto *l = rig.form()->findChild<QLabel *>(label);
    s->setValue(value);
    QCOMPARE(l->text(), text);
    // The arrow keys move one step and the label follows.
    QTest::keyClick(s, Qt::Key_Right);
    QCOMPARE(s->value(), value + 1);
    const SliderSetting *setting = nullptr;
    for (const SliderSetting &candidate : sliderSettings())
        if (slider == QLatin1String(candidate.slider))
            setting = &candidate;
    QVERIFY(setting);
    QCOMPARE(l->text(), setLabelText(*setting, value + 1));
    QTest::keyClick(s, Qt::Key_Left);
    QCOMPARE(l->text(), text);
}

void TestCalForm::makeChangeWritesAndReadsBack()
{
    WindowRig rig;
    rig.enter();
    auto *slider = rig.find<QSlider>("out_temp_slider");
    slider->setValue(20);
    rig.mark = rig.pump.msSinceEpoch();
    QTest::mouseClick(rig.find<QPushButton>("out_temp_change_cmd"), Qt::LeftButton);
    // 20 °F is raw 116 with scale 1 and offset 96.
    QCOMPARE(rig.raw("temp: outside"), 116);
    const QList<SentFrame> writes = writesIn(sentFrames(*rig.line, rig.mark));
    QCOMPARE(writes.size(), 1);
    QCOMPARE(writes.first().address, 12);
    QCOMPARE(readAddresses(*rig.line, writes.first().atMs), QList<int>{12});
    // The panel shows what the station now holds.
    QCOMPARE(labelText(rig, "cur_out_temp_lbl"), QStringLiteral("20"));
    QCOMPARE(rig.find<QSlider>("out_temp_slider")->value(), 20);
    QVERIFY(rig.form()->isEnabled());
    QVERIFY(!screenPointerBusy());

    rig.selectTab(2);
    rig.find<QSlider>("press_slide")->setValue(3005);
    QTest::mouseClick(rig.find<QPushButton>("press_change_cmd"), Qt::LeftButton);
    QCOMPARE(rig.raw("barometric pressure"), 3005);
    QCOMPARE(labelText(rig, "cur_press_lbl"), QStringLiteral("30.05"));
}

// The darkest pixel inside the control's frame: its text.
static int darkestText(QWidget *control)
{
    const QImage image = control->grab().toImage().convertToFormat(QImage::Format_RGB32);
    int darkest = 255;
    for (int y = 3; y < image.height() - 3; ++y)
        for (int x = 3; x < image.width() - 3; ++x)
            darkest = qMin(darkest, qGray(image.pixel(x, y)));
    return darkest;
}

void TestCalForm::powerInputGreysDuringAnExchange()
{
    WindowRig rig;
    rig.enter();
    rig.selectTab(2);
    QWidget *power = rig.find<QWidget>("ZqRealInput1");
    QVERIFY(darkestText(power) < 100);
    bool enabledDuring = true;
    int darkestDuring = 0;
    // Looked at while the window waits for the station's answer.
    rig.pump.scheduleIn(1, [&] {
        enabledDuring = power->isEnabled();
        darkestDuring = darkestText(power);
    });
    rig.find<QSlider>("press_slide")->setValue(3005);
    QTest::mouseClick(rig.find<QPushButton>("press_change_cmd"), Qt::LeftButton);
    QVERIFY(!enabledDuring);
    QVERIFY2(darkestDuring >= 128, qPrintable(QString::number(darkestDuring)));
    QVERIFY(power->isEnabled());
    QVERIFY(darkestText(power) < 100);
}

void TestCalForm::powerInputTakesTyping()
{
    WindowRig rig;
    rig.enter();
    rig.selectTab(2);
    QWidget *power = rig.find<QWidget>("ZqRealInput1");
    QTest::mouseClick(power, Qt::LeftButton, {}, power->rect().center());
    QTest::keyClick(power, Qt::Key_Home);
    QTest::keyClicks(power, QStringLiteral("7-"));
    QCOMPARE(power->property("Text").toString(), QStringLiteral("-7.00"));
    QCOMPARE(power->property("ValueReal").toDouble(), -7.0);
}

void TestCalForm::failedWriteClosesAfterOneMessage()
{
    WindowRig rig;
    rig.enter();
    rig.deaf.muteWrites(12);
    QPointer<Cal_form> form = rig.form();
    rig.mark = rig.pump.msSinceEpoch();
    QTest::mouseClick(rig.find<QPushButton>("out_temp_change_cmd"), Qt::LeftButton);
    QCOMPARE(rig.log.texts(),
             QStringList{QStringLiteral("Com error while setting outside temperature calibration information")});
    QVERIFY(rig.readsSinceMark().isEmpty());
    WindowRig::flushDeletes();
    QVERIFY(form.isNull());
    QVERIFY(rig.window->isEnabled());
    QVERIFY(!screenPointerBusy());
}

void TestCalForm::definitionFaultKeepsLinkAndDisablesPanel_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<int>("stationRaw");
    QTest::addColumn<int>("tab");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("frame");
    QTest::addColumn<QString>("message");
    QTest::newRow("address beyond a byte, found by the read")
        << QByteArray("300, 0, 255, 1, 96, temp: outside") << 111 << 0 << QString() << "out_temp_frame"
        << "ORV CAL cannot use the outside temperature calibration setting of 4103.prm: its address 300 is "
           "outside 0 to 255.";
    QTest::newRow("raw limit beyond 16 bits, found by the read")
        << QByteArray("29, 0, 99999, 100, 0, rain fall: term") << 1834 << 3 << QString() << "term_frame"
        << "ORV CAL cannot use the term rainfall calibration setting of 4103.prm: its raw limit 99999 is "
           "outside 0 to 65535.";
    QTest::newRow("offset sending the lowest position below 0, found by the write")
        << QByteArray("12, 0, 255, 1, -0.5, temp: outside") << 0 << 0 << "out_temp_change_cmd" << "out_temp_frame"
        << "ORV CAL cannot use the outside temperature calibration setting of 4103.prm: 0 converts to the raw "
           "value -1, outside 0 to 65535; nothing was sent.";
    // Once read as 0, giving the panel the limits -96..-96.
    QTest::newRow("a field without a number") << QByteArray("12, 0, abc, 1, 96, temp: outside") << 111 << 0 << QString() << "out_temp_frame"
        << "ORV CAL cannot use the outside temperature calibration setting of 4103.prm: line 13, field 3 (raw maximum), \"abc\", is not a number.";
    QTest::newRow("one message for two panels sharing the line")
        << QByteArray("16, 0, 255, 1, x, Wsp units") << 111 << 13 << QString() << "time_frame"
        << "ORV CAL cannot use the Wsp units setting of 4103.prm: line 16, field 5 (offset), \"x\", is not a number.";
}

// A definition file's mistake is no reason to send the technician to the
// cables: its own message, that panel disabled, the window and link kept.
void TestCalForm::definitionFaultKeepsLinkAndDisablesPanel()
{
    QFETCH(QByteArray, line);
    QFETCH(int, stationRaw);
    QFETCH(int, tab);
    QFETCH(QString, button);
    QFETCH(QString, frame);
    QFETCH(QString, message);

    WindowRig rig;
    PrmFolder prm(QStringLiteral("4103.prm"), {{line.mid(line.lastIndexOf(',') + 2), line}});
    QVERIFY(prm.ok());
    rig.setRaw("temp: outside", stationRaw);
    rig.setRaw("rain fall: term", stationRaw);
    rig.enter();
    if (tab != 0)
        rig.selectTab(tab);
    rig.mark = rig.pump.msSinceEpoch();
    if (!button.isEmpty()) {
        QTest::keyClick(rig.find<QSlider>("out_temp_slider"), Qt::Key_Home);
        QTest::mouseClick(rig.find<QPushButton>(qPrintable(button)), Qt::LeftButton);
    }

    QCOMPARE(rig.log.texts(), QStringList{message});
    QVERIFY(!rig.find<QWidget>(qPrintable(frame))->isEnabled());
    QVERIFY(writesIn(sentFrames(*rig.line)).isEmpty());
    QVERIFY(rig.window->comm().portOpen());
    QVERIFY(rig.form() && rig.form()->isVisible() && rig.form()->isEnabled());
    QVERIFY(!screenPointerBusy());
    QCOMPARE(rig.raw("temp: outside"), stationRaw);
}

void TestCalForm::negativeWindScaleKeepsAnUnmovedOffset()
{
    WindowRig rig;
    PrmFolder prm(QStringLiteral("4103.prm"), {{"wind dir offset", "23, 0, 359, -1, 0, wind dir offset"}});
    QVERIFY(prm.ok());
    rig.setRaw("wind dir offset", 90);
    rig.enter();
    rig.selectTab(4);
    rig.selectTab(0);
    rig.selectTab(4);
    auto *slider = rig.find<QSlider>("offset_slide");
    QCOMPARE((QList<int>{slider->minimum(), slider->maximum(), slider->value()}), (QList<int>{-359, 0, -90}));
    QCOMPARE(labelText(rig, "min_offset_lbl"), QStringLiteral("-359"));
    QCOMPARE(labelText(rig, "max_offset_lbl"), QStringLiteral("000"));

    rig.mark = rig.pump.msSinceEpoch();
    QTest::mouseClick(rig.find<QPushButton>("change_offset_cmd"), Qt::LeftButton);
    const QList<SentFrame> writes = writesIn(sentFrames(*rig.line, rig.mark));
    QCOMPARE(writes.size(), 1);
    QCOMPARE(writes.first().value, 90);
    QCOMPARE(rig.raw("wind dir offset"), 90);
    // Named as unusual once, however often the panel is read.
    QCOMPARE(rig.log.texts().size(), 1);
    QVERIFY(rig.log.texts().first().contains("negative scale, -1 (line 23), which is unusual"));
}

void TestCalForm::sliderThatCannotShowTheStationWritesOnlyAChosenValue_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<int>("stationRaw");
    QTest::addColumn<QString>("note");
    QTest::addColumn<int>("writtenAfterOneStepLeft");
    QTest::addColumn<bool>("byScreenReader");
    const QString outside = QStringLiteral("The station holds 504, outside the range of 4103.prm (-96 to 159)");
    QTest::newRow("outside the file's range") << QByteArray("12, 0, 255, 1, 96, temp: outside") << 600 << outside
                                              << 254 << false;
    QTest::newRow("between the slider's steps") << QByteArray("12, 0, 1000, 10, 0, temp: outside") << 553
                                                << "The station holds 55.3, which the slider cannot show exactly" << 540
                                                << false;
    QTest::newRow("moved by a screen reader") << QByteArray("12, 0, 255, 1, 96, temp: outside") << 600 << outside
                                              << 254 << true;
}

// Once showed "Currently 504 / Set To 159" and wrote raw 255 over 600 unasked.
void TestCalForm::sliderThatCannotShowTheStationWritesOnlyAChosenValue()
{
    QFETCH(QByteArray, line);
    QFETCH(int, stationRaw);
    QFETCH(QString, note);
    QFETCH(int, writtenAfterOneStepLeft);
    QFETCH(bool, byScreenReader);
    WindowRig rig;
    PrmFolder prm(QStringLiteral("4103.prm"), {{"temp: outside", line}});
    rig.setRaw("temp: outside", stationRaw);
    rig.enter();
    QCOMPARE(labelText(rig, "set_out_temp_lbl"), QString());
    QVERIFY2(labelText(rig, "out_temp_frame_note").startsWith(note), qPrintable(labelText(rig, "out_temp_frame_note")));

    auto *change = rig.find<QPushButton>("out_temp_change_cmd");
    QTest::mouseClick(change, Qt::LeftButton);
    QCOMPARE(rig.raw("temp: outside"), stationRaw);
    QVERIFY(rig.log.texts().size() == 1 && rig.log.texts().first().startsWith("Nothing was written"));
    QVERIFY(rig.form()->isEnabled());

    auto *slider = rig.find<QSlider>("out_temp_slider");
    if (byScreenReader)
        QAccessible::queryAccessibleInterface(slider)->valueInterface()->setCurrentValue(slider->value() - 1);
    else
        QTest::keyClick(slider, Qt::Key_Left);
    QTest::mouseClick(change, Qt::LeftButton);
    QCOMPARE(rig.raw("temp: outside"), writtenAfterOneStepLeft);
    QVERIFY(!rig.find<QLabel>("out_temp_frame_note")->isVisibleTo(rig.form()));
}

void TestCalForm::reportFlagButtonWaitsForASelection()
{
    WindowRig rig;
    rig.setRaw("report flags", 9);
    rig.enter();
    rig.selectTab(10);
    auto *change = rig.find<QPushButton>("change_rpt_flag_cmd");
    QVERIFY(!change->isEnabled());
    for (int k = 0; k < 8; ++k)
        QVERIFY(!rig.find<QRadioButton>(qPrintable(QStringLiteral("flag_opt(%1)").arg(k)))->isChecked());
    QTest::mouseClick(rig.find<QRadioButton>("flag_opt(5)"), Qt::LeftButton);
    QVERIFY(change->isEnabled());
    QTest::mouseClick(change, Qt::LeftButton);
    QCOMPARE(rig.raw("report flags"), 5);
    QVERIFY(rig.find<QRadioButton>("flag_opt(5)")->isChecked());
    QVERIFY(rig.form()->isEnabled());
}

void TestCalForm::windOptionsKeepOtherPanelsBits()
{
    WindowRig rig;
    rig.setRaw("Wsp units", 0x60);
    rig.enter();
    rig.selectTab(4);
    auto *knots = rig.find<QCheckBox>("knot_chk");
    QVERIFY(!knots->isChecked());
    QVERIFY(!rig.find<QCheckBox>("average_chk")->isChecked());
    // Clicking the wrapped caption acts on its check box.
    QTest::mouseClick(rig.find<QLabel>("knot_chk_caption"), Qt::LeftButton);
    QVERIFY(knots->isChecked());
    QTest::mouseClick(rig.find<QPushButton>("other_wind_cmd"), Qt::LeftButton);
    QCOMPARE(rig.raw("Wsp units"), 0x70);
    QVERIFY(knots->isChecked());
}

void TestCalForm::closeAndEnterAgain()
{
    WindowRig rig;
    rig.enter();
    QPointer<Cal_form> first = rig.form();
    rig.find<QSlider>("out_temp_slider")->setValue(-10);
    QTest::mouseClick(rig.find<QPushButton>("Command1"), Qt::LeftButton);
    WindowRig::flushDeletes();
    QVERIFY(first.isNull());
    QVERIFY(rig.window->isEnabled());
    QVERIFY(rig.window->comm().portOpen());

    rig.enter();
    QCOMPARE(rig.line->sentBytes().count('V'), 2);
    QVERIFY(rig.form() && rig.form()->isVisible());
    QVERIFY(rig.find<QSlider>("out_temp_slider")->value() != -10);
}

void TestCalForm::keyboardOnlyWork()
{
    // GIVEN the calibration window active with the focus on its tab row
    WindowRig rig;
    rig.setRaw("Lightning Level", 4);
    rig.enter();
    Cal_form *form = rig.form();
    // As a window manager gives the focus to a window it maps.
    form->windowHandle()->requestActivate();
    QTRY_COMPARE(QApplication::activeWindow(), form);
    QTabBar *bar = rig.find<QTabWidget>("SSTab1")->tabBar();
    bar->setFocus(Qt::TabFocusReason);
    QCOMPARE(QApplication::focusWidget(), bar);
    // Keys go wherever the focus is, as a technician's keyboard would send them.
    const auto press = [](Qt::Key key) { QTest::keyClick(static_cast<QWidget *>(nullptr), key); };

    // WHEN arrows walk the tab row to "Lightning", every tab reading on the way
    for (int tab = 1; tab <= 6; ++tab) {
        rig.mark = rig.pump.msSinceEpoch();
        press(Qt::Key_Right);
        QCOMPARE(bar->currentIndex(), tab);
        QVERIFY(!rig.readsSinceMark().isEmpty());
        QCOMPARE(QApplication::focusWidget(), bar);
    }

    // THEN Tab reaches the slider and the arrows move it
    auto *slider = rig.find<QSlider>("light_slide");
    press(Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), slider);
    QCOMPARE(slider->value(), 4);
    press(Qt::Key_Right);
    press(Qt::Key_Right);
    QCOMPARE(labelText(rig, "set_light_lbl"), QStringLiteral("006"));

    // AND Space on "Make Change" writes, and again, and the slider still answers the arrows
    auto *change = rig.find<QPushButton>("change_light_cmd");
    press(Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), change);
    rig.mark = rig.pump.msSinceEpoch();
    press(Qt::Key_Space);
    QCOMPARE(rig.raw("Lightning Level"), 6);
    QCOMPARE(QApplication::focusWidget(), change);
    press(Qt::Key_Space);
    const QList<SentFrame> writes = writesIn(sentFrames(*rig.line, rig.mark));
    QCOMPARE(writes.size(), 2);
    QCOMPARE(writes.last().value, 6);
    QTest::keyClick(static_cast<QWidget *>(nullptr), Qt::Key_Tab, Qt::ShiftModifier);
    press(Qt::Key_Left);
    QCOMPARE(slider->value(), 5);
    QVERIFY(rig.log.messages.isEmpty());
}

void TestCalForm::smallScreenKeepsEverythingInReach()
{
    WindowRig rig;
    rig.enter();
    Cal_form *form = rig.form();
    const QRect available = form->screen()->availableGeometry();
    QCOMPARE(available.size(), QSize(1024, 600));
    QVERIFY2(available.contains(form->frameGeometry()),
             qPrintable(QStringLiteral("frame %1x%2").arg(form->frameGeometry().width()).arg(form->frameGeometry().height())));
    QVERIFY(rig.find<QPushButton>("Command1")->geometry().bottom() < form->height());

    auto *tabs = rig.find<QTabWidget>("SSTab1");
    QTabBar *bar = tabs->tabBar();
    const QList<QToolButton *> scrollButtons = bar->findChildren<QToolButton *>();
    int checked = 0;
    for (int tab = 0; tab < tabs->count(); ++tab) {
        rig.selectTab(tab);
        // The selected tab shows whole, beside the scroll arrows and not under them.
        const QRect shown = bar->tabRect(tab);
        QVERIFY2(bar->rect().contains(shown), qPrintable(bar->tabText(tab)));
        for (QToolButton *arrow : scrollButtons)
            QVERIFY2(!arrow->isVisible() || !arrow->geometry().intersects(shown), qPrintable(bar->tabText(tab)));
        QVERIFY(bar->fontMetrics().horizontalAdvance(bar->tabText(tab)) < shown.width());

        auto *scroll = qobject_cast<QScrollArea *>(tabs->widget(tab));
        QVERIFY(scroll);
        QList<QWidget *> wanted;
        for (QPushButton *b : scroll->findChildren<QPushButton *>())
            if (b->text() == QStringLiteral("Make Change"))
                wanted << b;
        for (QLabel *l : scroll->findChildren<QLabel *>())
            if (l->objectName().startsWith(QStringLiteral("max_"), Qt::CaseInsensitive)
                && l->objectName().endsWith(QStringLiteral("_lbl")))
                wanted << l;
        for (QWidget *w : wanted) {
            if (!w->isVisibleTo(form))
                continue;
            // Reached by scrolling down at most; never cut at the side.
            scroll->ensureWidgetVisible(w, 0, 0);
            const QRect inViewport(w->mapTo(scroll->viewport(), QPoint(0, 0)), w->size());
            QVERIFY2(scroll->viewport()->rect().contains(inViewport), qPrintable(w->objectName()));
            QVERIFY2(w->width() >= w->sizeHint().width(), qPrintable(w->objectName()));
            ++checked;
        }
    }
    // Eighteen slider panels with their maximum labels, and the nine other panels' buttons.
    QCOMPARE(checked, 2 * 18 + 9);
}

void TestCalForm::linkClosingUnloadsWindow()
{
    WindowRig rig;
    rig.enter();
    QPointer<Cal_form> form = rig.form();
    rig.window->link().close_link();
    WindowRig::flushDeletes();
    QVERIFY(form.isNull());
    QVERIFY(rig.window->isEnabled());
}

void TestCalForm::baudChangeContinuesAtNewRate()
{
    WindowRig rig;
    rig.enter();
    rig.selectTab(11);
    QCOMPARE(labelText(rig, "cur_baud_lbl"), QStringLiteral("2400"));
    auto *apply = rig.find<QPushButton>("baud_apply_cmd");
    QVERIFY(!apply->isEnabled());
    auto *combo = rig.find<QComboBox>("baud_combo");
    combo->setCurrentIndex(combo->findText(QStringLiteral("19200 Baud")));
    QVERIFY(apply->isEnabled());
    rig.mark = rig.pump.msSinceEpoch();
    QTest::mouseClick(apply, Qt::LeftButton);

    const QList<SentFrame> writes = writesIn(sentFrames(*rig.line, rig.mark));
    QCOMPARE(writes.size(), 1);
    QCOMPARE(writes.first().address, 6);
    QCOMPARE(writes.first().value, 1);
    QCOMPARE(rig.model.ownRate(), 19200);
    QCOMPARE(rig.line->lineSettings().baud, 19200);
    QCOMPARE(rig.window->settings().baud_rate[0], 19200.0f);
    QFile saved(rig.window->settingsFile().path());
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(ComSettings::fromBytes(saved.readAll()).baud_rate[0], 19200.0f);
    QCOMPARE(labelText(rig, "cur_baud_lbl"), QStringLiteral("19200"));
    QVERIFY(rig.form()->isEnabled());

    // The next tab's reads go through at 19200.
    rig.selectTab(1);
    QCOMPARE(rig.readsSinceMark(), (QList<int>{13, 14}));
    QVERIFY(rig.log.messages.isEmpty());
    rig.selectTab(11);
    QCOMPARE(labelText(rig, "cur_baud_lbl"), QStringLiteral("19200"));
}

void TestCalForm::clockTabShowsStationTimeAndCopiesIt()
{
    WindowRig rig;
    rig.enter();
    rig.selectTab(11);
    QVERIFY(labelText(rig, "station_time_lbl").startsWith(QStringLiteral("Saturday, March 14, 2026 10:0")));
    QTest::mouseClick(rig.find<QRadioButton>("time_opt(1)"), Qt::LeftButton);
    rig.mark = rig.pump.msSinceEpoch();
    QTest::mouseClick(rig.find<QPushButton>("time_appy_cmd"), Qt::LeftButton);
    QCOMPARE(rig.computer.sets.size(), 1);
    QCOMPARE(rig.computer.sets.first(), rig.form()->clockOps().station_time);
    QVERIFY(writesIn(sentFrames(*rig.line, rig.mark)).isEmpty());
    QVERIFY(rig.form()->isEnabled());
}

void TestCalForm::entryTimeAgainstProtocolFloor()
{
    WindowRig rig;
    const qint64 start = rig.pump.msSinceEpoch();
    rig.enter();
    const qint64 entryMs = rig.pump.msSinceEpoch() - start;
    // The floor: "V" and its 7-byte reply, then three reads, each waiting its
    // settling time and sending its packet twice before the 2-byte reply,
    // every byte 10 bits at 2400 baud plus the station's turnaround.
    const double byteMs = 10 * 1000.0 / 2400;
    const double turnaround = rig.model.options().turnaroundMs;
    const double floorMs = (1 + 7) * byteMs + turnaround
                           + 3 * (StationLink::readSettle * 1000 + (7 + 7 + 2) * byteMs + turnaround);
    qInfo("calibration entry at 2400 baud: %lld ms virtual, protocol floor %.0f ms", entryMs, floorMs);
    QVERIFY(entryMs >= floorMs - 1);
    QVERIFY(entryMs < floorMs * 1.5);
}

void TestCalForm::powerInputHasItsStoredProperties_data()
{
    QTest::addColumn<QString>("property");
    QTest::addColumn<QString>("value");
    QTest::newRow("bevel style shadowed right") << "BevelStyle" << "3";
    QTest::newRow("bevel size") << "BevelSize" << "0";
    QTest::newRow("centred vertically") << "VAlignment" << "2";
    QTest::newRow("white fill") << "FillColor" << "&H00FFFFFF&";
    QTest::newRow("white background") << "BackColor" << "&H00FFFFFF&";
    QTest::newRow("button-text colour") << "ForeColor" << "&H80000012&";
    QTest::newRow("value 0") << "ValueReal" << "0";
    QTest::newRow("a default the form leaves alone") << "Alignment" << "1";
}

void TestCalForm::powerInputHasItsStoredProperties()
{
    QFETCH(QString, property);
    QFETCH(QString, value);
    WindowRig rig;
    rig.enter();
    auto *control = qobject_cast<zq::OleControl *>(rig.find<QWidget>("ZqRealInput1"));
    QVERIFY(control);
    QCOMPARE(control->getProperty(control->idOfName(property)).toDisplayString(), value);
}

void TestCalForm::powerPanelWithoutAUsableLibrary_data()
{
    QTest::addColumn<QString>("registered"); // the library path the registry names, empty for none
    QTest::addColumn<QString>("own");        // the program's own library: "missing", "broken" or found as built
    QTest::addColumn<bool>("control");
    QTest::newRow("nothing registered, no library") << "" << "missing" << false;
    QTest::newRow("registered library cannot be loaded") << "broken" << "broken" << false;
    QTest::newRow("registered library is gone, no own copy") << "/nonexistent/libzqrinp32.so" << "missing" << false;
    QTest::newRow("registered library is gone, own copy registered") << "/nonexistent/libzqrinp32.so" << "" << true;
}

void TestCalForm::powerPanelWithoutAUsableLibrary()
{
    QFETCH(QString, registered);
    QFETCH(QString, own);
    QFETCH(bool, control);
    QTemporaryDir dir;
    const QString broken = dir.filePath(QStringLiteral("libzqrinp32.so"));
    QFile junk(broken);
    QVERIFY(junk.open(QIODevice::WriteOnly) && junk.write("not a library") > 0);
    junk.close();
    const QString registryPath = dir.filePath(QStringLiteral("registry.ini"));
    if (!registered.isEmpty()) {
        zq::Registry registry(registryPath);
        registry.setValue(QStringLiteral("VURURAZ.VururazCtrl.1\\CLSID"), QStringLiteral("@"),
                          QStringLiteral("{0F1F1505-C40A-101B-AD04-00AA00575482}"));
        registry.setValue(QStringLiteral("CLSID\\{0F1F1505-C40A-101B-AD04-00AA00575482}\\InprocServer32"),
                          QStringLiteral("@"), registered == QLatin1String("broken") ? broken : registered);
        QVERIFY(registry.save());
    }
    const QByteArray savedRegistry = qgetenv("ZQ_REGISTRY");
    qputenv("ZQ_REGISTRY", QFile::encodeName(registryPath));
    if (own == QLatin1String("missing"))
        qputenv("ORV_ZQRINP32", QFile::encodeName(dir.filePath(QStringLiteral("missing.so"))));
    else if (own == QLatin1String("broken"))
        qputenv("ORV_ZQRINP32", QFile::encodeName(broken));
    WindowRig rig;
    rig.enter();
    qputenv("ZQ_REGISTRY", savedRegistry);
    qunsetenv("ORV_ZQRINP32");

    // The window opens either way; without a control its place says so.
    QVERIFY(rig.form());
    QCOMPARE(rig.find<QWidget>("ZqRealInput1") != nullptr, control);
    auto *slot = rig.find<QLabel>("ZqRealInput1_slot");
    QCOMPARE(slot != nullptr, !control);
    if (slot) {
        QCOMPARE(slot->text(), QStringLiteral("Control unavailable"));
        QVERIFY(slot->toolTip().startsWith(QStringLiteral("The real-number input control is not available")));
        QCOMPARE(rig.find<QGroupBox>("Frame1")->title(), QStringLiteral("Power Setting"));
    } else {
        zq::Registry registry(registryPath);
        QVERIFY(registry.load());
        QCOMPARE(registry.value(QStringLiteral("CLSID\\{0F1F1505-C40A-101B-AD04-00AA00575482}\\InprocServer32")),
                 powerInputLibrary());
    }
}

void TestCalForm::screenshots()
{
    const QString dir = QString::fromLocal8Bit(qgetenv("ORV_SCREENSHOT_DIR"));
    if (dir.isEmpty())
        QSKIP("set ORV_SCREENSHOT_DIR to write a picture of every tab after its read");
    WindowRig rig;
    rig.setRaw("report flags", 3);
    rig.setRaw("Wsp units", 0x20);
    rig.enter();
    QDir().mkpath(dir);
    for (int tab = 0; tab < Cal_form::tabCount; ++tab) {
        rig.selectTab(tab);
        QTest::qWait(50);
        QVERIFY(rig.form()->grab().save(QStringLiteral("%1/tab%2.png").arg(dir).arg(tab, 2, 10, QLatin1Char('0'))));
    }

    // The Power Setting input with the focus and a value being entered.
    rig.selectTab(2);
    auto *power = qobject_cast<zq::OleControl *>(rig.find<QWidget>("ZqRealInput1"));
    QVERIFY(power);
    rig.form()->activateWindow();
    power->setFocus();
    power->putProperty(power->idOfName(QStringLiteral("Text")), zq::Variant::fromString(QStringLiteral("12.5")));
    QTest::qWait(50);
    QVERIFY(rig.form()->grab().save(dir + QStringLiteral("/tab02-power-editing.png")));
    QTest::mouseClick(rig.find<QPushButton>("Command1"), Qt::LeftButton);

    // Without the control library: the panel says the control is unavailable.
    QTemporaryDir noLibrary;
    const QByteArray savedRegistry = qgetenv("ZQ_REGISTRY");
    qputenv("ZQ_REGISTRY", QFile::encodeName(noLibrary.filePath(QStringLiteral("registry.ini"))));
    qputenv("ORV_ZQRINP32", QFile::encodeName(noLibrary.filePath(QStringLiteral("missing.so"))));
    rig.enter();
    qputenv("ZQ_REGISTRY", savedRegistry);
    qunsetenv("ORV_ZQRINP32");
    rig.selectTab(2);
    QVERIFY(rig.find<QLabel>("ZqRealInput1_slot"));
    QTest::qWait(50);
    QVERIFY(rig.form()->grab().save(dir + QStringLiteral("/tab02-power-unavailable.png")));
    QTest::mouseClick(rig.find<QPushButton>("Command1"), Qt::LeftButton);

    // A firmware without the auxiliary sensor: its panel disabled.
    QTemporaryDir prm;
    QFile shipped(QString::fromLocal8Bit(qgetenv("ORV_PRM_DIR")) + QStringLiteral("/4103.prm"));
    QFile reduced(prm.path() + QStringLiteral("/4103.prm"));
    QVERIFY(shipped.open(QIODevice::ReadOnly) && reduced.open(QIODevice::WriteOnly));
    for (const QByteArray &line : shipped.readAll().split('\r'))
        if (!line.contains("temp: aux"))
            reduced.write(line.trimmed() + "\r\n");
    reduced.close();
    const QByteArray saved = qgetenv("ORV_PRM_DIR");
    qputenv("ORV_PRM_DIR", QFile::encodeName(prm.path()));
    QTest::mouseClick(rig.find<QPushButton>("Command1"), Qt::LeftButton);
    rig.enter();
    qputenv("ORV_PRM_DIR", saved);
    QVERIFY(!rig.find<QWidget>("Aux_temp_frame")->isEnabled());
    QTest::qWait(50);
    QVERIFY(rig.form()->grab().save(dir + QStringLiteral("/tab00-aux-absent.png")));
}

QTEST_MAIN(TestCalForm)
#include "tst_cal_form.moc"
