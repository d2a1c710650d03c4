#include "control_fixture.h"

#include <QBuffer>
#include <QImage>
#include <QMetaProperty>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

using zq::Variant;

namespace {

zq::Picture picture(zq::Picture::Kind kind)
{
    QImage image(8, 8, QImage::Format_ARGB32);
    image.fill(Qt::blue);
    zq::Picture p;
    p.kind = kind;
    QBuffer buffer(&p.data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return p;
}

} // namespace

class TstVururazCtrl : public QObject
{
    Q_OBJECT

private slots:
    void setterRules_data()
    {
        QTest::addColumn<QString>("property");
        QTest::addColumn<QString>("value");
        QTest::addColumn<quint32>("status");
        QTest::addColumn<QString>("readBack");
        const quint32 ok = 0, e380 = zq::status::invalidPropertyValue;

        QTest::newRow("DecimalPlaces 50 is stored as 12") << "DecimalPlaces" << "50" << ok << "12";
        QTest::newRow("DecimalPlaces 100 is stored as 12") << "DecimalPlaces" << "100" << ok << "12";
        QTest::newRow("DecimalPlaces -1") << "DecimalPlaces" << "-1" << ok << "-1";
        QTest::newRow("DecimalPlaces -2") << "DecimalPlaces" << "-2" << e380 << "-1";
        QTest::newRow("DecimalPlaces 101") << "DecimalPlaces" << "101" << e380 << "-1";
        QTest::newRow("Separator TRUE") << "Separator" << "-1" << ok << "True";
        QTest::newRow("Separator True") << "Separator" << "True" << ok << "True";
        QTest::newRow("Alignment 0") << "Alignment" << "0" << ok << "0";
        QTest::newRow("Alignment 3") << "Alignment" << "3" << e380 << "1";
        QTest::newRow("Alignment beyond 16 bits") << "Alignment" << "40000" << zq::status::overflow << "1";
        QTest::newRow("BevelSize -1") << "BevelSize" << "-1" << e380 << "0";
        QTest::newRow("BevelStyle 5") << "BevelStyle" << "5" << e380 << "0";
        QTest::newRow("BorderStyle 2") << "BorderStyle" << "2" << ok << "2";
        QTest::newRow("BorderStyle 3") << "BorderStyle" << "3" << e380 << "1";
        QTest::newRow("Spin -1") << "Spin" << "-1" << e380 << "0";
        QTest::newRow("SpinDelay -1") << "SpinDelay" << "-1" << e380 << "500";
        QTest::newRow("SpinSpeed -5") << "SpinSpeed" << "-5" << e380 << "100";
        QTest::newRow("Indent -1") << "Indent" << "-1" << e380 << "2";
        QTest::newRow("CaretStyle 3") << "CaretStyle" << "3" << e380 << "0";
        QTest::newRow("CaretVAlign 3") << "CaretVAlign" << "3" << e380 << "0";
        QTest::newRow("VAlignment 2") << "VAlignment" << "2" << ok << "2";
        QTest::newRow("FontStyle 5") << "FontStyle" << "5" << e380 << "0";
        QTest::newRow("MousePointer 15") << "MousePointer" << "15" << ok << "15";
        QTest::newRow("MousePointer 16") << "MousePointer" << "16" << e380 << "0";
        QTest::newRow("MousePointer 99") << "MousePointer" << "99" << ok << "99";
        QTest::newRow("ReadOnly 1 is stored TRUE") << "ReadOnly" << "1" << ok << "True";
        QTest::newRow("FillColor system colour") << "FillColor" << "&H80000012&" << ok << "&H80000012&";
        QTest::newRow("MinReal") << "MinReal" << "-5" << ok << "-5";
        QTest::newRow("KXCausesValidation False") << "KXCausesValidation" << "False" << ok << "False";
    }

    void setterRules()
    {
        QFETCH(QString, property);
        QFETCH(QString, value);
        QFETCH(quint32, status);
        QFETCH(QString, readBack);
        HostedControl h;
        QSignalSpy changed(h.control.get(), &zq::OleControl::propertyChanged);
        QCOMPARE(h.putStatus(property, Variant::fromString(value)), status);
        QCOMPARE(h.get(property).toDisplayString(), readBack);
        // A refused value leaves no trace: not modified, nobody told.
        QCOMPARE(h.control->isModified(), status == 0);
        QCOMPARE(changed.isEmpty(), status != 0);
    }

