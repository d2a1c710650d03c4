#include "registration.h"

namespace zq {

namespace {

QString clsidKey(const QUuid &clsid)
{
    return QStringLiteral("CLSID\\") + uuidText(clsid);
}

QString versionText(const TypeLibrary &lib)
{
    return QStringLiteral("%1.%2").arg(lib.majorVersion).arg(lib.minorVersion);
}

void registerInterface(Registry &registry, const InterfaceInfo &itf, const TypeLibrary &lib)
{
    const QString key = QStringLiteral("Interface\\") + uuidText(itf.iid);
    registry.setValue(key, QStringLiteral("@"), itf.name);
    registry.setValue(key + QStringLiteral("\\TypeLib"), QStringLiteral("@"), uuidText(lib.libid));
    registry.setValue(key + QStringLiteral("\\TypeLib"), QStringLiteral("Version"), versionText(lib));
}

} // namespace

void registerTypeLibrary(Registry &registry, const TypeLibrary &lib, const QString &libraryPath,
                         const QString &helpDir)
{
    const QString key = QStringLiteral("TypeLib\\%1\\%2").arg(uuidText(lib.libid), versionText(lib));
    registry.setValue(key, QStringLiteral("@"), lib.helpString);
    registry.setValue(key + QStringLiteral("\\%1\\linux").arg(lib.lcid == 1033 ? 0 : lib.lcid), QStringLiteral("@"),
                      libraryPath);
    registry.setValue(key + QStringLiteral("\\FLAGS"), QStringLiteral("@"), QStringLiteral("2"));
    registry.setValue(key + QStringLiteral("\\HELPDIR"), QStringLiteral("@"), helpDir);
    registerInterface(registry, lib.dispatch, lib);
    registerInterface(registry, lib.events, lib);
}

void unregisterTypeLibrary(Registry &registry, const TypeLibrary &lib)
{
    registry.removeTree(QStringLiteral("TypeLib\\") + uuidText(lib.libid));
    registry.removeTree(QStringLiteral("Interface\\") + uuidText(lib.dispatch.iid));
    registry.removeTree(QStringLiteral("Interface\\") + uuidText(lib.events.iid));
}

void registerControlClass(Registry &registry, const ControlClassEntry &entry, const TypeLibrary &lib)
{
    const QString key = clsidKey(entry.clsid);
    registry.setValue(key, QStringLiteral("@"), entry.typeName);
    registry.setValue(key + QStringLiteral("\\InprocServer32"), QStringLiteral("@"), entry.libraryPath);
    registry.setValue(key + QStringLiteral("\\InprocServer32"), QStringLiteral("ThreadingModel"),
                      entry.threadingModel);
    registry.setValue(key + QStringLiteral("\\ProgID"), QStringLiteral("@"), entry.progId);
    registry.setValue(key + QStringLiteral("\\ToolboxBitmap32"), QStringLiteral("@"),
                      QStringLiteral("%1, %2").arg(entry.libraryPath).arg(entry.toolboxBitmap));
    registry.setValue(key + QStringLiteral("\\MiscStatus"), QStringLiteral("@"), QStringLiteral("0"));
    registry.setValue(key + QStringLiteral("\\MiscStatus\\1"), QStringLiteral("@"),
                      QString::number(entry.miscStatus));
    registry.setValue(key + QStringLiteral("\\TypeLib"), QStringLiteral("@"), uuidText(lib.libid));
    registry.setValue(key + QStringLiteral("\\Version"), QStringLiteral("@"), versionText(lib));
    registry.setValue(key + QStringLiteral("\\Control"), QStringLiteral("@"), QString());
    registry.setValue(entry.progId, QStringLiteral("@"), entry.typeName);
    registry.setValue(entry.progId + QStringLiteral("\\CLSID"), QStringLiteral("@"), uuidText(entry.clsid));
}

void unregisterControlClass(Registry &registry, const QUuid &clsid, const QString &progId)
{
    registry.removeTree(clsidKey(clsid));
    registry.removeTree(progId);
}

void registerPageClass(Registry &registry, const PageClassEntry &entry)
{
    const QString key = clsidKey(entry.clsid);
    registry.setValue(key, QStringLiteral("@"), entry.name);
    registry.setValue(key + QStringLiteral("\\InprocServer32"), QStringLiteral("@"), entry.libraryPath);
    registry.setValue(key + QStringLiteral("\\InprocServer32"), QStringLiteral("ThreadingModel"),
                      QStringLiteral("Apartment"));
    registry.setValue(key + QStringLiteral("\\ProgID"), QStringLiteral("@"), entry.progId);
    registry.setValue(entry.progId, QStringLiteral("@"), entry.name);
    registry.setValue(entry.progId + QStringLiteral("\\CLSID"), QStringLiteral("@"), uuidText(entry.clsid));
}

void unregisterPageClass(Registry &registry, const QUuid &clsid)
{
    const QString progId = registry.value(clsidKey(clsid) + QStringLiteral("\\ProgID"));
    // Only a ProgID that still names this class is ours to remove.
    if (!progId.isEmpty() && QUuid::fromString(registry.value(progId + QStringLiteral("\\CLSID"))) == clsid)
        registry.removeTree(progId);
    registry.removeTree(clsidKey(clsid));
}

} // namespace zq
