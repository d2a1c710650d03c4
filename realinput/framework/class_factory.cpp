#include "class_factory.h"

#include "automation_error.h"
#include "ole_control.h"
#include "property_page.h"
#include "registry.h"
#include "type_library.h"

#include <QFileInfo>
#include <QLibrary>

namespace zq {

ControlLoader::ControlLoader() = default;
ControlLoader::~ControlLoader() = default;

QLibrary &ControlLoader::library(const QString &path)
{
    const QString canonical = QFileInfo(path).absoluteFilePath();
    auto &lib = m_libraries[canonical];
    if (!lib)
        lib = std::make_unique<QLibrary>(canonical);
    if (!lib->isLoaded() && !lib->load())
        throw AutomationError(status::loadLibraryFailed, lib->errorString());
    return *lib;
}

QUuid ControlLoader::resolveClass(const Registry &registry, const QString &classRef) const
{
    if (classRef.startsWith(QLatin1Char('{')))
        return QUuid::fromString(classRef);
    return QUuid::fromString(registry.value(classRef + QStringLiteral("\\CLSID")));
}

OleControl *ControlLoader::create(const QString &classRef, QWidget *parent)
{
    QWidget *object = createObject(classRef, parent);
    if (auto *control = qobject_cast<OleControl *>(object))
        return control;
    delete object;
    throw AutomationError(status::noInterface, QStringLiteral("%1 is not a control").arg(classRef));
}

PropertyPage *ControlLoader::createPage(const QString &classRef, QWidget *parent)
{
    QWidget *object = createObject(classRef, parent);
    if (auto *page = qobject_cast<PropertyPage *>(object))
        return page;
    delete object;
    throw AutomationError(status::noInterface, QStringLiteral("%1 is not a property page").arg(classRef));
}

QWidget *ControlLoader::createObject(const QString &classRef, QWidget *parent)
{
    Registry registry;
    registry.load();
    const QUuid clsid = resolveClass(registry, classRef);
    const QString path = registry.value(QStringLiteral("CLSID\\%1\\InprocServer32").arg(uuidText(clsid)));
    if (clsid.isNull() || path.isEmpty())
        throw AutomationError(status::classNotRegistered,
                              QStringLiteral("Class not registered: %1").arg(classRef));
    auto get = reinterpret_cast<entry::GetClassObjectFn>(library(path).resolve(entry::getClassObject));
    if (!get)
        throw AutomationError(status::loadLibraryFailed, QStringLiteral("%1 exports no class objects").arg(path));
    void *object = nullptr;
    const QByteArray clsidText = uuidText(clsid).toLatin1();
    const quint32 result = get(clsidText.constData(), entry::iidClassFactory, &object);
    if (result != status::ok || !object)
        throw AutomationError(result ? result : status::classNotAvailable, statusText(result));
    return static_cast<ClassFactory *>(object)->createInstance(parent);
}

quint32 ControlLoader::callServer(const QString &libraryPath, const char *symbol)
{
    auto fn = reinterpret_cast<entry::ServerFn>(library(libraryPath).resolve(symbol));
    if (!fn)
        throw AutomationError(status::loadLibraryFailed,
                              QStringLiteral("%1 does not export %2").arg(libraryPath, QLatin1String(symbol)));
    return fn();
}

} // namespace zq
