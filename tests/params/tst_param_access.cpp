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

// The access a row names on `r`: "get", "set", "raw read" or "raw write" (of `value`);
// `message` is what a raw access shows when its exchange fails.
Access<> run(ParamsFixture &f, const QString &access, const ParamRecord &r, float value, const QString &message = "x")
{
    const auto outcome = [](const auto &a) { return Access<>{a.result, {}, a.failure}; };
    if (access == "get")
        return outcome(get_eng_setting(*f.link, r, outsideWords));
    if (access == "set")
        return set_eng_setting(*f.link, r, value, outsideWords);
    if (access == "raw read")
        return outcome(read_raw_setting(*f.link, r, message, outsideWords));
    return write_raw_setting(*f.link, r, value, message, outsideWords);
}

const QStringList accesses{"get", "set", "raw read", "raw write"};

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
    const Access<EngReading> read = get_eng_setting(*f.link, record(elements), outsideWords);
    QCOMPARE(read.result, AccessResult::Done);
    QCOMPARE(read.value.current, current);
    QCOMPARE(read.value.minimum, minimum);
    QCOMPARE(read.value.maximum, maximum);
    QCOMPARE(read.value.raw, float(stationValue));
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
    QCOMPARE(set_eng_setting(*f.link, r, eng, outsideWords).result, AccessResult::Done);
    const auto address = std::uint8_t(elements[0]);
    QCOMPARE(f.requests().value(0), writePacket(address, raw));
    QCOMPARE(f.registers.value(address), raw);
    QVERIFY(f.log.isEmpty());

    // Reading back shows what the station now holds.
    QCOMPARE(get_eng_setting(*f.link, r, outsideWords).value.current, float(raw) / elements[3] - elements[4]);
}

void TestParamAccess::absentRecordSendsNothing()
{
    ParamsFixture f;
    for (const QString &access : accesses)
        QCOMPARE(run(f, access, ParamRecord{}, 1).result, AccessResult::Absent);
    QVERIFY(f.requests().isEmpty());
    QVERIFY(f.log.isEmpty());
    QVERIFY(f.comm->portOpen());
}

void TestParamAccess::zeroScaleIsRefusedBeforeTheLine()
{
    ParamsFixture f;
    const ParamRecord wind = record({40, 0, 359, 0, 0});
    const QString words = QStringLiteral("wind direction offset calibration");
    QCOMPARE(get_eng_setting(*f.link, wind, words).result, AccessResult::DataFault);
    QCOMPARE(set_eng_setting(*f.link, wind, 90, words).result, AccessResult::DataFault);
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
// such, nothing is sent, and the link stays as it was.
void TestParamAccess::dataFaultIsRefusedBeforeTheLine()
{
    QFETCH(QString, access);
    QFETCH(Elements, elements);
    QFETCH(float, value);
    QFETCH(QString, fault);

    ParamsFixture f;
    f.link->state.station_version = "4103.prm";
    QCOMPARE(run(f, access, record(elements), value).result, AccessResult::DataFault);
    QCOMPARE(f.log.texts(),
             QStringList{"ORV CAL cannot use the outside temperature calibration setting of 4103.prm: " + fault + "."});
    QVERIFY(f.requests().isEmpty());
    QVERIFY(f.comm->portOpen());
}

void TestParamAccess::failedExchangeShowsMessageAndClosesLink_data()
{
    QTest::addColumn<QString>("access");
    QTest::addColumn<bool>("unplugged"); // the adapter is pulled 5 s in, rather than the station keeping silent
    QTest::addColumn<QString>("message");
    const QString setText = QStringLiteral("Com error while setting outside temperature calibration information");
    QTest::newRow("get") << "get" << false << gettingMessage(outsideWords);
    QTest::newRow("set") << "set" << false << setText;
    QTest::newRow("raw read") << "raw read" << false << "Com error while getting station baud rate information";
    QTest::newRow("raw write") << "raw write" << false << "Com error while units of measure information";
    // The specified text stays whole; why the line went is said under it.
    QTest::newRow("set, adapter pulled")
        << "set" << true << setText + "\nThe line to the weather station was lost: the adapter was removed (/dev/sim-com2).";
}

void TestParamAccess::failedExchangeShowsMessageAndClosesLink()
{
    QFETCH(QString, access);
    QFETCH(bool, unplugged);
    QFETCH(QString, message);

    ParamsFixture f;
    f.silent = true;
    if (unplugged)
        f.pump.scheduleIn(5000, [&f] { f.line->unplug(); });
    const Access<> failed = run(f, access, record({12, 0, 255, 1, 96}), 20, message);
    QCOMPARE(failed.result, AccessResult::ComFailed);
    QCOMPARE(failed.failure.error, unplugged ? LinkError::LineLost : LinkError::NoAnswer);
    QCOMPARE(f.log.texts(), QStringList{message});
    QVERIFY(!f.comm->portOpen());
}

void TestParamAccess::rawAccessSkipsConversion()
{
    ParamsFixture f;
    f.registers[9] = 0xB0;
    const ParamRecord wsp = record({9, 0, 255, 7, 96});
    QCOMPARE(read_raw_setting(*f.link, wsp, "x").value, 176);
    QCOMPARE(write_raw_setting(*f.link, wsp, 0xA0, "x").result, AccessResult::Done);
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
