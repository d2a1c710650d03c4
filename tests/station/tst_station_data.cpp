#include "station/param_table.h"
#include "station/station_model.h"
#include "station/station_options.h"
#include "station/wire_trace.h"

#include <QBuffer>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Every setting a definition file can name, as the calibration program looks them up.
const QList<QByteArray> entryTexts = {
    "Wsp units", "Scale: 0=FPS 1=CGS", "Rx DTR Delay, sec", "report end-of-day", "report MIN/MAX",
    "report interval hrs", "report interval min", "wind dir offset", "uamp/Klux cal", "rain inc flag",
    "rain inc value", "rain fall: daily", "rain fall: monthly", "rain fall: term", "report flags",
    "mV @  0.0% RH", "mV @ 75.3% RH", "temp: inside", "temp: outside", "temp: aux", "barometric pressure",
    "clock years", "clock month", "clock day of month", "clock hours", "clock minutes", "clock seconds",
    "Wet Level", "Baud Rate index", "log interval min", "log interval hrs", "Data Input", "Lightning Level",
};

struct PrmLine
{
    QList<double> numbers;
    QByteArray text;
};

// Splits the way the calibration program does: five fields up to a comma, the rest is the sixth.
QList<PrmLine> readPrm(const QString &name, QString *problem)
{
    QFile file(QStringLiteral(ORV_DATA_DIR "/PRM/") + name);
    if (!file.open(QIODevice::ReadOnly)) {
        *problem = file.errorString();
        return {};
    }
    QList<PrmLine> lines;
    for (QByteArray line : file.readAll().split('\n')) {
        if (line.isEmpty())
            continue;
        if (!line.endsWith('\r')) {
            *problem = QStringLiteral("line without CR LF: ") + QString::fromLatin1(line);
            return {};
        }
        line.chop(1);
        PrmLine parsed;
        for (int i = 0; i < 5; ++i) {
            const qsizetype comma = line.indexOf(',');
            bool ok = false;
            parsed.numbers << line.left(comma).trimmed().toDouble(&ok);
            if (comma < 0 || !ok) {
                *problem = QStringLiteral("bad numeric field in: ") + QString::fromLatin1(line);
                return {};
            }
            line = line.mid(comma + 1);
        }
        parsed.text = line.trimmed();
        lines << parsed;
    }
    return lines;
}

// The entry texts found in a sixth field ("temp: aux" also finds "temp: auxillary").
QList<QByteArray> entriesIn(const QByteArray &text)
{
    QList<QByteArray> found;
    for (const QByteArray &entry : entryTexts)
        if (text.contains(entry))
            found << entry;
    return found;
}

const station::ParamInfo *tableRowFor(const QByteArray &entry)
{
    return station::findParam(entry == "temp: aux" ? QByteArray("temp: auxillary") : entry);
}

} // namespace

// The shipped definition files, the simulator's memory behind them, and the
// simulator's configuration inputs.
class TestStationData : public QObject
{
    Q_OBJECT
private slots:
    void definitionFiles_data();
    void definitionFiles();
    void defaultsArePlausible_data();
    void defaultsArePlausible();
    void paramsFile_data();
    void paramsFile();
    void programOptions_data();
    void programOptions();
    void traceLines();
};

void TestStationData::definitionFiles_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QList<QByteArray>>("absent");
    QTest::newRow("4103") << "4103.prm" << QList<QByteArray>{};
    QTest::newRow("3201") << "3201.prm" << QList<QByteArray>{"temp: aux", "Lightning Level", "Wet Level"};
}

void TestStationData::definitionFiles()
{
    QFETCH(QString, file);
    QFETCH(QList<QByteArray>, absent);
    QString problem;
    const QList<PrmLine> lines = readPrm(file, &problem);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));

    QSet<QByteArray> seen;
    QSet<int> addresses;
    for (const PrmLine &line : lines) {
        const QList<QByteArray> found = entriesIn(line.text);
        QVERIFY2(!found.isEmpty(), line.text.constData());
        // A description naming a second setting would fill that record too.
        QVERIFY2(found.size() == 1, line.text.constData());
        const station::ParamInfo *row = tableRowFor(found.first());
        QVERIFY(row);
        QCOMPARE(line.numbers[0], double(row->address));
        QVERIFY2(!addresses.contains(row->address), line.text.constData());
        addresses << row->address;
        for (const QByteArray &entry : found)
            seen << entry;
        // An older firmware may narrow a limit, never move a setting.
        QVERIFY(line.numbers[1] >= row->rawMin);
        QVERIFY(line.numbers[2] <= row->rawMax);
        QCOMPARE(line.numbers[3], row->scale);
        QCOMPARE(line.numbers[4], row->offset);
        if (!row->clockField) {
            QVERIFY2(row->defaultRaw >= line.numbers[1] && row->defaultRaw <= line.numbers[2], row->entry);
        }
    }
    for (const QByteArray &entry : entryTexts)
        QVERIFY2(seen.contains(entry) != absent.contains(entry), entry.constData());
    if (absent.isEmpty())
        QCOMPARE(qsizetype(lines.size()), qsizetype(station::paramTable().size()));
}

