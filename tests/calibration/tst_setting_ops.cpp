#include "fake_panels.h"
#include "link_rig.h"
#include "scripted_peer.h"
#include "station_fixture.h"

#include "params/baud_change.h"
#include "params/conversion.h"
#include "params/setting_ops.h"
#include "params/slider_settings.h"
#include "params/station_clock_ops.h"
#include "params/system_clock.h"

#include "link/com_settings.h"
#include "link/qt_pump.h"
#include "link/settings_file.h"
#include "station/param_table.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using namespace orv;
using namespace orv::test;

namespace {

// The setting operations on the virtual clock against a station on COM2.
// `peer`, when given, stands in front of the simulator and must outlive the rig.
struct OpsRig : LinkRig
{
    explicit OpsRig(const QDateTime &computer = stationStart, station::Peer *peer = nullptr)
        : LinkRig(computer)
        , model(addPeer<station::StationModel>(peer ? 0 : 2, stationOptions(), pump.msSinceEpoch()))
    {
        if (peer)
            attach(2, *peer);
        open();
    }

    static station::StationOptions stationOptions()
    {
        station::StationOptions o;
        o.clockStart = stationStart;
        return o;
    }

    void setRaw(const char *entry, int raw) { model.setParam(station::paramAddress(entry), quint16(raw), pump.msSinceEpoch()); }
    int raw(const char *entry) const { return model.param(station::paramAddress(entry), pump.msSinceEpoch()); }

    station::StationModel &model;
    ParamRecords records = records4103();
    FakePanels panels;
    std::unique_ptr<SettingOps> ops = std::make_unique<SettingOps>(*link, records, panels);
    std::unique_ptr<StationClockOps> clock = std::make_unique<StationClockOps>(*link, records, panels);
};

// A computer clock that records what it was asked to become.
struct RecordingClock : SystemClock
{
    bool refuse = false;
    QList<QDateTime> sets;
    bool setLocalDateTime(const QDateTime &time, QString *error) override
    {
        sets << time;
        if (refuse && error)
            *error = QStringLiteral("Operation not permitted");
        return !refuse;
    }
};

// Answers clock reads with a value per address and pass, the same later on.
ScriptedPeer::Responder clockReplies(QMap<int, QList<int>> valuesByAddress)
{
    auto served = std::make_shared<QMap<int, int>>();
    return [values = std::move(valuesByAddress), served](const QByteArray &request) -> QList<ScriptedPeer::Piece> {
        if (request.size() < 5 || request.mid(2, 2) != "GP")
            return {};
        const int address = quint8(request.at(4));
        const QList<int> list = values.value(address, {1});
        const int pass = (*served)[address]++;
        const int value = list.at(std::min<int>(pass, list.size() - 1));
        return {{20, QByteArray(1, char(value >> 8)) + char(value & 0xFF)}};
    };
}

// A setting operation as a test row holds it.
using Operation = std::function<AccessResult(SettingOps &)>;

Operation readOf(PanelId panel)
{
    return [panel](SettingOps &ops) { return ops.readSlider(*sliderSetting(panel)); };
}

Operation writeOf(PanelId panel)
{
    return [panel](SettingOps &ops) { return ops.writeSlider(*sliderSetting(panel), 1); };
}

} // namespace

// An operation of the rig (setting, clock or baud rate) and whether it ended as a row expects.
using RigOp = std::function<bool(OpsRig &)>;

Q_DECLARE_METATYPE(Operation)
Q_DECLARE_METATYPE(RigOp)

class TestSettingOps : public QObject
{
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void sliderReadFillsPanel_data();
    void sliderReadFillsPanel();
    void sliderPositionRoundsHalfToEven_data();
    void sliderPositionRoundsHalfToEven();
    void setLabelFormats_data();
    void setLabelFormats();
    void absentSettingSendsNothing();
    void sliderWriteConvertsBack();
    void unmovedChangeWritesBackWhatWasRead_data();
    void unmovedChangeWritesBackWhatWasRead();
    void failureMessages_data();
    void failureMessages();
    void definitionFaultDisablesItsPanel_data();
    void definitionFaultDisablesItsPanel();

    void reportWordBits_data();
    void reportWordBits();
    void displayWordBits_data();
    void displayWordBits();
    void optionReadsAgainstStation_data();
    void optionReadsAgainstStation();
    void reportFlagOutOfRangeKeepsOptions();
    void baudText_data();
    void baudText();

    void stationYear_data();
    void stationYear();
    void dayBeyondMonthCarries();
    void clockReadShowsStationTime();
    void outOfRangeRestartsFromYear_data();
    void outOfRangeRestartsFromYear();
    void endlessBadClockGivesUp();
    void stationFromComputerTakesEachFieldAtItsWrite_data();
    void stationFromComputerTakesEachFieldAtItsWrite();
    void computerFromStation();
    void refusedComputerClockIsReported();
    void timeServiceIsAwaitedThroughThePump_data();
    void timeServiceIsAwaitedThroughThePump();

    void baudChangeMovesBothSides();
    void baudChangeWithoutRateSendsNothing();
    void baudChangeOverModemDisconnects();
};

