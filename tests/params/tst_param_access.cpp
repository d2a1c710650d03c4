#include "params_fixture.h"

#include "params/param_access.h"

#include "link/packet.h"

#include <QtTest>

using namespace orv;
using namespace orv::test;

namespace {

using Elements = std::array<float, 5>;

ParamRecord record(const Elements &e)
{
    ParamRecord r;
    r.element = e;
    return r;
}

const QString outsideWords = QStringLiteral("outside temperature calibration");

} // namespace

class TestParamAccess : public QObject
{
    Q_OBJECT

private slots:
    void getConvertsValueAndLimits_data();
    void getConvertsValueAndLimits();
    void setSendsConvertedRawValue_data();
    void setSendsConvertedRawValue();
    void absentRecordSendsNothing();
    void zeroScaleIsRefusedBeforeTheLine();
    void dataFaultIsRefusedBeforeTheLine_data();
    void dataFaultIsRefusedBeforeTheLine();
    void failedExchangeShowsMessageAndClosesLink_data();
    void failedExchangeShowsMessageAndClosesLink();
    void rawAccessSkipsConversion();
    void messageTexts();
};

void TestParamAccess::getConvertsValueAndLimits_data()
{
    QTest::addColumn<Elements>("elements");
    QTest::addColumn<int>("stationValue");
    QTest::addColumn<int>("address");
    QTest::addColumn<float>("current");
    QTest::addColumn<float>("minimum");
    QTest::addColumn<float>("maximum");

    QTest::newRow("outside temperature") << Elements{12, 0, 255, 1, 96} << 116 << 12 << 20.0f << -96.0f << 159.0f;
    QTest::newRow("pressure") << Elements{30, 2000, 3200, 100, 0} << 2992 << 30 << 29.92f << 20.0f << 32.0f;
    QTest::newRow("scale 10 offset 5") << Elements{5, 0, 1000, 10, 5} << 100 << 5 << 5.0f << -5.0f << 95.0f;
    QTest::newRow("address half to even down") << Elements{12.5f, 0, 255, 1, 0} << 7 << 12 << 7.0f << 0.0f << 255.0f;
    QTest::newRow("address half to even up") << Elements{13.5f, 0, 255, 1, 0} << 7 << 14 << 7.0f << 0.0f << 255.0f;
    QTest::newRow("negative wind scale") << Elements{40, 0, 359, -1, 0} << 90 << 40 << -90.0f << 0.0f << -359.0f;
}

void TestParamAccess::getConvertsValueAndLimits()
{
    QFETCH(Elements, elements);
    QFETCH(int, stationValue);
    QFETCH(int, address);
    QFETCH(float, current);
    QFETCH(float, minimum);
    QFETCH(float, maximum);

    ParamsFixture f;
    f.registers[address] = stationValue;
    EngReading reading;
    QCOMPARE(get_eng_setting(*f.link, record(elements), outsideWords, &reading), AccessResult::Done);
    QCOMPARE(reading.current, current);
    QCOMPARE(reading.minimum, minimum);
    QCOMPARE(reading.maximum, maximum);
    QCOMPARE(f.link->state.param_value, maximum);
    QCOMPARE(f.link->state.com_status, std::uint8_t(0));
    QVERIFY(!f.requests().isEmpty());
    for (const QByteArray &r : f.requests())
        QCOMPARE(r, readPacket(std::uint8_t(address)));
    QVERIFY(f.log.isEmpty());
}

void TestParamAccess::setSendsConvertedRawValue_data()
{
    QTest::addColumn<Elements>("elements");
    QTest::addColumn<float>("eng");
    QTest::addColumn<int>("raw");

    QTest::newRow("outside temperature 20") << Elements{12, 0, 255, 1, 96} << 20.0f << 116;
    QTest::newRow("pressure 29.92") << Elements{30, 2000, 3200, 100, 0} << 29.92f << 2992;
    QTest::newRow("0.125 written as 13") << Elements{31, 0, 9999, 100, 0} << 0.125f << 13;
    QTest::newRow("scale 10 offset 5") << Elements{5, 0, 1000, 10, 5} << 5.0f << 100;
    QTest::newRow("-0.4 written as 0") << Elements{6, 0, 100, 1, 0} << -0.4f << 0;
}

