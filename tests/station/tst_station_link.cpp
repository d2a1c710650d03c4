#include "link_rig.h"

#include "station/param_table.h"
#include "station/station_model.h"

#include <QTest>

using namespace orv;
using namespace orv::test;

namespace {

// The calibration program's exchange on COM2 with the simulator at its far end.
struct Bench : LinkRig
{
    explicit Bench(const station::StationOptions &options)
        : model(addPeer<station::StationModel>(2, options, 0))
    {
    }

    QByteArray receivedBytes() const
    {
        QByteArray all;
        for (const SimulatedLine::Chunk &c : line->trace())
            if (!c.toStation)
                all += c.bytes;
        return all;
    }

    station::StationModel &model;
};

station::StationOptions atRate(int baud)
{
    station::StationOptions o;
    o.fixedRate = baud;
    return o;
}

} // namespace

// The program's read, write and version exchanges against the simulator.
class TestStationLink : public QObject
{
    Q_OBJECT
private slots:
    void readGetsExactlyOneReply_data();
    void readGetsExactlyOneReply();
    void writeIsEchoed();
    void baudChangeWithoutEcho();
};

void TestStationLink::readGetsExactlyOneReply_data()
{
    QTest::addColumn<int>("baud");
    for (int baud : {300, 600, 1200, 2400, 4800, 9600, 19200, 38400})
        QTest::addRow("%d", baud) << baud;
}

void TestStationLink::readGetsExactlyOneReply()
{
    QFETCH(int, baud);
    Bench bench(atRate(baud));
    QVERIFY(bench.open(baud));
    QCOMPARE(bench.link->read_param(station::paramAddress("barometric pressure")).value(), 2992);
    // Let any second reply arrive before counting.
    bench.pump.advance(5000);
    QCOMPARE(bench.receivedBytes().toHex(), QByteArray("0bb0"));
}

void TestStationLink::writeIsEchoed()
{
    Bench bench(atRate(2400));
    QVERIFY(bench.open(2400));
    const int address = station::paramAddress("temp: outside");
    QCOMPARE(bench.link->write_param(address, 600).value(), 600);
    QCOMPARE(bench.link->read_param(address).value(), 600);
}

void TestStationLink::baudChangeWithoutEcho()
{
    Bench bench({});
    QVERIFY(bench.open(2400));
    QVERIFY(bench.link->write_param_no_echo(station::paramAddress("Baud Rate index"), 1).ok());
    QCOMPARE(bench.model.ownRate(), 19200);
    QVERIFY(bench.open(19200));
    QCOMPARE(bench.link->request_version().value(), QByteArray("4.103\r\n"));
}

QTEST_GUILESS_MAIN(TestStationLink)
#include "tst_station_link.moc"