void TestSettingOps::sliderReadFillsPanel_data()
{
    QTest::addColumn<PanelId>("panel");
    QTest::addColumn<int>("raw");
    QTest::addColumn<QStringList>("curMinMax");
    QTest::addColumn<QList<int>>("slider");
    // temp: scale 1, offset 96; raw limits 0..255.
    QTest::newRow("outside temperature") << PanelId::OutsideTemperature << 120 << QStringList{"24", "-96", "159"}
                                         << QList<int>{-96, 159, 24};
    QTest::newRow("pressure 00.00") << PanelId::Pressure << 2992 << QStringList{"29.92", "20.00", "32.00"}
                                    << QList<int>{2000, 3200, 2992};
    QTest::newRow("humidity factor 1000") << PanelId::Humidity75 << 2512 << QStringList{"2.512", "1", "4"}
                                          << QList<int>{1000, 4000, 2512};
    QTest::newRow("wind offset 000") << PanelId::WindOffset << 45 << QStringList{"045", "000", "359"}
                                     << QList<int>{0, 359, 45};
    QTest::newRow("DTR ##0") << PanelId::DtrDelay << 5 << QStringList{"5", "0", "255"} << QList<int>{0, 255, 5};
    QTest::newRow("solar as text") << PanelId::Solar << 150 << QStringList{"1.5", "0", "20"}
                                   << QList<int>{0, 2000, 150};
}

void TestSettingOps::sliderReadFillsPanel()
{
    QFETCH(PanelId, panel);
    QFETCH(int, raw);
    QFETCH(QStringList, curMinMax);
    QFETCH(QList<int>, slider);
    OpsRig rig;
    const SliderSetting &s = *sliderSetting(panel);
    rig.model.setParam(int(rig.records[s.entry].address()), quint16(raw), rig.pump.msSinceEpoch());

    QCOMPARE(rig.ops->readSlider(s), AccessResult::Done);
    QCOMPARE(rig.panels.enabled.value(panel), true);
    QCOMPARE((QStringList{rig.panels.caption(panel), rig.panels.caption(panel, PanelLabel::Minimum),
                          rig.panels.caption(panel, PanelLabel::Maximum)}),
             curMinMax);
    const FakePanels::Slider got = rig.panels.sliders.value(panel);
    QCOMPARE((QList<int>{got.minimum, got.maximum, got.value}), slider);
    QCOMPARE(readAddresses(*rig.line), QList<int>{int(rig.records[s.entry].address())});
}

void TestSettingOps::sliderPositionRoundsHalfToEven_data()
{
    QTest::addColumn<int>("raw");
    QTest::addColumn<int>("position");
    // A daily rainfall record with scale 8 makes raw 1 read as 0.125.
    QTest::newRow("0.125 -> 12") << 1 << 12;
    QTest::newRow("0.375 -> 38") << 3 << 38;
    QTest::newRow("0.625 -> 62") << 5 << 62;
    QTest::newRow("1 -> 100") << 8 << 100;
}

void TestSettingOps::sliderPositionRoundsHalfToEven()
{
    QFETCH(int, raw);
    QFETCH(int, position);
    OpsRig rig;
    rig.records[ParamEntry::RainFallDaily].scale() = 8;
    rig.setRaw("rain fall: daily", raw);
    QCOMPARE(rig.ops->readSlider(*sliderSetting(PanelId::DailyRain)), AccessResult::Done);
    QCOMPARE(rig.panels.sliderValue(PanelId::DailyRain), position);
}

void TestSettingOps::setLabelFormats_data()
{
    QTest::addColumn<PanelId>("panel");
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("text");
    QTest::newRow("pressure 2992") << PanelId::Pressure << 2992 << "29.92";
    QTest::newRow("pressure 3005") << PanelId::Pressure << 3005 << "30.05";
    QTest::newRow("humidity 512") << PanelId::Humidity75 << 512 << "0.512";
    QTest::newRow("humidity 1000") << PanelId::Humidity0 << 1000 << "1";
    QTest::newRow("offset 5") << PanelId::WindOffset << 5 << "005";
    QTest::newRow("lightning 4") << PanelId::Lightning << 4 << "004";
    QTest::newRow("outside -3") << PanelId::OutsideTemperature << -3 << "-3";
    QTest::newRow("rain 450") << PanelId::DailyRain << 450 << "04.50";
    QTest::newRow("solar two decimals") << PanelId::Solar << 150 << "01.50";
    QTest::newRow("DTR integer text") << PanelId::DtrDelay << 7 << "7";
    QTest::newRow("log minutes") << PanelId::LoggingMinutes << 30 << "30";
}

void TestSettingOps::setLabelFormats()
{
    QFETCH(PanelId, panel);
    QFETCH(int, position);
    QFETCH(QString, text);
    QCOMPARE(setLabelText(*sliderSetting(panel), position), text);
}

void TestSettingOps::absentSettingSendsNothing()
{
    OpsRig rig;
    rig.records[ParamEntry::TempOutside] = ParamRecord{};
    const PanelId outside = PanelId::OutsideTemperature;
    rig.panels.setCaption(outside, PanelLabel::Current, QStringLiteral("21"));
    rig.panels.setCaption(outside, PanelLabel::Minimum, QStringLiteral("-96°F"));
    QCOMPARE(rig.ops->readSlider(*sliderSetting(outside)), AccessResult::Absent);
    QCOMPARE(rig.panels.enabled.value(outside, true), false);
    QCOMPARE(rig.panels.caption(outside, PanelLabel::Minimum), QString());
    QCOMPARE(rig.panels.caption(outside, PanelLabel::Maximum), QString());
    QCOMPARE(rig.panels.caption(outside), QStringLiteral("21"));
    QVERIFY(rig.line->sentBytes().isEmpty());
    QVERIFY(rig.log.messages.isEmpty());
}

