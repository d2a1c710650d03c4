#pragma once

#include "type_library.h"
#include "variant.h"

#include <QVector>

namespace zq {

// Late-bound access to an object by dispatch identifier; failures throw
// AutomationError with the status the caller sees.
class Dispatch
{
public:
    virtual ~Dispatch() = default;

    virtual const InterfaceInfo &dispatchInterface() const = 0;
    virtual Variant getProperty(int dispid) = 0;
    virtual void putProperty(int dispid, const Variant &value) = 0;
    virtual Variant invokeMethod(int dispid, const QVector<Variant> &args) = 0;

    // Throws unknownName when no member has that name.
    int idOfName(const QString &name) const;
};

} // namespace zq
