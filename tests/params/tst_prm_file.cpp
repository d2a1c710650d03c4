#include "message_capture.h"

#include "params/prm_file.h"

#include "link/link_state.h"

#include <QtTest>

using namespace orv;
using orv::test::MessageCapture;

namespace {

using Elements = std::array<float, 5>;
const Elements absentRecord{-999, -999, -999, -999, -999};

int filledCount(const ParamRecords &records)
{
    int n = 0;
    for (ParamEntry e : allEntries())
        n += records[e].absent() ? 0 : 1;
    return n;
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

} // namespace

class TestPrmFile : public QObject
{
    Q_OBJECT

private slots:
    void splitLine_data();
    void splitLine();
    void lineEndings_data();
    void lineEndings();
    void recordFromLine_data();
    void recordFromLine();
    void laterLineOverwrites();
    void everyEntryTextFillsItsOwnRecord();

    void fileNameFromVersion_data();
    void fileNameFromVersion();
    void loadReadsFileNamedAfterVersion();
    void loadResetsRecordsEveryTime();
    void missingFileNamesIt();
    void shortVersionReply();
    void versionWithPathSeparatorIsRefused();
    void firstFolderHoldingTheFileWins();
    void filesWithEachLineEnding_data();
    void filesWithEachLineEnding();
    void searchPathOrder();
};

void TestPrmFile::splitLine_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QByteArrayList>("fields");

    QTest::newRow("plain") << QByteArray("12, 0, 1000, 10, 40, temp: outside") << true
                           << QByteArrayList{"12", "0", "1000", "10", "40", "temp: outside"};
    QTest::newRow("field 6 keeps its commas") << QByteArray("1,2,3,4,5,Rx DTR Delay, sec") << true
                                             << QByteArrayList{"1", "2", "3", "4", "5", "Rx DTR Delay, sec"};
    QTest::newRow("spaces trimmed, tabs kept") << QByteArray("  7 ,\t8 , 9,10 ,11,  text  ") << true
                                              << QByteArrayList{"7", "\t8", "9", "10", "11", "text"};
    QTest::newRow("empty fields") << QByteArray(",,,,,") << true << QByteArrayList{"", "", "", "", "", ""};
    QTest::newRow("four commas") << QByteArray("1,2,3,4,temp: outside") << false << QByteArrayList{};
    QTest::newRow("empty line") << QByteArray() << false << QByteArrayList{};
    QTest::newRow("no comma") << QByteArray("temp: outside") << false << QByteArrayList{};
}

void TestPrmFile::splitLine()
{
    QFETCH(QByteArray, line);
    QFETCH(bool, valid);
    QFETCH(QByteArrayList, fields);

    PrmFields prm_fields;
    prm_fields.fill("untouched");
    QCOMPARE(split_prm_line(line, prm_fields), valid);
    QVERIFY(line.isEmpty());
    if (!valid) {
        for (const QByteArray &f : prm_fields)
            QCOMPARE(f, QByteArray("untouched"));
        return;
    }
    for (int i = 0; i < 6; ++i)
        QCOMPARE(prm_fields[std::size_t(i)], fields[i]);
}

void TestPrmFile::lineEndings_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArrayList>("lines");

    QTest::newRow("CR only") << QByteArray("a\rb\r") << QByteArrayList{"a", "b"};
    QTest::newRow("CR LF") << QByteArray("a\r\nb\r\n") << QByteArrayList{"a", "b"};
    QTest::newRow("last line unterminated") << QByteArray("a\r\nb") << QByteArrayList{"a", "b"};
    QTest::newRow("lone LF stays in the line") << QByteArray("a\nb\r") << QByteArrayList{"a\nb"};
    QTest::newRow("LF only file is one line") << QByteArray("a\nb\n") << QByteArrayList{"a\nb\n"};
    QTest::newRow("only one LF belongs to the ending") << QByteArray("a\r\n\nb") << QByteArrayList{"a", "\nb"};
    QTest::newRow("empty lines") << QByteArray("\r\r\n\r") << QByteArrayList{"", "", ""};
    QTest::newRow("empty file") << QByteArray() << QByteArrayList{};
}

void TestPrmFile::lineEndings()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArrayList, lines);
    QCOMPARE(prmLines(text), lines);
}

