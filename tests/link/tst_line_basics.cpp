#include "link/com_settings.h"
#include "link/comm_control.h"
#include "link/line_settings.h"
#include "link/qserial_device.h"
#include "link/numeric.h"
#include "link/port_map.h"

#include <QTemporaryDir>
#include <QtTest>

#include <limits>

using namespace orv;

class TestLineBasics : public QObject
{
    Q_OBJECT

private slots:
    void settingsText_data();
    void settingsText();
    void settingsStringForRate_data();
    void settingsStringForRate();
    void onlyStationRatesAreUsable_data();
    void onlyStationRatesAreUsable();
    void leadingNumber_data();
    void leadingNumber();
    void roundHalfEven_data();
    void roundHalfEven();
    void portMapFileAndEnvironment();
    void registeringPortKeepsOtherLines();
};

void TestLineBasics::settingsText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("baud");
    QTest::newRow("2400,N,8,1") << "2400,N,8,1" << true << 2400;
    QTest::newRow("38400,n,8,1") << "38400,n,8,1" << true << 38400;
    QTest::newRow("300,E,7,2") << "300,E,7,2" << true << 300;
    QTest::newRow("missing field") << "2400,N,8" << false << 0;
    QTest::newRow("letters for rate") << "fast,N,8,1" << false << 0;
    QTest::newRow("parity X") << "2400,X,8,1" << false << 0;
    QTest::newRow("9 data bits") << "2400,N,9,1" << false << 0;
    QTest::newRow("3 stop bits") << "2400,N,8,3" << false << 0;
    QTest::newRow("empty") << "" << false << 0;
}

void TestLineBasics::settingsText()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(int, baud);
    const auto parsed = LineSettings::parse(text);
    QCOMPARE(parsed.has_value(), valid);
    if (valid) {
        QCOMPARE(parsed->baud, baud);
        QCOMPARE(LineSettings::parse(parsed->toString()), parsed);
    }
}

void TestLineBasics::settingsStringForRate_data()
{
    QTest::addColumn<float>("rate");
    QTest::addColumn<QString>("text");
    QTest::newRow("300") << 300.0f << "300,N,8,1";
    QTest::newRow("2400") << 2400.0f << "2400,N,8,1";
    QTest::newRow("19200") << 19200.0f << "19200,N,8,1";
    QTest::newRow("38400") << 38400.0f << "38400,N,8,1";
    // A damaged slot: written as it is, and refused by the serial control.
    QTest::newRow("1e12") << 1e12f << "999999995904,N,8,1";
    QTest::newRow("1e30") << 1e30f << "1e+30,N,8,1";
    QTest::newRow("NaN") << std::numeric_limits<float>::quiet_NaN() << "nan,N,8,1";
}

void TestLineBasics::settingsStringForRate()
{
    QFETCH(float, rate);
    QFETCH(QString, text);
    QCOMPARE(orv::settingsStringForRate(rate), text);
}

void TestLineBasics::onlyStationRatesAreUsable_data()
{
    QTest::addColumn<float>("rate");
    QTest::addColumn<int>("index");
    QTest::newRow("300") << 300.0f << 0;
    QTest::newRow("2400") << 2400.0f << 3;
    QTest::newRow("38400") << 38400.0f << 7;
    QTest::newRow("2400.5") << 2400.5f << -1;
    QTest::newRow("1234") << 1234.0f << -1;
    QTest::newRow("0") << 0.0f << -1;
    QTest::newRow("-2400") << -2400.0f << -1;
    QTest::newRow("1e12") << 1e12f << -1;
    QTest::newRow("infinity") << std::numeric_limits<float>::infinity() << -1;
    QTest::newRow("NaN") << std::numeric_limits<float>::quiet_NaN() << -1;
}

void TestLineBasics::onlyStationRatesAreUsable()
{
    QFETCH(float, rate);
    QFETCH(int, index);
    QCOMPARE(stationRateIndex(rate), index);
    // The station numbers its rates from the fastest.
    const int stationIndex = index < 0 ? -1 : 7 - index;
    QCOMPARE(stationBaudIndex(int(index < 0 ? 0 : rate)), stationIndex);
    if (index >= 0)
        QCOMPARE(float(rateOfStationBaudIndex(stationIndex)), rate);
    ComSettings stored = ComSettings::defaults();
    stored.baud_rate[0] = rate;
    QCOMPARE(stored.problems(0).isEmpty(), index >= 0);
    // What the serial control is offered for the rate, it takes only for the eight.
    CommControl comm(std::make_unique<QSerialDevice>(), PortMap());
    QCOMPARE(comm.setSettings(orv::settingsStringForRate(rate)), index >= 0);
}

void TestLineBasics::leadingNumber_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<double>("value");
    QTest::newRow("version with CR") << QByteArray("4.30\r\n") << 4.3;
    QTest::newRow("blanks tabs and line feeds skipped") << QByteArray(" \t\n1 2.5") << 12.5;
    QTest::newRow("negative") << QByteArray("-40") << -40.0;
    QTest::newRow("stops at letter") << QByteArray("12a") << 12.0;
    QTest::newRow("hex") << QByteArray("&H1F") << 31.0;
    QTest::newRow("octal") << QByteArray("&O17") << 15.0;
    QTest::newRow("lower-case hex") << QByteArray("&hff") << 255.0;
    QTest::newRow("exponent") << QByteArray("1E3") << 1000.0;
    QTest::newRow("dangling exponent") << QByteArray("2E") << 2.0;
    QTest::newRow("no number") << QByteArray("abc") << 0.0;
    QTest::newRow("empty") << QByteArray() << 0.0;
    QTest::newRow("lone point") << QByteArray(".") << 0.0;
    QTest::newRow("fraction only") << QByteArray(".5") << 0.5;
    QTest::newRow("carriage return stops") << QByteArray("1\r2") << 1.0;
    QTest::newRow("overflow is infinite") << QByteArray("1e400") << std::numeric_limits<double>::infinity();
    QTest::newRow("negative overflow") << QByteArray("-12.5E+999") << -std::numeric_limits<double>::infinity();
    QTest::newRow("overflow by digits") << QByteArray(400, '9') << std::numeric_limits<double>::infinity();
    QTest::newRow("underflow is zero") << QByteArray("1e-400") << 0.0;
    QTest::newRow("fraction underflow") << QByteArray("0.0001e-320") << 0.0;
}

