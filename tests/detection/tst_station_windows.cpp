#include "detection_fixture.h"
#include "windows_fixture.h"

#include "cancel_form.h"
#include "change_station_frm.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QtEndian>

using namespace orv;
using namespace orv::test;

namespace {

template<typename T>
T *child(QWidget *w, const char *name)
{
    return w->findChild<T *>(QLatin1String(name));
}

void retype(QLineEdit *edit, const QString &text)
{
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
}

QByteArray field(const QByteArray &file, int offset, int width, int slot)
{
    return file.mid(offset + width * slot, width);
}

QByteArray padded(const QByteArray &text, int width)
{
    return text.leftJustified(width, ' ', true);
}

} // namespace

class TestStationWindows : public QObject
{
    Q_OBJECT

private slots:
    void propertiesFillFromSlot_data();
    void propertiesFillFromSlot();
    void propertiesEditsReachFileAtClose_data();
    void propertiesEditsReachFileAtClose();
    void propertiesCloseRewritesUnchangedRecord();
    void propertiesShowPortDevices();
    void detectionFromProperties();
    void detectionWindowCannotCloseDuringRun();
    void stopButtonEndsRunAtNextCheck();
    void focusComesBackAfterDetection();
    void everyWindowHasRoomForItsCaption_data();
    void everyWindowHasRoomForItsCaption();
    void stationSelection_data();
    void stationSelection();
    void selectionLastsForTheRunOnly();
};

void TestStationWindows::propertiesFillFromSlot_data()
{
    QTest::addColumn<int>("slot");
    QTest::addColumn<int>("port");
    QTest::addColumn<float>("baud");
    QTest::addColumn<int>("modem");
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<int>("portIndex");
    QTest::addColumn<int>("baudIndex");
    QTest::addColumn<QString>("nameShown");
    QTest::addColumn<QByteArray>("nameStored");

    QTest::newRow("defaults") << 0 << 2 << 2400.0f << 0 << QByteArray("ORV Station 1") << 1 << 3
                              << "ORV Station 1" << QByteArray("ORV Station 1");
    QTest::newRow("modem, last port, top rate") << 3 << 8 << 38400.0f << 255 << QByteArray("  Ridge  ") << 7 << 7
                                                << "Ridge" << QByteArray("Ridge");
    QTest::newRow("rate outside the list") << 1 << 1 << 1234.0f << 0 << QByteArray("Pond") << 0 << -1 << "Pond"
                                           << QByteArray("Pond");
    QTest::newRow("rate near a listed one") << 1 << 1 << 9600.5f << 0 << QByteArray("Pond") << 0 << -1 << "Pond"
                                            << QByteArray("Pond");
    QTest::newRow("damaged port number") << 5 << 12 << 300.0f << 0 << QByteArray("Mast") << -1 << 0 << "Mast"
                                         << QByteArray("Mast");
    QTest::newRow("blank name gets the default") << 2 << 3 << 600.0f << 0 << QByteArray("   ") << 2 << 1 << ""
                                                 << QByteArray("ORV Station 3");
}

void TestStationWindows::propertiesFillFromSlot()
{
    QFETCH(int, slot);
    QFETCH(int, port);
    QFETCH(float, baud);
    QFETCH(int, modem);
    QFETCH(QByteArray, name);
    QFETCH(int, portIndex);
    QFETCH(int, baudIndex);
    QFETCH(QString, nameShown);
    QFETCH(QByteArray, nameStored);

    ComSettings stored = ComSettings::defaults();
    stored.com_port[slot] = std::int16_t(port);
    stored.baud_rate[slot] = baud;
    stored.modem_flag[slot] = std::uint8_t(modem);
    stored.station_name[slot] = padded(name, 20);
    WindowsFixture f(stored.toBytes());
    f.link().state.cur_station = slot;

    Com_form *form = f.openProperties();
    QVERIFY(form);
    QCOMPARE(form->windowTitle(), QStringLiteral("Serial Communication Properties"));
    QVERIFY(!f.window->isEnabled());
    QVERIFY(form->isEnabled());
    QCOMPARE(child<QComboBox>(form, "Com_port_combo")->currentIndex(), portIndex);
    QCOMPARE(child<QComboBox>(form, "wv_Baud_combo")->currentIndex(), baudIndex);
    // A rate outside the list is named in place of a selection.
    QCOMPARE(child<QComboBox>(form, "wv_Baud_combo")->placeholderText(),
             baudIndex < 0 ? QString::number(double(baud), 'g', 7) + QStringLiteral(": not a station rate") : QString());
    QCOMPARE(child<QCheckBox>(form, "modem_chk")->isChecked(), modem == 255);
    QCOMPARE(child<QLineEdit>(form, "number_txt")->text(), QStringLiteral("1-555-555-5555").leftJustified(30));
    QCOMPARE(child<QLineEdit>(form, "setup_txt")->text(), QStringLiteral("&F0").leftJustified(100));
    // The start of a padded field is in view, not its trailing blanks.
    QCOMPARE(child<QLineEdit>(form, "setup_txt")->cursorPosition(), 0);
    QCOMPARE(child<QLineEdit>(form, "ID_txt")->text(), nameShown);

    form->close_cmd_Click();
    QVERIFY(f.window->isEnabled());
    const QByteArray file = f.settingsFileBytes();
    QCOMPARE(file.size(), ComSettings::fileSize);
    ComSettings expected = stored;
    expected.station_name[slot] = padded(nameStored, 20);
    QCOMPARE(file, expected.toBytes());
}