void TestPrmFile::recordFromLine_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("entry");
    QTest::addColumn<Elements>("expected");
    QTest::addColumn<int>("filled");
    QTest::addColumn<QString>("fault");

    const auto row = [](const char *name, const char *text, ParamEntry entry, Elements expected, int filled,
                        const char *fault = "") {
        QTest::newRow(name) << QByteArray(text) << int(entry) << expected << filled << QString::fromLatin1(fault);
    };
    row("the outside temperature line", "12, 0, 1000, 10, 40, temp: outside", ParamEntry::TempOutside,
        {12, 0, 1000, 10, 40}, 1);
    row("scale 0 becomes 1", "30,2000,3200,0,0,barometric pressure", ParamEntry::BarometricPressure,
        {30, 2000, 3200, 1, 0}, 1);
    row("scale 0.5 becomes 1", "30,2000,3200,0.5,0,barometric pressure", ParamEntry::BarometricPressure,
        {30, 2000, 3200, 1, 0}, 1);
    row("negative scale becomes 1", "30,2000,3200,-4,0,barometric pressure", ParamEntry::BarometricPressure,
        {30, 2000, 3200, 1, 0}, 1);
    row("wind offset keeps scale 0", "40,0,359,0,0,wind dir offset", ParamEntry::WindDirOffset, {40, 0, 359, 0, 0}, 1);
    row("wind offset keeps scale 0.5", "40,0,359,0.5,0,wind dir offset", ParamEntry::WindDirOffset,
        {40, 0, 359, 0.5f, 0}, 1);
    row("auxillary sensor fills aux once", "14,0,255,1,96,temp: auxillary sensor", ParamEntry::TempAux,
        {14, 0, 255, 1, 96}, 1);
    row("short aux text", "14,0,255,1,96,temp: aux", ParamEntry::TempAux, {14, 0, 255, 1, 96}, 1);
    row("two entry texts: first", "20,0,99,1,0,log interval min / report interval min", ParamEntry::LogIntervalMin,
        {20, 0, 99, 1, 0}, 2);
    row("two entry texts: second", "20,0,99,1,0,log interval min / report interval min",
        ParamEntry::ReportIntervalMin, {20, 0, 99, 1, 0}, 2);
    row("hex and octal", "&H1F,&O17,&HFF,1,0,Wet Level", ParamEntry::WetLevel, {31, 15, 255, 1, 0}, 1);
    row("description around the text", "9, 0, 7, 1, 0, ; the Baud Rate index (0=38400)", ParamEntry::BaudRateIndex,
        {9, 0, 7, 1, 0}, 1);
    row("field without a number", "x,0,255,1,y,Data Input", ParamEntry::DataInput, absentRecord, 1,
        "line 1, field 1 (address), \"x\", is not a number");
    row("empty field", "12,0,,1,96,temp: outside", ParamEntry::TempOutside, absentRecord, 1,
        "line 1, field 3 (raw maximum) is empty");
    row("leading number with trailing text", "12abc, 1 0, 2e2, 1, -3.5 deg, temp: inside", ParamEntry::TempInside,
        {12, 10, 200, 1, -3.5f}, 1);
    row("value rounded to single", "0.1,0,1,1,0.1,uamp/Klux cal", ParamEntry::SolarCal, {0.1f, 0, 1, 1, 0.1f}, 1);
    row("capitals match nothing", "12, 0, 1000, 10, 40, Temp: Outside", ParamEntry::TempOutside, absentRecord, 0);
    row("three commas", "12, 0, 1000, 10 temp: outside", ParamEntry::TempOutside, absentRecord, 1,
        "line 1 has only 3 of the 5 commas its six fields need");
    row("a comma missing before a description", "30, 2000, 3200 100, 0, barometric pressure, inHg", ParamEntry::BarometricPressure,
        absentRecord, 1, "line 1, field 5 (offset), \"barometric pressure\", is not a number");
    row("number beyond single range", "12, 0, 1e39, 1, 0, temp: outside", ParamEntry::TempOutside, absentRecord, 1,
        "line 1, field 3 (raw maximum), \"1e39\", is beyond the range of a single-precision number");
    row("number beyond double range", "12, 0, 1e400, 1, 0, temp: outside", ParamEntry::TempOutside, absentRecord, 1,
        "line 1, field 3 (raw maximum), \"1e400\", is beyond the range of a single-precision number");
    row("negative number beyond double range", "\r12, 0, 255, 1, -1e400, temp: outside", ParamEntry::TempOutside,
        absentRecord, 1, "line 2, field 5 (offset), \"-1e400\", is beyond the range of a single-precision number");
    row("commas missing, no entry text named", "12 0 255 1 96 nothing", ParamEntry::TempOutside, absentRecord, 0);
    row("number below double range reads 0", "12, 0, 255, 1, 1e-400, temp: outside", ParamEntry::TempOutside,
        {12, 0, 255, 1, 0}, 1);
    row("lone LF joins two lines", "12,0,255,1,0,temp: inside\n13,0,255,1,0,temp: outside\r",
        ParamEntry::TempInside, {12, 0, 255, 1, 0}, 2);
}