void TestStationData::defaultsArePlausible_data()
{
    QTest::addColumn<QByteArray>("entry");
    QTest::addColumn<double>("low");
    QTest::addColumn<double>("high");
    QTest::newRow("outside temperature") << QByteArray("temp: outside") << -10.0 << 35.0;
    QTest::newRow("inside temperature") << QByteArray("temp: inside") << 15.0 << 28.0;
    QTest::newRow("pressure near 29.92") << QByteArray("barometric pressure") << 29.5 << 30.3;
    QTest::newRow("humidity at 0%") << QByteArray("mV @  0.0% RH") << 0.0 << 0.5;
    QTest::newRow("humidity at 75.3%") << QByteArray("mV @ 75.3% RH") << 1.5 << 3.5;
    QTest::newRow("baud index 2400") << QByteArray("Baud Rate index") << 4.0 << 4.0;
    QTest::newRow("report flags") << QByteArray("report flags") << 0.0 << 7.0;
}

void TestStationData::defaultsArePlausible()
{
    QFETCH(QByteArray, entry);
    QFETCH(double, low);
    QFETCH(double, high);
    const station::ParamInfo *row = station::findParam(entry);
    QVERIFY(row);
    station::StationModel model;
    const double engineering = model.param(row->address, 0) / row->scale - row->offset;
    QVERIFY2(engineering >= low && engineering <= high, qPrintable(QString::number(engineering)));
}

void TestStationData::paramsFile_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("value");
    QTest::newRow("decimal") << QByteArray("12=600\n") << true << 12 << 600;
    QTest::newRow("hex and blanks") << QByteArray(" 0x10 = 0xA1 \n") << true << 16 << 0xA1;
    QTest::newRow("comments and empty lines") << QByteArray("# memory\n\n30=3001 # pressure\n") << true << 30 << 3001;
    QTest::newRow("baud index moves the rate") << QByteArray("6=2\n") << true << 6 << 2;
    QTest::newRow("address too big") << QByteArray("256=1\n") << false << 0 << 0;
    QTest::newRow("value too big") << QByteArray("12=65536\n") << false << 0 << 0;
    QTest::newRow("no equals sign") << QByteArray("12 600\n") << false << 0 << 0;
}

void TestStationData::paramsFile()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, ok);
    QFETCH(int, address);
    QFETCH(int, value);
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("memory.txt")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();

    station::StationModel model;
    QString error;
    QCOMPARE(model.loadParams(file.fileName(), 0, &error), ok);
    QCOMPARE(error.isEmpty(), ok);
    if (!ok)
        return;
    QCOMPARE(int(model.param(address, 0)), value);
    if (address == station::paramAddress("Baud Rate index"))
        QCOMPARE(model.ownRate(), station::baudOfIndex(value));
}

void TestStationData::programOptions_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("check");
    QTest::newRow("nothing") << QStringList() << true << "";
    QTest::newRow("version with escapes") << QStringList{"--version", "3.201\\r\\n"} << true << "version";
    QTest::newRow("faults add up") << QStringList{"--fault", "late", "--fault", "drop-every=4", "--fault", "split"}
                                   << true << "faults";
    QTest::newRow("modem busy") << QStringList{"--modem", "--dial-outcome", "busy"} << true << "modem";
    QTest::newRow("fixed rate") << QStringList{"--fixed-rate", "9600"} << true << "fixed";
    QTest::newRow("odd fixed rate") << QStringList{"--fixed-rate", "9601"} << false << "";
    QTest::newRow("baud index 8") << QStringList{"--baud-index", "8"} << false << "";
    QTest::newRow("unknown fault") << QStringList{"--fault", "sometimes"} << false << "";
    QTest::newRow("drop-every=0") << QStringList{"--fault", "drop-every=0"} << false << "";
    QTest::newRow("register without folder") << QStringList{"--register-com", "2"} << false << "";
    QTest::newRow("missing value") << QStringList{"--trace"} << false << "";
    QTest::newRow("unknown option") << QStringList{"--colour", "blue"} << false << "";
    QTest::newRow("help is no error") << QStringList{"--modem", "--help"} << true << "help";
}

void TestStationData::programOptions()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, ok);
    QFETCH(QString, check);
    station::ProgramOptions options;
    QString error;
    QCOMPARE(station::parseProgramOptions(arguments, &options, &error), ok);
    QCOMPARE(error.isEmpty(), ok);
    if (check == QLatin1String("version"))
        QCOMPARE(options.station.version, QByteArray("3.201\r\n"));
    QCOMPARE(options.help, check == QLatin1String("help"));
    if (check == QLatin1String("faults")) {
        QCOMPARE(options.station.faults.lateMs, 17000);
        QCOMPARE(options.station.faults.dropEvery, 4);
        QCOMPARE(options.station.faults.splitPauseMs, 300);
        QVERIFY(!options.station.faults.noReply);
    }
    if (check == QLatin1String("modem")) {
        QVERIFY(options.modem);
        QCOMPARE(options.modemOptions.outcome, station::DialOutcome::Busy);
    }
    if (check == QLatin1String("fixed"))
        QCOMPARE(options.station.fixedRate, 9600);
    QCOMPARE(options.help, check == QLatin1String("help"));
}

void TestStationData::traceLines()
{
    station::StationModel model;
    QBuffer buffer;
    QVERIFY(buffer.open(QIODevice::WriteOnly));
    station::WireTrace trace(model, buffer);
    trace.setLineRate(2400, 0);
    trace.receive(QByteArray::fromHex("02034750105603"), 30);
    QVERIFY(trace.takeOutput(40).isEmpty());
    const qint64 at = *trace.nextOutputAtMs() + 10;
    QCOMPARE(trace.takeOutput(at).toHex(), QByteArray("0021"));
    QCOMPARE(QString::fromLatin1(buffer.data()),
             QStringLiteral("30 > 02 03 47 50 10 56 03\n%1 < 00 21\n").arg(at));
}

QTEST_GUILESS_MAIN(TestStationData)
#include "tst_station_data.moc"
