#include "control_fixture.h"
#include "framework/class_factory.h"
#include "framework/registry.h"

#include <QTemporaryDir>
#include <QTest>

extern "C" {
quint32 DllRegisterServer();
quint32 DllUnregisterServer();
quint32 DllGetClassObject(const char *clsid, const char *iid, void **object);
quint32 DllCanUnloadNow();
}

namespace {

const QString controlKey = "CLSID\\{0F1F1505-C40A-101B-AD04-00AA00575482}";
const QStringList pageKeys = {"CLSID\\{243F7622-65F7-11CF-A0DD-00AA0062530E}",
                              "CLSID\\{243F7626-65F7-11CF-A0DD-00AA0062530E}",
                              "CLSID\\{243F7624-65F7-11CF-A0DD-00AA0062530E}"};
const QString typeLibKey = "TypeLib\\{0F1F1508-C40A-101B-AD04-00AA00575482}\\1.0";

zq::Registry currentRegistry()
{
    zq::Registry reg;
    reg.load();
    return reg;
}

} // namespace

class TstVururazRegistration : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        m_path = m_dir.filePath(QStringLiteral("reg-%1.ini").arg(++m_count));
        qputenv("ZQ_REGISTRY", m_path.toLocal8Bit());
    }

    void registeringTwiceSucceedsBothTimes()
    {
        QCOMPARE(DllRegisterServer(), 0u);
        const QStringList first = currentRegistry().keys();
        QCOMPARE(DllRegisterServer(), 0u);
        QCOMPARE(currentRegistry().keys(), first);

        const zq::Registry reg = currentRegistry();
        QCOMPARE(reg.value(controlKey), QString("Tarvel ZqRealInput Control"));
        QCOMPARE(reg.value(controlKey + "\\ProgID"), QString("VURURAZ.VururazCtrl.1"));
        QCOMPARE(reg.value(controlKey + "\\InprocServer32", "ThreadingModel"), QString("Apartment"));
        QVERIFY(reg.value(controlKey + "\\InprocServer32").endsWith("libzqrinp32.so"));
        QCOMPARE(reg.value(controlKey + "\\MiscStatus\\1"), QString::number(0x20191));
        QVERIFY(reg.value(controlKey + "\\ToolboxBitmap32").endsWith(", 1"));
        QCOMPARE(reg.value(controlKey + "\\Version"), QString("1.0"));
        QCOMPARE(reg.value("VURURAZ.VururazCtrl.1\\CLSID"), QString("{0F1F1505-C40A-101B-AD04-00AA00575482}"));
        QCOMPARE(reg.value(typeLibKey), QString("Tarvel ZqRealInput Control"));
        QCOMPARE(reg.value(pageKeys[0]), QString("VuRuRaz Property Page"));
        QCOMPARE(reg.value(pageKeys[1]), QString("VuRuraz Bevel Property Page"));
        QCOMPARE(reg.value(pageKeys[2]), QString("VuRuraz Caret Property Page"));
        const QStringList pageProgIds{"Zozaru32.CZqInRealPPg", "Zozaru32.CAppearPPg", "Zozaru32.CCaretPPg"};
        for (int i = 0; i < pageKeys.size(); ++i) {
            QCOMPARE(reg.value(pageKeys[i] + "\\ProgID"), pageProgIds[i]);
            QCOMPARE(reg.value(pageProgIds[i] + "\\CLSID"), pageKeys[i].mid(6));
        }
    }

    void unregisteringRemovesControlPagesAndTypeLibrary()
    {
        zq::Registry reg;
        reg.setValue("Other\\Key", "@", "stays");
        QVERIFY(reg.save());
        QCOMPARE(DllRegisterServer(), 0u);
        QCOMPARE(DllUnregisterServer(), 0u);
        QCOMPARE(currentRegistry().keys(), QStringList{"Other\\Key"});
        QCOMPARE(DllUnregisterServer(), 0u);
    }

    void controlsAreCreatedThroughTheRegistry_data()
    {
        QTest::addColumn<QString>("classRef");
        QTest::newRow("ProgID") << "VURURAZ.VururazCtrl.1";
        QTest::newRow("class id") << "{0F1F1505-C40A-101B-AD04-00AA00575482}";
    }

    void controlsAreCreatedThroughTheRegistry()
    {
        QFETCH(QString, classRef);
        zq::ControlLoader loader;
        QVERIFY_THROWS_EXCEPTION(zq::AutomationError, loader.create(classRef));
        QCOMPARE(DllRegisterServer(), 0u);
        QCOMPARE(DllCanUnloadNow(), 0u);
        std::unique_ptr<zq::OleControl> control(loader.create(classRef));
        QVERIFY(qobject_cast<CVururazCtrl *>(control.get()));
        QCOMPARE(control->typeLibrary().name, QString("VururazLib"));
        QCOMPARE(DllCanUnloadNow(), 1u);
        control.reset();
        QCOMPARE(DllCanUnloadNow(), 0u);
    }

    void classObjectsAreHandedOutForTheControlAndItsPages_data()
    {
        QTest::addColumn<QString>("clsid");
        QTest::addColumn<QString>("iid");
        QTest::addColumn<quint32>("status");
        const QString factory = zq::entry::iidClassFactory;
        QTest::newRow("control") << "{0F1F1505-C40A-101B-AD04-00AA00575482}" << factory << 0u;
        QTest::newRow("lower case class id") << "{0f1f1505-c40a-101b-ad04-00aa00575482}" << factory << 0u;
        QTest::newRow("General page") << "{243F7622-65F7-11CF-A0DD-00AA0062530E}" << factory << 0u;
        QTest::newRow("Appearance page") << "{243F7626-65F7-11CF-A0DD-00AA0062530E}" << factory << 0u;
        QTest::newRow("Caret page") << "{243F7624-65F7-11CF-A0DD-00AA0062530E}" << factory << 0u;
        QTest::newRow("a standard page is not ours") << "{0BE35201-8F91-11CE-9DE3-00AA004BB851}" << factory
                                                     << zq::status::classNotAvailable;
        QTest::newRow("another class") << "{0F1F1508-C40A-101B-AD04-00AA00575482}" << factory
                                       << zq::status::classNotAvailable;
        QTest::newRow("another interface") << "{0F1F1505-C40A-101B-AD04-00AA00575482}"
                                           << "{00000000-0000-0000-C000-000000000046}" << zq::status::noInterface;
    }

    void classObjectsAreHandedOutForTheControlAndItsPages()
    {
        QFETCH(QString, clsid);
        QFETCH(QString, iid);
        QFETCH(quint32, status);
        void *object = reinterpret_cast<void *>(1);
        QCOMPARE(DllGetClassObject(clsid.toLatin1().constData(), iid.toLatin1().constData(), &object), status);
        QCOMPARE(object != nullptr, status == 0);
    }

private:
    QTemporaryDir m_dir;
    QString m_path;
    int m_count = 0;
};

QTEST_MAIN(TstVururazRegistration)
#include "tst_vururaz_registration.moc"
