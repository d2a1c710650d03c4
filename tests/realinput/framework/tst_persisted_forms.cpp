#include "framework/automation_error.h"
#include "framework/bag_format.h"
#include "framework/property_exchange.h"
#include "framework/stream_format.h"

#include <QBuffer>
#include <QImage>
#include <QTest>
#include <QtEndian>

using zq::StoredValue;
using zq::Variant;
using zq::VarType;

Q_DECLARE_METATYPE(Variant)
Q_DECLARE_METATYPE(VarType)

namespace {

QByteArray pngBytes()
{
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QVector<StoredValue> everyType()
{
    zq::FontDesc font;
    font.name = "Liberation Sans";
    font.sizeCy = 97500;
    font.setBold(true);
    font.underline = true;
    zq::Picture icon;
    icon.kind = zq::Picture::Icon;
    icon.data = pngBytes();
    return {
        {"_Version", Variant::fromI4(0x10000)},
        {"Alignment", Variant::fromI2(-2)},
        {"BorderColor", Variant::fromColor(0x80000006)},
        {"ReadOnly", Variant::fromBool(true)},
        {"SpinChangeReal", Variant::fromR4(0.1f)},
        {"MaxReal", Variant::fromR8(3.3e38)},
        {"MinReal", Variant::fromR8(-1.1e38)},
        {"FontSize", Variant::fromCurrency(82500)},
        {"Text", Variant::fromString(QString::fromLatin1("a \"quoted\" \\ line\nwith\ttab and \xe9"))},
        {"Empty", Variant::fromString("")},
        {"Font", Variant::fromFont(font)},
        {"MouseIcon", Variant::fromPicture(icon)},
        {"NoIcon", Variant::fromPicture(zq::Picture())},
    };
}

// Reads every value back through an exchange, as a control would.
void compareThroughReader(const QVector<StoredValue> &decoded, const QVector<StoredValue> &expected)
{
    zq::PropertyReader reader(decoded);
    for (const StoredValue &sv : expected) {
        Variant v;
        reader.exchange(sv.name, sv.value.type(), v, Variant());
        QVERIFY2(v == sv.value, qPrintable(sv.name + ": " + v.toDisplayString() + " != " + sv.value.toDisplayString()));
    }
}

} // namespace

class TstPersistedForms : public QObject
{
    Q_OBJECT

private slots:
    void roundTrip_data()
    {
        QTest::addColumn<bool>("stream");
        QTest::newRow("binary stream") << true;
        QTest::newRow("property bag") << false;
    }

    void roundTrip()
    {
        QFETCH(bool, stream);
        const auto values = everyType();
        bool complete = false;
        const auto decoded = stream ? zq::stream_format::decode(zq::stream_format::encode(values), &complete)
                                    : zq::bag_format::decode(zq::bag_format::encode(values), &complete);
        QVERIFY(complete);
        QCOMPARE(decoded.size(), values.size());
        compareThroughReader(decoded, values);
    }

    void streamLayoutIsAsDocumented()
    {
        const QByteArray bytes = zq::stream_format::encode({{"Indent", Variant::fromI2(2)},
                                                            {"CaretColor", Variant::fromColor(0x80000008)}});
        QCOMPARE(bytes, QByteArray::fromHex("5a515053 01"
                                            "02 06 496e64656e74 0200"
                                            "13 0a 4361726574436f6c6f72 08000080"
                                            "00"));
    }

    // Every prefix of a stream loads the records that are whole and nothing else.
    void everyTruncationLoadsTheWholeRecords()
    {
        const auto values = everyType();
        const QByteArray bytes = zq::stream_format::encode(values);
        int previous = 0;
        for (int n = 0; n < bytes.size(); ++n) {
            bool complete = true;
            const auto decoded = zq::stream_format::decode(bytes.left(n), &complete);
            QVERIFY(!complete);
            QVERIFY(decoded.size() >= previous);
            previous = int(decoded.size());
            compareThroughReader(decoded, values.mid(0, decoded.size()));
        }
        QCOMPARE(previous, int(values.size()));
    }

    void damagedStreams_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("records");
        const QByteArray head = QByteArray::fromHex("5a51505301");
        QTest::newRow("wrong magic") << QByteArray::fromHex("5a51505801 0201410100 00") << 0;
        QTest::newRow("unknown format version") << QByteArray::fromHex("5a51505302 0201410100 00") << 0;
        QTest::newRow("unknown tag stops") << head + QByteArray::fromHex("0201410100 7701420000 0201430100 00") << 1;
        QTest::newRow("zero-length name stops") << head + QByteArray::fromHex("0201410100 0200 0100") << 1;
        QTest::newRow("huge string length stops") << head + QByteArray::fromHex("0201410100 080142ffffffff41") << 1;
        QTest::newRow("empty") << QByteArray() << 0;
        QTest::newRow("picture of no kind holding bytes")
            << head + QByteArray::fromHex("0b0a973a6f740a01400000000000 090a25740a00000000000000 00 01000000 00 c8c8") << 2;
    }

