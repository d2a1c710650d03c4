#pragma once

#include "registry.h"
#include "type_library.h"

#include <QUuid>

namespace zq {

struct ControlClassEntry
{
    QUuid clsid;
    QString progId;
    QString typeName;
    int toolboxBitmap = 1;
    QString threadingModel = QStringLiteral("Apartment");
    quint32 miscStatus = 0;
    QString libraryPath;
};

struct PageClassEntry
{
    QUuid clsid;
    QString name;
    QString progId;
    QString libraryPath;
};

// The keys a library writes for itself; each pair undoes what the other writes.
// The layout follows the system registry so a developer finds things where
// they expect them: TypeLib\{libid}\<major.minor>, Interface\{iid},
// CLSID\{clsid}\InprocServer32 and a top-level key per ProgID.
void registerTypeLibrary(Registry &registry, const TypeLibrary &lib, const QString &libraryPath,
                         const QString &helpDir);
void unregisterTypeLibrary(Registry &registry, const TypeLibrary &lib);
void registerControlClass(Registry &registry, const ControlClassEntry &entry, const TypeLibrary &lib);
void unregisterControlClass(Registry &registry, const QUuid &clsid, const QString &progId);
void registerPageClass(Registry &registry, const PageClassEntry &entry);
void unregisterPageClass(Registry &registry, const QUuid &clsid);

} // namespace zq
