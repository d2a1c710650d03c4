#include "control_fixture.h"
#include "framework/bag_format.h"
#include "framework/stream_format.h"

#include <QBuffer>
#include <QImage>
#include <QTest>

#include <algorithm>

using zq::StoredValue;
using zq::Variant;

namespace {

// Every persisted property reachable through automation, read in user mode.
const QStringList persisted = [] {
    QStringList names{"BackColor", "ForeColor", "Font", "Enabled", "Appearance"};
    for (const vururaz::PropertyDesc &row : CVururazCtrl::properties()) {
        if (row.automated() && row.persist != vururaz::Persist::No && row.dispid != vururaz::dispid::MouseIcon
            && row.dispid != vururaz::dispid::TextRaw)
            names << row.name;
    }
    return names;
}();

QMap<QString, QString> snapshot(HostedControl &h)
{
    QMap<QString, QString> out;
    for (const QString &name : persisted)
        out[name] = h.get(name).toDisplayString();
    return out;
}

// A value of the same type as `def` that differs from it.
Variant awayFromDefault(const Variant &def)
{
    switch (def.type()) {
    case zq::VarType::I2: return Variant::fromI2(short(def.toI2() + 1));
    case zq::VarType::I4: return Variant::fromI4(def.toI4() + 7);
    case zq::VarType::Bool: return Variant::fromBool(!def.toBool());
    case zq::VarType::Color: return Variant::fromColor(def.toColor() ^ 0x00010203u);
    case zq::VarType::R4: return Variant::fromR4(def.toR4() * 2 + 1);
    case zq::VarType::R8: return Variant::fromR8(def.toR8() / 2);
    case zq::VarType::String: return Variant::fromString("12.5");
    case zq::VarType::Picture: {
        QImage image(8, 8, QImage::Format_ARGB32);
        image.fill(Qt::green);
        zq::Picture icon;
        icon.kind = zq::Picture::Icon;
        QBuffer buffer(&icon.data);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        return Variant::fromPicture(icon);
    }
    default: break;
    }
    return Variant();
}

// A control set away from every default it has.
void setEverything(HostedControl &h)
{
    h.loadEmpty();
    const QList<QPair<QString, QString>> values = {
        {"Alignment", "2"}, {"BevelSize", "3"}, {"BevelStyle", "4"}, {"BorderColor", "255"}, {"BorderStyle", "2"},
        {"FillColor", "&H00FFEEDD&"}, {"LightColor", "1"}, {"ShadowColor", "2"}, {"TextColor", "3"},
        {"MaxReal", "1e300"}, {"MinReal", "-1e300"}, {"ReadOnly", "True"}, {"Spin", "2"},
        {"SpinChangeReal", "0.25"}, {"SpinDelay", "250"}, {"SpinSpeed", "50"}, {"Indent", "5"},
        {"AutoHScroll", "True"}, {"FontStyle", "3"}, {"CaretHeight", "9"}, {"CaretWidth", "3"},
        {"CaretColor", "&H000000FF&"}, {"CaretStyle", "2"}, {"CaretVAlign", "1"}, {"CaretInterval", "300"},
        {"CaretVisible", "False"}, {"DecimalPlaces", "3"}, {"EntryStyle", "True"}, {"Separator", "True"},
        {"VAlignment", "2"}, {"FocusSelect", "True"}, {"KXCausesValidation", "False"}, {"MousePointer", "11"},
        {"BackColor", "&H00C0C0C0&"}, {"ForeColor", "&H00800000&"}, {"Appearance", "0"}, {"Enabled", "False"},
        {"FontName", "Liberation Mono"}, {"FontItalic", "True"}, {"Text", "-9876543.21"}, {"MoneyFormat", "True"},
    };
    for (const auto &[name, value] : values)
        h.put(name, Variant::fromString(value));
}

} // namespace

class TstVururazPersistence : public QObject
{
    Q_OBJECT

private slots:
    void roundTrip_data()
    {
        QTest::addColumn<bool>("stream");
        QTest::newRow("stream") << true;
        QTest::newRow("property bag") << false;
    }

    void roundTrip()
    {
        QFETCH(bool, stream);
        HostedControl original;
        setEverything(original);
        const QByteArray saved = stream ? original.control->saveToStream() : original.control->saveToBag();
        const auto before = snapshot(original);
        QCOMPARE(before["Text"], QString("\"($9,876,543.210)\"")); // iNegCurr 0: parentheses mark the sign

        HostedControl copy;
        QVERIFY(stream ? copy.control->loadFromStream(saved) : copy.control->loadFromBag(saved));
        QCOMPARE(snapshot(copy), before);
        QVERIFY(copy.control->isLoaded());
        QVERIFY(!copy.control->isModified());
        QCOMPARE(copy.control->tintColor(), 0x0000FFFFu);
    }