void TestPrmFile::recordFromLine()
{
    QFETCH(QByteArray, text);
    QFETCH(int, entry);
    QFETCH(Elements, expected);
    QFETCH(int, filled);
    QFETCH(QString, fault);

    ParamRecords records;
    applyPrmText(text, records);
    QCOMPARE(records[ParamEntry(entry)].element, expected);
    QCOMPARE(records[ParamEntry(entry)].fault, fault);
    QCOMPARE(filledCount(records), filled);
}

void TestPrmFile::laterLineOverwrites()
{
    ParamRecords records;
    applyPrmText("12,0,255,1,96,temp: outside\r\n13,1,254,2,95,temp: outside\r\n", records);
    QCOMPARE(records[ParamEntry::TempOutside].element, (Elements{13, 1, 254, 2, 95}));
}

void TestPrmFile::everyEntryTextFillsItsOwnRecord()
{
    // Each of the 33 texts, on a line of its own with its index as address,
    // must land in its own record and nowhere else.
    QByteArray text;
    for (ParamEntry e : allEntries())
        text += QByteArray::number(int(e)) + ",0,100,1,0," + entryName(e) + "\r\n";
    ParamRecords records;
    applyPrmText(text, records);
    for (ParamEntry e : allEntries())
        QCOMPARE(records[e].address(), float(int(e)));
}

void TestPrmFile::fileNameFromVersion_data()
{
    QTest::addColumn<QByteArray>("version");
    QTest::addColumn<QString>("name");
    QTest::newRow("4.103") << QByteArray("4.103\r\n") << "4103.prm";
    QTest::newRow("3.201") << QByteArray("3.201xy") << "3201.prm";
    QTest::newRow("five characters") << QByteArray("1.234") << "1234.prm";
    QTest::newRow("four characters") << QByteArray("1.23") << "";
}

void TestPrmFile::fileNameFromVersion()
{
    QFETCH(QByteArray, version);
    QFETCH(QString, name);
    QCOMPARE(prmFileName(version), name);
}

void TestPrmFile::loadReadsFileNamedAfterVersion()
{
    QTemporaryDir dir;
    writeFile(dir.filePath("4103.prm"), "12, 0, 1000, 10, 40, temp: outside\r\n");
    MessageCapture log;
    LinkState state;
    state.station_version = "4.103\r\n";
    ParamRecords records;
    QCOMPARE(load_prm_file(state, records, {dir.path()}, log), dir.filePath("4103.prm"));
    QCOMPARE(state.station_version, QByteArray("4103.prm"));
    QCOMPARE(records[ParamEntry::TempOutside].element, (Elements{12, 0, 1000, 10, 40}));
    QVERIFY(log.texts().isEmpty());
}

void TestPrmFile::loadResetsRecordsEveryTime()
{
    QTemporaryDir dir;
    writeFile(dir.filePath("4103.prm"), "50,0,255,1,0,Lightning Level\r\n12,0,255,1,96,temp: outside\r\n");
    writeFile(dir.filePath("3201.prm"), "12,0,255,1,90,temp: outside\r\n");
    MessageCapture log;
    LinkState state;
    ParamRecords records;

    state.station_version = "4.103\r\n";
    load_prm_file(state, records, {dir.path()}, log);
    QCOMPARE(records[ParamEntry::LightningLevel].address(), 50.0f);

    state.station_version = "3.201\r\n";
    load_prm_file(state, records, {dir.path()}, log);
    QVERIFY(records[ParamEntry::LightningLevel].absent());
    QCOMPARE(records[ParamEntry::LightningLevel].element, absentRecord);
    QCOMPARE(records[ParamEntry::TempOutside].offset(), 90.0f);

    // A failed load leaves nothing from the earlier file either.
    state.station_version = "9.999\r\n";
    load_prm_file(state, records, {dir.path()}, log);
    QCOMPARE(filledCount(records), 0);
    QCOMPARE(log.texts().size(), 1);
}

void TestPrmFile::missingFileNamesIt()
{
    QTemporaryDir dir;
    MessageCapture log;
    LinkState state;
    state.station_version = "4.103\r\n";
    ParamRecords records;
    applyPrmText("12,0,255,1,96,temp: outside", records);
    QVERIFY(load_prm_file(state, records, {dir.path()}, log).isEmpty());
    QCOMPARE(log.texts(),
             QStringList{"ORV CAL is unable to access the 4103.prm file for your ORV station firmware version."});
    QVERIFY(log.allCriticalOrvCal());
    QCOMPARE(state.station_version, QByteArray("4103.prm"));
    QCOMPARE(filledCount(records), 0);
}

