#include "type_library.h"

namespace zq {

QString uuidText(const QUuid &id)
{
    return id.toString(QUuid::WithBraces).toUpper();
}

const MemberInfo *InterfaceInfo::byId(int dispid) const
{
    if (dispid == 0 && valueDispid != 0)
        dispid = valueDispid;
    for (const MemberInfo &m : members) {
        if (m.dispid == dispid)
            return &m;
    }
    return nullptr;
}

const MemberInfo *InterfaceInfo::byName(const QString &name) const
{
    for (const MemberInfo &m : members) {
        if (m.name.compare(name, Qt::CaseInsensitive) == 0)
            return &m;
    }
    return nullptr;
}

const EnumInfo *TypeLibrary::enumByName(const QString &name) const
{
    for (const EnumInfo &e : enums) {
        if (e.name == name)
            return &e;
    }
    return nullptr;
}

namespace {

QString flagText(const MemberInfo &m)
{
    static const struct { MemberFlag flag; const char *text; } names[] = {
        {Hidden, "hidden"}, {Bindable, "bindable"}, {DefaultBind, "defaultbind"}, {DisplayBind, "displaybind"},
        {RequestEdit, "requestedit"}, {ReadOnly, "readonly"}, {DesignGetNotSupported, "runtime-read"},
        {Stock, "stock"},
    };
    QStringList parts;
    for (const auto &n : names) {
        if (m.has(n.flag))
            parts << QLatin1String(n.text);
    }
    return parts.isEmpty() ? QString() : QStringLiteral(" [%1]").arg(parts.join(QLatin1Char(',')));
}

QString memberLine(const MemberInfo &m)
{
    QString line = QStringLiteral("  %1 %2").arg(m.dispid, 5).arg(m.name);
    if (m.kind != MemberKind::Property) {
        QStringList params;
        for (const ParamInfo &p : m.params)
            params << QStringLiteral("%1%2 As %3").arg(p.byRef ? QStringLiteral("ByRef ") : QString(), p.name,
                                                       varTypeName(p.type));
        line += QLatin1Char('(') + params.join(QStringLiteral(", ")) + QLatin1Char(')');
    }
    if (m.kind == MemberKind::Property)
        line += QStringLiteral(" As %1").arg(m.typeName.isEmpty() ? varTypeName(m.type) : m.typeName);
    line += flagText(m);
    if (m.helpContext)
        line += QStringLiteral(" helpcontext %1").arg(m.helpContext);
    return line;
}

void describeInterface(QStringList &out, const char *kind, const InterfaceInfo &itf)
{
    out << QStringLiteral("%1 %2 %3 \"%4\"").arg(QLatin1String(kind), itf.name, uuidText(itf.iid), itf.documentation);
    for (const MemberInfo &m : itf.members)
        out << memberLine(m);
    if (itf.valueDispid)
        out << QStringLiteral("      0 (value) = %1").arg(itf.byId(itf.valueDispid)->name);
}

} // namespace

QStringList TypeLibrary::describe() const
{
    QStringList out;
    out << QStringLiteral("library %1 %2 version %3.%4 lcid %5 \"%6\" helpfile \"%7\"")
               .arg(name, uuidText(libid))
               .arg(majorVersion)
               .arg(minorVersion)
               .arg(lcid)
               .arg(helpString, helpFile);
    out << QStringLiteral("coclass %1 %2 \"%3\" helpcontext %4%5%6")
               .arg(coclass.name, uuidText(coclass.clsid), coclass.documentation)
               .arg(coclass.helpContext)
               .arg(coclass.creatable ? QStringLiteral(" creatable") : QString(),
                    coclass.control ? QStringLiteral(" control") : QString());
    describeInterface(out, "dispinterface", dispatch);
    describeInterface(out, "source", events);
    for (const EnumInfo &e : enums) {
        out << QStringLiteral("enum %1%2").arg(e.name, e.documentation.isEmpty()
                                                             ? QString()
                                                             : QStringLiteral(" \"%1\"").arg(e.documentation));
        for (const EnumConstant &c : e.constants)
            out << QStringLiteral("  %1 = %2 \"%3\"").arg(c.name).arg(c.value).arg(c.helpString);
    }
    return out;
}

} // namespace zq
