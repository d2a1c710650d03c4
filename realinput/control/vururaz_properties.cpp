#include "vururaz_properties.h"

#include "framework/ole_control.h"
#include "vururaz_ctrl.h"
#include "vururaz_typelib.h"

#include <climits>

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

Variant readField(const CVururazCtrl &control, const PropertyDesc &row)
{
    return std::visit(
        [&](auto member) -> Variant {
            if constexpr (std::is_same_v<decltype(member), std::monostate>)
                return Variant();
            else
                return toVariant(row.type, control.*member);
        },
        row.field);
}

void writeField(CVururazCtrl &control, const PropertyDesc &row, const Variant &value)
{
    std::visit(
        [&](auto member) {
            if constexpr (!std::is_same_v<decltype(member), std::monostate>) {
                using T = std::remove_reference_t<decltype(control.*member)>;
                control.*member = fromVariant<T>(row.type, value);
            }
        },
        row.field);
}

} // namespace vururaz

namespace {

using vururaz::Effect;
using vururaz::Persist;
using vururaz::PropertyDesc;
using zq::Variant;
using zq::VarType;

PropertyDesc prop(int dispid, const char *name, VarType type, const char *enumName = "")
{
    PropertyDesc row;
    row.dispid = dispid;
    row.name = name;
    row.type = type;
    row.enumName = enumName;
    return row;
}

} // namespace

