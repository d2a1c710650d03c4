#pragma once

#include "framework/variant.h"

#include <QMetaEnum>

#include <functional>
#include <limits>
#include <optional>
#include <vector>

class CVururazCtrl;

namespace vururaz {

enum class Persist {
    No,
    Exchange,       // in table order, which is the binary stream layout
    AfterLoadStep,  // exchanged after loading has switched formatting on
};

// What a stored value makes stale. A put refreshes these in this order, then marks the
// control modified and tells its container.
enum Depends : int {
    Nothing = 0,
    // ReformatText with offset 0 and MeasureCharEdges. It runs even when the value stays,
    // because the reformatting puts the caret at the decimal position.
    Text = 1,
    // Before the reformatting the caret goes to the decimal position and the selection
    // away, loaded or not.
    CaretToDecimal = 2,
    Caret = 4,   // re-created while the control has the focus
    Pointer = 8, // shown at once
    Screen = 16, // the drawing
};

// The put of a row: values it does not accept raise error 380, then the shape runs.
struct SetterRule
{
    int depends = Screen;
    std::optional<int> notifyId; // the dispatch id containers hear of; the row's own unless set
    // The value to store for a value given, or none for error 380; null takes any value.
    std::function<std::optional<zq::Variant>(const zq::Variant &)> accept;
};

using Getter = zq::Variant (*)(CVururazCtrl &);
using Setter = void (*)(CVururazCtrl &, const zq::Variant &);

// One property of the control: its automation identity, its storage, its persisted
// default, its value in a new control and its setter rule. The type library, the
// automation bindings, both persisted forms, the reset and the setters all come from
// these rows.
struct PropertyDesc
{
    int dispid = noDispid;
    const char *name = "";
    zq::VarType type = zq::VarType::Empty;
    QByteArray enumName; // the enumeration the type library names as its type
    int flags = 0;       // zq::MemberFlag bits of the type library
    Persist persist = Persist::No;
    zq::Variant exchangeDefault;
    zq::Variant resetValue; // what a new control holds; Empty leaves the exchange default
    SetterRule rule;
    Getter get = nullptr; // for a row without storage, or whose put is the control's own
    Setter put = nullptr; // none for a read-only property

    // The row's storage in a control, converted to and from its automation type
    // (booleans held as -1 and 0); empty for a computed property.
    std::function<zq::Variant(const CVururazCtrl &)> read;
    std::function<void(CVururazCtrl &, const zq::Variant &)> write;
    std::function<const void *(const CVururazCtrl &)> address;

    static constexpr int noDispid = std::numeric_limits<int>::min();
    bool automated() const { return dispid != noDispid; }
    bool stored() const { return bool(read); }

    // Held in a member of the control, or in a field of one of its member structs.
    template<typename Owner, typename T> PropertyDesc &member(T Owner::*field);
    template<typename S, typename T> PropertyDesc &member(S CVururazCtrl::*group, T S::*field);
    // Persisted with `def`, which a new control also starts with.
    PropertyDesc &saved(zq::Variant def, Persist when = Persist::Exchange)
    {
        persist = when;
        exchangeDefault = def;
        resetValue = std::move(def);
        return *this;
    }
    PropertyDesc &startsAs(zq::Variant v) { resetValue = std::move(v); return *this; }
    PropertyDesc &range(double low, double high);
    PropertyDesc &notNegative() { return range(0, std::numeric_limits<double>::infinity()); }
    // Takes the constants of E only; `typed` also names E as the property's type.
    template<typename E> PropertyDesc &valuesOf(bool typed = true);
    PropertyDesc &accepting(std::function<std::optional<zq::Variant>(const zq::Variant &)> f)
    {
        rule.accept = std::move(f);
        return *this;
    }
    PropertyDesc &dependents(int d) { rule.depends = d; return *this; }
    PropertyDesc &notifying(int id) { rule.notifyId = id; return *this; }
    PropertyDesc &own(Getter g, Setter s) { get = g; put = s; return *this; }
    PropertyDesc &typeFlags(int f) { flags = f; return *this; }
};

template<typename E> PropertyDesc &PropertyDesc::valuesOf(bool typed)
{
    const QMetaEnum meta = QMetaEnum::fromType<E>();
    if (typed)
        enumName = meta.enumName();
    return accepting([meta](const zq::Variant &v) -> std::optional<zq::Variant> {
        const short x = v.toI2();
        if (!meta.valueToKey(x))
            return std::nullopt;
        return zq::Variant::fromI2(x);
    });
}

} // namespace vururaz