    void notificationsNameTheirOwnDispatchId_data()
    {
        QTest::addColumn<QString>("property");
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("dispid");
        QTest::addColumn<QString>("state"); // new, loaded or design
        QTest::newRow("Alignment") << "Alignment" << "0" << 2 << "new";
        QTest::newRow("DecimalPlaces") << "DecimalPlaces" << "3" << 31 << "new";
        QTest::newRow("FocusSelect") << "FocusSelect" << "-1" << 37 << "new";
        QTest::newRow("MousePointer under the value's id") << "MousePointer" << "2" << 0 << "new";
        QTest::newRow("Text, also as stock text") << "Text" << "5" << -518 << "new";
        QTest::newRow("TextRaw") << "TextRaw" << "5" << 48 << "new";
        QTest::newRow("ValueReal") << "ValueReal" << "5" << 46 << "new";
        QTest::newRow("BackColor") << "BackColor" << "255" << -501 << "new";
        // Reformatting moves the caret, and containers are told of it.
        QTest::newRow("DecimalPlaces reformats: SelStart") << "DecimalPlaces" << "3" << 12 << "loaded";
        QTest::newRow("ValueReal reformats: SelStart") << "ValueReal" << "5" << 12 << "loaded";
        QTest::newRow("MoneyFormat reformats: SelStart") << "MoneyFormat" << "-1" << 12 << "loaded";
        // Without the focus there is no caret to rebuild, but the change is still the container's to save.
        QTest::newRow("CaretWidth without the focus") << "CaretWidth" << "4" << 24 << "loaded";
        QTest::newRow("CaretWidth in design mode") << "CaretWidth" << "4" << 24 << "design";
        QTest::newRow("EntryStyle in design mode") << "EntryStyle" << "-1" << 32 << "design";
    }

    void notificationsNameTheirOwnDispatchId()
    {
        QFETCH(QString, property);
        QFETCH(QString, value);
        QFETCH(int, dispid);
        QFETCH(QString, state);
        HostedControl h;
        if (state == QLatin1String("loaded"))
            h.loadEmpty();
        h.site.userMode = state != QLatin1String("design");
        QSignalSpy changed(h.control.get(), &zq::OleControl::propertyChanged);
        h.put(property, Variant::fromString(value));
        QList<int> ids;
        for (const auto &args : changed)
            ids << args.at(0).toInt();
        QVERIFY2(ids.contains(dispid), qPrintable(QStringLiteral("notified %1").arg(QVariant::fromValue(ids).toString())));
        QVERIFY(h.control->isModified());
    }

    // The property table is what the type library, the bindings and the Q_PROPERTY
    // declarations must agree on; a row added without one of them shows up here.
    void tableMatchesTheTypeLibrary_data()
    {
        QTest::addColumn<int>("dispid");
        for (const vururaz::PropertyDesc &row : CVururazCtrl::properties()) {
            if (row.automated())
                QTest::newRow(row.name) << row.dispid;
        }
    }

    void tableMatchesTheTypeLibrary()
    {
        QFETCH(int, dispid);
        const vururaz::PropertyDesc &row = CVururazCtrl::propertyRow(dispid);
        const zq::TypeLibrary &lib = vururaz::typeLibrary();
        const zq::MemberInfo *m = lib.dispatch.byId(dispid);
        QVERIFY(m);
        QCOMPARE(m->name, QString(row.name));
        QCOMPARE(m->kind, zq::MemberKind::Property);
        QCOMPARE(m->type, row.type);
        QCOMPARE(m->flags, row.flags);
        QCOMPARE(m->typeName, QString(row.enumName));
        if (!m->typeName.isEmpty())
            QVERIFY(lib.enumByName(m->typeName));

        HostedControl h;
        h.loadEmpty();
        QCOMPARE(h.control->getProperty(dispid).type(), row.type);
        if (row.persist != vururaz::Persist::No) {
            const QMetaProperty qp = h.control->metaObject()->property(h.control->metaObject()->indexOfProperty(row.name));
            QVERIFY2(qp.isValid() && qp.isWritable(), "persisted without a Q_PROPERTY");
            // Its accessors reach the row's own storage: what the one writes, the other reads.
            if (!row.get) {
                const double x = h.get(row.name).toR8();
                const Variant away = Variant::fromR8(std::abs(x) > 1e30 ? x / 2 : x + 1).convertedTo(row.type);
                const bool real = row.type == zq::VarType::R4 || row.type == zq::VarType::R8;
                QVERIFY(qp.write(h.control.get(), real ? QVariant(away.toR8()) : QVariant(qlonglong(away.toR8()))));
                QCOMPARE(h.get(row.name), away);
                QCOMPARE(Variant::fromR8(qp.read(h.control.get()).toDouble()).convertedTo(row.type), away);
            }
        }
    }

