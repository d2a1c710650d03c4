#include "message_capture.h"

#include "params/prm_file.h"

#include "link/link_state.h"
#include "link/numeric.h"

#include <QRandomGenerator>
#include <QtTest>

#include <cmath>
#include <limits>

using namespace orv;
using orv::test::MessageCapture;

namespace {

using Elements = std::array<float, 5>;

// The five numbers of every line that is an entry, however the parser came to it.
QList<Elements> lineTuples(const QByteArray &text)
{
    QList<Elements> tuples;
    for (QByteArray line : prmLines(text)) {
        PrmFields fields;
        if (!split_prm_line(line, fields))
            continue;
        Elements e{};
        bool fits = true;
        for (std::size_t k = 0; k < 5; ++k) {
            const double d = leadingNumber(fields[k]);
            fits = fits && std::fabs(d) <= double(std::numeric_limits<float>::max());
            e[k] = fits ? float(d) : 0.0f;
        }
        if (fits)
            tuples << e;
    }
    return tuples;
}

// Every record is untouched, or whole from one line of the text, with a
// usable scale wherever the conversions rely on one.
void verifyRecords(const ParamRecords &records, const QByteArray &text)
{
    const QList<Elements> tuples = lineTuples(text);
    for (ParamEntry entry : allEntries()) {
        const ParamRecord &r = records[entry];
        for (float v : r.element)
            QVERIFY2(std::isfinite(v), text.toHex().constData());
        if (r.element == ParamRecord{}.element)
            continue;
        if (entry != ParamEntry::WindDirOffset)
            QVERIFY2(r.scale() >= 1.0f, text.toHex().constData());
        bool fromOneLine = false;
        for (const Elements &t : tuples) {
            const bool scaleMatches = t[3] == r.scale() || (entry != ParamEntry::WindDirOffset && t[3] < 1 && r.scale() == 1);
            if (t[0] == r.element[0] && t[1] == r.element[1] && t[2] == r.element[2] && t[4] == r.element[4]
                && scaleMatches)
                fromOneLine = true;
        }
        QVERIFY2(fromOneLine, text.toHex().constData());
    }
}

QByteArray randomBytes(QRandomGenerator &rng, int maxLength)
{
    QByteArray bytes(int(rng.bounded(maxLength + 1)), '\0');
    for (char &c : bytes)
        c = char(rng.bounded(256));
    return bytes;
}

// Lines close enough to real ones to get past the splitter and the matcher.
QByteArray randomPrmText(QRandomGenerator &rng)
{
    static const QByteArrayList pieces{
        ",", ",", ",", ",", " ", "\r", "\n", "\r\n", "-", ".", "&H", "&O", "&h", "E", "e+", "D-", "1e39", "-1e39",
        "0", "1", "7", "9", "255", "65535", "999999999999", "0.5", "-999", "FF", "\t", "\x1a", QByteArray(1, '\0'),
    };
    const auto &entries = allEntries();
    QByteArray text;
    const int count = int(rng.bounded(1, 40));
    for (int i = 0; i < count; ++i) {
        if (rng.bounded(4) == 0) {
            const ParamEntry e = entries[rng.bounded(int(entries.size()))];
            const QByteArrayList &texts = entryTexts(e);
            text += texts[rng.bounded(int(texts.size()))];
        } else {
            text += pieces[rng.bounded(int(pieces.size()))];
        }
    }
    return text;
}

} // namespace

class TestPrmFuzz : public QObject
{
    Q_OBJECT

private slots:
    void randomBytesParse();
    void randomLinesParse();
    void randomFilesAndVersionsLoad();
};


void TestPrmFuzz::randomBytesParse()
{
    QRandomGenerator rng(20260314);
    for (int i = 0; i < 3000; ++i) {
        const QByteArray text = randomBytes(rng, 300);
        ParamRecords records;
        applyPrmText(text, records);
        verifyRecords(records, text);
        if (QTest::currentTestFailed())
            return;
    }
}

void TestPrmFuzz::randomLinesParse()
{
    QRandomGenerator rng(4103);
    for (int i = 0; i < 5000; ++i) {
        const QByteArray text = randomPrmText(rng);
        ParamRecords records;
        applyPrmText(text, records);
        verifyRecords(records, text);
        if (QTest::currentTestFailed())
            return;
    }
}

void TestPrmFuzz::randomFilesAndVersionsLoad()
{
    MessageCapture log; // a missing or unreadable file is reported; nothing to look at here
    QRandomGenerator rng(3201);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    for (int i = 0; i < 300; ++i) {
        QFile file(dir.filePath("4103.prm"));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        const QByteArray text = rng.bounded(2) ? randomPrmText(rng) : randomBytes(rng, 200);
        file.write(text);
        file.close();

        LinkState state;
        state.station_version = rng.bounded(2) ? QByteArray("4.103\r\n") : randomBytes(rng, 8);
        ParamRecords records;
        const QString path = load_prm_file(state, records, {dir.path()}, log);
        if (path.isEmpty()) {
            for (ParamEntry e : allEntries())
                QVERIFY(records[e].absent());
        } else {
            verifyRecords(records, text);
        }
        if (QTest::currentTestFailed())
            return;
    }
}

QTEST_GUILESS_MAIN(TestPrmFuzz)
#include "tst_prm_fuzz.moc"