void TestStationWindows::propertiesEditsReachFileAtClose_data()
{
    QTest::addColumn<int>("slot");
    QTest::addColumn<QString>("nameTyped");
    QTest::addColumn<QByteArray>("nameStored");
    QTest::addColumn<QString>("phoneTyped");
    QTest::addColumn<QByteArray>("phoneStored");

    QTest::newRow("plain edits") << 0 << "Hill Top" << QByteArray("Hill Top") << "555-0101"
                                 << QByteArray("555-0101");
    QTest::newRow("name of 25 cut to 20") << 1 << "ABCDEFGHIJKLMNOPQRSTUVWXY" << QByteArray("ABCDEFGHIJKLMNOPQRST")
                                          << "" << QByteArray();
    QTest::newRow("name deleted in slot 2") << 2 << "" << QByteArray("ORV Station 3") << "1" << QByteArray("1");
    QTest::newRow("name of blanks in slot 4") << 4 << "    " << QByteArray("ORV Station 5")
                                              << "12345678901234567890123456789012345"
                                              << QByteArray("123456789012345678901234567890");
    QTest::newRow("name trimmed") << 19 << "  Far Field  " << QByteArray("Far Field") << "9" << QByteArray("9");
}

void TestStationWindows::propertiesEditsReachFileAtClose()
{
    QFETCH(int, slot);
    QFETCH(QString, nameTyped);
    QFETCH(QByteArray, nameStored);
    QFETCH(QString, phoneTyped);
    QFETCH(QByteArray, phoneStored);

    WindowsFixture f;
    f.link().state.cur_station = slot;
    const QByteArray before = f.settingsFileBytes();
    Com_form *form = f.openProperties();

    child<QComboBox>(form, "Com_port_combo")->setCurrentIndex(3);
    child<QComboBox>(form, "wv_Baud_combo")->setCurrentIndex(6);
    QTest::mouseClick(child<QCheckBox>(form, "modem_chk"), Qt::LeftButton);
    retype(child<QLineEdit>(form, "ID_txt"), nameTyped);
    retype(child<QLineEdit>(form, "number_txt"), phoneTyped);
    retype(child<QLineEdit>(form, "setup_txt"), QStringLiteral("&F0 X4"));
    // Edits reach memory at once, the file only at closing.
    QCOMPARE(f.settings().com_port[slot], 4);
    QCOMPARE(f.settingsFileBytes(), before);

    QTest::mouseClick(child<QPushButton>(form, "close_cmd"), Qt::LeftButton);

    const QByteArray file = f.settingsFileBytes();
    QCOMPARE(file.size(), ComSettings::fileSize);
    QCOMPARE(qFromLittleEndian<qint16>(file.constData() + 2 * slot), 4);
    QCOMPARE(qFromLittleEndian<float>(file.constData() + 40 + 4 * slot), 19200.0f);
    QCOMPARE(uchar(file[120 + slot]), 255);
    QCOMPARE(field(file, 140, 30, slot), padded(phoneStored, 30));
    QCOMPARE(field(file, 740, 100, slot), padded("&F0 X4", 100));
    QCOMPARE(field(file, 2740, 20, slot), padded(nameStored, 20));
    // Every other slot is as it was.
    ComSettings expected = ComSettings::fromBytes(before);
    expected.com_port[slot] = 4;
    expected.baud_rate[slot] = 19200.0f;
    expected.modem_flag[slot] = 255;
    expected.phone_number[slot] = padded(phoneStored, 30);
    expected.modem_setup[slot] = padded("&F0 X4", 100);
    expected.station_name[slot] = padded(nameStored, 20);
    QCOMPARE(file, expected.toBytes());
    QVERIFY(f.window->isEnabled());
}