    void streamHoldsTheExchangeOrder()
    {
        HostedControl h;
        const auto values = zq::stream_format::decode(h.control->saveToStream());
        QStringList names;
        for (const StoredValue &v : values)
            names << v.name;
        QCOMPARE(names.mid(0, 8), QStringList({"_Version", "BackColor", "ForeColor", "Font", "Enabled", "Appearance",
                                               "TintColor", "Alignment"}));
        QCOMPARE(names.mid(names.size() - 4),
                 QStringList({"KXCausesValidation", "MouseIcon", "MousePointer", "TextRaw"}));
        QCOMPARE(names.size(), 44);
    }

    // Each persisted row, stored away from its default, comes back from a load and is
    // saved again unchanged, in both forms.
    void everyRowRoundTrips_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("stream");
        for (const vururaz::PropertyDesc &row : CVururazCtrl::properties()) {
            if (row.persist == vururaz::Persist::No)
                continue;
            QTest::addRow("%s, stream", row.name) << QString(row.name) << true;
            QTest::addRow("%s, bag", row.name) << QString(row.name) << false;
        }
    }

    void everyRowRoundTrips()
    {
        QFETCH(QString, name);
        QFETCH(bool, stream);
        const vururaz::PropertyDesc *row = nullptr;
        for (const vururaz::PropertyDesc &r : CVururazCtrl::properties()) {
            if (name == r.name)
                row = &r;
        }
        const Variant value = awayFromDefault(row->exchangeDefault);
        QVERIFY(value != row->exchangeDefault);
        const QByteArray bytes = stream ? zq::stream_format::encode({{name, value}})
                                        : zq::bag_format::encode({{name, value}});
        HostedControl h;
        QVERIFY(stream ? h.control->loadFromStream(bytes) : h.control->loadFromBag(bytes));
        const auto saved = stream ? zq::stream_format::decode(h.control->saveToStream())
                                  : zq::bag_format::decode(h.control->saveToBag());
        const auto it = std::find_if(saved.cbegin(), saved.cend(), [&](const StoredValue &v) { return v.name == name; });
        QVERIFY(it != saved.cend());
        zq::PropertyReader reader({*it});
        Variant back;
        reader.exchange(name, row->type, back, Variant());
        QCOMPARE(back.toDisplayString(), value.toDisplayString());
    }

    void streamWithoutTextLoadsDefaults()
    {
        HostedControl h;
        h.control->loadFromStream(zq::stream_format::encode({{"Alignment", Variant::fromI2(0)}}));
        QCOMPARE(h.get("Alignment").toI2(), short(0));
        QCOMPARE(h.get("Text").toString(), QString("0.00"));
        QCOMPARE(h.get("TextRaw").toString(), QString("0.00"));
        // The stored TextRaw string itself took its default too.
        for (const StoredValue &v : zq::stream_format::decode(h.control->saveToStream())) {
            if (v.name == "TextRaw" || v.name == "Text")
                QCOMPARE(v.value.toString(), QString("0.00"));
        }
    }

    // Before the first load the getter answers null, but what a container stored must survive it.
    void textRawReadBeforeLoadKeepsTheStoredString()
    {
        HostedControl h;
        h.put("TextRaw", Variant::fromString("12.5"));
        QVERIFY(h.get("TextRaw").toString().isNull());
        QVERIFY(h.control->saveToBag().contains("TextRaw = \"12.5\"\n"));
        const auto stored = zq::stream_format::decode(h.control->saveToStream());
        QCOMPARE(stored.last().name, QString("TextRaw"));
        QCOMPARE(stored.last().value.toString(), QString("12.5"));
    }

    void caretColorAfterResetAndAfterLoad()
    {
        HostedControl h;
        QCOMPARE(h.get("CaretColor").toColor(), 0x80000006u);
        QCOMPARE(h.get("Text").toString(), QString("0"));
        h.control->loadFromStream(zq::stream_format::encode({}));
        QCOMPARE(h.get("CaretColor").toColor(), 0x80000008u);
        h.control->resetState();
        QCOMPARE(h.get("CaretColor").toColor(), 0x80000006u);
        QVERIFY(!h.control->isLoaded());
    }

    void caretGoesToTheDecimalPlacesOffset_data()
    {
        QTest::addColumn<QByteArray>("bag");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("caret");
        QTest::newRow("offset DecimalPlaces") << QByteArray("Text = \"1234.5\"\nDecimalPlaces = 2\n") << "1234.50" << 2;
        QTest::newRow("offset 0 when -1") << QByteArray("Text = \"1234.5\"\n") << "1234.50" << 4;
        QTest::newRow("money format applied again")
            << QByteArray("Text = \"-12\"\nMoneyFormat = -1\n") << "($12.00)" << 4;
        QTest::newRow("caret cut to the start") << QByteArray("Text = \"5\"\nDecimalPlaces = 12\n") << "5.000000" << 0;
    }

    void caretGoesToTheDecimalPlacesOffset()
    {
        QFETCH(QByteArray, bag);
        QFETCH(QString, text);
        QFETCH(int, caret);
        HostedControl h;
        h.control->loadFromBag(bag);
        QCOMPARE(h.get("Text").toString(), text);
        QCOMPARE(h.control->textState().caret, caret);
    }

    // Every prefix of a saved stream loads without harm: each property is either
    // what was saved or its default.
    void truncatedStreamsLoadWhatTheyCan()
    {
        HostedControl original;
        setEverything(original);
        const QByteArray saved = original.control->saveToStream();
        const auto full = snapshot(original);
        HostedControl fresh;
        fresh.loadEmpty();
        const auto defaults = snapshot(fresh);
        for (int n = 0; n < saved.size(); n += 3) {
            HostedControl h;
            QVERIFY(!h.control->loadFromStream(saved.left(n)));
            const auto got = snapshot(h);
            for (const QString &name : persisted) {
                if (name == "Text")
                    continue; // reformatted with whatever settings came before it
                QVERIFY2(got[name] == full[name] || got[name] == defaults[name],
                         qPrintable(QStringLiteral("%1 at %2 bytes: %3").arg(name).arg(n).arg(got[name])));
            }
            QVERIFY(h.control->textState().text.size() <= zq::MaxTextLength);
        }
    }

    void damagedMouseIconLoadsEmptyAndLoadingGoesOn()
    {
        zq::Picture bad;
        bad.kind = zq::Picture::Icon;
        bad.data = "\x89PNG but cut";
        HostedControl h;
        h.control->loadFromStream(zq::stream_format::encode(
            {{"MouseIcon", Variant::fromPicture(bad)}, {"MousePointer", Variant::fromI2(99)},
             {"TextRaw", Variant::fromString("1")}, {"Text", Variant::fromString("42")}}));
        QVERIFY(h.get("MouseIcon").toPicture().isEmpty());
        QCOMPARE(h.get("MousePointer").toI2(), short(99));
        QCOMPARE(h.control->effectiveMousePointer(), short(99));
        QCOMPARE(h.get("Text").toString(), QString("42.00"));
    }

    // Values the reader would refuse must not cost the properties stored after them.
    void oversizedValuesDoNotLoseWhatFollows_data()
    {
        QTest::addColumn<QString>("property");
        QTest::addColumn<QString>("value");
        QTest::newRow("font name of 300 bytes") << "FontName" << QString(300, 'F');
        QTest::newRow("text over 1 MiB") << "Text" << QString((1 << 20) + 10, '1');
    }

    void oversizedValuesDoNotLoseWhatFollows()
    {
        QFETCH(QString, property);
        QFETCH(QString, value);
        HostedControl original;
        setEverything(original);
        original.put(property, Variant::fromString(value));
        const auto before = snapshot(original);
        HostedControl copy;
        QVERIFY(copy.control->loadFromStream(original.control->saveToStream()));
        const auto after = snapshot(copy);
        for (const QString &name : persisted) {
            if (name != "Font" && name != "Text")
                QCOMPARE(after[name], before[name]);
        }
    }

    void earlierEditionFontIsConvertedOnlyWhenAsked_data()
    {
        QTest::addColumn<bool>("legacy");
        QTest::newRow("converting") << true;
        QTest::newRow("ordinary load") << false;
    }

    void earlierEditionFontIsConvertedOnlyWhenAsked()
    {
        QFETCH(bool, legacy);
        const QByteArray bag = "FontName = \"Liberation Serif\"\nFontSize = 12\nFontBold = -1\nFontStrikethru = -1\n";
        HostedControl h;
        h.control->loadFromBag(bag, legacy);
        const zq::FontDesc f = h.get("Font").toFont();
        const zq::FontDesc def;
        QCOMPARE(f.name, legacy ? QString("Liberation Serif") : def.name);
        QCOMPARE(f.sizeCy, legacy ? qint64(120000) : def.sizeCy);
        QCOMPARE(f.bold(), legacy);
        QCOMPARE(f.strikethrough, legacy);
        QCOMPARE(f.italic, false);
    }

    void tintColorIsPersistedWithoutAutomation()
    {
        HostedControl h;
        h.control->loadFromBag("TintColor = 16711935\n");
        QCOMPARE(h.control->tintColor(), 0x00FF00FFu);
        HostedControl copy;
        copy.control->loadFromStream(h.control->saveToStream());
        QCOMPARE(copy.control->tintColor(), 0x00FF00FFu);
        QVERIFY(h.control->saveToBag().contains("TintColor = 16711935"));
    }
};

QTEST_MAIN(TstVururazPersistence)
#include "tst_vururaz_persistence.moc"