void TestSettingOps::sliderWriteConvertsBack()
{
    OpsRig rig;
    // 20 °F with scale 1 and offset 96 is raw 116, which reads back as 20.
    const SliderSetting &outside = *sliderSetting(PanelId::OutsideTemperature);
    QCOMPARE(rig.ops->writeSlider(outside, 20.0f), AccessResult::Done);
    QCOMPARE(rig.raw("temp: outside"), 116);
    QCOMPARE(rig.ops->readSlider(outside), AccessResult::Done);
    QCOMPARE(rig.panels.caption(PanelId::OutsideTemperature), QStringLiteral("20"));
    // 29.92 with scale 100 is 2992.
    QCOMPARE(rig.ops->writeSlider(*sliderSetting(PanelId::Pressure), 2992 / 100.0f), AccessResult::Done);
    QCOMPARE(rig.raw("barometric pressure"), 2992);
}

void TestSettingOps::unmovedChangeWritesBackWhatWasRead_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<PanelId>("panel");
    const QDir folder(QString::fromLocal8Bit(qgetenv("ORV_PRM_DIR")));
    const QStringList files = folder.entryList({QStringLiteral("*.prm")}, QDir::Files, QDir::Name);
    QVERIFY2(!files.isEmpty(), qPrintable(folder.path()));
    for (const QString &file : files)
        for (const SliderSetting &s : sliderSettings())
            QTest::addRow("%s %s", qPrintable(file), panelInfo(s.panel).frame) << folder.filePath(file) << s.panel;
}

// Looking at a setting and pressing "Make Change" must leave the station as it was.
void TestSettingOps::unmovedChangeWritesBackWhatWasRead()
{
    QFETCH(QString, file);
    QFETCH(PanelId, panel);
    QFile prm(file);
    QVERIFY(prm.open(QIODevice::ReadOnly));
    OpsRig rig;
    rig.records.reset();
    applyPrmText(prm.readAll(), rig.records);
    const SliderSetting &s = *sliderSetting(panel);
    const ParamRecord &record = rig.records[s.entry];
    if (record.absent()) {
        QCOMPARE(rig.ops->readSlider(s), AccessResult::Absent);
        QCOMPARE(rig.panels.enabled.value(panel, true), false);
        QVERIFY(rig.line->sentBytes().isEmpty());
        return;
    }

    const station::ParamInfo *info = station::findParam(entryName(s.entry));
    QVERIFY(info);
    const int low = int(record.rawMin());
    const int high = int(record.rawMax());
    for (const int raw : {int(info->defaultRaw), low, high, (low + high) / 2 + 1}) {
        rig.model.setParam(info->address, quint16(raw), rig.pump.msSinceEpoch());
        QCOMPARE(rig.ops->readSlider(s), AccessResult::Done);
        const qint64 mark = rig.pump.msSinceEpoch();
        const int position = rig.panels.sliderValue(panel);
        QCOMPARE(rig.ops->writeSlider(s, float(position) / float(s.factor)), AccessResult::Done);
        const QList<SentFrame> writes = writesIn(sentFrames(*rig.line, mark));
        QVERIFY(!writes.isEmpty());
        QCOMPARE(writes.first().value, raw);
        QCOMPARE(rig.model.param(info->address, rig.pump.msSinceEpoch()), raw);
    }
    QVERIFY(rig.log.messages.isEmpty());

    // Every other value within the limits takes the same road, without the line.
    for (int raw = low; raw <= high; ++raw) {
        float value = float(raw);
        QVERIFY(raw_to_eng(value, record.element[3], record.element[4]));
        const int position = sliderPosition(value, s.factor);
        value = float(position) / float(s.factor);
        QVERIFY(eng_to_raw(value, record.element[3], record.element[4]));
        if (value != float(raw))
            QFAIL(qPrintable(QStringLiteral("raw %1 is written back as %2").arg(raw).arg(double(value))));
    }
}