void TestStationWindows::propertiesCloseRewritesUnchangedRecord()
{
    WindowsFixture f;
    // Bytes changed behind the program's back: closing writes the record in memory over them.
    QByteArray tampered = f.settingsFileBytes();
    tampered[2745] = 'X';
    f.writeSettingsFile(tampered);

    Com_form *form = f.openProperties();
    form->close();

    QCOMPARE(f.settingsFileBytes(), ComSettings::defaults().toBytes());
    QVERIFY(f.messages.isEmpty());
}

void TestStationWindows::propertiesShowPortDevices()
{
    WindowsFixture f;
    Com_form *form = f.openProperties();
    auto *ports = child<QComboBox>(form, "Com_port_combo");
    auto *device = child<QLabel>(form, "port_device_lbl");
    QCOMPARE(ports->count(), 8);
    QCOMPARE(ports->itemText(0), QStringLiteral("Communications Port 1"));
    QCOMPARE(ports->itemText(7), QStringLiteral("Communications Port 8"));
    QCOMPARE(ports->itemData(4, Qt::ToolTipRole).toString(), WindowsFixture::path(5));
    QVERIFY(device->text().startsWith(WindowsFixture::path(2)));
    ports->setCurrentIndex(6);
    QVERIFY(device->text().startsWith(WindowsFixture::path(7)));
    form->close();
}

void TestStationWindows::detectionFromProperties()
{
    WindowsFixture f;
    RateBoundStation station(9600);
    f.ports.attach(WindowsFixture::path(4), &station.peer);
    f.link().state.cur_station = 3;
    Com_form *form = f.openProperties();

    QTest::mouseClick(child<QPushButton>(form, "Command1"), Qt::LeftButton);
    COM_Detect_frm *detect = form->detectionWindow();
    QVERIFY(detect);
    QCOMPARE(detect->windowTitle(), QStringLiteral("Detect Weather Station"));
    QVERIFY(!form->isEnabled());
    QVERIFY(detect->isEnabled());
    QVERIFY(!f.window->isEnabled());
    QCOMPARE(detect->button(COM_Detect_frm::DetectButton)->text(), QStringLiteral("&Detect Station"));
    QCOMPARE(detect->button(COM_Detect_frm::StopButton)->text(), QStringLiteral("&Stop Detection"));
    QVERIFY(!detect->button(COM_Detect_frm::StopButton)->isEnabled());
    // The properties window refuses to close while detection is open.
    form->close();
    QVERIFY(form->isVisible());

    QTest::mouseClick(detect->button(COM_Detect_frm::DetectButton), Qt::LeftButton);

    QVERIFY(detect->lastResult().found());
    QCOMPARE(detect->outputLines().first(), QStringLiteral("Weather Station Detected"));
    QCOMPARE(child<QLabel>(detect, "detect_pic")->text(), detect->outputLines().join(QLatin1Char('\n')));
    QVERIFY(detect->button(COM_Detect_frm::DetectButton)->isEnabled());
    QVERIFY(detect->button(COM_Detect_frm::CloseButton)->isEnabled());
    QVERIFY(!detect->button(COM_Detect_frm::StopButton)->isEnabled());
    QCOMPARE(f.settings().com_port[3], 4);
    QCOMPARE(f.settings().baud_rate[3], 9600.0f);
    QCOMPARE(f.settings().com_port[0], 2);

    QTest::mouseClick(detect->button(COM_Detect_frm::CloseButton), Qt::LeftButton);
    QVERIFY(!form->detectionWindow());
    QVERIFY(form->isEnabled());
    QVERIFY(!f.window->isEnabled());
    QCOMPARE(child<QComboBox>(form, "Com_port_combo")->currentIndex(), 3);
    QCOMPARE(child<QComboBox>(form, "wv_Baud_combo")->currentIndex(), 5);

    form->close();
    QVERIFY(f.window->isEnabled());
    const QByteArray file = f.settingsFileBytes();
    QCOMPARE(qFromLittleEndian<qint16>(file.constData() + 2 * 3), 4);
    QCOMPARE(qFromLittleEndian<float>(file.constData() + 40 + 4 * 3), 9600.0f);
}