    void damagedStreams()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, records);
        bool complete = true;
        const auto decoded = zq::stream_format::decode(bytes, &complete);
        QCOMPARE(decoded.size(), records);
        QVERIFY(!complete);
        // What a damaged stream loads is saved as it was loaded.
        compareThroughReader(zq::stream_format::decode(zq::stream_format::encode(decoded)), decoded);
    }

    // What the writer cannot fit into the reader's limits is stored so that it reads
    // back, and the values after it still load.
    void oversizedValuesStillReadBack_data()
    {
        QTest::addColumn<Variant>("value");
        QTest::addColumn<Variant>("readBack");
        const QString big(int(zq::stream_format::maxStringBytes) + 1, QLatin1Char('7'));
        QTest::newRow("string over 1 MiB is cut") << Variant::fromString(big) << Variant::fromString(big.left(big.size() - 1));
        zq::FontDesc font;
        font.name = QString(300, QLatin1Char('F'));
        font.sizeCy = 120000;
        zq::FontDesc cut = font;
        cut.name = font.name.left(zq::stream_format::maxFontNameBytes);
        QTest::newRow("font name over 255 bytes is cut") << Variant::fromFont(font) << Variant::fromFont(cut);
        zq::Picture huge;
        huge.kind = zq::Picture::Icon;
        huge.data = pngBytes() + QByteArray(int(zq::stream_format::maxStringBytes), '\0');
        QTest::newRow("picture over 1 MiB is left out") << Variant::fromPicture(huge) << Variant::fromPicture(zq::Picture());
    }

    void oversizedValuesStillReadBack()
    {
        QFETCH(Variant, value);
        QFETCH(Variant, readBack);
        bool complete = false;
        const auto decoded = zq::stream_format::decode(
            zq::stream_format::encode({{"Big", value}, {"After", Variant::fromI2(42)}}), &complete);
        QVERIFY(complete);
        compareThroughReader(decoded, {{"Big", readBack}, {"After", Variant::fromI2(42)}});
    }

    // A record longer than the reader accepts but whole in the stream (an earlier writer
    // stored it) loads as the default, and reading goes on behind it.
    void overLimitRecordsAreSkipped_data()
    {
        QTest::addColumn<QByteArray>("record");
        QTest::addColumn<VarType>("type");
        const auto length = [](quint32 n) {
            QByteArray b(4, '\0');
            qToLittleEndian(n, b.data());
            return b;
        };
        const quint32 overString = zq::stream_format::maxStringBytes + 1;
        QTest::newRow("string") << QByteArray::fromHex("080142") + length(overString) + QByteArray(int(overString), 'x')
                                << VarType::String;
        QTest::newRow("picture") << QByteArray::fromHex("09014203") + length(overString) + QByteArray(int(overString), 'x')
                                 << VarType::Picture;
        QTest::newRow("font name")
            << QByteArray::fromHex("0a0142") + length(256) + QByteArray(256, 'F')
                   + QByteArray::fromHex("e0930400 00000000 9001 0000 00")
            << VarType::Font;
    }

    void overLimitRecordsAreSkipped()
    {
        QFETCH(QByteArray, record);
        QFETCH(VarType, type);
        const QByteArray bytes = QByteArray::fromHex("5a51505301") + record + QByteArray::fromHex("0201410700 00");
        bool complete = true;
        zq::PropertyReader reader(zq::stream_format::decode(bytes, &complete));
        QVERIFY(!complete);
        Variant def = type == VarType::Picture ? Variant::fromPicture(zq::Picture())
                    : type == VarType::Font    ? Variant::fromFont(zq::FontDesc())
                                               : Variant::fromString("default");
        Variant v;
        try {
            reader.exchange("B", type, v, def);
            QCOMPARE(v, def);
        } catch (const zq::ArchiveError &) {
            QCOMPARE(type, VarType::Picture); // the control turns this into an empty picture
        }
        short after = 0;
        reader.exShort("A", after, 0);
        QCOMPARE(after, short(7));
    }

    void damagedPictureRaisesArchiveErrorOnlyForThatValue_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<bool>("stream");
        zq::Picture bad;
        bad.kind = zq::Picture::Icon;
        bad.data = "garbage, not a picture";
        const QVector<StoredValue> values{{"MouseIcon", Variant::fromPicture(bad)}, {"MousePointer", Variant::fromI2(99)}};
        QTest::newRow("stream") << zq::stream_format::encode(values) << true;
        QTest::newRow("bag") << zq::bag_format::encode(values) << false;
        QTest::newRow("bag with bad base64") << QByteArray("MouseIcon = Picture(Icon, ###)\nMousePointer = 99\n") << false;
        QTest::newRow("bag with unknown kind") << QByteArray("MouseIcon = Picture(Metafile, AAAA)\nMousePointer = 99\n")
                                               << false;
    }

    void damagedPictureRaisesArchiveErrorOnlyForThatValue()
    {
        QFETCH(QByteArray, data);
        QFETCH(bool, stream);
        zq::PropertyReader reader(stream ? zq::stream_format::decode(data) : zq::bag_format::decode(data));
        zq::Picture picture;
        QVERIFY_THROWS_EXCEPTION(zq::ArchiveError, reader.exPicture("MouseIcon", picture, zq::Picture()));
        short pointer = 0;
        reader.exShort("MousePointer", pointer, 0);
        QCOMPARE(pointer, short(99));
        // What was read writes back: the damaged picture as none.
        const auto read = stream ? zq::stream_format::decode(data) : zq::bag_format::decode(data);
        QCOMPARE(zq::bag_format::decode(zq::bag_format::encode(read)).first().value,
                 Variant::fromPicture(zq::Picture()));
    }

    void bagFontSizes_data()
    {
        QTest::addColumn<QString>("size");
        QTest::addColumn<bool>("readable"); // else the line is refused and the default font loads
        QTest::addColumn<qint64>("sizeCy");
        QTest::newRow("plain") << "12" << true << qint64(120000);
        QTest::newRow("fraction") << "8.25" << true << qint64(82500);
        QTest::newRow("negative") << "-1.5" << true << qint64(-15000);
        QTest::newRow("negative fraction") << "-0.0001" << true << qint64(-1);
        QTest::newRow("beyond currency") << "1e30" << false << qint64(0);
        QTest::newRow("beyond currency, negative") << "-1e30" << false << qint64(0);
        QTest::newRow("infinite") << "inf" << false << qint64(0);
        QTest::newRow("not a number") << "nan" << false << qint64(0);
    }

    void bagFontSizes()
    {
        QFETCH(QString, size);
        QFETCH(bool, readable);
        QFETCH(qint64, sizeCy);
        const QByteArray line = QStringLiteral("Font = Font(\"Liberation Sans\", %1, 700, 0, 0, 0, 0)\n").arg(size).toLatin1();
        bool complete = !readable;
        zq::PropertyReader reader(zq::bag_format::decode(line, &complete));
        QCOMPARE(complete, readable);
        zq::FontDesc font;
        font.name = "before";
        reader.exFont("Font", font, zq::FontDesc());
        if (readable)
            QCOMPARE(font.sizeCy, sizeCy);
        else
            QVERIFY(font == zq::FontDesc());
    }

    void bagStringEscapes_data()
    {
        QTest::addColumn<QString>("quoted");
        QTest::addColumn<QString>("read"); // null: the line is refused
        QTest::newRow("hex pair") << "\"a\\x41\\x7e\"" << "aA~";
        QTest::newRow("named") << "\"\\t\\\"\\\\\"" << "\t\"\\";
        QTest::newRow("signed hex") << "\"\\x-1\"" << QString();
        QTest::newRow("spaced hex") << "\"\\x f\"" << QString();
        QTest::newRow("one digit at the end") << "\"\\x4\"" << QString();
    }

    void bagStringEscapes()
    {
        QFETCH(QString, quoted);
        QFETCH(QString, read);
        bool complete = false;
        const auto values = zq::bag_format::decode(QStringLiteral("Text = %1\n").arg(quoted).toUtf8(), &complete);
        QCOMPARE(complete, !read.isNull());
        if (!read.isNull())
            QCOMPARE(values.value(0).value, Variant::fromString(read));
    }

    void readerFallsBackToDefaults()
    {
        zq::PropertyReader reader(zq::bag_format::decode("Alignment = left\nBevelSize = 7\nbroken line\n"));
        short alignment = 5, bevel = 0, indent = 9;
        reader.exShort("Alignment", alignment, 1);
        reader.exShort("BevelSize", bevel, 0);
        reader.exShort("Indent", indent, 2);
        QCOMPARE(alignment, short(1)); // unreadable
        QCOMPARE(bevel, short(7));
        QCOMPARE(indent, short(2)); // absent
    }

    void bagLeavesOutDefaults()
    {
        zq::PropertyWriter writer(true);
        short indent = 2, bevel = 3;
        writer.exShort("Indent", indent, 2);
        writer.exShort("BevelSize", bevel, 0);
        QCOMPARE(zq::bag_format::encode(writer.values()), QByteArray("BevelSize = 3\n"));
    }
};

QTEST_MAIN(TstPersistedForms)
#include "tst_persisted_forms.moc"
