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

} // namespace

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

    void baudChangeMovesBothSides();
    void baudChangeWithoutRateSendsNothing();
    void baudChangeOverModemDisconnects();
};

void TestSettingOps::sliderReadFillsPanel_data()
{
    QTest::addColumn<QString>("op");
    QTest::addColumn<int>("raw");
    QTest::addColumn<QStringList>("curMinMax");
    QTest::addColumn<QList<int>>("slider");
    // temp: scale 1, offset 96; raw limits 0..255.
    QTest::newRow("outside temperature") << "read_out_temp" << 120 << QStringList{"24", "-96", "159"}
                                         << QList<int>{-96, 159, 24};
    QTest::newRow("pressure 00.00") << "read_press" << 2992 << QStringList{"29.92", "20.00", "32.00"}
                                    << QList<int>{2000, 3200, 2992};
    QTest::newRow("humidity factor 1000") << "read_hum_75" << 2512 << QStringList{"2.512", "1", "4"}
                                          << QList<int>{1000, 4000, 2512};
    QTest::newRow("wind offset 000") << "read_wind_offset" << 45 << QStringList{"045", "000", "359"}
                                     << QList<int>{0, 359, 45};
    QTest::newRow("DTR ##0") << "read_dtr_delay" << 5 << QStringList{"5", "0", "255"} << QList<int>{0, 255, 5};
    QTest::newRow("solar as text") << "read_solar" << 150 << QStringList{"1.5", "0", "20"}
                                   << QList<int>{0, 2000, 150};
}

void TestSettingOps::sliderReadFillsPanel()
{
    QFETCH(QString, op);
    QFETCH(int, raw);
    QFETCH(QStringList, curMinMax);
    QFETCH(QList<int>, slider);
    OpsRig rig;
    const SliderSetting &s = *findSliderSetting(op);
    rig.model.setParam(int(rig.records[s.entry].address()), quint16(raw), rig.pump.msSinceEpoch());

    QVERIFY(rig.ops->run(op));
    QCOMPARE(rig.panels.enabled.value(QLatin1String(s.frame)), true);
    QCOMPARE((QStringList{rig.panels.captions.value(QLatin1String(s.currentLabel)),
                          rig.panels.captions.value(QLatin1String(s.minLabel)),
                          rig.panels.captions.value(QLatin1String(s.maxLabel))}),
             curMinMax);
    const FakePanels::Slider got = rig.panels.sliders.value(QLatin1String(s.slider));
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
    QVERIFY(rig.ops->run(u"read_daily_rain"));
    QCOMPARE(rig.panels.sliders.value(QStringLiteral("daily_slide")).value, position);
}

void TestSettingOps::setLabelFormats_data()
{
    QTest::addColumn<QString>("op");
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("text");
    QTest::newRow("pressure 2992") << "read_press" << 2992 << "29.92";
    QTest::newRow("pressure 3005") << "read_press" << 3005 << "30.05";
    QTest::newRow("humidity 512") << "read_hum_75" << 512 << "0.512";
    QTest::newRow("humidity 1000") << "read_hum_0" << 1000 << "1";
    QTest::newRow("offset 5") << "read_wind_offset" << 5 << "005";
    QTest::newRow("lightning 4") << "read_light" << 4 << "004";
    QTest::newRow("outside -3") << "read_out_temp" << -3 << "-3";
    QTest::newRow("rain 450") << "read_daily_rain" << 450 << "04.50";
    QTest::newRow("solar two decimals") << "read_solar" << 150 << "01.50";
    QTest::newRow("DTR integer text") << "read_dtr_delay" << 7 << "7";
    QTest::newRow("log minutes") << "read_log_minutes" << 30 << "30";
}

void TestSettingOps::setLabelFormats()
{
    QFETCH(QString, op);
    QFETCH(int, position);
    QFETCH(QString, text);
    QCOMPARE(setLabelText(*findSliderSetting(op), position), text);
}

void TestSettingOps::absentSettingSendsNothing()
{
    OpsRig rig;
    rig.records[ParamEntry::TempOutside] = ParamRecord{};
    rig.panels.captions[QStringLiteral("cur_out_temp_lbl")] = QStringLiteral("21");
    rig.panels.captions[QStringLiteral("Min_out_temp_lbl")] = QStringLiteral("-96°F");
    QVERIFY(rig.ops->run(u"read_out_temp"));
    QCOMPARE(rig.panels.enabled.value(QStringLiteral("out_temp_frame"), true), false);
    QCOMPARE(rig.panels.captions.value(QStringLiteral("Min_out_temp_lbl")), QString());
    QCOMPARE(rig.panels.captions.value(QStringLiteral("Max_out_temp_lbl")), QString());
    QCOMPARE(rig.panels.captions.value(QStringLiteral("cur_out_temp_lbl")), QStringLiteral("21"));
    QVERIFY(rig.line->sentBytes().isEmpty());
    QVERIFY(rig.log.messages.isEmpty());
}

