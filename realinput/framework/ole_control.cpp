#include "ole_control.h"

#include "automation_error.h"
#include "bag_format.h"
#include "property_sheet.h"
#include "stream_format.h"

#include <QFont>

namespace zq {

int Dispatch::idOfName(const QString &name) const
{
    const MemberInfo *m = dispatchInterface().byName(name);
    if (!m)
        throw AutomationError(status::unknownName, QStringLiteral("Unknown name: %1").arg(name));
    return m->dispid;
}

OleControl::OleControl(QWidget *parent) : QWidget(parent)
{
    bindProperty(dispid::backColor, [this] { return Variant::fromColor(backColor()); },
                 [this](const Variant &v) { setBackColor(v.toColor()); });
    bindProperty(dispid::foreColor, [this] { return Variant::fromColor(foreColor()); },
                 [this](const Variant &v) { setForeColor(v.toColor()); });
    bindProperty(dispid::enabled, [this] { return Variant::fromBool(stockEnabled()); },
                 [this](const Variant &v) { setStockEnabled(v.toBool()); });
    bindProperty(dispid::appearance, [this] { return Variant::fromI2(appearance()); },
                 [this](const Variant &v) { setAppearance(v.toI2()); });
    bindProperty(dispid::font, [this] { return Variant::fromFont(stockFont()); },
                 [this](const Variant &v) { setStockFont(v.toFont()); });
    // The handle is a 32-bit value to automation clients; 0 until a native window exists.
    bindProperty(dispid::hWnd, [this] { return Variant::fromI4(qint32(internalWinId())); });
    bindMethod(dispid::refresh, [this](const QVector<Variant> &) {
        repaint();
        return Variant();
    });
    applyStockFont();
}

OleControl::~OleControl() = default;

void OleControl::bindProperty(int dispid, Getter get, Setter put)
{
    Binding &b = m_bindings[dispid];
    b.get = std::move(get);
    b.put = std::move(put);
}

void OleControl::bindMethod(int dispid, Method method)
{
    m_bindings[dispid].method = std::move(method);
}

const MemberInfo &OleControl::member(int dispid) const
{
    const MemberInfo *m = dispatchInterface().byId(dispid);
    if (!m)
        throw AutomationError(status::memberNotFound, QStringLiteral("No member with dispatch id %1").arg(dispid));
    return *m;
}

Variant OleControl::getProperty(int dispid)
{
    const MemberInfo &m = member(dispid);
    const auto it = m_bindings.find(m.dispid);
    if (m.kind != MemberKind::Property || it == m_bindings.end() || !it->second.get)
        throw AutomationError(status::memberNotFound, QStringLiteral("%1 cannot be read").arg(m.name));
    if (m.has(DesignGetNotSupported) && !ambientUserMode())
        throwError(status::getNotSupported, QStringLiteral("%1 cannot be read in design mode").arg(m.name));
    return it->second.get().convertedTo(m.type);
}

void OleControl::putProperty(int dispid, const Variant &value)
{
    const MemberInfo &m = member(dispid);
    const auto it = m_bindings.find(m.dispid);
    if (m.kind != MemberKind::Property || it == m_bindings.end())
        throw AutomationError(status::memberNotFound, QStringLiteral("%1 cannot be set").arg(m.name));
    if (m.has(ReadOnly) || !it->second.put)
        throwError(status::setNotSupported, QStringLiteral("%1 is read-only").arg(m.name));
    it->second.put(value.convertedTo(m.type));
}

Variant OleControl::invokeMethod(int dispid, const QVector<Variant> &args)
{
    const MemberInfo &m = member(dispid);
    const auto it = m_bindings.find(m.dispid);
    if (m.kind != MemberKind::Method || it == m_bindings.end() || !it->second.method)
        throw AutomationError(status::memberNotFound, QStringLiteral("%1 is not a method").arg(m.name));
    if (args.size() != m.params.size())
        throwError(status::badParamCount, QStringLiteral("%1 takes %2 arguments").arg(m.name).arg(m.params.size()));
    QVector<Variant> coerced;
    for (int i = 0; i < args.size(); ++i)
        coerced.append(args[i].convertedTo(m.params[i].type));
    return it->second.method(coerced);
}

bool OleControl::doVerb(int verb)
{
    if (verb != verb::primary && verb != verb::properties)
        return false;
    showPropertySheet();
    return true;
}

bool OleControl::showPropertySheet(QWidget *parent)
{
    if (!parent && isVisible())
        parent = window();
    PropertySheet sheet(typeLibrary().coclass.name + QStringLiteral(" Properties"), {this}, propertyPageIds(),
                        &PropertySheet::createRegisteredPage, parent);
    sheet.setObjectName(QStringLiteral("propertySheet"));
    if (m_site)
        m_site->onModalDialog(true);
    const int result = sheet.exec();
    if (m_site)
        m_site->onModalDialog(false);
    return result == QDialog::Accepted;
}

bool OleControl::displayString(int dispid, QString *text)
{
    try {
        const Variant v = getProperty(dispid);
        if (text)
            *text = v.type() == VarType::String ? v.toString() : v.toDisplayString();
        return true;
    } catch (const AutomationError &) {
        return false;
    }
}

void OleControl::throwError(quint32 code, const QString &description) const
{
    throw AutomationError(code, description.isEmpty() ? statusText(code) : description);
}

void OleControl::setBackColor(quint32 color)
{
    if (m_backColor == color)
        return;
    m_backColor = color;
    invalidateControl();
    setModifiedFlag();
    boundPropertyChanged(dispid::backColor);
}

void OleControl::setForeColor(quint32 color)
{
    if (m_foreColor == color)
        return;
    m_foreColor = color;
    invalidateControl();
    setModifiedFlag();
    boundPropertyChanged(dispid::foreColor);
}

void OleControl::setStockEnabled(bool enabled)
{
    if (m_enabled == enabled)
        return;
    m_enabled = enabled;
    setEnabled(enabled);
    setModifiedFlag();
    boundPropertyChanged(dispid::enabled);
}

void OleControl::setAppearance(short appearance)
{
    if (appearance != 0 && appearance != 1)
        throwError(status::invalidPropertyValue);
    if (m_appearance == appearance)
        return;
    m_appearance = appearance;
    invalidateControl();
    setModifiedFlag();
    boundPropertyChanged(dispid::appearance);
}

void OleControl::setStockFont(const FontDesc &font)
{
    if (m_font == font)
        return;
    m_font = font;
    applyStockFont();
    invalidateControl();
    setModifiedFlag();
    boundPropertyChanged(dispid::font);
}

void OleControl::applyStockFont()
{
    QFont f(m_font.name);
    f.setPointSizeF(double(m_font.sizeCy) / 10000.0 > 0 ? double(m_font.sizeCy) / 10000.0 : 8.25);
    f.setWeight(QFont::Weight(qBound(1, int(m_font.weight), 1000)));
    f.setItalic(m_font.italic);
    f.setUnderline(m_font.underline);
    f.setStrikeOut(m_font.strikethrough);
    setFont(f);
}

void OleControl::exchangeStockProps(PropertyExchange &px)
{
    const bool wasEnabled = m_enabled;
    qint32 enabled = m_enabled ? -1 : 0;
    px.exColor(QStringLiteral("BackColor"), m_backColor, 0x80000005);
    px.exColor(QStringLiteral("ForeColor"), m_foreColor, 0x80000008);
    px.exFont(QStringLiteral("Font"), m_font, FontDesc());
    px.exBool(QStringLiteral("Enabled"), enabled, true);
    px.exShort(QStringLiteral("Appearance"), m_appearance, 1);
    if (px.isLoading()) {
        m_enabled = enabled != 0;
        if (m_enabled != wasEnabled)
            setEnabled(m_enabled);
        applyStockFont();
    }
}

void OleControl::runExchange(PropertyExchange &px)
{
    doPropExchange(px);
    if (px.isLoading())
        invalidateControl();
}

void OleControl::resetState()
{
    // The framework's reset is an exchange that finds nothing stored.
    PropertyReader defaults({});
    runExchange(defaults);
    onResetState();
    setModifiedFlag(false);
}

QByteArray OleControl::saveToStream()
{
    PropertyWriter writer;
    runExchange(writer);
    setModifiedFlag(false);
    return stream_format::encode(writer.values());
}

QByteArray OleControl::saveToBag()
{
    PropertyWriter writer(true);
    runExchange(writer);
    setModifiedFlag(false);
    return bag_format::encode(writer.values());
}

bool OleControl::loadFromStream(const QByteArray &bytes)
{
    bool complete = false;
    PropertyReader reader(stream_format::decode(bytes, &complete));
    runExchange(reader);
    setModifiedFlag(false);
    return complete;
}

bool OleControl::loadFromBag(const QByteArray &text, bool convertingLegacy)
{
    bool complete = false;
    PropertyReader reader(bag_format::decode(text, &complete), convertingLegacy);
    runExchange(reader);
    setModifiedFlag(false);
    return complete;
}

} // namespace zq

#include "moc_ole_control.cpp"