void TestSettingOps::failureMessages_data()
{
    QTest::addColumn<Operation>("op");
    QTest::addColumn<QString>("message");
    const QString get = QStringLiteral("Com error while getting %1 information");
    const QString set = QStringLiteral("Com error while setting %1 information");
    using P = PanelId;
    const QList<std::tuple<PanelId, const char *, const char *>> sliders = {
        {P::OutsideTemperature, "outside temperature calibration", "outside temperature calibration"},
        {P::InsideTemperature, "Inside temperature calibration", "inside temperature calibration"},
        {P::AuxTemperature, "Aux. temperature calibration", "Aux. temperature calibration"},
        {P::Humidity0, "humidity calibration", "outside humidity calibration"},
        {P::Humidity75, "humidity calibration", "outside humidity calibration"},
        {P::Pressure, "pressure calibration", "pressure calibration"},
        {P::DailyRain, "daily rainfall calibration", "daily rainfall calibration"},
        {P::MonthlyRain, "monthly rainfall calibration", "monthly rainfall calibration"},
        {P::TermRain, "term rainfall calibration", "term rainfall calibration"},
        {P::WindOffset, "wind direction offset calibration", "wind direction offset calibration"},
        {P::Solar, "solar radiation calibration", "solar radiation calibration"},
        {P::Lightning, "lightning calibration", "lighning calibration"},
        {P::LoggingHours, "logging hour", "logging hour"},
        {P::LoggingMinutes, "logging minute", "logging minute"},
        {P::ReportHours, "report hour", "report hour"},
        {P::ReportMinutes, "reporting minute", "report minute"},
        {P::LeafWetness, "leaf wetness wet level calibration", "leaf wetness wet level"},
        {P::DtrDelay, "DTR calibration", "DTR calibration"},
    };
    for (const auto &[panel, read, write] : sliders) {
        QTest::addRow("read %s", panelInfo(panel).frame) << readOf(panel) << get.arg(QLatin1String(read));
        QTest::addRow("write %s", panelInfo(panel).frame) << writeOf(panel) << set.arg(QLatin1String(write));
    }
    using S = SettingOps;
    const QList<std::tuple<const char *, Operation, QString>> others = {
        {"read_report_flag", &S::read_report_flag, get.arg("report flag calibration")},
        {"read_report_extras", &S::read_report_extras, get.arg("report flag calibration")},
        {"read_wind_options", &S::read_wind_options, get.arg("wind calibration")},
        {"read_units", &S::read_units, get.arg("units of measure")},
        {"read_time_format", &S::read_time_format, get.arg("time format")},
        {"read_aux_display", &S::read_aux_display, get.arg("aux. display format")},
        {"read_baud", &S::read_baud, get.arg("station baud rate")},
        {"write_report_flag", [](S &ops) { return ops.write_report_flag(1); }, set.arg("report flag calibration")},
        {"write_report_extras", &S::write_report_extras, set.arg("report flag calibration")},
        {"write_wind_options", &S::write_wind_options, set.arg("wind calibration")},
        {"write_time_format", &S::write_time_format, set.arg("time format")},
        {"write_aux_display", &S::write_aux_display, set.arg("aux.display format")},
        {"write_units", &S::write_units, "Com error while units of measure information"},
    };
    for (const auto &[name, op, message] : others)
        QTest::newRow(name) << op << message;
}

void TestSettingOps::failureMessages()
{
    QFETCH(Operation, op);
    QFETCH(QString, message);
    ScriptedPeer silent(ScriptedPeer::silent());
    OpsRig rig(stationStart, &silent);
    rig.panels.select(PanelId::Units, 1);
    QCOMPARE(op(*rig.ops), AccessResult::ComFailed);
    QCOMPARE(rig.log.texts(), QStringList{message});
    QCOMPARE(rig.log.messages.first().title, QStringLiteral("ORV CAL"));
    QCOMPARE(rig.log.messages.first().icon, MessageIcon::Critical);
    QVERIFY(!rig.comm->portOpen());
}

void TestSettingOps::definitionFaultDisablesItsPanel_data()
{
    QTest::addColumn<RigOp>("refused"); // true when the operation refused as a data fault
    QTest::addColumn<int>("entry");
    QTest::addColumn<int>("element");
    QTest::addColumn<float>("number");
    QTest::addColumn<PanelId>("panel");
    QTest::addColumn<QString>("message");
    const auto row = [](const char *name, RigOp refused, ParamEntry entry, int element, float number, PanelId panel,
                        const char *message) {
        QTest::newRow(name) << refused << int(entry) << element << number << panel << QString::fromLatin1(message);
    };
    const auto fault = [](Operation op) { return [op](OpsRig &rig) { return op(*rig.ops) == AccessResult::DataFault; }; };
    using P = PanelId;
    using S = SettingOps;
    row("read_dtr_delay", fault(readOf(P::DtrDelay)), ParamEntry::RxDtrDelay, 2, 65536, P::DtrDelay,
        "ORV CAL cannot use the DTR calibration setting of 4103.prm: its raw limit 65536 is outside 0 to 65535.");
    row("read_wind_options", fault(&S::read_wind_options), ParamEntry::WspUnits, 0, 256, P::OtherWind,
        "ORV CAL cannot use the Wsp units setting of 4103.prm: its address 256 is outside 0 to 255.");
    row("read_time_format", fault(&S::read_time_format), ParamEntry::WspUnits, 0, -1, P::TimeFormat,
        "ORV CAL cannot use the Wsp units setting of 4103.prm: its address -1 is outside 0 to 255.");
    row("read_report_flag", fault(&S::read_report_flag), ParamEntry::ReportFlags, 0, 1000, P::ReportFlags,
        "ORV CAL cannot use the report flags setting of 4103.prm: its address 1000 is outside 0 to 255.");
    row("read_units", fault(&S::read_units), ParamEntry::ScaleUnits, 0, 256, P::Units,
        "ORV CAL cannot use the Scale: 0=FPS 1=CGS setting of 4103.prm: its address 256 is outside 0 to 255.");
    row("read_baud", fault(&S::read_baud), ParamEntry::BaudRateIndex, 0, 256, P::BaudRate,
        "ORV CAL cannot use the Baud Rate index setting of 4103.prm: its address 256 is outside 0 to 255.");
    row("change_station_baud",
        [](OpsRig &rig) {
            ComSettings settings = ComSettings::defaults();
            return change_station_baud(*rig.link, rig.records, settings, nullptr, rig.panels, 9600)
                   == BaudChange::NothingSent;
        },
        ParamEntry::BaudRateIndex, 0, 256, P::BaudRate,
        "ORV CAL cannot use the Baud Rate index setting of 4103.prm: its address 256 is outside 0 to 255.");
    row("read_station_clock", [](OpsRig &rig) { return rig.clock->read_station_clock() == ClockResult::DataFault; },
        ParamEntry::ClockHours, 0, 300, P::StationTime,
        "ORV CAL cannot use the clock hours setting of 4103.prm: its address 300 is outside 0 to 255.");
    row("setStationFromComputer",
        [](OpsRig &rig) { return rig.clock->setStationFromComputer() == ClockResult::DataFault; },
        ParamEntry::ClockSeconds, 0, 300, P::StationTime,
        "ORV CAL cannot use the clock seconds setting of 4103.prm: its address 300 is outside 0 to 255.");
}

