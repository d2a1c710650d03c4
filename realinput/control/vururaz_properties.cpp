#include "vururaz_properties.h"

#include "framework/ole_control.h"
#include "vururaz_ctrl.h"
#include "vururaz_typelib.h"

namespace vururaz {

namespace {

using zq::Variant;
using zq::VarType;

template<typename T> Variant toVariant(VarType type, const T &v)
{
    if constexpr (std::is_same_v<T, QString>) {
        return Variant::fromString(v);
    } else if constexpr (std::is_same_v<T, zq::Picture>) {
        return Variant::fromPicture(v);
    } else {
        switch (type) {
        case VarType::I2: return Variant::fromI2(short(v));
        case VarType::I4: return Variant::fromI4(qint32(v));
        case VarType::Bool: return Variant::fromBool(v != 0);
        case VarType::Color: return Variant::fromColor(quint32(v));
        case VarType::R4: return Variant::fromR4(float(v));
        case VarType::R8: return Variant::fromR8(double(v));
        default: break;
        }
        return Variant();
    }
}

template<typename T> T fromVariant(VarType type, const Variant &v)
{
    if constexpr (std::is_same_v<T, QString>) {
        return v.toString();
    } else if constexpr (std::is_same_v<T, zq::Picture>) {
        return v.toPicture();
    } else if constexpr (std::is_same_v<T, bool>) {
        return v.toBool();
    } else if constexpr (std::is_same_v<T, float>) {
        return v.toR4();
    } else if constexpr (std::is_same_v<T, double>) {
        return v.toR8();
    } else {
        switch (type) {
        case VarType::Bool: return T(v.toBool() ? -1 : 0);
        case VarType::Color: return T(v.toColor());
        case VarType::I2: return T(v.toI2());
        default: return T(v.toI4());
        }
    }
}

} // namespace

template<typename Owner, typename T> PropertyDesc &PropertyDesc::member(T Owner::*field)
{
    const VarType t = type;
    read = [t, field](const CVururazCtrl &c) { return toVariant(t, c.*field); };
    write = [t, field](CVururazCtrl &c, const Variant &v) { c.*field = fromVariant<T>(t, v); };
    address = [field](const CVururazCtrl &c) -> const void * { return &(c.*field); };
    return *this;
}

template<typename S, typename T> PropertyDesc &PropertyDesc::member(S CVururazCtrl::*group, T S::*field)
{
    const VarType t = type;
    read = [t, group, field](const CVururazCtrl &c) { return toVariant(t, c.*group.*field); };
    write = [t, group, field](CVururazCtrl &c, const Variant &v) { c.*group.*field = fromVariant<T>(t, v); };
    address = [group, field](const CVururazCtrl &c) -> const void * { return &(c.*group.*field); };
    return *this;
}

PropertyDesc &PropertyDesc::range(double low, double high)
{
    return accepting([low, high](const Variant &v) -> std::optional<Variant> {
        const double x = v.toR8();
        if (x < low || x > high)
            return std::nullopt;
        return v;
    });
}

} // namespace vururaz

namespace {

using vururaz::Persist;
using vururaz::PropertyDesc;
using zq::Variant;
using zq::VarType;

PropertyDesc prop(int dispid, const char *name, VarType type)
{
    PropertyDesc row;
    row.dispid = dispid;
    row.name = name;
    row.type = type;
    return row;
}

} // namespace