void TestPrmFile::shortVersionReply()
{
    QTemporaryDir dir;
    MessageCapture log;
    LinkState state;
    state.station_version = "4.10";
    ParamRecords records;
    applyPrmText("12,0,255,1,96,temp: outside", records);
    QVERIFY(load_prm_file(state, records, {dir.path()}, log).isEmpty());
    QCOMPARE(log.texts(),
             QStringList{"ORV CAL is unable to access the PRM file for your ORV station firmware version."});
    QVERIFY(log.allCriticalOrvCal());
    QCOMPARE(state.station_version, QByteArray("4.10"));
    QCOMPARE(filledCount(records), 0);
}

void TestPrmFile::versionWithPathSeparatorIsRefused()
{
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath("sub/PRM"));
    // "../x.prm" from the PRM folder would reach the file beside it.
    writeFile(dir.filePath("sub/x.prm"), "12,0,255,1,96,temp: outside\r");
    MessageCapture log;
    LinkState state;
    state.station_version = "..../x";
    ParamRecords records;
    QVERIFY(load_prm_file(state, records, {dir.filePath("sub/PRM")}, log).isEmpty());
    QCOMPARE(log.texts().size(), 1);
    QVERIFY(log.texts()[0].startsWith("ORV CAL is unable to access the "));
    QCOMPARE(filledCount(records), 0);
}

void TestPrmFile::firstFolderHoldingTheFileWins()
{
    QTemporaryDir a, b, c;
    writeFile(b.filePath("4103.prm"), "12,0,255,1,1,temp: outside\r");
    writeFile(c.filePath("4103.prm"), "12,0,255,1,2,temp: outside\r");
    MessageCapture log;
    LinkState state;
    state.station_version = "4.103\r\n";
    ParamRecords records;
    QCOMPARE(load_prm_file(state, records, {a.path(), b.path(), c.path()}, log), b.filePath("4103.prm"));
    QCOMPARE(records[ParamEntry::TempOutside].offset(), 1.0f);
}

void TestPrmFile::filesWithEachLineEnding_data()
{
    QTest::addColumn<QByteArray>("ending");
    QTest::addColumn<int>("filled");
    QTest::newRow("CR") << QByteArray("\r") << 3;
    QTest::newRow("CR LF") << QByteArray("\r\n") << 3;
    // Only the first line's numbers count; the texts of the others sit in its field 6.
    QTest::newRow("LF alone") << QByteArray("\n") << 3;
}

void TestPrmFile::filesWithEachLineEnding()
{
    QFETCH(QByteArray, ending);
    QFETCH(int, filled);

    QTemporaryDir dir;
    const QByteArrayList lines{"12,0,255,1,96,temp: outside", "11,0,255,1,96,temp: inside",
                               "30,2000,3200,100,0,barometric pressure"};
    writeFile(dir.filePath("4103.prm"), lines.join(ending) + ending);
    MessageCapture log;
    LinkState state;
    state.station_version = "4.103\r\n";
    ParamRecords records;
    load_prm_file(state, records, {dir.path()}, log);
    QCOMPARE(filledCount(records), filled);
    if (ending == "\n") {
        QCOMPARE(records[ParamEntry::TempInside].element, (Elements{12, 0, 255, 1, 96}));
        QCOMPARE(records[ParamEntry::BarometricPressure].element, (Elements{12, 0, 255, 1, 96}));
    } else {
        QCOMPARE(records[ParamEntry::TempInside].element, (Elements{11, 0, 255, 1, 96}));
        QCOMPARE(records[ParamEntry::BarometricPressure].element, (Elements{30, 2000, 3200, 100, 0}));
    }
}

void TestPrmFile::searchPathOrder()
{
    qputenv("ORV_PRM_DIR", "/opt/prm-override");
    const QStringList withData = prmSearchPath("/srv/orv-data");
    qunsetenv("ORV_PRM_DIR");
    const QStringList plain = prmSearchPath();

    const QString beside = QDir::cleanPath(QCoreApplication::applicationDirPath() + "/PRM");
    QCOMPARE(withData.value(0), QString("/opt/prm-override"));
    QCOMPARE(withData.value(1), QString("/srv/orv-data/PRM"));
    QCOMPARE(withData.value(2), beside);
    QCOMPARE(plain.value(0), beside);
    QCOMPARE(plain.value(1), QDir::cleanPath(QCoreApplication::applicationDirPath() + "/../share/orvcal/PRM"));
    QVERIFY(plain.value(2).endsWith("/orvcal/PRM"));
    QCOMPARE(plain.size(), 3);
}

QTEST_GUILESS_MAIN(TestPrmFile)
#include "tst_prm_file.moc"
