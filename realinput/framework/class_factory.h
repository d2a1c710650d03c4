#pragma once

#include <QString>
#include <QUuid>

#include <map>
#include <memory>

class QLibrary;
class QWidget;

namespace zq {

class OleControl;
class PropertyPage;
class Registry;

// What a library's get-class-object entry hands out for one class.
class ClassFactory
{
public:
    virtual ~ClassFactory() = default;
    // A control or a property page; it belongs to `parent`, or to the caller when there is none.
    virtual QWidget *createInstance(QWidget *parent) = 0;
};

// The four entry points a control library exports as plain C functions.
namespace entry {
constexpr char registerServer[] = "DllRegisterServer";
constexpr char unregisterServer[] = "DllUnregisterServer";
constexpr char getClassObject[] = "DllGetClassObject";
constexpr char canUnloadNow[] = "DllCanUnloadNow";
constexpr char iidClassFactory[] = "{00000001-0000-0000-C000-000000000046}";

using ServerFn = quint32 (*)();
// clsid and iid as "{...}" text; *object receives a ClassFactory*.
using GetClassObjectFn = quint32 (*)(const char *clsid, const char *iid, void **object);
} // namespace entry

// Creates controls the way a container does: the class reference (a ProgID or
// "{clsid}") is looked up in the registry, its library loaded from the
// registered path and asked for the class factory. Libraries stay loaded for the
// loader's lifetime, as the controls they made may still live.
class ControlLoader
{
public:
    ControlLoader();
    ~ControlLoader();

    // Throws AutomationError: classNotRegistered, loadLibraryFailed or the library's status.
    OleControl *create(const QString &classRef, QWidget *parent = nullptr);
    // The same for a property page class.
    PropertyPage *createPage(const QString &classRef, QWidget *parent = nullptr);
    // Whatever the class's factory makes; throws as create() does.
    QWidget *createObject(const QString &classRef, QWidget *parent = nullptr);
    QUuid resolveClass(const Registry &registry, const QString &classRef) const;

    // Loads a library and calls one of its server entry points (register,
    // unregister, can-unload-now). Throws loadLibraryFailed when it cannot.
    quint32 callServer(const QString &libraryPath, const char *symbol);

private:
    QLibrary &library(const QString &path);

    std::map<QString, std::unique_ptr<QLibrary>> m_libraries;
};

} // namespace zq
