#include <zq/realinput.h>

#include <QLineEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

// The mapping of the face onto the control; the control's own rules have their tests.
class TstRealInput : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

private slots:
    void initTestCase()
    {
        QFile profile(m_dir.filePath(QStringLiteral("intl.ini")));
        QVERIFY(profile.open(QIODevice::WriteOnly));
        profile.write("sDecimal=.\nsThousand=,\nsCurrency=$\niCurrency=0\niNegCurr=0\niCurrDigits=2\niDigits=2\n");
        profile.close();
        qputenv("ZQ_INTL_PROFILE", profile.fileName().toLocal8Bit());
    }

    void properties_data()
    {
        QTest::addColumn<QVariantList>("sets"); // name, value, name, value...
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QVariant>("expected");
        QTest::addColumn<QString>("text");
        QTest::newRow("value") << QVariantList{"value", 12.5} << QByteArray("value") << QVariant(12.5) << "12.50";
        QTest::newRow("value above maximum refused") << QVariantList{"value", 101.0} << QByteArray("value") << QVariant(0.0) << "0.00";
        QTest::newRow("value below minimum refused") << QVariantList{"value", -101.0} << QByteArray("value") << QVariant(0.0) << "0.00";
        QTest::newRow("decimals above 12 kept at 12") << QVariantList{"decimals", 50} << QByteArray("decimals") << QVariant(12) << "0.000000";
        QTest::newRow("decimals -2 refused") << QVariantList{"decimals", -2} << QByteArray("decimals") << QVariant(-1) << "0.00";
        QTest::newRow("foreign text taken, then formatted") << QVariantList{"text", "12a"} << QByteArray("value") << QVariant(12.0) << "12.00";
        QTest::newRow("money format") << QVariantList{"value", -12.0, "moneyFormat", true} << QByteArray("moneyFormat") << QVariant(true) << "($12.00)";
        QTest::newRow("separator groups") << QVariantList{"separator", true, "decimals", 1, "text", "1234567.8"}
                                          << QByteArray("separator") << QVariant(true) << "1,234,567.8";
        QTest::newRow("spin side by name") << QVariantList{"spinSide", "RightSpin"} << QByteArray("spinSide")
                                           << QVariant::fromValue(zq::RealInput::RightSpin) << "0.00";
        QTest::newRow("single step") << QVariantList{"singleStep", 0.25} << QByteArray("singleStep") << QVariant(0.25) << "0.00";
        QTest::newRow("read-only") << QVariantList{"readOnly", true} << QByteArray("readOnly") << QVariant(true) << "0.00";
    }

    void properties()
    {
        QFETCH(QVariantList, sets);
        QFETCH(QByteArray, name);
        QFETCH(QVariant, expected);
        zq::RealInput input;
        input.setRange(-100, 100);
        for (int i = 0; i + 1 < sets.size(); i += 2)
            input.setProperty(sets[i].toByteArray().constData(), sets[i + 1]);
        QCOMPARE(input.property(name.constData()), expected);
        QTEST(input.text(), "text");
    }

    void programChangesAreNoEdits()
    {
        zq::RealInput input;
        QSignalSpy value(&input, &zq::RealInput::valueChanged), text(&input, &zq::RealInput::textChanged),
            edited(&input, &zq::RealInput::textEdited);
        input.setValue(5);
        input.setValue(5); // the control fires Change again, but nothing changed
        input.setDecimals(1);
        QCOMPARE(value, QList<QList<QVariant>>{{5.0}});
        QCOMPARE(text, (QList<QList<QVariant>>{{"5.00"}, {"5.0"}}));
        QCOMPARE(edited.count(), 0);
    }

    void userInput_data()
    {
        QTest::addColumn<QVariantList>("sets");
        QTest::addColumn<QString>("keys"); // typed with the caret at the separator; '\t' moves the focus on
        QTest::addColumn<QByteArray>("signal");
        QTest::addColumn<QVariantList>("args"); // of the signal's last emission, in emission count
        QTest::addColumn<QString>("text");
        QTest::newRow("minus") << QVariantList{} << "-" << QByteArray("textEdited(QString)") << QVariantList{"-5.00"} << "-5.00";
        QTest::newRow("up beside spin arrows") << QVariantList{"spinSide", 2, "singleStep", 0.5} << QString(QChar(0x2191))
                                              << QByteArray("valueChanged(double)") << QVariantList{5.5} << "5.50";
        // The control shows "1,2347.00" before it regroups: one edit, not two.
        QTest::newRow("digit regrouped") << QVariantList{"separator", true, "value", 1234.0} << "7"
                                         << QByteArray("textEdited(QString)") << QVariantList{"12,347.00"} << "12,347.00";
        QTest::newRow("Return finishes") << QVariantList{} << "\r" << QByteArray("editingFinished()") << QVariantList{QVariant()} << "5.00";
        QTest::newRow("leaving finishes") << QVariantList{} << "\t" << QByteArray("editingFinished()") << QVariantList{QVariant()} << "5.00";
        QTest::newRow("leaving out of range") << QVariantList{"maximum", 10.0} << "9\t" << QByteArray("invalidEntry()")
                                              << QVariantList{QVariant()} << "59.00";
        QTest::newRow("last decimal typed") << QVariantList{} << ".39" << QByteArray("autoTerminated()") << QVariantList{QVariant()} << "5.39";
    }

    void userInput()
    {
        QFETCH(QVariantList, sets);
        QFETCH(QString, keys);
        QFETCH(QByteArray, signal);
        QFETCH(QVariantList, args);
        QWidget window;
        auto *input = new zq::RealInput(&window);
        auto *other = new QLineEdit(&window);
        other->move(0, 40);
        input->setValue(5);
        for (int i = 0; i + 1 < sets.size(); i += 2)
            input->setProperty(sets[i].toByteArray().constData(), sets[i + 1]);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        input->setFocus(Qt::TabFocusReason);
        QSignalSpy spy(input, input->metaObject()->method(input->metaObject()->indexOfSignal(signal.constData())));
        QWidget *control = input->focusProxy();
        QTest::keyClick(control, Qt::Key_End);
        for (int i = 0; i < 3; ++i)
            QTest::keyClick(control, Qt::Key_Left);
        for (const QChar c : keys) {
            if (c == QLatin1Char('\t'))
                other->setFocus(Qt::TabFocusReason);
            else if (c == QChar(0x2191))
                QTest::keyClick(control, Qt::Key_Up);
            else
                QTest::keyClick(control, c == QLatin1Char('\r') ? Qt::Key_Return : Qt::Key(c.toUpper().unicode()),
                                Qt::NoModifier);
        }
        QTRY_COMPARE(spy.count(), 1);
        if (args.first().isValid())
            QCOMPARE(spy.first(), args);
        QTEST(input->text(), "text");
    }
};

QTEST_MAIN(TstRealInput)
#include "tst_realinput.moc"