const std::vector<PropertyDesc> &CVururazCtrl::properties()
{
    namespace id = vururaz::dispid;
    using C = CVururazCtrl;
    constexpr int design = zq::DesignGetNotSupported;
    constexpr int bound = zq::Bindable | zq::RequestEdit | zq::DisplayBind;
    const auto I2 = Variant::fromI2;
    const auto I4 = Variant::fromI4;
    const auto Bool = Variant::fromBool;
    const auto Color = Variant::fromColor;
    const auto Str = [](const char *s) { return Variant::fromString(QLatin1String(s)); };

    // Persisted rows come first, in the order of the stream layout.
    static const std::vector<PropertyDesc> table = {
        prop(PropertyDesc::noDispid, "TintColor", VarType::I4).member(&C::m_tintColor).saved(I4(0x0000FFFF))
            .effect(Effect::NoAutomation),
        prop(id::Alignment, "Alignment", VarType::I2, "AlignmentConstants").member(&C::m_alignment).saved(I2(1))
            .range(0, 2),
        prop(id::BevelSize, "BevelSize", VarType::I2).member(&C::m_bevelSize).saved(I2(0)).notNegative(),
        prop(id::BevelStyle, "BevelStyle", VarType::I2, "BevelStyleConstants").member(&C::m_bevelStyle)
            .saved(I2(0)).range(0, 4),
        prop(id::BorderColor, "BorderColor", VarType::Color).member(&C::m_borderColor).saved(Color(0x80000006)),
        prop(id::BorderStyle, "BorderStyle", VarType::I2, "BorderStyleConstants").member(&C::m_borderStyle)
            .saved(I2(1)).range(0, 2),
        prop(id::FillColor, "FillColor", VarType::Color).member(&C::m_fillColor).saved(Color(0x8000000F)),
        prop(id::LightColor, "LightColor", VarType::Color).member(&C::m_lightColor).saved(Color(0x80000005)),
        prop(id::ShadowColor, "ShadowColor", VarType::Color).member(&C::m_shadowColor).saved(Color(0x80000010)),
        prop(id::TextColor, "TextColor", VarType::Color).member(&C::m_textColor).saved(Color(0x80000008)),
        // A new control shows its text unformatted until the first load, so it starts as "0".
        prop(id::Text, "Text", VarType::String).typeFlags(zq::Bindable | zq::DefaultBind | zq::DisplayBind)
            .member(&C::m_textString).saved(Str("0.00")).startsAs(Str("0"))
            .own([](C &c) { return Variant::fromString(c.text()); },
                 [](C &c, const Variant &v) { c.setText(v.toString()); }),
        prop(id::MaxReal, "MaxReal", VarType::R8).member(&C::m_maxReal).saved(Variant::fromR8(3.3e38)),
        prop(id::MinReal, "MinReal", VarType::R8).member(&C::m_minReal).saved(Variant::fromR8(-1.1e38)),
        prop(id::ReadOnly, "ReadOnly", VarType::Bool).member(&C::m_readOnly).saved(Bool(false)),
        prop(id::Spin, "Spin", VarType::I2, "SpinStyleConstants").member(&C::m_spin).saved(I2(0)).range(0, 2),
        prop(id::SpinChangeReal, "SpinChangeReal", VarType::R4).member(&C::m_spinChangeReal)
            .saved(Variant::fromR4(1.0f)),
        prop(id::SpinDelay, "SpinDelay", VarType::I4).member(&C::m_spinDelay).saved(I4(500)).notNegative(),
        prop(id::SpinSpeed, "SpinSpeed", VarType::I4).member(&C::m_spinSpeed).saved(I4(100)).notNegative(),
        prop(id::Indent, "Indent", VarType::I2).member(&C::m_indent).saved(I2(2)).notNegative(),
        prop(id::AutoHScroll, "AutoHScroll", VarType::Bool).member(&C::m_autoHScroll).saved(Bool(false)),
        prop(id::FontStyle, "FontStyle", VarType::I2).member(&C::m_fontStyle).saved(I2(0)).range(0, 4),
        prop(id::CaretHeight, "CaretHeight", VarType::I2).member(&C::m_caretHeight).saved(I2(0))
            .effect(Effect::RebuildCaret),
        prop(id::CaretWidth, "CaretWidth", VarType::I2).member(&C::m_caretWidth).saved(I2(0))
            .effect(Effect::RebuildCaret),
        // A new control's caret takes the border colour; a stream without one gives the text colour.
        prop(id::CaretColor, "CaretColor", VarType::Color).member(&C::m_caretColor).saved(Color(0x80000008))
            .startsAs(Color(0x80000006)).effect(Effect::RebuildCaret),
        prop(id::CaretStyle, "CaretStyle", VarType::I2, "CaretStyleConstants").member(&C::m_caretStyle)
            .saved(I2(0)).range(0, 2).effect(Effect::RebuildCaret),
        prop(id::CaretVAlign, "CaretVAlign", VarType::I2, "CaretVAlignmentConstants").member(&C::m_caretVAlign)
            .saved(I2(0)).range(0, 2),
        prop(id::CaretInterval, "CaretInterval", VarType::I2).member(&C::m_caretInterval).saved(I2(0))
            .effect(Effect::RebuildCaret),
        prop(id::CaretVisible, "CaretVisible", VarType::Bool).member(&C::m_caretVisible).saved(Bool(true))
            .own([](C &c) { return Variant::fromBool(c.caretVisible()); },
                 [](C &c, const Variant &v) { c.setCaretVisible(v.toBool()); }),
        prop(id::MoneyFormat, "MoneyFormat", VarType::Bool).member(&C::m_moneyFormat).saved(Bool(false))
            .own([](C &c) { return Variant::fromBool(c.moneyFormat()); },
                 [](C &c, const Variant &v) { c.setMoneyFormat(v.toBool()); }),
        prop(id::DecimalPlaces, "DecimalPlaces", VarType::I2).member(&C::m_decimalPlaces).saved(I2(-1))
            .own([](C &c) { return Variant::fromI2(c.decimalPlaces()); },
                 [](C &c, const Variant &v) { c.setDecimalPlaces(v.toI2()); }),
        prop(id::EntryStyle, "EntryStyle", VarType::Bool).typeFlags(zq::Hidden | design).member(&C::m_entryStyle)
            .saved(Bool(false))
            .own([](C &c) { return Variant::fromBool(c.entryStyle()); },
                 [](C &c, const Variant &v) { c.setEntryStyle(v.toBool()); }),
        // The grouping shows at the next reformatting, not at once.
        prop(id::Separator, "Separator", VarType::Bool).member(&C::m_separator).saved(Bool(false)),
        prop(id::VAlignment, "VAlignment", VarType::I2, "VAlignmentConstants").member(&C::m_vAlignment)
            .saved(I2(0)).range(0, 2),
        prop(id::FocusSelect, "FocusSelect", VarType::Bool).member(&C::m_focusSelect).saved(Bool(false))
            .effect(Effect::ModifiedOnly),
        prop(id::KXCausesValidation, "KXCausesValidation", VarType::Bool).member(&C::m_causesValidation)
            .saved(Bool(true)),
        prop(id::MouseIcon, "MouseIcon", VarType::Picture).member(&C::m_mouseIcon)
            .saved(Variant::fromPicture(zq::Picture()))
            .own([](C &c) { return Variant::fromPicture(c.mouseIcon()); },
                 [](C &c, const Variant &v) { c.setMouseIcon(v.toPicture()); }),
        prop(id::MousePointer, "MousePointer", VarType::I2, "MousePointerConstants").member(&C::m_mousePointer)
            .saved(I2(0))
            .own([](C &c) { return Variant::fromI2(c.mousePointer()); },
                 [](C &c, const Variant &v) { c.setMousePointer(v.toI2()); }),
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
        prop(id::FontBold, "FontBold", VarType::Bool).typeFlags(design)
            .own([](C &c) { return Variant::fromBool(c.stockFont().bold()); },
                 [](C &c, const Variant &v) { c.forwardFont([&](zq::FontDesc &f) { f.setBold(v.toBool()); }); }),
        prop(id::FontItalic, "FontItalic", VarType::Bool).typeFlags(design)
            .own([](C &c) { return Variant::fromBool(c.stockFont().italic); },
                 [](C &c, const Variant &v) { c.forwardFont([&](zq::FontDesc &f) { f.italic = v.toBool(); }); }),
        prop(id::FontName, "FontName", VarType::String).typeFlags(design)
            .own([](C &c) { return Variant::fromString(c.stockFont().name); },
                 [](C &c, const Variant &v) { c.forwardFont([&](zq::FontDesc &f) { f.name = v.toString(); }); }),
        prop(id::FontStrikeThru, "FontStrikeThru", VarType::Bool).typeFlags(design)
            .own([](C &c) { return Variant::fromBool(c.stockFont().strikethrough); },
                 [](C &c, const Variant &v) {
                     c.forwardFont([&](zq::FontDesc &f) { f.strikethrough = v.toBool(); });
                 }),
        prop(id::FontUnderline, "FontUnderline", VarType::Bool).typeFlags(design)
            .own([](C &c) { return Variant::fromBool(c.stockFont().underline); },
                 [](C &c, const Variant &v) { c.forwardFont([&](zq::FontDesc &f) { f.underline = v.toBool(); }); }),
        // The font holds its size as currency; automation sees a float.
        prop(id::FontSize, "FontSize", VarType::R4).typeFlags(design)
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