// The fault is the file's: reported once as such, its panel disabled (or
// hidden), nothing sent, and the link left open.
void TestSettingOps::definitionFaultDisablesItsPanel()
{
    QFETCH(RigOp, refused);
    QFETCH(int, entry);
    QFETCH(int, element);
    QFETCH(float, number);
    QFETCH(PanelId, panel);
    QFETCH(QString, message);

    OpsRig rig;
    rig.link->state.station_version = "4103.prm";
    rig.records[ParamEntry(entry)].element[std::size_t(element)] = number;
    QVERIFY(refused(rig));
    QCOMPARE(rig.log.texts(), QStringList{message});
    QVERIFY(!rig.panels.enabled.value(panel, true) || !rig.panels.visible.value(panel, true));
    QVERIFY(rig.line->sentBytes().isEmpty());
    QVERIFY(rig.comm->portOpen());
    QCOMPARE(rig.comm->settings(), QStringLiteral("2400,N,8,1"));
}

void TestSettingOps::reportWordBits_data()
{
    QTest::addColumn<int>("word");
    QTest::addColumn<bool>("maxMin");
    QTest::addColumn<bool>("formFeed");
    QTest::addColumn<int>("sent");
    QTest::newRow("6, max on, ff off keeps bit 2") << 6 << true << false << 5;
    QTest::newRow("0, both on") << 0 << true << true << 3;
    QTest::newRow("3, both off") << 3 << false << false << 0;
    QTest::newRow("high bits carried") << 0xF1 << false << true << 0xF2;
}

void TestSettingOps::reportWordBits()
{
    QFETCH(int, word);
    QFETCH(bool, maxMin);
    QFETCH(bool, formFeed);
    QFETCH(int, sent);
    OpsRig rig;
    rig.setRaw("report MIN/MAX", word);
    QCOMPARE(rig.ops->read_report_extras(), AccessResult::Done);
    QCOMPARE(rig.panels.isChecked(CheckBox::MaxMinReport), bool(word & 1));
    QCOMPARE(rig.panels.isChecked(CheckBox::FormFeed), bool(word & 2));
    rig.panels.setChecked(CheckBox::MaxMinReport, maxMin);
    rig.panels.setChecked(CheckBox::FormFeed, formFeed);
    QCOMPARE(rig.ops->write_report_extras(), AccessResult::Done);
    QCOMPARE(rig.raw("report MIN/MAX"), sent);
    QCOMPARE(rig.ops->report_word, float(sent));
}

void TestSettingOps::displayWordBits_data()
{
    QTest::addColumn<PanelId>("panel");
    QTest::addColumn<int>("word");
    QTest::addColumn<int>("box");    // the check box ticked, -1: none
    QTest::addColumn<int>("option"); // the option selected, -1: none
    QTest::addColumn<int>("sent");
    const int none = -1;
    QTest::newRow("wind 0x30, average only") << PanelId::OtherWind << 0x30 << int(CheckBox::Instantaneous) << none << 0xA0;
    QTest::newRow("wind 0x60, knots only") << PanelId::OtherWind << 0x60 << int(CheckBox::Knots) << none << 0x70;
    QTest::newRow("wind 0x90, none") << PanelId::OtherWind << 0x90 << none << none << 0x00;
    QTest::newRow("time 0x50 to 12 hour") << PanelId::TimeFormat << 0x50 << none << 0 << 0x70;
    QTest::newRow("time 0xF0 to 24 hour") << PanelId::TimeFormat << 0xF0 << none << 1 << 0xD0;
    QTest::newRow("aux 0x30 hide") << PanelId::AuxDisplay << 0x30 << none << 1 << 0x70;
    QTest::newRow("aux 0xFF show") << PanelId::AuxDisplay << 0xFF << none << 0 << 0xBF;
    QTest::newRow("bit 15 carried") << PanelId::AuxDisplay << 0x8000 << none << 1 << 0x8040;
}

void TestSettingOps::displayWordBits()
{
    QFETCH(PanelId, panel);
    QFETCH(int, word);
    QFETCH(int, box);
    QFETCH(int, option);
    QFETCH(int, sent);
    using S = SettingOps;
    const QMap<PanelId, std::pair<Operation, Operation>> readWrite{
        {PanelId::OtherWind, {&S::read_wind_options, &S::write_wind_options}},
        {PanelId::TimeFormat, {&S::read_time_format, &S::write_time_format}},
        {PanelId::AuxDisplay, {&S::read_aux_display, &S::write_aux_display}},
    };
    OpsRig rig;
    rig.setRaw("Wsp units", word);
    // Each panel's write starts from the word its own tab read.
    QCOMPARE(readWrite[panel].first(*rig.ops), AccessResult::Done);
    QCOMPARE(int(std::uint16_t(rig.ops->display_word)), word);
    rig.panels.checked.clear();
    if (box >= 0)
        rig.panels.setChecked(CheckBox(box), true);
    if (option >= 0)
        rig.panels.select(panel, option);
    QCOMPARE(readWrite[panel].second(*rig.ops), AccessResult::Done);
    QCOMPARE(rig.raw("Wsp units"), sent);
}

