#include "vururaz_typelib.h"

#include "framework/ole_control.h"
#include "vururaz_ctrl.h"

#include <QMetaEnum>

#include <algorithm>

namespace vururaz {

namespace {

using zq::MemberInfo;
using zq::MemberKind;
using zq::ParamInfo;
using zq::VarType;
using vururaz::PropertyDesc;

MemberInfo property(int id, const char *name, VarType type, int flags = 0, const char *typeName = "")
{
    MemberInfo m;
    m.dispid = id;
    m.name = QLatin1String(name);
    m.kind = MemberKind::Property;
    m.type = type;
    m.typeName = QLatin1String(typeName);
    m.flags = flags;
    return m;
}

MemberInfo member(MemberKind kind, int id, const char *name, quint32 helpContext = 0,
                  QVector<ParamInfo> params = {})
{
    MemberInfo m;
    m.dispid = id;
    m.name = QLatin1String(name);
    m.kind = kind;
    m.helpContext = helpContext;
    m.params = std::move(params);
    return m;
}

// The constants of E as its declaration has them, each with its help string in order.
template<typename E>
zq::EnumInfo enumeration(std::initializer_list<const char *> helpStrings, const char *doc = "")
{
    const QMetaEnum meta = QMetaEnum::fromType<E>();
    Q_ASSERT(int(helpStrings.size()) == meta.keyCount());
    zq::EnumInfo info{QLatin1String(meta.enumName()), QLatin1String(doc), {}};
    const char *const *help = helpStrings.begin();
    for (int i = 0; i < meta.keyCount(); ++i)
        info.constants.append({QLatin1String(meta.key(i)), meta.value(i),
                               QLatin1String(i < int(helpStrings.size()) ? help[i] : "")});
    return info;
}

zq::InterfaceInfo dispatchInterface()
{
    using namespace zq;
    zq::InterfaceInfo itf;
    itf.name = QStringLiteral("_DVururaz");
    itf.iid = QUuid::fromString(QStringLiteral("{0F1F1506-C40A-101B-AD04-00AA00575482}"));
    itf.documentation = QStringLiteral("Dispatch interface for Vururaz Control");
    itf.valueDispid = dispid::Text;
    std::vector<const PropertyDesc *> custom;
    for (const PropertyDesc &row : CVururazCtrl::properties()) {
        if (row.automated())
            custom.push_back(&row);
    }
    std::sort(custom.begin(), custom.end(), [](auto *a, auto *b) { return a->dispid < b->dispid; });
    for (const PropertyDesc *row : custom)
        itf.members.append(property(row->dispid, row->name, row->type, row->flags, row->enumName.constData()));
    itf.members += QVector<MemberInfo>{
        property(zq::dispid::backColor, "BackColor", VarType::Color, Stock),
        property(zq::dispid::enabled, "Enabled", VarType::Bool, Stock),
        property(zq::dispid::font, "Font", VarType::Font, Stock | Bindable),
        property(zq::dispid::foreColor, "ForeColor", VarType::Color, Stock),
        property(zq::dispid::appearance, "Appearance", VarType::I2, Stock),
        property(zq::dispid::hWnd, "hWnd", VarType::I4, Stock | Hidden | ReadOnly),
        member(MemberKind::Method, zq::dispid::refresh, "Refresh", 63018),
        member(MemberKind::Method, zq::dispid::aboutBox, "AboutBox"),
    };
    return itf;
}

zq::InterfaceInfo eventInterface()
{
    zq::InterfaceInfo itf;
    itf.name = QStringLiteral("_DVururazEvents");
    itf.iid = QUuid::fromString(QStringLiteral("{0F1F1507-C40A-101B-AD04-00AA00575482}"));
    itf.documentation = QStringLiteral("Event interface for Vururaz Control");
    const QVector<ParamInfo> mouse = {{QStringLiteral("Button"), VarType::I2, false},
                                      {QStringLiteral("Shift"), VarType::I2, false},
                                      {QStringLiteral("X"), VarType::I4, false},
                                      {QStringLiteral("Y"), VarType::I4, false}};
    const QVector<ParamInfo> key = {{QStringLiteral("KeyCode"), VarType::I2, true},
                                    {QStringLiteral("Shift"), VarType::I2, false}};
    itf.members = {
        member(MemberKind::Event, event::AutoTerminate, "AutoTerminate", 48066),
        member(MemberKind::Event, event::Change, "Change", 62002),
        member(MemberKind::Event, event::InvalidEntry, "InvalidEntry", 48068),
        member(MemberKind::Event, event::InvalidSetText, "InvalidSetText", 48070,
               {{QStringLiteral("Cancel"), VarType::I2, true}, {QStringLiteral("InvalidText"), VarType::String, true}}),
        member(MemberKind::Event, event::KXValidate, "KXValidate", 0, {{QStringLiteral("Cancel"), VarType::Bool, true}}),
        member(MemberKind::Event, event::KeyDown, "KeyDown", 62016, key),
        member(MemberKind::Event, event::KeyUp, "KeyUp", 62020, key),
        member(MemberKind::Event, event::Click, "Click", 62004),
        member(MemberKind::Event, event::DblClick, "DblClick", 62006),
        member(MemberKind::Event, event::MouseDown, "MouseDown", 62032, mouse),
        member(MemberKind::Event, event::MouseMove, "MouseMove", 62034, mouse),
        member(MemberKind::Event, event::MouseUp, "MouseUp", 62036, mouse),
        member(MemberKind::Event, event::KeyPress, "KeyPress", 0, {{QStringLiteral("KeyAscii"), VarType::I2, true}}),
    };
    return itf;
}

zq::TypeLibrary build()
{
    zq::TypeLibrary lib;
    lib.name = QStringLiteral("VururazLib");
    lib.libid = QUuid::fromString(QStringLiteral("{0F1F1508-C40A-101B-AD04-00AA00575482}"));
    lib.majorVersion = 1;
    lib.minorVersion = 0;
    lib.lcid = 1033;
    lib.helpString = QStringLiteral("Tarvel ZqRealInput Control");
    lib.helpFile = QStringLiteral("KXInput.HLP");
    lib.coclass.name = QStringLiteral("ZqRealInput");
    lib.coclass.clsid = QUuid::fromString(QStringLiteral("{0F1F1505-C40A-101B-AD04-00AA00575482}"));
    lib.coclass.documentation = QStringLiteral("ZqRealInput Control");
    lib.coclass.helpContext = 48001;
    lib.dispatch = dispatchInterface();
    lib.events = eventInterface();
    using C = CVururazCtrl;
    lib.enums = {
        enumeration<C::AlignmentConstants>({"Left", "Right", "Center"}),
        enumeration<C::VAlignmentConstants>({"Top", "Bottom", "Center"}),
        enumeration<C::BevelStyleConstants>({"Lowered", "Raised", "Chiseled", "Shadowed right", "Shadowed left"}),
        enumeration<C::BorderStyleConstants>({"No Border", "Single Line", "Single Line with Rounded Corners"}),
        enumeration<C::CaretStyleConstants>({"Block", "Up Arrow", "Down Arrow"}),
        enumeration<C::CaretVAlignmentConstants>({"Caret over text", "Caret below text", "Caret above text"}),
        enumeration<C::SpinStyleConstants>({"No Spin", "Spin on left", "Spin on right"}),
        enumeration<C::FontStyleConstants>(
            {"None", "Raised", "Raised with more shading", "Lowered", "Lowered with more shading"}),
        enumeration<C::MousePointerConstants>(
            {"Default", "Arrow mouse pointer.", "Cross mouse pointer.", "I-Beam mouse pointer.",
             "Icon mouse pointer.", "Size mouse pointer.", "Size NE SW mouse pointer.", "Size N S mouse pointer.",
             "Size NW SE mouse pointer.", "Size W E mouse pointer.", "Up arrow mouse pointer.",
             "Hourglass mouse pointer.", "No drop mouse pointer.", "Arrow and Hourglass mouse pointer",
             "Arrow and Question mark mouse pointer", "Size all mouse pointer",
             "Custom mouse pointer icon specified by the MouseIcon property"},
            "MousePointer constants."),
    };
    return lib;
}

} // namespace

const zq::TypeLibrary &typeLibrary()
{
    static const zq::TypeLibrary lib = build();
    return lib;
}

} // namespace vururaz
