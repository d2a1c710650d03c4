#include "framework/automation_error.h"
#include "framework/connection_point.h"
#include "framework/variant.h"

#include <QTest>

using zq::Variant;
using zq::VarType;

Q_DECLARE_METATYPE(zq::Variant)
Q_DECLARE_METATYPE(zq::VarType)

class TstVariant : public QObject
{
    Q_OBJECT

private slots:
    void conversion_data()
    {
        QTest::addColumn<Variant>("from");
        QTest::addColumn<VarType>("to");
        QTest::addColumn<Variant>("expected");
        QTest::addColumn<quint32>("error");

        const quint32 none = 0;
        QTest::newRow("string to short") << Variant::fromString("12") << VarType::I2 << Variant::fromI2(12) << none;
        QTest::newRow("halves round to even, down") << Variant::fromR8(12.5) << VarType::I2 << Variant::fromI2(12) << none;
        QTest::newRow("halves round to even, up") << Variant::fromR8(37.5) << VarType::I4 << Variant::fromI4(38) << none;
        QTest::newRow("short overflow") << Variant::fromI4(40000) << VarType::I2 << Variant() << zq::status::overflow;
        QTest::newRow("letters are no number") << Variant::fromString("12a") << VarType::I2 << Variant()
                                               << zq::status::typeMismatch;
        QTest::newRow("True is -1") << Variant::fromString("True") << VarType::Bool << Variant::fromBool(true) << none;
        QTest::newRow("TRUE as -1 reads true") << Variant::fromI2(-1) << VarType::Bool << Variant::fromBool(true) << none;
        QTest::newRow("nonzero is true") << Variant::fromI4(5) << VarType::Bool << Variant::fromBool(true) << none;
        QTest::newRow("bool to short is -1") << Variant::fromBool(true) << VarType::I2 << Variant::fromI2(-1) << none;
        QTest::newRow("hex colour") << Variant::fromString("&H80000006&") << VarType::Color
                                    << Variant::fromColor(0x80000006) << none;
        QTest::newRow("signed long as colour") << Variant::fromI4(-2147483642) << VarType::Color
                                               << Variant::fromColor(0x80000006) << none;
        QTest::newRow("colour to long keeps bits") << Variant::fromColor(0x8000000F) << VarType::I4
                                                   << Variant::fromI4(qint32(0x8000000F)) << none;
        QTest::newRow("double to string") << Variant::fromR8(1234.5) << VarType::String
                                          << Variant::fromString("1234.5") << none;
        QTest::newRow("single keeps single precision") << Variant::fromR8(3.3e38) << VarType::R4
                                                       << Variant::fromR4(3.3e38f) << none;
        QTest::newRow("too big for single") << Variant::fromR8(1e39) << VarType::R4 << Variant()
                                            << zq::status::overflow;
        QTest::newRow("currency from points") << Variant::fromR4(9.75f) << VarType::Currency
                                              << Variant::fromCurrency(97500) << none;
        QTest::newRow("picture is no number") << Variant::fromPicture({}) << VarType::I4 << Variant()
                                              << zq::status::typeMismatch;
        QTest::newRow("text is no font") << Variant::fromString("Arial") << VarType::Font << Variant()
                                         << zq::status::typeMismatch;
        QTest::newRow("empty is zero") << Variant() << VarType::R8 << Variant::fromR8(0) << none;
    }

    void conversion()
    {
        QFETCH(Variant, from);
        QFETCH(VarType, to);
        QFETCH(Variant, expected);
        QFETCH(quint32, error);
        try {
            const Variant got = from.convertedTo(to);
            QCOMPARE(error, 0u);
            QCOMPARE(got.toDisplayString(), expected.toDisplayString());
            QVERIFY(got == expected);
        } catch (const zq::AutomationError &e) {
            QCOMPARE(e.status(), error);
        }
    }

    void pictureNeedsDecodableData()
    {
        zq::Picture p;
        QVERIFY(p.isWellFormed());
        p.kind = zq::Picture::Icon;
        p.data = "not an image";
        QVERIFY(!p.isWellFormed());
        p.kind = zq::Picture::Kind(7);
        QVERIFY(!p.isWellFormed());
    }

    // Only by-reference arguments carry a sink's answer back, and each sink sees
    // what the previous one answered.
    void connectionPointPassesByRefAnswers()
    {
        struct Sink : zq::EventSink
        {
            short setCancel = 0;
            QVector<short> seen;
            void handleEvent(int, zq::EventArgs &args) override
            {
                seen << args[0].value.toI2();
                args[0].value = Variant::fromI2(setCancel);
                args[1].value = Variant::fromString("changed by sink");
            }
        };
        Sink first, second;
        first.setCancel = -1;
        second.setCancel = 5;
        zq::ConnectionPoint cp;
        cp.advise(&first);
        const int cookie = cp.advise(&second);
        zq::EventArgs args{{"Cancel", Variant::fromI2(0), true}, {"Shift", Variant::fromString("original"), false}};
        cp.fire(4, args);
        QCOMPARE(first.seen, QVector<short>{0});
        QCOMPARE(second.seen, QVector<short>{-1});
        QCOMPARE(args[0].value.toI2(), short(5));
        QCOMPARE(args[1].value.toString(), QString("original"));

        cp.unadvise(cookie);
        cp.fire(4, args);
        QCOMPARE(second.seen.size(), 1);
        QCOMPARE(cp.sinkCount(), 1);
    }
};

QTEST_MAIN(TstVariant)
#include "tst_variant.moc"
