#include "framework/automation_error.h"
#include "framework/class_factory.h"
#include "framework/registration.h"
#include "pages/vururaz_pages.h"
#include "vururaz_ctrl.h"
#include "vururaz_typelib.h"

#include <QFileInfo>
#include <QSettings>

#include <dlfcn.h>

// The library's four entry points and its registration data.

namespace {

class VururazFactory : public zq::ClassFactory
{
public:
    QWidget *createInstance(QWidget *parent) override { return new CVururazCtrl(parent); }
};

QString libraryPath()
{
    Dl_info info{};
    if (dladdr(reinterpret_cast<void *>(&libraryPath), &info) == 0 || !info.dli_fname)
        return QString();
    return QFileInfo(QString::fromLocal8Bit(info.dli_fname)).absoluteFilePath();
}

// The help directory comes from WINHELP.INI beside the registry file, where an
// installation that ships help files records it.
QString helpDirectory(const zq::Registry &registry)
{
    const QString ini = QFileInfo(registry.path()).absolutePath() + QStringLiteral("/WINHELP.INI");
    if (!QFileInfo::exists(ini))
        return QString();
    QSettings settings(ini, QSettings::IniFormat);
    return settings.value(QStringLiteral("Files/OLEVBREF.HLP")).toString().left(260);
}

zq::ControlClassEntry controlEntry(const QString &path)
{
    zq::ControlClassEntry entry;
    entry.clsid = vururaz::typeLibrary().coclass.clsid;
    entry.progId = vururaz::progId;
    entry.typeName = vururaz::typeName;
    entry.toolboxBitmap = vururaz::toolboxBitmap;
    entry.threadingModel = QStringLiteral("Apartment");
    entry.miscStatus = vururaz::miscStatus;
    entry.libraryPath = path;
    return entry;
}

} // namespace

extern "C" {

Q_DECL_EXPORT quint32 DllRegisterServer()
{
    const zq::TypeLibrary &lib = vururaz::typeLibrary();
    const QString path = libraryPath();
    zq::Registry registry;
    if (!registry.load())
        return zq::status::typeLibRegistrationFailed;
    zq::registerTypeLibrary(registry, lib, path, helpDirectory(registry));
    if (!registry.save())
        return zq::status::typeLibRegistrationFailed;
    zq::registerControlClass(registry, controlEntry(path), lib);
    for (const vururaz::PageClass &page : vururaz::pageClasses())
        zq::registerPageClass(registry, {page.clsid, page.name, page.progId, path});
    return registry.save() ? zq::status::ok : zq::status::classRegistrationFailed;
}

Q_DECL_EXPORT quint32 DllUnregisterServer()
{
    const zq::TypeLibrary &lib = vururaz::typeLibrary();
    zq::Registry registry;
    if (!registry.load())
        return zq::status::typeLibRegistrationFailed;
    zq::unregisterTypeLibrary(registry, lib);
    if (!registry.save())
        return zq::status::typeLibRegistrationFailed;
    zq::unregisterControlClass(registry, lib.coclass.clsid, vururaz::progId);
    for (const vururaz::PageClass &page : vururaz::pageClasses())
        zq::unregisterPageClass(registry, page.clsid);
    return registry.save() ? zq::status::ok : zq::status::classRegistrationFailed;
}

Q_DECL_EXPORT quint32 DllGetClassObject(const char *clsid, const char *iid, void **object)
{
    if (!object)
        return zq::status::noInterface;
    *object = nullptr;
    if (!iid || qstrcmp(iid, zq::entry::iidClassFactory) != 0)
        return zq::status::noInterface;
    const QUuid wanted = clsid ? QUuid::fromString(QLatin1String(clsid)) : QUuid();
    static VururazFactory factory;
    if (!wanted.isNull() && wanted == vururaz::typeLibrary().coclass.clsid) {
        *object = static_cast<zq::ClassFactory *>(&factory);
        return zq::status::ok;
    }
    for (const vururaz::PageClass &page : vururaz::pageClasses()) {
        if (!wanted.isNull() && wanted == page.clsid) {
            *object = page.factory;
            return zq::status::ok;
        }
    }
    return zq::status::classNotAvailable;
}

Q_DECL_EXPORT quint32 DllCanUnloadNow()
{
    return CVururazCtrl::liveCount() == 0 && vururaz::livePages() == 0 ? zq::status::ok : zq::status::falseResult;
}

} // extern "C"
