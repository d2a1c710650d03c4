#include "framework/registration.h"
#include "framework/registry.h"

#include <QTemporaryDir>
#include <QTest>

class TstRegistry : public QObject
{
    Q_OBJECT

private slots:
    void locationFollowsEnvironment()
    {
        qputenv("ZQ_REGISTRY", "/tmp/somewhere/reg.ini");
        QCOMPARE(zq::Registry::defaultPath(), QString("/tmp/somewhere/reg.ini"));
        qunsetenv("ZQ_REGISTRY");
        QVERIFY(zq::Registry::defaultPath().endsWith("/zqrinp32/registry.ini"));
    }

    void valuesSurviveSaveAndLoad()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("sub/registry.ini");
        zq::Registry reg(path);
        QVERIFY(reg.load());
        reg.setValue("CLSID\\{A}", "@", "Name = with equals");
        reg.setValue("CLSID\\{A}\\InprocServer32", "ThreadingModel", "Apartment");
        reg.setValue("CLSID\\{AB}", "@", "sibling with a common prefix");
        QVERIFY(reg.save());

        zq::Registry again(path);
        QVERIFY(again.load());
        QCOMPARE(again.value("CLSID\\{A}"), QString("Name = with equals"));
        QCOMPARE(again.value("CLSID\\{A}\\InprocServer32", "ThreadingModel"), QString("Apartment"));

        again.removeTree("CLSID\\{A}");
        QVERIFY(!again.hasKey("CLSID\\{A}"));
        QVERIFY(!again.hasKey("CLSID\\{A}\\InprocServer32"));
        QVERIFY(again.hasKey("CLSID\\{AB}"));
    }

    void classRegistrationIsUndoneCompletely()
    {
        QTemporaryDir dir;
        zq::Registry reg(dir.filePath("r.ini"));
        reg.setValue("Unrelated", "@", "kept");
        zq::TypeLibrary lib;
        lib.libid = QUuid::createUuid();
        lib.dispatch.iid = QUuid::createUuid();
        lib.events.iid = QUuid::createUuid();
        zq::ControlClassEntry entry;
        entry.clsid = QUuid::createUuid();
        entry.progId = "Test.Control.1";
        entry.miscStatus = 0x20191;
        entry.libraryPath = "/lib/x.so";
        zq::registerTypeLibrary(reg, lib, entry.libraryPath, QString());
        zq::registerControlClass(reg, entry, lib);
        const QUuid page = QUuid::createUuid();
        zq::registerPageClass(reg, {page, "Page", "Test.Page", entry.libraryPath});
        QCOMPARE(reg.value("Test.Page\\CLSID"), zq::uuidText(page));
        const QString clsid = zq::uuidText(entry.clsid);
        QCOMPARE(reg.value("CLSID\\" + clsid + "\\MiscStatus\\1"), QString("131473"));
        QCOMPARE(reg.value("Test.Control.1\\CLSID"), clsid);

        zq::unregisterTypeLibrary(reg, lib);
        zq::unregisterControlClass(reg, entry.clsid, entry.progId);
        QStringList left = reg.keys();
        // The page's key, its server and ProgID, its ProgID key and class id, and the unrelated key.
        QCOMPARE(left.size(), 6);
        QVERIFY(left.contains("Unrelated"));
        zq::unregisterPageClass(reg, page);
        QCOMPARE(reg.keys(), QStringList{"Unrelated"});
    }
};

QTEST_MAIN(TstRegistry)
#include "tst_registry.moc"
