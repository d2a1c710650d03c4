#include "variant.h"

#include "automation_error.h"

#include <QImage>

#include <cmath>
#include <limits>

namespace zq {

QString varTypeName(VarType type)
{
    switch (type) {
    case VarType::Empty: return QStringLiteral("Empty");
    case VarType::I2: return QStringLiteral("Integer");
    case VarType::I4: return QStringLiteral("Long");
    case VarType::R4: return QStringLiteral("Single");
    case VarType::R8: return QStringLiteral("Double");
    case VarType::Bool: return QStringLiteral("Boolean");
    case VarType::String: return QStringLiteral("String");
    case VarType::Color: return QStringLiteral("OLE_COLOR");
    case VarType::Currency: return QStringLiteral("Currency");
    case VarType::Picture: return QStringLiteral("Picture");
    case VarType::Font: return QStringLiteral("Font");
    }
    return QString();
}

bool Picture::isWellFormed() const
{
    if (kind == None)
        return true;
    if (kind != Bitmap && kind != Icon)
        return false;
    QImage image;
    return image.loadFromData(data);
}

bool FontDesc::operator==(const FontDesc &other) const
{
    return name == other.name && sizeCy == other.sizeCy && weight == other.weight && charset == other.charset
        && italic == other.italic && underline == other.underline && strikethrough == other.strikethrough;
}

bool parseNumber(const QString &text, double *out)
{
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0) {
        *out = -1;
        return true;
    }
    if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0) {
        *out = 0;
        return true;
    }
    if (t.startsWith(QLatin1String("&H"), Qt::CaseInsensitive)) {
        QString digits = t.mid(2);
        if (digits.endsWith(QLatin1Char('&')))
            digits.chop(1);
        bool ok = false;
        const qulonglong v = digits.toULongLong(&ok, 16);
        if (!ok || digits.size() > 8)
            return false;
        *out = double(v);
        return true;
    }
    bool ok = false;
    const double v = t.toDouble(&ok);
    if (ok)
        *out = v;
    return ok;
}

namespace {

[[noreturn]] void mismatch(VarType from, VarType to)
{
    throw AutomationError(status::typeMismatch,
                          QStringLiteral("Type mismatch: %1 to %2").arg(varTypeName(from), varTypeName(to)));
}

[[noreturn]] void overflow()
{
    throw AutomationError(status::overflow, QStringLiteral("Overflow"));
}

// Conversions to integers round halves to the even neighbour, as automation does.
qint64 toIntegral(double v, double lo, double hi)
{
    if (!std::isfinite(v))
        overflow();
    const double r = std::nearbyint(v);
    if (r < lo || r > hi)
        overflow();
    return qint64(r);
}

QString formatDouble(double v, int precision)
{
    return QString::number(v, 'g', precision);
}

} // namespace

double Variant::numeric() const
{
    switch (m_type) {
    case VarType::Empty: return 0;
    case VarType::I2: case VarType::I4: case VarType::Bool: case VarType::Color: return double(std::get<qint64>(m_value));
    case VarType::Currency: return double(std::get<qint64>(m_value)) / 10000.0;
    case VarType::R4: case VarType::R8: return std::get<double>(m_value);
    case VarType::String: {
        double v = 0;
        if (!parseNumber(std::get<QString>(m_value), &v))
            mismatch(m_type, VarType::R8);
        return v;
    }
    case VarType::Picture: case VarType::Font: break;
    }
    mismatch(m_type, VarType::R8);
}

short Variant::toI2() const
{
    return short(toIntegral(numeric(), -32768, 32767));
}

qint32 Variant::toI4() const
{
    if (m_type == VarType::Color)
        return qint32(quint32(std::get<qint64>(m_value)));
    return qint32(toIntegral(numeric(), -2147483648.0, 2147483647.0));
}

float Variant::toR4() const
{
    const double v = numeric();
    if (std::isfinite(v) && std::fabs(v) > double(std::numeric_limits<float>::max()))
        overflow();
    return float(v);
}