void TestSettingOps::optionReadsAgainstStation_data()
{
    QTest::addColumn<Operation>("op");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<int>("raw");
    QTest::addColumn<PanelId>("panel");
    QTest::addColumn<int>("selected");
    using S = SettingOps;
    const auto row = [](const char *name, Operation op, const char *entry, int raw, PanelId panel, int selected) {
        QTest::newRow(name) << op << QString::fromLatin1(entry) << raw << panel << selected;
    };
    row("report flag 5", &S::read_report_flag, "report flags", 5, PanelId::ReportFlags, 5);
    row("report flag 0", &S::read_report_flag, "report flags", 0, PanelId::ReportFlags, 0);
    row("units 0 English", &S::read_units, "Scale: 0=FPS 1=CGS", 0, PanelId::Units, 0);
    row("units 1 Metric", &S::read_units, "Scale: 0=FPS 1=CGS", 1, PanelId::Units, 1);
    row("units 2 neither", &S::read_units, "Scale: 0=FPS 1=CGS", 2, PanelId::Units, -1);
    row("12 hour", &S::read_time_format, "Wsp units", 0x20, PanelId::TimeFormat, 0);
    row("24 hour", &S::read_time_format, "Wsp units", 0x50, PanelId::TimeFormat, 1);
    row("aux hidden", &S::read_aux_display, "Wsp units", 0x40, PanelId::AuxDisplay, 1);
    row("aux shown", &S::read_aux_display, "Wsp units", 0xB0, PanelId::AuxDisplay, 0);
}

void TestSettingOps::optionReadsAgainstStation()
{
    QFETCH(Operation, op);
    QFETCH(QString, entry);
    QFETCH(int, raw);
    QFETCH(PanelId, panel);
    QFETCH(int, selected);
    OpsRig rig;
    rig.setRaw(entry.toLatin1().constData(), raw);
    QCOMPARE(op(*rig.ops), AccessResult::Done);
    QCOMPARE(rig.panels.selected.value(panel, -1), selected);
    if (selected < 0) {
        // Nobody chose English or Metric: "Make Change" leaves the station's value alone.
        const qsizetype sent = rig.line->sentBytes().size();
        QCOMPARE(rig.ops->write_units(), AccessResult::NotChosen);
        QCOMPARE(rig.line->sentBytes().size(), sent);
        QCOMPARE(rig.raw(entry.toLatin1().constData()), raw);
    }
}

void TestSettingOps::reportFlagOutOfRangeKeepsOptions()
{
    OpsRig rig;
    rig.setRaw("report flags", 9);
    rig.panels.select(PanelId::ReportFlags, 2);
    rig.panels.visible[PanelId::ReportFlags] = false;
    QCOMPARE(rig.ops->read_report_flag(), AccessResult::Done);
    QCOMPARE(rig.panels.visible.value(PanelId::ReportFlags), true);
    QCOMPARE(rig.panels.selected.value(PanelId::ReportFlags), 2);

    rig.records[ParamEntry::ReportFlags] = ParamRecord{};
    QCOMPARE(rig.ops->read_report_flag(), AccessResult::Absent);
    QCOMPARE(rig.panels.visible.value(PanelId::ReportFlags), false);
}

void TestSettingOps::baudText_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("text");
    QTest::newRow("0") << 0 << "38400";
    QTest::newRow("1") << 1 << "19200";
    QTest::newRow("4") << 4 << "2400";
    QTest::newRow("7") << 7 << "300";
    QTest::newRow("8") << 8 << "";
    QTest::newRow("65535") << 65535 << "";
}

void TestSettingOps::baudText()
{
    QFETCH(int, index);
    QFETCH(QString, text);
    QCOMPARE(SettingOps::baudTextForIndex(index), text);
}

void TestSettingOps::stationYear_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("year");
    QTest::newRow("99") << 99 << 1999;
    QTest::newRow("0") << 0 << 2000;
    QTest::newRow("100") << 100 << 2000;
    QTest::newRow("49") << 49 << 2049;
    QTest::newRow("50") << 50 << 1950;
    QTest::newRow("26") << 26 << 2026;
}

void TestSettingOps::stationYear()
{
    QFETCH(int, value);
    QFETCH(int, year);
    QCOMPARE(StationClockOps::stationYear(value), year);
}

void TestSettingOps::dayBeyondMonthCarries()
{
    QCOMPARE(StationClockOps::stationDateTime(2026, 2, 31, 10, 5, 7),
             QDateTime(QDate(2026, 3, 3), QTime(10, 5, 7)));
    QCOMPARE(StationClockOps::stationDateTime(2024, 2, 31, 0, 0, 0), QDateTime(QDate(2024, 3, 2), QTime(0, 0)));
    QCOMPARE(StationClockOps::twoDigitYear(2000), 0);
    QCOMPARE(StationClockOps::twoDigitYear(2100), 0);
    QCOMPARE(StationClockOps::twoDigitYear(2026), 26);
}

