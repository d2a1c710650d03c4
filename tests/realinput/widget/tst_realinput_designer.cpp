#include <zq/realinput.h>

#include <QPluginLoader>
#include <QTest>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>

// Designer finds the widget through the plugin as any Designer build would load it.
class TstRealInputDesigner : public QObject
{
    Q_OBJECT

private slots:
    void pluginCreatesTheWidget()
    {
        QPluginLoader loader(QStringLiteral(ZQREALINPUTPLUGIN_PATH));
        QVERIFY2(loader.load(), qPrintable(loader.errorString()));
        auto *plugin = qobject_cast<QDesignerCustomWidgetInterface *>(loader.instance());
        QVERIFY(plugin);
        QCOMPARE(plugin->name(), QStringLiteral("zq::RealInput"));
        QVERIFY(plugin->domXml().contains(QStringLiteral("class=\"zq::RealInput\"")));
        QCOMPARE(plugin->includeFile(), QStringLiteral("zq/realinput.h"));

        QWidget form;
        QWidget *widget = plugin->createWidget(&form);
        QCOMPARE(widget->parent(), &form);
        QVERIFY(qobject_cast<zq::RealInput *>(widget));
        // The property editor writes through the meta-object, as here.
        QVERIFY(widget->setProperty("decimals", 1));
        QVERIFY(widget->setProperty("value", 2.5));
        QCOMPARE(widget->property("value").toDouble(), 2.5);
        QCOMPARE(widget->property("text").toString(), QStringLiteral("2.5"));
    }
};

QTEST_MAIN(TstRealInputDesigner)
#include "tst_realinput_designer.moc"