void TestSettingOps::sliderWriteConvertsBack()
{
    OpsRig rig;
    // 20 °F with scale 1 and offset 96 is raw 116, which reads back as 20.
    QCOMPARE(rig.ops->writeSlider(*findSliderSetting(u"write_out_temp"), 20.0f), AccessResult::Done);
    QCOMPARE(rig.raw("temp: outside"), 116);
    QVERIFY(rig.ops->run(u"read_out_temp"));
    QCOMPARE(rig.panels.captions.value(QStringLiteral("cur_out_temp_lbl")), QStringLiteral("20"));
    // 29.92 with scale 100 is 2992.
    QCOMPARE(rig.ops->writeSlider(*findSliderSetting(u"write_press"), 2992 / 100.0f), AccessResult::Done);
    QCOMPARE(rig.raw("barometric pressure"), 2992);
}

void TestSettingOps::unmovedChangeWritesBackWhatWasRead_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("op");
    const QDir folder(QString::fromLocal8Bit(qgetenv("ORV_PRM_DIR")));
    const QStringList files = folder.entryList({QStringLiteral("*.prm")}, QDir::Files, QDir::Name);
    QVERIFY2(!files.isEmpty(), qPrintable(folder.path()));
    for (const QString &file : files)
        for (const SliderSetting &s : sliderSettings())
            QTest::addRow("%s %s", qPrintable(file), s.writeOp) << folder.filePath(file) << QString::fromLatin1(s.writeOp);
}