void TestSettingOps::clockReadShowsStationTime()
{
    OpsRig rig;
    QCOMPARE(rig.clock->read_station_clock(), ClockResult::Done);
    // Six reads, years first; the station's clock ran on during them.
    QCOMPARE(readAddresses(*rig.line), (QList<int>{5, 4, 3, 2, 1, 0}));
    QVERIFY(qAbs(rig.clock->station_time.secsTo(stationStart)) <= 5);
    QCOMPARE(rig.panels.caption(PanelId::StationTime), QStringLiteral("Saturday, March 14, 2026 10:00"));
}

void TestSettingOps::outOfRangeRestartsFromYear_data()
{
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("bad");
    QTest::newRow("year 101") << 5 << 101;
    QTest::newRow("month 0") << 4 << 0;
    QTest::newRow("month 13") << 4 << 13;
    QTest::newRow("day 0") << 3 << 0;
    QTest::newRow("day 32") << 3 << 32;
    QTest::newRow("hour 24") << 2 << 24;
    QTest::newRow("minute 60") << 1 << 60;
    QTest::newRow("second 60") << 0 << 60;
}

void TestSettingOps::outOfRangeRestartsFromYear()
{
    QFETCH(int, address);
    QFETCH(int, bad);
    QMap<int, QList<int>> values{{5, {26}}, {4, {3}}, {3, {14}}, {2, {9}}, {1, {30}}, {0, {15}}};
    values[address] = {bad, values[address].first()};
    ScriptedPeer peer(clockReplies(values));
    OpsRig rig(stationStart, &peer);
    QCOMPARE(rig.clock->read_station_clock(), ClockResult::Done);
    QCOMPARE(rig.clock->lastRestarts(), 1);
    QCOMPARE(rig.clock->station_time, QDateTime(QDate(2026, 3, 14), QTime(9, 30, 15)));
    // The second pass starts again from the year.
    const QList<int> reads = readAddresses(*rig.line);
    QCOMPARE(reads.count(5), 2);
    QCOMPARE(reads.mid(reads.size() - 6), (QList<int>{5, 4, 3, 2, 1, 0}));
    QVERIFY(rig.log.messages.isEmpty());
}

void TestSettingOps::endlessBadClockGivesUp()
{
    ScriptedPeer peer(clockReplies({{5, {26}}, {4, {13}}}));
    OpsRig rig(stationStart, &peer);
    QCOMPARE(rig.clock->read_station_clock(), ClockResult::GaveUp);
    QCOMPARE(readAddresses(*rig.line).count(5), StationClockOps::maxRestarts + 1);
    QCOMPARE(rig.log.messages.size(), 1);
    QVERIFY(rig.log.messages.first().text.contains(QStringLiteral("11 times")));
    // Not a link failure: the link stays up and nothing claims a time was read.
    QVERIFY(rig.comm->portOpen());
    QVERIFY(!rig.panels.captions.contains({PanelId::StationTime, PanelLabel::Current}));
}

void TestSettingOps::stationFromComputerTakesEachFieldAtItsWrite_data()
{
    QTest::addColumn<QDateTime>("computer");
    QTest::addColumn<int>("year");
    QTest::newRow("2026") << QDateTime(QDate(2026, 12, 31), QTime(23, 59, 30)) << 26;
    QTest::newRow("2000 writes 0") << QDateTime(QDate(2000, 6, 1), QTime(8, 0, 0)) << 0;
    QTest::newRow("2100 writes 0") << QDateTime(QDate(2100, 6, 1), QTime(8, 0, 0)) << 0;
}

void TestSettingOps::stationFromComputerTakesEachFieldAtItsWrite()
{
    QFETCH(QDateTime, computer);
    QFETCH(int, year);
    OpsRig rig(computer);
    QCOMPARE(rig.clock->setStationFromComputer(), ClockResult::Done);
    const QList<SentFrame> writes = writesIn(sentFrames(*rig.line));
    QCOMPARE(writes.size(), 6);
    QCOMPARE(writes[0].address, 5);
    QCOMPARE(writes[0].value, year);
    // Each write waits for its echo, so the later fields come from a later clock.
    const QList<int> addresses{5, 4, 3, 2, 1, 0};
    for (int i = 1; i < 6; ++i) {
        const QDateTime at = QDateTime::fromMSecsSinceEpoch(writes[i].atMs);
        const int expected = i == 1 ? at.date().month() : i == 2 ? at.date().day() : i == 3 ? at.time().hour()
                             : i == 4                           ? at.time().minute()
                                                                : at.time().second();
        QCOMPARE(writes[i].address, addresses[i]);
        QCOMPARE(writes[i].value, expected);
    }
    QVERIFY(writes[5].atMs - writes[0].atMs >= 5 * 15000);
    // The read back shows the station's new clock.
    QCOMPARE(readAddresses(*rig.line, writes[5].atMs), (QList<int>{5, 4, 3, 2, 1, 0}));
}

void TestSettingOps::computerFromStation()
{
    OpsRig rig(QDateTime(QDate(2030, 1, 1), QTime(0, 0)));
    RecordingClock computer;
    QCOMPARE(rig.clock->setComputerFromStation(computer), ClockResult::Done);
    QCOMPARE(computer.sets.size(), 1);
    QCOMPARE(computer.sets.first(), rig.clock->station_time);
    QCOMPARE(computer.sets.first().date(), QDate(2026, 3, 14));
    QVERIFY(writesIn(sentFrames(*rig.line)).isEmpty());
}

