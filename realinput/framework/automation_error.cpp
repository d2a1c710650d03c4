#include "automation_error.h"

namespace zq {

QString statusText(quint32 code)
{
    switch (code) {
    case status::ok: return QStringLiteral("OK");
    case status::falseResult: return QStringLiteral("False");
    case status::invalidPropertyValue: return QStringLiteral("Invalid property value");
    case status::setNotSupported: return QStringLiteral("Property is read-only");
    case status::getNotSupported: return QStringLiteral("Property is write-only in design mode");
    case status::memberNotFound: return QStringLiteral("Member not found");
    case status::typeMismatch: return QStringLiteral("Type mismatch");
    case status::unknownName: return QStringLiteral("Unknown name");
    case status::overflow: return QStringLiteral("Overflow");
    case status::badParamCount: return QStringLiteral("Wrong number of arguments");
    case status::noInterface: return QStringLiteral("No such interface");
    case status::classNotAvailable: return QStringLiteral("Class not available");
    case status::classNotRegistered: return QStringLiteral("Class not registered");
    case status::typeLibRegistrationFailed: return QStringLiteral("Type library registration failed");
    case status::classRegistrationFailed: return QStringLiteral("Class registration failed");
    case status::loadLibraryFailed: return QStringLiteral("Library could not be loaded");
    default: return QStringLiteral("Unknown status");
    }
}

} // namespace zq
