#include "params/conversion.h"

#include <QtTest>

#include <limits>

using namespace orv;

class TestConversion : public QObject
{
    Q_OBJECT

private slots:
    void rawToEng_data();
    void rawToEng();
    void engToRaw_data();
    void engToRaw();
    void readThenWriteKeepsTheRawValue();
    void inverseReadsBackAsWritten_data();
    void inverseReadsBackAsWritten();
    void refusedConversionsLeaveValue_data();
    void refusedConversionsLeaveValue();
};

void TestConversion::rawToEng_data()
{
    QTest::addColumn<float>("raw");
    QTest::addColumn<float>("scale");
    QTest::addColumn<float>("offset");
    QTest::addColumn<float>("eng");

    QTest::newRow("offset 96, raw 0") << 0.0f << 1.0f << 96.0f << -96.0f;
    QTest::newRow("offset 96, raw 255") << 255.0f << 1.0f << 96.0f << 159.0f;
    QTest::newRow("pressure 2992") << 2992.0f << 100.0f << 0.0f << 29.92f;
    QTest::newRow("scale 10 offset 5") << 100.0f << 10.0f << 5.0f << 5.0f;
    QTest::newRow("offset 40 on scale 10") << 0.0f << 10.0f << 40.0f << -40.0f;
    QTest::newRow("single precision quotient") << 1.0f << 3.0f << 0.0f << 1.0f / 3.0f;
    QTest::newRow("negative wind scale") << 90.0f << -1.0f << 0.0f << -90.0f;
}

void TestConversion::rawToEng()
{
    QFETCH(float, raw);
    QFETCH(float, scale);
    QFETCH(float, offset);
    QFETCH(float, eng);
    float param_value = raw;
    QVERIFY(raw_to_eng(param_value, scale, offset));
    QCOMPARE(param_value, eng);
}

void TestConversion::engToRaw_data()
{
    QTest::addColumn<float>("eng");
    QTest::addColumn<float>("scale");
    QTest::addColumn<float>("offset");
    QTest::addColumn<float>("raw");

    QTest::newRow("20 with offset 96") << 20.0f << 1.0f << 96.0f << 116.0f;
    QTest::newRow("29.92 with scale 100") << 29.92f << 100.0f << 0.0f << 2992.0f;
    QTest::newRow("0.125 gives 12.5, written 13") << 0.125f << 100.0f << 0.0f << 13.0f;
    QTest::newRow("scale 10 offset 5") << 5.0f << 10.0f << 5.0f << 100.0f;
    QTest::newRow("-0.4 written as 0") << -0.4f << 1.0f << 0.0f << 0.0f;
    QTest::newRow("-0.6 written as -1") << -0.6f << 1.0f << 0.0f << -1.0f;
    QTest::newRow("2.5 away from zero") << 2.5f << 1.0f << 0.0f << 3.0f;
    QTest::newRow("-2.5 away from zero") << -2.5f << 1.0f << 0.0f << -3.0f;
    // 0.375 × 100 in single precision is exactly 37.5: half away from zero, not to even.
    QTest::newRow("37.5 goes up") << 0.375f << 100.0f << 0.0f << 38.0f;
    QTest::newRow("36.5 goes up too") << 0.365f << 100.0f << 0.0f << 37.0f;
    QTest::newRow("large whole") << 65535.0f << 1.0f << 0.0f << 65535.0f;
}

void TestConversion::engToRaw()
{
    QFETCH(float, eng);
    QFETCH(float, scale);
    QFETCH(float, offset);
    QFETCH(float, raw);
    float param_value = eng;
    QVERIFY(eng_to_raw(param_value, scale, offset));
    QCOMPARE(param_value, raw);
    QVERIFY(!std::signbit(param_value) || raw < 0);
}

void TestConversion::readThenWriteKeepsTheRawValue()
{
    // A value read and written back unchanged must not move the station's setting.
    const float scale = 10, offset = 5;
    float value = 300;
    QVERIFY(raw_to_eng(value, scale, offset));
    QVERIFY(eng_to_raw(value, scale, offset));
    QCOMPARE(value, 300.0f);

    for (float raw : {0.0f, 1.0f, 116.0f, 255.0f, 65535.0f}) {
        float v = raw;
        QVERIFY(raw_to_eng(v, 1.0f, 96.0f));
        QVERIFY(eng_to_raw(v, 1.0f, 96.0f));
        QCOMPARE(v, raw);
    }
}

void TestConversion::inverseReadsBackAsWritten_data()
{
    QTest::addColumn<float>("scale");
    QTest::addColumn<float>("offset");
    QTest::addColumn<float>("eng");
    QTest::addColumn<float>("raw");

    QTest::newRow("tenths above -40: 20") << 10.0f << 40.0f << 20.0f << 600.0f;
    QTest::newRow("tenths above -40: -40") << 10.0f << 40.0f << -40.0f << 0.0f;
    QTest::newRow("tenths above -40: 20.15 half up") << 10.0f << 40.0f << 20.15f << 602.0f;
    QTest::newRow("scale 10 offset 5") << 10.0f << 5.0f << 5.0f << 100.0f;
    QTest::newRow("same as eng_to_raw without offset") << 100.0f << 0.0f << 29.92f << 2992.0f;
    QTest::newRow("same as eng_to_raw with scale 1") << 1.0f << 96.0f << 20.0f << 116.0f;
}

void TestConversion::inverseReadsBackAsWritten()
{
    QFETCH(float, scale);
    QFETCH(float, offset);
    QFETCH(float, eng);
    QFETCH(float, raw);

    float value = eng;
    QVERIFY(eng_to_raw(value, scale, offset));
    QCOMPARE(value, raw);

    // Every raw value in a range comes back unchanged through both directions.
    for (int r = 0; r <= 1000; r += 7) {
        float v = float(r);
        QVERIFY(raw_to_eng(v, scale, offset));
        QVERIFY(eng_to_raw(v, scale, offset));
        QCOMPARE(v, float(r));
    }
    float zero = eng;
    QVERIFY(!eng_to_raw(zero, 0.0f, offset));
    QCOMPARE(zero, eng);
}

void TestConversion::refusedConversionsLeaveValue_data()
{
    QTest::addColumn<bool>("toEng");
    QTest::addColumn<float>("scale");
    QTest::addColumn<float>("offset");

    const float big = std::numeric_limits<float>::max();
    QTest::newRow("raw_to_eng scale 0") << true << 0.0f << 0.0f;
    QTest::newRow("eng_to_raw scale 0") << false << 0.0f << 0.0f;
    QTest::newRow("raw_to_eng overflow") << true << 1e-10f << 0.0f;
    QTest::newRow("eng_to_raw overflow") << false << big << 0.0f;
}

void TestConversion::refusedConversionsLeaveValue()
{
    QFETCH(bool, toEng);
    QFETCH(float, scale);
    QFETCH(float, offset);
    float param_value = 1e30f;
    QVERIFY(!(toEng ? raw_to_eng(param_value, scale, offset) : eng_to_raw(param_value, scale, offset)));
    QCOMPARE(param_value, 1e30f);
}

QTEST_APPLESS_MAIN(TestConversion)
#include "tst_conversion.moc"