    // Containers store these numbers in their forms, so they may never move.
    void customDispatchIdsAreFixed()
    {
        const QStringList expected = {
            "MousePointer", "Alignment", "BevelSize", "BevelStyle", "BorderColor", "BorderStyle", "FillColor",
            "LightColor", "ShadowColor", "TextColor", "SelLength", "SelStart", "SelText", "Text", "ReadOnly", "Spin",
            "SpinChangeReal", "Undo", "SpinDelay", "SpinSpeed", "Indent", "AutoHScroll", "CaretHeight", "CaretWidth",
            "CaretColor", "CaretStyle", "CaretVAlign", "CaretInterval", "CaretVisible", "MoneyFormat",
            "DecimalPlaces", "EntryStyle", "Separator", "VAlignment", "MouseIcon", "FontStyle", "FocusSelect",
            "FontBold", "FontItalic", "FontName", "FontStrikeThru", "FontUnderline", "FontSize", "MinReal", "MaxReal",
            "ValueReal", "KXCausesValidation", "TextRaw"};
        QStringList byId;
        for (int id = 1; id <= 48; ++id) {
            const zq::MemberInfo *m = vururaz::typeLibrary().dispatch.byId(id);
            byId << (m ? m->name : QString());
        }
        QCOMPARE(byId, expected);
        int custom = 0;
        for (const zq::MemberInfo &m : vururaz::typeLibrary().dispatch.members)
            custom += m.dispid > 0 ? 1 : 0;
        QCOMPARE(custom, 48);
    }

    void dispatchByNameAndById()
    {
        HostedControl h;
        h.loadEmpty();
        QCOMPARE(h.control->idOfName("valuereal"), 46);
        QCOMPARE(h.control->idOfName("TextRaw"), 48);
        QCOMPARE(h.control->idOfName("hWnd"), -515);
        h.control->putProperty(31, Variant::fromI2(2));
        h.control->putProperty(0, Variant::fromString("7"));
        QCOMPARE(h.control->getProperty(0).toString(), QString("7.00"));
        QCOMPARE(h.control->getProperty(14).toString(), QString("7.00"));
        QCOMPARE(h.control->getProperty(46).toR8(), 7.0);
        QCOMPARE(h.control->getProperty(h.control->idOfName("DECIMALPLACES")).toI2(), short(2));
    }

    void dispatchFailures_data()
    {
        QTest::addColumn<int>("kind"); // 0 get, 1 put, 2 call
        QTest::addColumn<QString>("member");
        QTest::addColumn<quint32>("status");
        QTest::newRow("unknown name") << 0 << "Nonsense" << zq::status::unknownName;
        QTest::newRow("TintColor has no automation access") << 0 << "TintColor" << zq::status::unknownName;
        QTest::newRow("hWnd cannot be set") << 1 << "hWnd" << zq::status::setNotSupported;
        QTest::newRow("a method is no property") << 0 << "AboutBox" << zq::status::memberNotFound;
        QTest::newRow("a property is no method") << 2 << "Text" << zq::status::memberNotFound;
        QTest::newRow("Refresh takes no arguments") << 3 << "Refresh" << zq::status::badParamCount;
    }