void TestParamAccess::setSendsConvertedRawValue()
{
    QFETCH(Elements, elements);
    QFETCH(float, eng);
    QFETCH(int, raw);

    ParamsFixture f;
    const ParamRecord r = record(elements);
    QCOMPARE(set_eng_setting(*f.link, r, eng, outsideWords), AccessResult::Done);
    const auto address = std::uint8_t(elements[0]);
    QCOMPARE(f.requests().value(0), writePacket(address, raw));
    QCOMPARE(f.registers.value(address), raw);
    QVERIFY(f.log.isEmpty());

    // Reading back shows what the station now holds.
    EngReading reading;
    QCOMPARE(get_eng_setting(*f.link, r, outsideWords, &reading), AccessResult::Done);
    float expected = float(raw);
    expected = expected / elements[3] - elements[4];
    QCOMPARE(reading.current, expected);
}

void TestParamAccess::absentRecordSendsNothing()
{
    ParamsFixture f;
    const ParamRecord absent;
    f.link->state.com_status = 255;
    EngReading reading{1, 2, 3};
    QCOMPARE(get_eng_setting(*f.link, absent, outsideWords, &reading), AccessResult::Absent);
    QCOMPARE(set_eng_setting(*f.link, absent, 20, outsideWords), AccessResult::Absent);
    QCOMPARE(read_raw_setting(*f.link, absent, "x"), AccessResult::Absent);
    QCOMPARE(write_raw_setting(*f.link, absent, 1, "x"), AccessResult::Absent);
    QVERIFY(f.requests().isEmpty());
    QVERIFY(f.log.isEmpty());
    QCOMPARE(reading.current, 1.0f);
    // The read of an absent setting leaves the status as it found it.
    QCOMPARE(f.link->state.com_status, std::uint8_t(255));
    QVERIFY(f.comm->portOpen());
}

void TestParamAccess::zeroScaleIsRefusedBeforeTheLine()
{
    ParamsFixture f;
    const ParamRecord wind = record({40, 0, 359, 0, 0});
    const QString words = QStringLiteral("wind direction offset calibration");
    QCOMPARE(get_eng_setting(*f.link, wind, words, nullptr), AccessResult::DataFault);
    QCOMPARE(set_eng_setting(*f.link, wind, 90, words), AccessResult::DataFault);
    QVERIFY(f.requests().isEmpty());
    QCOMPARE(f.log.messages.size(), 2);
    QVERIFY(f.log.texts()[0].contains(words));
    QVERIFY(f.log.texts()[0].contains("scale of 0"));
    QVERIFY(f.comm->portOpen());
}

void TestParamAccess::dataFaultIsRefusedBeforeTheLine_data()
{
    QTest::addColumn<QString>("access");
    QTest::addColumn<Elements>("elements");
    QTest::addColumn<float>("value");
    QTest::addColumn<QString>("fault");
    QTest::newRow("get, address 256") << "get" << Elements{256, 0, 255, 1, 0} << 0.0f
                                      << "its address 256 is outside 0 to 255";
    QTest::newRow("set, address -1") << "set" << Elements{-1, 0, 255, 1, 0} << 20.0f
                                     << "its address -1 is outside 0 to 255";
    QTest::newRow("raw read, address 300") << "raw read" << Elements{300, 0, 255, 1, 0} << 0.0f
                                           << "its address 300 is outside 0 to 255";
    QTest::newRow("raw write, address 255.5 rounds to 256") << "raw write" << Elements{255.5f, 0, 255, 1, 0} << 1.0f
                                                            << "its address 255.5 is outside 0 to 255";
    QTest::newRow("get, raw maximum 70000") << "get" << Elements{12, 0, 70000, 1, 0} << 0.0f
                                            << "its raw limit 70000 is outside 0 to 65535";
    QTest::newRow("get, raw minimum -5") << "get" << Elements{12, -5, 255, 1, 0} << 0.0f
                                         << "its raw limit -5 is outside 0 to 65535";
    QTest::newRow("set, value converting to 70000") << "set" << Elements{12, 0, 255, 10, 0} << 7000.0f
                                                    << "7000 converts to the raw value 70000, outside 0 to 65535; "
                                                       "nothing was sent";
    QTest::newRow("set, value converting below 0") << "set" << Elements{12, 0, 255, 1, 96} << -97.0f
                                                   << "-97 converts to the raw value -1, outside 0 to 65535; "
                                                      "nothing was sent";
    QTest::newRow("raw write, 65536") << "raw write" << Elements{12, 0, 255, 1, 0} << 65536.0f
                                      << "the raw value 65536 is outside 0 to 65535; nothing was sent";
}

