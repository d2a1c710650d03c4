#include "params/number_format.h"

#include <QtTest>

#include <limits>

using namespace orv;

class TestNumberFormat : public QObject
{
    Q_OBJECT

private slots:
    void pictures_data();
    void pictures();
    void singleText_data();
    void singleText();
};

void TestNumberFormat::pictures_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("picture");
    QTest::addColumn<QString>("expected");

    QTest::newRow("pressure 2992/100") << double(2992.0f / 100.0f) << "00.00" << "29.92";
    QTest::newRow("00.00 pads both sides") << 4.5 << "00.00" << "04.50";
    QTest::newRow("00.00 small") << 0.05 << "00.00" << "00.05";
    QTest::newRow("00.00 three integer digits") << 123.456 << "00.00" << "123.46";
    QTest::newRow("00.00 single 0.125 rounds up") << double(0.125f) << "00.00" << "00.13";
    QTest::newRow("00.00 exact binary below half") << double(1.005f) << "00.00" << "01.00";
    QTest::newRow("00.00 negative") << -3.5 << "00.00" << "-03.50";
    QTest::newRow("00.00 carry into integer") << 9.999 << "00.00" << "10.00";
    QTest::newRow("000 pads") << 5.0 << "000" << "005";
    QTest::newRow("000 wind offset") << 45.0 << "000" << "045";
    QTest::newRow("000 wide") << 1234.0 << "000" << "1234";
    QTest::newRow("000 negative") << -7.0 << "000" << "-007";
    QTest::newRow("##0 negative") << -3.0 << "##0" << "-3";
    QTest::newRow("##0 zero") << 0.0 << "##0" << "0";
    QTest::newRow("##0 0.512") << 0.512 << "##0" << "1";
    QTest::newRow("##0 0.49") << 0.49 << "##0" << "0";
    QTest::newRow("##0 half up") << 2.5 << "##0" << "3";
    QTest::newRow("##0 half away from zero") << -2.5 << "##0" << "-3";
    QTest::newRow("##0 no minus on zero") << -0.4 << "##0" << "0";
    QTest::newRow("##### zero is empty") << 0.0 << "#####" << "";
    QTest::newRow("##### 0.512") << 0.512 << "#####" << "1";
    QTest::newRow("##### 65535") << 65535.0 << "#####" << "65535";
    QTest::newRow("##### more digits than places") << 1234567.0 << "#####" << "1234567";
    QTest::newRow("#####0 12.5") << 12.5 << "#####0" << "13";
    QTest::newRow("#####0 -0.6") << -0.6 << "#####0" << "-1";
    QTest::newRow("#####0 -0.4") << -0.4 << "#####0" << "0";
    QTest::newRow("#####0 huge") << 1e20 << "#####0" << "100000000000000000000";
    QTest::newRow("#.## optional decimals") << 0.5 << "#.##" << ".5";
    QTest::newRow("0.0# keeps mandatory") << 2.0 << "0.0#" << "2.0";
}

void TestNumberFormat::pictures()
{
    QFETCH(double, value);
    QFETCH(QString, picture);
    QFETCH(QString, expected);
    QCOMPARE(formatNumber(value, picture), expected);
}

void TestNumberFormat::singleText_data()
{
    QTest::addColumn<float>("value");
    QTest::addColumn<QString>("expected");

    QTest::newRow("whole negative") << -40.0f << "-40";
    QTest::newRow("one decimal") << 12.5f << "12.5";
    QTest::newRow("zero") << 0.0f << "0";
    QTest::newRow("negative zero") << -0.0f << "0";
    QTest::newRow("below one has a leading zero") << 0.5f << "0.5";
    QTest::newRow("0.512") << 0.512f << "0.512";
    QTest::newRow("29.92 from the single") << 2992.0f / 100.0f << "29.92";
    QTest::newRow("0.1 is not 0.100000001") << 0.1f << "0.1";
    QTest::newRow("seven digits") << 1234567.0f << "1234567";
    QTest::newRow("seven significant with decimals") << 3.1415927f << "3.141593";
    QTest::newRow("no thousands separator") << 65535.0f << "65535";
    QTest::newRow("eight digits turn scientific") << 12345678.0f << "1.234568E+07";
    QTest::newRow("ten million") << 1e7f << "1E+07";
    QTest::newRow("rounding carries through nines") << 1999999.875f << "2000000";
    QTest::newRow("smallest fixed") << 0.0001f << "0.0001";
    QTest::newRow("below 1E-04") << 0.00001f << "1E-05";
    QTest::newRow("negative scientific") << -2.5e-7f << "-2.5E-07";
    QTest::newRow("largest single") << std::numeric_limits<float>::max() << "3.402823E+38";
    QTest::newRow("half at eighth digit rounds away") << 1234568.5f << "1234569";
    QTest::newRow("raw 0 with offset 96") << -96.0f << "-96";
}

void TestNumberFormat::singleText()
{
    QFETCH(float, value);
    QFETCH(QString, expected);
    QCOMPARE(orv::singleText(value), expected);
}

QTEST_APPLESS_MAIN(TestNumberFormat)
#include "tst_number_format.moc"