    void dispatchFailures()
    {
        QFETCH(int, kind);
        QFETCH(QString, member);
        QFETCH(quint32, status);
        HostedControl h;
        try {
            const int id = h.control->idOfName(member);
            if (kind == 0)
                h.control->getProperty(id);
            else if (kind == 1)
                h.control->putProperty(id, Variant::fromI4(5));
            else
                h.control->invokeMethod(id, kind == 3 ? QVector<Variant>{Variant::fromI2(1)} : QVector<Variant>{});
            QFAIL("no error raised");
        } catch (const zq::AutomationError &e) {
            QCOMPARE(e.status(), status);
        }
        QVERIFY_THROWS_EXCEPTION(zq::AutomationError, h.control->getProperty(999));
    }

    void runTimeOnlyPropertiesRefuseDesignModeReads_data()
    {
        QTest::addColumn<QString>("property");
        QTest::addColumn<bool>("designRefuses");
        for (const char *p : {"SelLength", "SelStart", "SelText", "Undo", "EntryStyle", "FontBold", "FontItalic",
                              "FontName", "FontStrikeThru", "FontUnderline", "FontSize"})
            QTest::newRow(p) << QString(p) << true;
        for (const char *p : {"Text", "TextRaw", "ValueReal", "Separator", "Font", "hWnd"})
            QTest::newRow(p) << QString(p) << false;
    }

    void runTimeOnlyPropertiesRefuseDesignModeReads()
    {
        QFETCH(QString, property);
        QFETCH(bool, designRefuses);
        HostedControl h;
        h.site.userMode = false;
        try {
            h.get(property);
            QVERIFY(!designRefuses);
        } catch (const zq::AutomationError &e) {
            QVERIFY(designRefuses);
            QCOMPARE(e.status(), zq::status::getNotSupported);
        }
        h.site.userMode = true;
        h.get(property);
    }

    void invalidSetText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<Variant>("cancel");
        QTest::addColumn<Variant>("replacement");
        QTest::addColumn<QString>("expectedText");
        QTest::addColumn<QStringList>("expectedEvents");
        const QString invalid12a = QStringLiteral("4 Cancel=0 InvalidText=\"12a\"");
        QTest::newRow("accepted as it is") << "12a" << Variant() << Variant() << "12.00"
                                           << QStringList{invalid12a, "2"};
        QTest::newRow("cancelled") << "12a" << Variant::fromI2(-1) << Variant() << "3.00" << QStringList{invalid12a};
        QTest::newRow("corrected by the container") << "12a" << Variant() << Variant::fromString("77") << "77.00"
                                                    << QStringList{invalid12a, "2"};
        QTest::newRow("out of range") << "5000" << Variant::fromI2(1) << Variant() << "3.00"
                                      << QStringList{"4 Cancel=0 InvalidText=\"5000\""};
        QTest::newRow("a valid text fires only Change") << "123.5" << Variant() << Variant() << "123.50"
                                                        << QStringList{"2"};
    }

    void invalidSetText()
    {
        QFETCH(QString, text);
        QFETCH(Variant, cancel);
        QFETCH(Variant, replacement);
        QFETCH(QString, expectedText);
        QFETCH(QStringList, expectedEvents);
        HostedControl h;
        h.loadEmpty();
        h.put("MaxReal", Variant::fromR8(1000));
        h.put("Text", Variant::fromString("3"));
        h.site.events.clear();
        if (!cancel.isEmpty())
            h.site.answers["Cancel"] = cancel;
        if (!replacement.isEmpty())
            h.site.answers["InvalidText"] = replacement;
        h.put("Text", Variant::fromString(text));
        QCOMPARE(h.get("Text").toString(), expectedText);
        QCOMPARE(h.site.events, expectedEvents);
    }

    void valueRealOutOfRangeIsRefused()
    {
        HostedControl h;
        h.loadEmpty();
        h.put("Text", Variant::fromString("4"));
        h.put("MaxReal", Variant::fromR8(10));
        QCOMPARE(h.putStatus("ValueReal", Variant::fromR8(11)), zq::status::invalidPropertyValue);
        QCOMPARE(h.get("Text").toString(), QString("4.00"));
        h.site.events.clear();
        h.put("ValueReal", Variant::fromR8(-2.5));
        QCOMPARE(h.get("Text").toString(), QString("-2.50"));
        QCOMPARE(h.site.events, QStringList{"2"});
        // No range takes a value that no text can show.
        h.put("MaxReal", Variant::fromR8(HUGE_VAL));
        QCOMPARE(h.putStatus("ValueReal", Variant::fromR8(HUGE_VAL)), zq::status::invalidPropertyValue);
    }