// A fault in the definition file is no fault of the line: it is named as
// such, nothing is sent, and the link and its status stay as they were.
void TestParamAccess::dataFaultIsRefusedBeforeTheLine()
{
    QFETCH(QString, access);
    QFETCH(Elements, elements);
    QFETCH(float, value);
    QFETCH(QString, fault);

    ParamsFixture f;
    f.link->state.station_version = "4103.prm";
    const ParamRecord r = record(elements);
    AccessResult result = AccessResult::Done;
    if (access == "get")
        result = get_eng_setting(*f.link, r, outsideWords, nullptr);
    else if (access == "set")
        result = set_eng_setting(*f.link, r, value, outsideWords);
    else if (access == "raw read")
        result = read_raw_setting(*f.link, r, "x", outsideWords);
    else
        result = write_raw_setting(*f.link, r, value, "x", outsideWords);
    QCOMPARE(result, AccessResult::DataFault);
    QCOMPARE(f.log.texts(),
             QStringList{"ORV CAL cannot use the outside temperature calibration setting of 4103.prm: " + fault + "."});
    QVERIFY(f.requests().isEmpty());
    QCOMPARE(f.link->state.com_status, std::uint8_t(0));
    QVERIFY(f.comm->portOpen());
}

void TestParamAccess::failedExchangeShowsMessageAndClosesLink_data()
{
    QTest::addColumn<bool>("isSet");
    QTest::addColumn<bool>("raw");
    QTest::addColumn<bool>("unplugged"); // the adapter is pulled 5 s in, rather than the station keeping silent
    QTest::addColumn<QString>("message");
    const QString setText = QStringLiteral("Com error while setting outside temperature calibration information");
    QTest::newRow("get") << false << false << false << gettingMessage(outsideWords);
    QTest::newRow("set") << true << false << false << setText;
    QTest::newRow("raw read") << false << true << false << "Com error while getting station baud rate information";
    QTest::newRow("raw write") << true << true << false << "Com error while units of measure information";
    // The specified text stays whole; why the line went is said under it.
    QTest::newRow("set, adapter pulled")
        << true << false << true
        << setText + "\nThe line to the weather station was lost: the adapter was removed (/dev/sim-com2).";
}

void TestParamAccess::failedExchangeShowsMessageAndClosesLink()
{
    QFETCH(bool, isSet);
    QFETCH(bool, raw);
    QFETCH(bool, unplugged);
    QFETCH(QString, message);

    ParamsFixture f;
    f.silent = true;
    if (unplugged)
        f.pump.scheduleIn(5000, [&f] { f.line->unplug(); });
    const ParamRecord r = record({12, 0, 255, 1, 96});
    AccessResult result;
    if (raw)
        result = isSet ? write_raw_setting(*f.link, r, 1, message) : read_raw_setting(*f.link, r, message);
    else
        result = isSet ? set_eng_setting(*f.link, r, 20, outsideWords) : get_eng_setting(*f.link, r, outsideWords, nullptr);
    QCOMPARE(result, AccessResult::ComFailed);
    QCOMPARE(f.log.texts(), QStringList{message});
    QCOMPARE(f.link->state.com_status, std::uint8_t(255));
    QVERIFY(!f.comm->portOpen());
}

void TestParamAccess::rawAccessSkipsConversion()
{
    ParamsFixture f;
    f.registers[9] = 0xB0;
    const ParamRecord wsp = record({9, 0, 255, 7, 96});
    QCOMPARE(read_raw_setting(*f.link, wsp, "x"), AccessResult::Done);
    QCOMPARE(f.link->state.param_value, 176.0f);
    QCOMPARE(write_raw_setting(*f.link, wsp, 0xA0, "x"), AccessResult::Done);
    QCOMPARE(f.requests().last(), writePacket(9, 0xA0));
    QCOMPARE(f.registers.value(9), 0xA0);
}

void TestParamAccess::messageTexts()
{
    QCOMPARE(gettingMessage("Aux. temperature calibration"),
             QString("Com error while getting Aux. temperature calibration information"));
    QCOMPARE(settingMessage("lighning calibration"), QString("Com error while setting lighning calibration information"));
}

QTEST_GUILESS_MAIN(TestParamAccess)
#include "tst_param_access.moc"