const std::vector<PropertyDesc> &CVururazCtrl::properties()
{
    // Ids the code itself names come from the enumeration; the others are written here only.
    namespace id = vururaz::dispid;
    using namespace vururaz;
    using C = CVururazCtrl;
    using zq::ControlLook;
    using zq::ValueSettings;
    constexpr int design = zq::DesignGetNotSupported;
    constexpr int bound = zq::Bindable | zq::RequestEdit | zq::DisplayBind;
    const auto I2 = Variant::fromI2;
    const auto I4 = Variant::fromI4;
    const auto Bool = Variant::fromBool;
    const auto Color = Variant::fromColor;
    const auto Str = [](const char *s) { return Variant::fromString(QLatin1String(s)); };
    const auto look = &C::m_look;
    const auto value = &C::m_value;

    // Persisted rows come first, in the order of the stream layout.
    static const std::vector<PropertyDesc> table = {
        prop(PropertyDesc::noDispid, "TintColor", VarType::I4).member(&C::m_tintColor).saved(I4(0x0000FFFF)),
        prop(2, "Alignment", VarType::I2).member(look, &ControlLook::alignment).saved(I2(1))
            .valuesOf<AlignmentConstants>(),
        prop(3, "BevelSize", VarType::I2).member(look, &ControlLook::bevelSize).saved(I2(0)).notNegative(),
        prop(4, "BevelStyle", VarType::I2).member(look, &ControlLook::bevelStyle).saved(I2(0))
            .valuesOf<BevelStyleConstants>(),
        prop(5, "BorderColor", VarType::Color).member(look, &ControlLook::borderColor).saved(Color(0x80000006)),
        prop(6, "BorderStyle", VarType::I2).member(look, &ControlLook::borderStyle).saved(I2(1))
            .valuesOf<BorderStyleConstants>(),
        prop(7, "FillColor", VarType::Color).member(look, &ControlLook::fillColor).saved(Color(0x8000000F)),
        prop(8, "LightColor", VarType::Color).member(look, &ControlLook::lightColor).saved(Color(0x80000005)),
        prop(9, "ShadowColor", VarType::Color).member(look, &ControlLook::shadowColor).saved(Color(0x80000010)),
        prop(10, "TextColor", VarType::Color).member(look, &ControlLook::textColor).saved(Color(0x80000008)),
        // A new control shows its text unformatted until the first load, so it starts as "0".
        prop(id::Text, "Text", VarType::String).typeFlags(zq::Bindable | zq::DefaultBind | zq::DisplayBind)
            .member(&C::m_textString).saved(Str("0.00")).startsAs(Str("0"))
            .own([](C &c) { return Variant::fromString(c.text()); },
                 [](C &c, const Variant &v) { c.setText(v.toString()); }),
        prop(45, "MaxReal", VarType::R8).member(value, &ValueSettings::MaxReal).saved(Variant::fromR8(3.3e38)),
        prop(44, "MinReal", VarType::R8).member(value, &ValueSettings::MinReal).saved(Variant::fromR8(-1.1e38)),
        prop(15, "ReadOnly", VarType::Bool).member(&C::m_readOnly).saved(Bool(false)),
        prop(16, "Spin", VarType::I2).member(look, &ControlLook::spin).saved(I2(0)).valuesOf<SpinStyleConstants>(),
        prop(17, "SpinChangeReal", VarType::R4).member(&C::m_spinChangeReal).saved(Variant::fromR4(1.0f)),
        prop(19, "SpinDelay", VarType::I4).member(&C::m_spinDelay).saved(I4(500)).notNegative(),
        prop(20, "SpinSpeed", VarType::I4).member(&C::m_spinSpeed).saved(I4(100)).notNegative(),
        prop(21, "Indent", VarType::I2).member(look, &ControlLook::indent).saved(I2(2)).notNegative(),
        prop(22, "AutoHScroll", VarType::Bool).member(look, &ControlLook::autoHScroll).saved(Bool(false)),
        prop(36, "FontStyle", VarType::I2).member(look, &ControlLook::fontStyle).saved(I2(0))
            .valuesOf<FontStyleConstants>(false),
        prop(23, "CaretHeight", VarType::I2).member(look, &ControlLook::caretHeight).saved(I2(0))
            .dependents(Caret | Screen),
        prop(24, "CaretWidth", VarType::I2).member(look, &ControlLook::caretWidth).saved(I2(0))
            .dependents(Caret | Screen),
        // A new control's caret takes the border colour; a stream without one gives the text colour.
        prop(25, "CaretColor", VarType::Color).member(&C::m_caretColor).saved(Color(0x80000008))
            .startsAs(Color(0x80000006)).dependents(Caret | Screen),
        prop(26, "CaretStyle", VarType::I2).member(look, &ControlLook::caretStyle).saved(I2(0))
            .valuesOf<CaretStyleConstants>().dependents(Caret | Screen),
        prop(27, "CaretVAlign", VarType::I2).member(look, &ControlLook::caretVAlign).saved(I2(0))
            .valuesOf<CaretVAlignmentConstants>(),
        prop(28, "CaretInterval", VarType::I2).member(&C::m_caretInterval).saved(I2(0)).dependents(Caret | Screen),
        prop(29, "CaretVisible", VarType::Bool).member(look, &ControlLook::caretVisible).saved(Bool(true))
            .dependents(Caret | Screen),
        prop(30, "MoneyFormat", VarType::Bool).member(value, &ValueSettings::MoneyFormat).saved(Bool(false))
            .dependents(CaretToDecimal | Text | Screen),
        prop(31, "DecimalPlaces", VarType::I2).member(value, &ValueSettings::DecimalPlaces).saved(I2(-1))
            .accepting([](const Variant &v) -> std::optional<Variant> {
                const std::optional<short> stored = zq::StoredDecimalPlaces(v.toI4());
                return stored ? std::optional<Variant>(Variant::fromI2(*stored)) : std::nullopt;
            })
            .dependents(Text | Screen),
        prop(32, "EntryStyle", VarType::Bool).typeFlags(zq::Hidden | design).member(value, &ValueSettings::EntryStyle)
            .saved(Bool(false)).dependents(Text | Screen),
        // The grouping shows at the next reformatting, not at once.
        prop(33, "Separator", VarType::Bool).member(value, &ValueSettings::Separator).saved(Bool(false)),
        prop(34, "VAlignment", VarType::I2).member(look, &ControlLook::vAlignment).saved(I2(0))
            .valuesOf<VAlignmentConstants>(),
        prop(37, "FocusSelect", VarType::Bool).member(&C::m_focusSelect).saved(Bool(false)).dependents(Nothing),
        prop(47, "KXCausesValidation", VarType::Bool).member(&C::m_causesValidation).saved(Bool(true)),
        prop(id::MouseIcon, "MouseIcon", VarType::Picture).member(&C::m_mouseIcon)
            .saved(Variant::fromPicture(zq::Picture()))
            .own([](C &c) { return Variant::fromPicture(c.mouseIcon()); },
                 [](C &c, const Variant &v) { c.setMouseIcon(v.toPicture()); }),
        // Containers have always been told of this one under the value's identifier.
        prop(1, "MousePointer", VarType::I2).member(&C::m_mousePointer).saved(I2(0))
            .valuesOf<MousePointerConstants>().dependents(Pointer).notifying(zq::dispid::value),
        // Like Text, a new control holds "0" here until its first load.
        prop(id::TextRaw, "TextRaw", VarType::String).typeFlags(bound).member(&C::m_textRawString)
            .saved(Str("0.00"), Persist::AfterLoadStep).startsAs(Str("0"))
            .own([](C &c) { return Variant::fromString(c.textRaw()); },
                 [](C &c, const Variant &v) { c.setTextRaw(v.toString()); }),

        prop(id::SelLength, "SelLength", VarType::I4).typeFlags(design)
            .own([](C &c) { return Variant::fromI4(c.selLength()); },
                 [](C &c, const Variant &v) { c.setSelLength(v.toI4()); }),
        prop(id::SelStart, "SelStart", VarType::I4).typeFlags(design)
            .own([](C &c) { return Variant::fromI4(c.selStart()); },
                 [](C &c, const Variant &v) { c.setSelStart(v.toI4()); }),
        prop(id::SelText, "SelText", VarType::String).typeFlags(design)
            .own([](C &c) { return Variant::fromString(c.selText()); },
                 [](C &c, const Variant &v) { c.setSelText(v.toString()); }),
        prop(id::Undo, "Undo", VarType::Bool).typeFlags(design)
            .own([](C &c) { return Variant::fromBool(c.undoRead()); }, [](C &c, const Variant &) { c.undoWrite(); }),
        prop(38, "FontBold", VarType::Bool).typeFlags(design)
            .own([](C &c) { return Variant::fromBool(c.stockFont().bold()); },
                 [](C &c, const Variant &v) { c.forwardFont([&](zq::FontDesc &f) { f.setBold(v.toBool()); }); }),
        prop(39, "FontItalic", VarType::Bool).typeFlags(design)
            .own([](C &c) { return Variant::fromBool(c.stockFont().italic); },
                 [](C &c, const Variant &v) { c.forwardFont([&](zq::FontDesc &f) { f.italic = v.toBool(); }); }),
        prop(40, "FontName", VarType::String).typeFlags(design)
            .own([](C &c) { return Variant::fromString(c.stockFont().name); },
                 [](C &c, const Variant &v) { c.forwardFont([&](zq::FontDesc &f) { f.name = v.toString(); }); }),
        prop(41, "FontStrikeThru", VarType::Bool).typeFlags(design)
            .own([](C &c) { return Variant::fromBool(c.stockFont().strikethrough); },
                 [](C &c, const Variant &v) {
                     c.forwardFont([&](zq::FontDesc &f) { f.strikethrough = v.toBool(); });
                 }),
        prop(42, "FontUnderline", VarType::Bool).typeFlags(design)
            .own([](C &c) { return Variant::fromBool(c.stockFont().underline); },
                 [](C &c, const Variant &v) { c.forwardFont([&](zq::FontDesc &f) { f.underline = v.toBool(); }); }),
        // The font holds its size as currency; automation sees a float.
        prop(43, "FontSize", VarType::R4).typeFlags(design)
            .own([](C &c) { return Variant::fromR4(float(double(c.stockFont().sizeCy) / 10000.0)); },
                 [](C &c, const Variant &v) {
                     const qint64 cy = Variant::fromR4(v.toR4()).toCurrency();
                     c.forwardFont([&](zq::FontDesc &f) { f.sizeCy = cy; });
                 }),
        prop(id::ValueReal, "ValueReal", VarType::R8).typeFlags(bound)
            .own([](C &c) { return Variant::fromR8(c.valueReal()); },
                 [](C &c, const Variant &v) { c.setValueReal(v.toR8()); }),
    };
    return table;
}
