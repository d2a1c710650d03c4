#include "property_exchange.h"

#include "automation_error.h"

namespace zq {

int PropertyExchange::exchangeVersion(int major, int minor)
{
    const qint32 current = (major << 16) | minor;
    Variant v = Variant::fromI4(current);
    exchange(QStringLiteral("_Version"), VarType::I4, v, Variant::fromI4(current));
    return v.toI4();
}

void PropertyExchange::exShort(const QString &name, short &value, short def)
{
    Variant v = Variant::fromI2(value);
    exchange(name, VarType::I2, v, Variant::fromI2(def));
    value = v.toI2();
}

void PropertyExchange::exLong(const QString &name, qint32 &value, qint32 def)
{
    Variant v = Variant::fromI4(value);
    exchange(name, VarType::I4, v, Variant::fromI4(def));
    value = v.toI4();
}

void PropertyExchange::exBool(const QString &name, qint32 &value, bool def)
{
    Variant v = Variant::fromBool(value != 0);
    exchange(name, VarType::Bool, v, Variant::fromBool(def));
    value = v.toBool() ? -1 : 0;
}

void PropertyExchange::exColor(const QString &name, quint32 &value, quint32 def)
{
    Variant v = Variant::fromColor(value);
    exchange(name, VarType::Color, v, Variant::fromColor(def));
    value = v.toColor();
}

void PropertyExchange::exFloat(const QString &name, float &value, float def)
{
    Variant v = Variant::fromR4(value);
    exchange(name, VarType::R4, v, Variant::fromR4(def));
    value = v.toR4();
}

void PropertyExchange::exDouble(const QString &name, double &value, double def)
{
    Variant v = Variant::fromR8(value);
    exchange(name, VarType::R8, v, Variant::fromR8(def));
    value = v.toR8();
}

void PropertyExchange::exString(const QString &name, QString &value, const QString &def)
{
    Variant v = Variant::fromString(value);
    exchange(name, VarType::String, v, Variant::fromString(def));
    value = v.toString();
}

void PropertyExchange::exFont(const QString &name, FontDesc &value, const FontDesc &def)
{
    Variant v = Variant::fromFont(value);
    exchange(name, VarType::Font, v, Variant::fromFont(def));
    value = v.toFont();
}

void PropertyExchange::exPicture(const QString &name, Picture &value, const Picture &def)
{
    Variant v = Variant::fromPicture(value);
    exchange(name, VarType::Picture, v, Variant::fromPicture(def));
    value = v.toPicture();
}

void PropertyWriter::exchange(const QString &name, VarType type, Variant &value, const Variant &def)
{
    const Variant stored = value.convertedTo(type);
    if (m_skipDefaults && stored == def)
        return;
    m_values.append({name, stored, false});
}

PropertyReader::PropertyReader(const QVector<StoredValue> &values, bool convertingLegacy)
    : m_legacy(convertingLegacy)
{
    for (const StoredValue &v : values)
        m_values.insert(v.name, v);
}

void PropertyReader::exchange(const QString &name, VarType type, Variant &value, const Variant &def)
{
    value = def;
    const auto it = m_values.constFind(name);
    if (it == m_values.constEnd())
        return;
    if (it->damaged) {
        if (type == VarType::Picture)
            throw ArchiveError();
        return;
    }
    try {
        value = it->value.convertedTo(type);
    } catch (const AutomationError &) {
        value = def;
    }
}

bool PropertyReader::readIfPresent(const QString &name, VarType type, Variant *out)
{
    const auto it = m_values.constFind(name);
    if (it == m_values.constEnd() || it->damaged)
        return false;
    try {
        *out = it->value.convertedTo(type);
        return true;
    } catch (const AutomationError &) {
        return false;
    }
}

} // namespace zq