void TestStationWindows::detectionWindowCannotCloseDuringRun()
{
    WindowsFixture f;
    ScriptedPeer silent(ScriptedPeer::silent());
    f.ports.attach(WindowsFixture::path(1), &silent);
    Com_form *form = f.openProperties();
    form->Command1_Click();
    COM_Detect_frm *detect = form->detectionWindow();

    bool stillShownAfterClose = false;
    QString buttonsDuringRun;
    f.pump.scheduleIn(10000, [&] {
        buttonsDuringRun = QStringLiteral("%1%2%3")
                               .arg(int(detect->button(COM_Detect_frm::DetectButton)->isEnabled()))
                               .arg(int(detect->button(COM_Detect_frm::StopButton)->isEnabled()))
                               .arg(int(detect->button(COM_Detect_frm::CloseButton)->isEnabled()));
        detect->close();
        stillShownAfterClose = detect->isVisible() && detect->isRunning();
        detect->detect_cmd_Click(COM_Detect_frm::StopButton);
    });
    detect->detect_cmd_Click(COM_Detect_frm::DetectButton);

    QCOMPARE(buttonsDuringRun, QStringLiteral("010"));
    QVERIFY(stillShownAfterClose);
    QVERIFY(!detect->isRunning());
    QCOMPARE(detect->lastResult().outcome, DetectionResult::Canceled);
    QVERIFY(form->detectionWindow());
    QVERIFY(!form->isEnabled());
    detect->close();
    QVERIFY(form->isEnabled());
}

void TestStationWindows::stopButtonEndsRunAtNextCheck()
{
    WindowsFixture f;
    ScriptedPeer silent(ScriptedPeer::silent());
    f.ports.attach(WindowsFixture::path(2), &silent);
    Com_form *form = f.openProperties();
    form->Command1_Click();
    COM_Detect_frm *detect = form->detectionWindow();
    const ComSettings before = f.settings();

    // COM1 absent, COM2's modem probe 2 s, first rate try from 2 s to 69 s.
    QString statusAfterStop;
    f.pump.scheduleIn(30000, [detect, &statusAfterStop] {
        QTest::mouseClick(detect->button(COM_Detect_frm::StopButton), Qt::LeftButton);
        statusAfterStop = child<QLabel>(detect, "status_lbl")->text();
    });
    const qint64 start = f.pump.msSinceEpoch();
    detect->detect_cmd_Click(COM_Detect_frm::DetectButton);

    // The stop shows at once, though the try in progress runs to its end.
    QCOMPARE(statusAfterStop, QStringLiteral("Stopping after this rate…"));
    QCOMPARE(child<QLabel>(detect, "status_lbl")->text(), QString());

    QCOMPARE(f.pump.msSinceEpoch() - start, 2000 + 67000);
    const QStringList expected = {QStringLiteral("Detecting Weather Station"), QString(),
                                  QStringLiteral("COM1  Unavailable"),
                                  QStringLiteral("COM2 2400 Detection Canceled by User.")};
    QCOMPARE(detect->outputLines(), expected);
    QCOMPARE(f.messages.size(), 1);
    QCOMPARE(f.messages[0].text, notDetectedMessage());
    QVERIFY(!f.comm().portOpen());
    QCOMPARE(f.settings().toBytes(), before.toBytes());
    detect->close();
    form->close();
}

void TestStationWindows::focusComesBackAfterDetection()
{
    WindowsFixture f;
    RateBoundStation station(2400);
    f.ports.attach(WindowsFixture::path(1), &station.peer);
    Com_form *form = f.openProperties();
    auto *openDetection = child<QPushButton>(form, "Command1");
    openDetection->setFocus();
    QTest::keyClick(openDetection, Qt::Key_Space);
    COM_Detect_frm *detect = form->detectionWindow();
    QVERIFY(detect);

    // Space on "&Detect Station" runs; the focus waits on "&Stop Detection" and then comes back.
    QPushButton *start = detect->button(COM_Detect_frm::DetectButton);
    start->setFocus();
    QWidget *focusDuringRun = nullptr;
    f.pump.scheduleIn(1000, [&] { focusDuringRun = detect->focusWidget(); });
    QTest::keyClick(start, Qt::Key_Space);
    QVERIFY(detect->lastResult().found());
    QCOMPARE(focusDuringRun, detect->button(COM_Detect_frm::StopButton));
    QCOMPARE(detect->focusWidget(), start);

    detect->close();
    QVERIFY(form->isEnabled());
    QCOMPARE(form->focusWidget(), openDetection);
    form->close();
}

void TestStationWindows::everyWindowHasRoomForItsCaption_data()
{
    QTest::addColumn<QString>("window");
    QTest::newRow("main") << "ORV_Main";
    QTest::newRow("properties") << "Com_form";
    QTest::newRow("detection") << "COM_Detect_frm";
    QTest::newRow("station selection") << "change_station_frm";
    QTest::newRow("connection progress") << "cancel_form";
}