// Looking at a setting and pressing "Make Change" must leave the station as it was.
void TestSettingOps::unmovedChangeWritesBackWhatWasRead()
{
    QFETCH(QString, file);
    QFETCH(QString, op);
    QFile prm(file);
    QVERIFY(prm.open(QIODevice::ReadOnly));
    OpsRig rig;
    rig.records.reset();
    applyPrmText(prm.readAll(), rig.records);
    const SliderSetting &s = *findSliderSetting(op);
    const ParamRecord &record = rig.records[s.entry];
    const QString slider = QString::fromLatin1(s.slider);
    if (record.absent()) {
        QVERIFY(rig.ops->readSlider(s));
        QCOMPARE(rig.panels.enabled.value(QString::fromLatin1(s.frame), true), false);
        QVERIFY(rig.line->sentBytes().isEmpty());
        return;
    }

    const station::ParamInfo *info = station::findParam(entryName(s.entry));
    QVERIFY(info);
    const int low = int(record.rawMin());
    const int high = int(record.rawMax());
    for (const int raw : {int(info->defaultRaw), low, high, (low + high) / 2 + 1}) {
        rig.model.setParam(info->address, quint16(raw), rig.pump.msSinceEpoch());
        QVERIFY(rig.ops->readSlider(s));
        const qint64 mark = rig.pump.msSinceEpoch();
        const int position = rig.panels.sliderValue(slider);
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
    QTest::addColumn<QString>("op");
    QTest::addColumn<QString>("message");
    const QString get = QStringLiteral("Com error while getting %1 information");
    const QString set = QStringLiteral("Com error while setting %1 information");
    const QList<std::pair<const char *, const char *>> rows = {
        {"read_out_temp", "outside temperature calibration"},
        {"read_in_temp", "Inside temperature calibration"},
        {"read_aux_temp", "Aux. temperature calibration"},
        {"read_hum_0", "humidity calibration"},
        {"read_hum_75", "humidity calibration"},
        {"read_press", "pressure calibration"},
        {"read_daily_rain", "daily rainfall calibration"},
        {"read_monthly_rain", "monthly rainfall calibration"},
        {"read_term_rain", "term rainfall calibration"},
        {"read_wind_offset", "wind direction offset calibration"},
        {"read_solar", "solar radiation calibration"},
        {"read_light", "lightning calibration"},
        {"read_log_hours", "logging hour"},
        {"read_log_minutes", "logging minute"},
        {"read_report_hours", "report hour"},
        {"read_report_minutes", "reporting minute"},
        {"read_wet_level", "leaf wetness wet level calibration"},
        {"read_dtr_delay", "DTR calibration"},
        {"read_report_flag", "report flag calibration"},
        {"read_report_extras", "report flag calibration"},
        {"read_wind_options", "wind calibration"},
        {"read_units", "units of measure"},
        {"read_time_format", "time format"},
        {"read_aux_display", "aux. display format"},
        {"read_baud", "station baud rate"},
    };
    for (const auto &[op, words] : rows)
        QTest::newRow(op) << QString::fromLatin1(op) << get.arg(QLatin1String(words));
    const QList<std::pair<const char *, const char *>> writes = {
        {"write_out_temp", "outside temperature calibration"},
        {"write_in_temp", "inside temperature calibration"},
        {"write_aux_temp", "Aux. temperature calibration"},
        {"write_hum_0", "outside humidity calibration"},
        {"write_hum_75", "outside humidity calibration"},
        {"write_press", "pressure calibration"},
        {"write_daily_rain", "daily rainfall calibration"},
        {"write_monthly_rain", "monthly rainfall calibration"},
        {"write_term_rain", "term rainfall calibration"},
        {"write_wind_offset", "wind direction offset calibration"},
        {"write_solar", "solar radiation calibration"},
        {"write_light", "lighning calibration"},
        {"write_log_hours", "logging hour"},
        {"write_log_minutes", "logging minute"},
        {"write_report_hours", "report hour"},
        {"write_report_minutes", "report minute"},
        {"write_wet_level", "leaf wetness wet level"},
        {"write_dtr_delay", "DTR calibration"},
        {"write_report_flag", "report flag calibration"},
        {"write_report_extras", "report flag calibration"},
        {"write_wind_options", "wind calibration"},
        {"write_time_format", "time format"},
        {"write_aux_display", "aux.display format"},
    };
    for (const auto &[op, words] : writes)
        QTest::newRow(op) << QString::fromLatin1(op) << set.arg(QLatin1String(words));
    QTest::newRow("write_units") << "write_units" << "Com error while units of measure information";
}

void TestSettingOps::failureMessages()
{
    QFETCH(QString, op);
    QFETCH(QString, message);
    ScriptedPeer silent(ScriptedPeer::silent());
    OpsRig rig(stationStart, &silent);
    rig.link->state.param_value = 1;
    QVERIFY(!rig.ops->run(op));
    QCOMPARE(rig.link->state.com_status, std::uint8_t(255));
    QCOMPARE(rig.log.texts(), QStringList{message});
    QCOMPARE(rig.log.messages.first().title, QStringLiteral("ORV CAL"));
    QCOMPARE(rig.log.messages.first().icon, MessageIcon::Critical);
    QVERIFY(!rig.comm->portOpen());
}

void TestSettingOps::definitionFaultDisablesItsPanel_data()
{
    QTest::addColumn<QString>("op");
    QTest::addColumn<int>("entry");
    QTest::addColumn<int>("element");
    QTest::addColumn<float>("number");
    QTest::addColumn<QString>("frame");
    QTest::addColumn<QString>("message");
    const auto row = [](const char *op, ParamEntry entry, int element, float number, const char *frame,
                        const char *message) {
        QTest::newRow(op) << QString::fromLatin1(op) << int(entry) << element << number << QString::fromLatin1(frame)
                          << QString::fromLatin1(message);
    };
    row("read_dtr_delay", ParamEntry::RxDtrDelay, 2, 65536, "dtr_frame",
        "ORV CAL cannot use the DTR calibration setting of 4103.prm: its raw limit 65536 is outside 0 to 65535.");
    row("read_wind_options", ParamEntry::WspUnits, 0, 256, "other_wind_frame",
        "ORV CAL cannot use the Wsp units setting of 4103.prm: its address 256 is outside 0 to 255.");
    row("read_time_format", ParamEntry::WspUnits, 0, -1, "time_frame",
        "ORV CAL cannot use the Wsp units setting of 4103.prm: its address -1 is outside 0 to 255.");
    row("read_report_flag", ParamEntry::ReportFlags, 0, 1000, "flag_frame",
        "ORV CAL cannot use the report flags setting of 4103.prm: its address 1000 is outside 0 to 255.");
    row("read_units", ParamEntry::ScaleUnits, 0, 256, "unit_frame",
        "ORV CAL cannot use the Scale: 0=FPS 1=CGS setting of 4103.prm: its address 256 is outside 0 to 255.");
    row("read_baud", ParamEntry::BaudRateIndex, 0, 256, "Frame6",
        "ORV CAL cannot use the Baud Rate index setting of 4103.prm: its address 256 is outside 0 to 255.");
    row("change_station_baud", ParamEntry::BaudRateIndex, 0, 256, "Frame6",
        "ORV CAL cannot use the Baud Rate index setting of 4103.prm: its address 256 is outside 0 to 255.");
    row("read_station_clock", ParamEntry::ClockHours, 0, 300, "Frame8",
        "ORV CAL cannot use the clock hours setting of 4103.prm: its address 300 is outside 0 to 255.");
    row("setStationFromComputer", ParamEntry::ClockSeconds, 0, 300, "Frame8",
        "ORV CAL cannot use the clock seconds setting of 4103.prm: its address 300 is outside 0 to 255.");
}

// The fault is the file's: reported once as such, its panel disabled (or
// hidden), nothing sent, and the link left open with its status untouched.
void TestSettingOps::definitionFaultDisablesItsPanel()
{
    QFETCH(QString, op);
    QFETCH(int, entry);
    QFETCH(int, element);
    QFETCH(float, number);
    QFETCH(QString, frame);
    QFETCH(QString, message);

    OpsRig rig;
    rig.link->state.station_version = "4103.prm";
    rig.records[ParamEntry(entry)].element[std::size_t(element)] = number;
    ComSettings settings = ComSettings::defaults();
    if (op == QLatin1String("change_station_baud"))
        QCOMPARE(change_station_baud(*rig.link, rig.records, settings, nullptr, rig.panels, 9600),
                 BaudChange::NothingSent);
    else if (op == QLatin1String("read_station_clock"))
        QCOMPARE(rig.clock->read_station_clock(), ClockResult::DataFault);
    else if (op == QLatin1String("setStationFromComputer"))
        QCOMPARE(rig.clock->setStationFromComputer(), ClockResult::DataFault);
    else
        QVERIFY(rig.ops->run(op));
    QCOMPARE(rig.log.texts(), QStringList{message});
    QVERIFY(!rig.panels.enabled.value(frame, true) || !rig.panels.visible.value(frame, true));
    QVERIFY(rig.line->sentBytes().isEmpty());
    QCOMPARE(rig.link->state.com_status, std::uint8_t(0));
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
    QVERIFY(rig.ops->read_report_extras());
    QCOMPARE(rig.panels.isChecked(QStringLiteral("max_flag_chk")), bool(word & 1));
    QCOMPARE(rig.panels.isChecked(QStringLiteral("ff_flag_chk")), bool(word & 2));
    rig.panels.setChecked(QStringLiteral("max_flag_chk"), maxMin);
    rig.panels.setChecked(QStringLiteral("ff_flag_chk"), formFeed);
    QVERIFY(rig.ops->write_report_extras());
    QCOMPARE(rig.raw("report MIN/MAX"), sent);
    QCOMPARE(rig.ops->report_word, float(sent));
}

void TestSettingOps::displayWordBits_data()
{
    QTest::addColumn<QString>("write");
    QTest::addColumn<int>("word");
    QTest::addColumn<QString>("control");
    QTest::addColumn<int>("sent");
    // Controls: "knot_chk"/"average_chk" checked as listed, or an option index.
    QTest::newRow("wind 0x30, average only") << "write_wind_options" << 0x30 << "average_chk" << 0xA0;
    QTest::newRow("wind 0x60, knots only") << "write_wind_options" << 0x60 << "knot_chk" << 0x70;
    QTest::newRow("wind 0x90, none") << "write_wind_options" << 0x90 << "" << 0x00;
    QTest::newRow("time 0x50 to 12 hour") << "write_time_format" << 0x50 << "timef_opt:0" << 0x70;
    QTest::newRow("time 0xF0 to 24 hour") << "write_time_format" << 0xF0 << "timef_opt:1" << 0xD0;
    QTest::newRow("aux 0x30 hide") << "write_aux_display" << 0x30 << "aux_opt:1" << 0x70;
    QTest::newRow("aux 0xFF show") << "write_aux_display" << 0xFF << "aux_opt:0" << 0xBF;
    QTest::newRow("bit 15 carried") << "write_aux_display" << 0x8000 << "aux_opt:1" << 0x8040;
}

void TestSettingOps::displayWordBits()
{
    QFETCH(QString, write);
    QFETCH(int, word);
    QFETCH(QString, control);
    QFETCH(int, sent);
    OpsRig rig;
    rig.setRaw("Wsp units", word);
    // Each panel's write starts from the word its own tab read.
    const QString read = write == QLatin1String("write_wind_options") ? QStringLiteral("read_wind_options")
                         : write == QLatin1String("write_time_format") ? QStringLiteral("read_time_format")
                                                                       : QStringLiteral("read_aux_display");
    QVERIFY(rig.ops->run(read));
    QCOMPARE(int(std::uint16_t(rig.ops->display_word)), word);
    rig.panels.checked.clear();
    if (control.contains(QLatin1Char(':')))
        rig.panels.select(control.section(QLatin1Char(':'), 0, 0), control.section(QLatin1Char(':'), 1).toInt());
    else if (!control.isEmpty())
        rig.panels.setChecked(control, true);
    QVERIFY(rig.ops->run(write));
    QCOMPARE(rig.raw("Wsp units"), sent);
}

void TestSettingOps::optionReadsAgainstStation_data()
{
    QTest::addColumn<QString>("op");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<int>("raw");
    QTest::addColumn<QString>("group");
    QTest::addColumn<int>("selected");
    QTest::newRow("report flag 5") << "read_report_flag" << "report flags" << 5 << "flag_opt" << 5;
    QTest::newRow("report flag 0") << "read_report_flag" << "report flags" << 0 << "flag_opt" << 0;
    QTest::newRow("units 0 English") << "read_units" << "Scale: 0=FPS 1=CGS" << 0 << "units_opt" << 0;
    QTest::newRow("units 1 Metric") << "read_units" << "Scale: 0=FPS 1=CGS" << 1 << "units_opt" << 1;
    QTest::newRow("12 hour") << "read_time_format" << "Wsp units" << 0x20 << "timef_opt" << 0;
    QTest::newRow("24 hour") << "read_time_format" << "Wsp units" << 0x50 << "timef_opt" << 1;
    QTest::newRow("aux hidden") << "read_aux_display" << "Wsp units" << 0x40 << "aux_opt" << 1;
    QTest::newRow("aux shown") << "read_aux_display" << "Wsp units" << 0xB0 << "aux_opt" << 0;
}

void TestSettingOps::optionReadsAgainstStation()
{
    QFETCH(QString, op);
    QFETCH(QString, entry);
    QFETCH(int, raw);
    QFETCH(QString, group);
    QFETCH(int, selected);
    OpsRig rig;
    rig.setRaw(entry.toLatin1().constData(), raw);
    QVERIFY(rig.ops->run(op));
    QCOMPARE(rig.panels.selected.value(group, -1), selected);
}

void TestSettingOps::reportFlagOutOfRangeKeepsOptions()
{
    OpsRig rig;
    rig.setRaw("report flags", 9);
    rig.panels.select(QStringLiteral("flag_opt"), 2);
    rig.panels.visible[QStringLiteral("flag_frame")] = false;
    QVERIFY(rig.ops->read_report_flag());
    QCOMPARE(rig.panels.visible.value(QStringLiteral("flag_frame")), true);
    QCOMPARE(rig.panels.selected.value(QStringLiteral("flag_opt")), 2);

    rig.records[ParamEntry::ReportFlags] = ParamRecord{};
    QVERIFY(rig.ops->read_report_flag());
    QCOMPARE(rig.panels.visible.value(QStringLiteral("flag_frame")), false);
}

void TestSettingOps::baudText_data()
{
    QTest::addColumn<float>("index");
    QTest::addColumn<QString>("text");
    QTest::newRow("0") << 0.0f << "38400";
    QTest::newRow("1") << 1.0f << "19200";
    QTest::newRow("4") << 4.0f << "2400";
    QTest::newRow("7") << 7.0f << "300";
    QTest::newRow("8") << 8.0f << "";
    QTest::newRow("65535") << 65535.0f << "";
}

void TestSettingOps::baudText()
{
    QFETCH(float, index);
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
    QCOMPARE(rig.panels.captions.value(QStringLiteral("station_time_lbl")),
             QStringLiteral("Saturday, March 14, 2026 10:00"));
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
    QCOMPARE(rig.link->state.com_status, std::uint8_t(0));
    QVERIFY(rig.comm->portOpen());
    QVERIFY(!rig.panels.captions.contains(QStringLiteral("station_time_lbl")));
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
    QCOMPARE(rig.panels.captions.value(QStringLiteral("cur_baud_lbl")), QStringLiteral("19200"));
    QCOMPARE(rig.comm->settings(), QStringLiteral("19200,N,8,1"));
    QCOMPARE(rig.line->lineSettings().baud, 19200);
    QCOMPARE(rig.model.ownRate(), 19200);
    QFile saved(file.path());
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(ComSettings::fromBytes(saved.readAll()).baud_rate[0], 19200.0f);
    // The link goes on at the new rate.
    const qint64 before = rig.pump.msSinceEpoch();
    QVERIFY(rig.ops->run(u"read_baud"));
    QCOMPARE(rig.panels.captions.value(QStringLiteral("cur_baud_lbl")), QStringLiteral("19200"));
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

QTEST_GUILESS_MAIN(TestSettingOps)
#include "tst_setting_ops.moc"