    void formattingWaitsForTheFirstLoad()
    {
        HostedControl h;
        QCOMPARE(h.get("Text").toString(), QString("0"));
        QVERIFY(h.get("TextRaw").toString().isNull());
        h.put("Text", Variant::fromString("1234.5"));
        QCOMPARE(h.get("Text").toString(), QString("1234.5"));
        h.loadEmpty();
        h.put("Separator", Variant::fromBool(true));
        h.put("DecimalPlaces", Variant::fromI2(2));
        h.put("Text", Variant::fromString("1234.5"));
        QCOMPARE(h.get("Text").toString(), QString("1,234.50"));
        QCOMPARE(h.get("TextRaw").toString(), QString("1234.50"));
    }

    // No profile and a locale whose separators a byte cannot hold: the defaults take over.
    void arabicLocaleWithoutProfileKeepsTheNumber()
    {
        HostedControl h;
        h.control->setIntlProfile(std::make_shared<zq::FileIntlProfile>(
            QStringLiteral("/nonexistent/intl.ini"), QLocale(QLocale::Arabic, QLocale::Egypt)));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("separators")));
        h.loadEmpty();
        h.put("Separator", Variant::fromBool(true));
        h.put("DecimalPlaces", Variant::fromI2(2));
        h.put("Text", Variant::fromString("1234.5"));
        QCOMPARE(h.get("Text").toString(), QString("1,234.50"));
        QCOMPARE(h.get("ValueReal").toR8(), 1234.5);
    }

    void selectionProperties()
    {
        HostedControl h;
        h.loadEmpty();
        h.put("Text", Variant::fromString("1234.5")); // 1234.50
        h.put("SelStart", Variant::fromI4(2));
        h.put("SelLength", Variant::fromI4(100));
        QCOMPARE(h.get("SelLength").toI4(), 5); // cut to the end
        QCOMPARE(h.get("SelText").toString(), QString("34.50"));
        h.put("SelLength", Variant::fromI4(-100));
        QCOMPARE(h.get("SelLength").toI4(), 2); // cut to the caret
        QCOMPARE(h.get("SelStart").toI4(), 0);
        h.put("SelStart", Variant::fromI4(-3));
        QCOMPARE(h.get("SelStart").toI4(), 0);
    }

    void mouseIconTakesIconsOnly()
    {
        HostedControl h;
        QCOMPARE(h.putStatus("MouseIcon", Variant::fromPicture(picture(zq::Picture::Bitmap))),
                 zq::status::invalidPropertyValue);
        QVERIFY(h.get("MouseIcon").toPicture().isEmpty());
        QCOMPARE(h.putStatus("MouseIcon", Variant::fromPicture(picture(zq::Picture::Icon))), 0u);
        QCOMPARE(h.get("MouseIcon").toPicture().kind, zq::Picture::Icon);
        QCOMPARE(h.putStatus("MouseIcon", Variant::fromPicture(zq::Picture())), 0u);
    }

    void fontPropertiesForwardToTheStockFont()
    {
        HostedControl h;
        QSignalSpy changed(h.control.get(), &zq::OleControl::propertyChanged);
        h.put("FontName", Variant::fromString("Liberation Serif"));
        h.put("FontSize", Variant::fromR4(12.5f));
        h.put("FontBold", Variant::fromBool(true));
        const zq::FontDesc f = h.get("Font").toFont();
        QCOMPARE(f.name, QString("Liberation Serif"));
        QCOMPARE(f.sizeCy, qint64(125000));
        QVERIFY(f.bold());
        QCOMPARE(h.get("FontSize").toR4(), 12.5f);
        QCOMPARE(changed.count(), 3);
        QCOMPARE(changed.first().at(0).toInt(), -512);
    }
};

QTEST_MAIN(TstVururazCtrl)
#include "tst_vururaz_ctrl.moc"