void TestLineBasics::leadingNumber()
{
    QFETCH(QByteArray, text);
    QFETCH(double, value);
    QCOMPARE(orv::leadingNumber(text), value);
}

void TestLineBasics::roundHalfEven_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("rounded");
    QTest::newRow("12.5") << 12.5 << 12;
    QTest::newRow("37.5") << 37.5 << 38;
    QTest::newRow("-2.5") << -2.5 << -2;
    QTest::newRow("0.5") << 0.5 << 0;
    QTest::newRow("1.5") << 1.5 << 2;
    QTest::newRow("2.6") << 2.6 << 3;
    QTest::newRow("-999") << -999.0 << -999;
    QTest::newRow("saturates") << 1e12 << 2147483647;
}

void TestLineBasics::roundHalfEven()
{
    QFETCH(double, value);
    QFETCH(int, rounded);
    QCOMPARE(orv::roundHalfEven(value), rounded);
}

void TestLineBasics::portMapFileAndEnvironment()
{
    QTemporaryDir dir;
    QFile file(dir.filePath(PortMap::fileName()));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("# adapters\nCOM3 = /dev/ttyUSB0\ncom4=/dev/serial/by-id/usb-FTDI-if00\nCOM9=/dev/x\nrubbish\n"
               "COM6=rfc2217://127.0.0.1:4001 # a serial server\n");
    file.close();
    qputenv("ORV_PORTS", "COM4=/dev/pts/7;COM5=/dev/pts/8;COM7=tcp://[::1]:4002");
    const PortMap map = PortMap::load(dir.path());
    qunsetenv("ORV_PORTS");

    QCOMPARE(map.devicePath(1), QStringLiteral("/dev/ttyS0"));
    QCOMPARE(map.devicePath(3), QStringLiteral("/dev/ttyUSB0"));
    QCOMPARE(map.devicePath(4), QStringLiteral("/dev/pts/7")); // the environment wins
    QCOMPARE(map.devicePath(5), QStringLiteral("/dev/pts/8"));
    QCOMPARE(map.devicePath(6), QStringLiteral("rfc2217://127.0.0.1:4001"));
    QCOMPARE(map.devicePath(7), QStringLiteral("tcp://[::1]:4002"));
    QCOMPARE(map.devicePath(8), QStringLiteral("/dev/ttyS7"));
    QVERIFY(map.devicePath(0).isEmpty());
    QVERIFY(map.devicePath(9).isEmpty());
    QVERIFY(map.isOverridden(3));
    QVERIFY(!map.isOverridden(2));

    QCOMPARE(map.unusableLines().size(), 2);
    QVERIFY2(map.unusableLines()[0].endsWith(QStringLiteral("\"COM9=/dev/x\" not used (ports are COM1 to COM8)")),
             qPrintable(map.unusableLines()[0]));
    QVERIFY2(map.unusableLines()[1].endsWith(QStringLiteral("\"rubbish\" not used (not COMn=device path)")),
             qPrintable(map.unusableLines()[1]));

    PortMap parsed;
    QCOMPARE(parsed.parse(QStringLiteral("COM2=/dev/a\nCOM0=/dev/b\nnonsense")),
             (QStringList{QStringLiteral("COM0=/dev/b"), QStringLiteral("nonsense")}));
}

void TestLineBasics::registeringPortKeepsOtherLines()
{
    QTemporaryDir dir;
    QString error;
    QVERIFY(PortMap::registerPort(dir.path(), 2, QStringLiteral("/dev/pts/3"), &error));
    QVERIFY(PortMap::registerPort(dir.path(), 3, QStringLiteral("/dev/pts/4"), &error));
    QVERIFY(PortMap::registerPort(dir.path(), 2, QStringLiteral("/dev/pts/9"), &error));
    const PortMap map = PortMap::load(dir.path());
    QCOMPARE(map.devicePath(2), QStringLiteral("/dev/pts/9"));
    QCOMPARE(map.devicePath(3), QStringLiteral("/dev/pts/4"));
    QFile file(dir.filePath(PortMap::fileName()));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll().count("COM2="), 1);
    // A simulator that ends takes its line along, but not one another has registered since.
    QVERIFY(PortMap::unregisterPort(dir.path(), 2, QStringLiteral("/dev/pts/3"), &error)
            && PortMap::unregisterPort(dir.path(), 3, QStringLiteral("/dev/pts/4"), &error));
    QCOMPARE(PortMap::load(dir.path()).devicePath(2), QStringLiteral("/dev/pts/9"));
    QVERIFY(!PortMap::load(dir.path()).isOverridden(3));
}

QTEST_GUILESS_MAIN(TestLineBasics)
#include "tst_line_basics.moc"
