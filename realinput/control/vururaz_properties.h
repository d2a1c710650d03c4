#pragma once

#include "framework/variant.h"

#include <limits>
#include <variant>
#include <vector>

class CVururazCtrl;

namespace vururaz {

// Where a property's value lives in the control; std::monostate when it is computed.
using Field = std::variant<std::monostate, short CVururazCtrl::*, qint32 CVururazCtrl::*, quint32 CVururazCtrl::*,
                           float CVururazCtrl::*, double CVururazCtrl::*, QString CVururazCtrl::*,
                           zq::Picture CVururazCtrl::*>;

enum class Persist {
    No,
    Exchange,       // in table order, which is the binary stream layout
    AfterLoadStep,  // exchanged after loading has switched formatting on
};

enum class Effect {
    Notify,         // invalidate, mark modified, change notification
    ModifiedOnly,   // mark modified and notify; nothing on screen depends on it
    RebuildCaret,   // see CVururazCtrl::rebuildCaret
    Own,            // the row's get/put carry the whole rule
    NoAutomation,   // persisted only
};

// The setter rule of a row: values outside lo..hi raise error 380, then the effect runs.
struct SetterRule
{
    Effect effect = Effect::Notify;
    double lo = -std::numeric_limits<double>::infinity();
    double hi = std::numeric_limits<double>::infinity();
};

using Getter = zq::Variant (*)(CVururazCtrl &);
using Setter = void (*)(CVururazCtrl &, const zq::Variant &);

// One property of the control: its automation identity, its storage, its persisted
// default, its value in a new control and its setter rule. The type library, the
// automation bindings, both persisted forms and the reset all come from these rows.
struct PropertyDesc
{
    int dispid = noDispid;
    const char *name = "";
    zq::VarType type = zq::VarType::Empty;
    const char *enumName = ""; // the enumeration the type library names as its type
    int flags = 0;             // zq::MemberFlag bits of the type library
    Field field;
    Persist persist = Persist::No;
    zq::Variant exchangeDefault;
    zq::Variant resetValue; // what a new control holds; Empty leaves the exchange default
    SetterRule rule;
    Getter get = nullptr; // Effect::Own only
    Setter put = nullptr; // Effect::Own only; none for a read-only property

    static constexpr int noDispid = std::numeric_limits<int>::min();
    bool automated() const { return dispid != noDispid; }

    PropertyDesc &member(Field f) { field = f; return *this; }
    // Persisted with `def`, which a new control also starts with.
    PropertyDesc &saved(zq::Variant def, Persist when = Persist::Exchange)
    {
        persist = when;
        exchangeDefault = def;
        resetValue = std::move(def);
        return *this;
    }
    PropertyDesc &startsAs(zq::Variant v) { resetValue = std::move(v); return *this; }
    PropertyDesc &range(double low, double high) { rule.lo = low; rule.hi = high; return *this; }
    PropertyDesc &notNegative() { return range(0, std::numeric_limits<double>::infinity()); }
    PropertyDesc &effect(Effect e) { rule.effect = e; return *this; }
    PropertyDesc &own(Getter g, Setter s) { rule.effect = Effect::Own; get = g; put = s; return *this; }
    PropertyDesc &typeFlags(int f) { flags = f; return *this; }
};

// Reads and writes a row's field with the conversions of its automation type
// (booleans held as -1 and 0).
zq::Variant readField(const CVururazCtrl &control, const PropertyDesc &row);
void writeField(CVururazCtrl &control, const PropertyDesc &row, const zq::Variant &value);

} // namespace vururaz