double Variant::toR8() const
{
    return numeric();
}

bool Variant::toBool() const
{
    return numeric() != 0;
}

quint32 Variant::toColor() const
{
    const double v = numeric();
    // Colours arrive as unsigned (&H80000006) or as the signed long a script holds.
    if (v < 0)
        return quint32(qint32(toIntegral(v, -2147483648.0, -1)));
    return quint32(toIntegral(v, 0, 4294967295.0));
}

qint64 Variant::toCurrency() const
{
    if (m_type == VarType::Currency)
        return std::get<qint64>(m_value);
    return toIntegral(numeric() * 10000.0, -9.2e18, 9.2e18);
}

QString Variant::toString() const
{
    switch (m_type) {
    case VarType::Empty: return QString();
    case VarType::String: return std::get<QString>(m_value);
    case VarType::Bool: return std::get<qint64>(m_value) ? QStringLiteral("True") : QStringLiteral("False");
    case VarType::I2: case VarType::I4: case VarType::Color: return QString::number(std::get<qint64>(m_value));
    case VarType::Currency: return formatDouble(numeric(), 19);
    case VarType::R4: return formatDouble(std::get<double>(m_value), 7);
    case VarType::R8: return formatDouble(std::get<double>(m_value), 15);
    case VarType::Picture: case VarType::Font: break;
    }
    mismatch(m_type, VarType::String);
}

Picture Variant::toPicture() const
{
    if (m_type == VarType::Picture)
        return std::get<Picture>(m_value);
    if (m_type == VarType::Empty)
        return Picture();
    mismatch(m_type, VarType::Picture);
}

FontDesc Variant::toFont() const
{
    if (m_type == VarType::Font)
        return std::get<FontDesc>(m_value);
    mismatch(m_type, VarType::Font);
}

Variant Variant::convertedTo(VarType type) const
{
    if (type == m_type)
        return *this;
    switch (type) {
    case VarType::Empty: return Variant();
    case VarType::I2: return fromI2(toI2());
    case VarType::I4: return fromI4(toI4());
    case VarType::R4: return fromR4(toR4());
    case VarType::R8: return fromR8(toR8());
    case VarType::Bool: return fromBool(toBool());
    case VarType::String: return fromString(toString());
    case VarType::Color: return fromColor(toColor());
    case VarType::Currency: return fromCurrency(toCurrency());
    case VarType::Picture: return fromPicture(toPicture());
    case VarType::Font: return fromFont(toFont());
    }
    mismatch(m_type, type);
}

QString Variant::toDisplayString() const
{
    switch (m_type) {
    case VarType::Empty: return QStringLiteral("Empty");
    case VarType::String: return QLatin1Char('"') + std::get<QString>(m_value) + QLatin1Char('"');
    case VarType::Color:
        return QStringLiteral("&H%1&").arg(quint32(std::get<qint64>(m_value)), 8, 16, QLatin1Char('0')).toUpper();
    case VarType::Picture: {
        const Picture &p = std::get<Picture>(m_value);
        if (p.isEmpty())
            return QStringLiteral("(None)");
        return QStringLiteral("(%1, %2 bytes)")
            .arg(p.kind == Picture::Icon ? QStringLiteral("Icon") : QStringLiteral("Bitmap"))
            .arg(p.data.size());
    }
    case VarType::Font: {
        const FontDesc &f = std::get<FontDesc>(m_value);
        QString s = QStringLiteral("%1, %2").arg(f.name, formatDouble(double(f.sizeCy) / 10000.0, 10));
        if (f.bold()) s += QStringLiteral(", Bold");
        if (f.italic) s += QStringLiteral(", Italic");
        if (f.underline) s += QStringLiteral(", Underline");
        if (f.strikethrough) s += QStringLiteral(", Strikethrough");
        return s;
    }
    default: return toString();
    }
}

bool Variant::operator==(const Variant &other) const
{
    return m_type == other.m_type && m_value == other.m_value;
}

} // namespace zq
