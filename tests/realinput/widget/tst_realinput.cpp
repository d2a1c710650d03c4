#include <zq/realinput.h>

#include <QLineEdit>
#include <QPluginLoader>
#include <QSignalSpy>
#include <QTest>
#ifdef ZQREALINPUTPLUGIN_PATH
#include <QtUiPlugin/QDesignerCustomWidgetInterface>
#endif

// The mapping of the face onto the control; the control's own rules have their tests.
class TstRealInput : public QObject
{
    Q_OBJECT

    // As Designer's property editor and uic-made code set them: through the meta-object.
    static void setAll(QObject *input, const QVariantList &sets)
    {
        for (int i = 0; i + 1 < sets.size(); i += 2)
            input->setProperty(sets[i].toByteArray().constData(), sets[i + 1]);
    }

private slots:
    void properties_data()
    {
        QTest::addColumn<QVariantList>("sets"); // name, value, name, value...
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QVariant>("expected");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("valueChanges"); // the control fires Change on every set, changed or not
        QTest::newRow("value set twice") << QVariantList{"value", 12.5, "value", 12.5} << QByteArray("value") << QVariant(12.5) << "12.50" << 1;
        QTest::newRow("value above maximum refused") << QVariantList{"value", 101.0} << QByteArray("value") << QVariant(0.0) << "0.00" << 0;
        QTest::newRow("decimals above 12 kept at 12") << QVariantList{"decimals", 50} << QByteArray("decimals") << QVariant(12) << "0.000000" << 0;
        QTest::newRow("decimals -2 refused") << QVariantList{"decimals", -2} << QByteArray("decimals") << QVariant(-1) << "0.00" << 0;
        QTest::newRow("foreign text taken, then formatted") << QVariantList{"text", "12a"} << QByteArray("value") << QVariant(12.0) << "12.00" << 1;
        QTest::newRow("money format") << QVariantList{"value", -12.0, "moneyFormat", true} << QByteArray("moneyFormat") << QVariant(true) << "($12.00)" << 1;
        QTest::newRow("separator groups") << QVariantList{"separator", true, "decimals", 1, "text", "1234567.8"}
                                          << QByteArray("separator") << QVariant(true) << "1,234,567.8" << 1;
        QTest::newRow("spin side by name") << QVariantList{"spinSide", "RightSpin"} << QByteArray("spinSide")
                                           << QVariant::fromValue(zq::RealInput::RightSpin) << "0.00" << 0;
    }

    void properties()
    {
        QFETCH(QVariantList, sets);
        QFETCH(QByteArray, name);
        zq::RealInput input;
        input.setRange(-100, 100);
        QSignalSpy changes(&input, &zq::RealInput::valueChanged), edits(&input, &zq::RealInput::textEdited);
        setAll(&input, sets);
        QTEST(input.property(name.constData()), "expected");
        QTEST(input.text(), "text");
        QTEST(int(changes.count()), "valueChanges");
        QCOMPARE(edits.count(), 0); // the program's changes are no edits
    }

    void userInput_data()
    {
        QTest::addColumn<QVariantList>("sets");
        QTest::addColumn<QString>("keys"); // typed with the caret at the separator; '\t' moves the focus on
        QTest::addColumn<QByteArray>("signal");
        QTest::addColumn<QVariantList>("args"); // of the signal's last emission, in emission count
        QTest::addColumn<QString>("text");
        QTest::newRow("up beside spin arrows") << QVariantList{"spinSide", 2, "singleStep", 0.5} << "^" << QByteArray("valueChanged(double)") << QVariantList{5.5} << "5.50";
        // The control shows "1,2347.00" before it regroups: one edit, not two.
        QTest::newRow("digit regrouped") << QVariantList{"separator", true, "value", 1234.0} << "7" << QByteArray("textEdited(QString)") << QVariantList{"12,347.00"} << "12,347.00";
        QTest::newRow("Return finishes") << QVariantList{} << "\r" << QByteArray("editingFinished()") << QVariantList{QVariant()} << "5.00";
        QTest::newRow("leaving finishes") << QVariantList{} << "\t" << QByteArray("editingFinished()") << QVariantList{QVariant()} << "5.00";
        QTest::newRow("leaving out of range") << QVariantList{"maximum", 10.0} << "9\t" << QByteArray("invalidEntry()") << QVariantList{QVariant()} << "59.00";
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
        setAll(input, sets);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        input->setFocus(Qt::TabFocusReason);
        QSignalSpy spy(input, input->metaObject()->method(input->metaObject()->indexOfSignal(signal.constData())));
        QWidget *control = input->focusProxy(); // its caret stands at the separator since the value was set
        for (const QChar c : keys) {
            if (c == QLatin1Char('\t'))
                other->setFocus(Qt::TabFocusReason);
            else
                QTest::keyClick(control, c == QLatin1Char('^') ? Qt::Key_Up : c == QLatin1Char('\r') ? Qt::Key_Return : Qt::Key(c.unicode()));
        }
        QTRY_COMPARE(spy.count(), 1);
        if (args.first().isValid())
            QCOMPARE(spy.first(), args);
        QTEST(input->text(), "text");
    }

#ifdef ZQREALINPUTPLUGIN_PATH
    void designerPluginCreatesTheWidget()
    {
        QPluginLoader loader(QStringLiteral(ZQREALINPUTPLUGIN_PATH));
        auto *plugin = qobject_cast<QDesignerCustomWidgetInterface *>(loader.instance());
        QVERIFY2(plugin, qPrintable(loader.errorString()));
        QCOMPARE(plugin->name(), QStringLiteral("zq::RealInput"));
        QVERIFY(plugin->domXml().contains(QStringLiteral("class=\"zq::RealInput\"")));
        QCOMPARE(plugin->includeFile(), QStringLiteral("zq/realinput.h"));
        QWidget form;
        auto *widget = qobject_cast<zq::RealInput *>(plugin->createWidget(&form));
        QVERIFY(widget);
        setAll(widget, {"decimals", 1, "value", 2.5});
        QCOMPARE(widget->text(), QStringLiteral("2.5"));
    }
#endif
};

QTEST_MAIN(TstRealInput)
#include "tst_realinput.moc"