void TestStationWindows::everyWindowHasRoomForItsCaption()
{
    QFETCH(QString, window);
    WindowsFixture f;
    Com_form *properties = f.openProperties();
    properties->Command1_Click();
    int slot = 0;
    change_station_frm selection(f.settings(), slot);
    cancel_form progress;
    QWidget *shown = nullptr;
    for (QWidget *w : {static_cast<QWidget *>(f.window.get()), static_cast<QWidget *>(properties),
                       static_cast<QWidget *>(properties->detectionWindow()), static_cast<QWidget *>(&selection),
                       static_cast<QWidget *>(&progress)})
        if (w->objectName() == window)
            shown = w;
    QVERIFY(shown);
    shown->show();
    // A title bar's bold caption beside the three buttons every window manager draws.
    QFont titleFont = shown->font();
    titleFont.setBold(true);
    const int needed = QFontMetrics(titleFont).horizontalAdvance(shown->windowTitle()) + 3 * 24;
    QVERIFY2(shown->width() >= needed, qPrintable(QStringLiteral("%1 < %2").arg(shown->width()).arg(needed)));
    properties->detectionWindow()->close();
    properties->close();
}

void TestStationWindows::stationSelection_data()
{
    QTest::addColumn<int>("current");
    QTest::addColumn<int>("picked");
    QTest::addColumn<bool>("viaOk");
    QTest::addColumn<int>("result");

    QTest::newRow("OK at once keeps the slot") << 5 << -1 << true << 5;
    QTest::newRow("OK after picking") << 0 << 7 << true << 7;
    QTest::newRow("closed without OK") << 2 << 11 << false << 2;
    QTest::newRow("a repeated name picks by position") << 0 << 13 << true << 13;
}

void TestStationWindows::stationSelection()
{
    QFETCH(int, current);
    QFETCH(int, picked);
    QFETCH(bool, viaOk);
    QFETCH(int, result);

    ComSettings settings = ComSettings::defaults();
    settings.setStationName(12, QStringLiteral("Twin"));
    settings.setStationName(13, QStringLiteral("Twin"));
    settings.station_name[4] = padded("   Spaced", 20);
    int cur = current;
    change_station_frm form(settings, cur);
    QCOMPARE(form.windowTitle(), QStringLiteral("Station Selection"));
    QComboBox *list = child<QComboBox>(&form, "station_Combo");
    QCOMPARE(list->count(), 20);
    QCOMPARE(list->itemText(0), QStringLiteral("ORV Station 1"));
    QCOMPARE(list->itemText(4), QStringLiteral("Spaced"));
    QCOMPARE(list->itemText(12), list->itemText(13));
    QCOMPARE(list->currentIndex(), current);
    QCOMPARE(child<QPushButton>(&form, "change_station_exit_cmd")->text(), QStringLiteral("&OK"));

    if (picked >= 0)
        list->setCurrentIndex(picked);
    if (viaOk)
        QTest::mouseClick(child<QPushButton>(&form, "change_station_exit_cmd"), Qt::LeftButton);
    else
        form.reject();
    QCOMPARE(cur, result);
}

void TestStationWindows::selectionLastsForTheRunOnly()
{
    ComSettings stored = ComSettings::defaults();
    stored.com_port[7] = 6;
    stored.baud_rate[7] = 4800.0f;
    stored.setStationName(7, QStringLiteral("Eighth"));
    WindowsFixture f(stored.toBytes());

    QTimer::singleShot(0, [] {
        auto *form = qobject_cast<change_station_frm *>(QApplication::activeModalWidget());
        QVERIFY(form);
        form->stationList()->setCurrentIndex(7);
        form->change_station_exit_cmd_Click();
    });
    f.window->change_station_menu_Click();
    QCOMPARE(f.link().state.cur_station, 7);
    QCOMPARE(f.settingsFileBytes(), stored.toBytes());

    // The properties window now edits slot 7.
    Com_form *form = f.openProperties();
    QCOMPARE(child<QComboBox>(form, "Com_port_combo")->currentIndex(), 5);
    QCOMPARE(child<QComboBox>(form, "wv_Baud_combo")->currentIndex(), 4);
    QCOMPARE(child<QLineEdit>(form, "ID_txt")->text(), QStringLiteral("Eighth"));
    form->close();

    f.start();
    QCOMPARE(f.link().state.cur_station, 0);
}

QTEST_MAIN(TestStationWindows)
#include "tst_station_windows.moc"