void TestSettingOps::refusedComputerClockIsReported()
{
    OpsRig rig;
    RecordingClock computer;
    computer.refuse = true;
    QCOMPARE(rig.clock->setComputerFromStation(computer), ClockResult::NotSet);
    QCOMPARE(rig.log.messages.size(), 1);
    QVERIFY(rig.log.messages.first().text.contains(QStringLiteral("Operation not permitted")));
    QVERIFY(rig.comm->portOpen());
}

void TestSettingOps::baudChangeMovesBothSides()
{
    OpsRig rig;
    QTemporaryDir dir;
    SettingsFile file;
    ComSettings settings;
    QVERIFY(file.load(dir.path(), settings));
    QCOMPARE(change_station_baud(*rig.link, rig.records, settings, &file, rig.panels, 19200), BaudChange::Changed);

    const QList<SentFrame> writes = writesIn(sentFrames(*rig.line));
    QCOMPARE(writes.size(), 1);
    QCOMPARE(writes.first().address, 6);
    QCOMPARE(writes.first().value, 1);
    QCOMPARE(settings.baud_rate[0], 19200.0f);
    QCOMPARE(rig.panels.caption(PanelId::BaudRate), QStringLiteral("19200"));
    QCOMPARE(rig.comm->settings(), QStringLiteral("19200,N,8,1"));
    QCOMPARE(rig.line->lineSettings().baud, 19200);
    QCOMPARE(rig.model.ownRate(), 19200);
    QFile saved(file.path());
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(ComSettings::fromBytes(saved.readAll()).baud_rate[0], 19200.0f);
    // The link goes on at the new rate.
    const qint64 before = rig.pump.msSinceEpoch();
    QCOMPARE(rig.ops->read_baud(), AccessResult::Done);
    QCOMPARE(rig.panels.caption(PanelId::BaudRate), QStringLiteral("19200"));
    QVERIFY(rig.pump.msSinceEpoch() - before < 1000);
    QVERIFY(rig.log.messages.isEmpty());
}

void TestSettingOps::baudChangeWithoutRateSendsNothing()
{
    OpsRig rig;
    ComSettings settings = ComSettings::defaults();
    const float before = settings.baud_rate[0];
    QCOMPARE(change_station_baud(*rig.link, rig.records, settings, nullptr, rig.panels, 0), BaudChange::NothingSent);
    QVERIFY(rig.line->sentBytes().isEmpty());
    QCOMPARE(settings.baud_rate[0], before);
    QCOMPARE(rig.line->openCount(), 1);
}

void TestSettingOps::baudChangeOverModemDisconnects()
{
    OpsRig rig;
    ComSettings settings = ComSettings::defaults();
    settings.modem_flag[0] = 255;
    QCOMPARE(change_station_baud(*rig.link, rig.records, settings, nullptr, rig.panels, 9600),
             BaudChange::Disconnected);
    QCOMPARE(rig.log.messages.size(), 1);
    QCOMPARE(rig.log.messages.first().title, QStringLiteral("Nimbraview"));
    QCOMPARE(rig.log.messages.first().text,
             QStringLiteral("Weather Station and Nimbraview Baud Rates have been Changed! You will now be "
                            "disconnected from the Weather Station"));
    QCOMPARE(settings.baud_rate[0], 9600.0f);
    QVERIFY(!rig.comm->portOpen());
}

void TestSettingOps::timeServiceIsAwaitedThroughThePump_data()
{
    QTest::addColumn<QByteArray>("script"); // empty: no such program
    QTest::addColumn<int>("finishMs");
    QTest::addColumn<bool>("set");
    QTest::addColumn<QString>("error");
    QTest::newRow("grants after 0.4 s") << QByteArray("sleep 0.4") << 5000 << true << QString();
    QTest::newRow("refuses") << QByteArray("echo 'Access denied' >&2; exit 1") << 5000 << false
                             << "fake-timedatectl: Access denied.";
    QTest::newRow("never answers") << QByteArray("sleep 5") << 300 << false << "fake-timedatectl did not answer.";
    QTest::newRow("cannot be run") << QByteArray() << 5000 << false << "fake-timedatectl could not be run.";
}

void TestSettingOps::timeServiceIsAwaitedThroughThePump()
{
    QFETCH(QByteArray, script);
    QFETCH(int, finishMs);
    QFETCH(bool, set);
    QFETCH(QString, error);
    QTemporaryDir dir;
    const QString program = dir.filePath(QStringLiteral("fake-timedatectl"));
    if (!script.isEmpty()) {
        QFile file(program);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\n" + script + "\n");
        file.close();
        QVERIFY(file.setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    }
    QtPump pump;
    // Never the real clock: this process may well have the right to set it.
    PosixSystemClock clock(pump, {program, 3000, finishMs, false});
    int ticks = 0;
    QTimer live;
    connect(&live, &QTimer::timeout, [&ticks] { ++ticks; });
    live.start(20);
    QElapsedTimer elapsed;
    elapsed.start();
    QString reason;

    QCOMPARE(clock.setLocalDateTime(QDateTime(QDate(2026, 3, 14), QTime(10, 0)), &reason), set);
    QCOMPARE(reason, error);
    QVERIFY2(elapsed.elapsed() < finishMs + 1500, qPrintable(QString::number(elapsed.elapsed())));
    // A wait of 0.3 s or more kept events running all along.
    if (elapsed.elapsed() >= 300)
        QVERIFY2(ticks >= 5, qPrintable(QString::number(ticks)));
}

QTEST_GUILESS_MAIN(TestSettingOps)
#include "tst_setting_ops.moc"
