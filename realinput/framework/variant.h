#pragma once

#include <QByteArray>
#include <QString>

#include <variant>

namespace zq {

enum class VarType { Empty, I2, I4, R4, R8, Bool, String, Color, Currency, Picture, Font };

QString varTypeName(VarType type);

// A picture as an automation value: its kind and the encoded image (PNG) it holds.
struct Picture
{
    // Fixed width: a stored kind byte may hold any value and is checked, not trusted.
    enum Kind : quint8 { None = 0, Bitmap = 1, Icon = 3 };

    Kind kind = None;
    QByteArray data;

    bool isEmpty() const { return kind == None; }
    // True when the kind is known and the data decodes as an image.
    bool isWellFormed() const;
    bool operator==(const Picture &other) const { return kind == other.kind && data == other.data; }
};

// A font as an automation value; the size is in points as currency (1/10000).
struct FontDesc
{
    QString name = QStringLiteral("Sans Serif");
    qint64 sizeCy = 82500;
    short weight = 400;
    short charset = 0;
    bool italic = false;
    bool underline = false;
    bool strikethrough = false;

    bool bold() const { return weight >= 600; }
    void setBold(bool on) { weight = on ? 700 : 400; }
    bool operator==(const FontDesc &other) const;
};

// The value of a property, an argument or a stored entry. Booleans hold -1 for
// TRUE and 0 for FALSE, as callers compare them numerically.
class Variant
{
public:
    Variant() = default;
    static Variant fromI2(short v) { return Variant(VarType::I2, qint64(v)); }
    static Variant fromI4(qint32 v) { return Variant(VarType::I4, qint64(v)); }
    static Variant fromR4(float v) { return Variant(VarType::R4, double(v)); }
    static Variant fromR8(double v) { return Variant(VarType::R8, v); }
    static Variant fromBool(bool v) { return Variant(VarType::Bool, qint64(v ? -1 : 0)); }
    static Variant fromString(const QString &v) { return Variant(VarType::String, v); }
    static Variant fromColor(quint32 v) { return Variant(VarType::Color, qint64(v)); }
    static Variant fromCurrency(qint64 tenThousandths) { return Variant(VarType::Currency, tenThousandths); }
    static Variant fromPicture(const Picture &v) { return Variant(VarType::Picture, v); }
    static Variant fromFont(const FontDesc &v) { return Variant(VarType::Font, v); }

    VarType type() const { return m_type; }
    bool isEmpty() const { return m_type == VarType::Empty; }

    // Each accessor converts as convertedTo() does and throws AutomationError
    // (type mismatch or overflow) when the value cannot be represented.
    short toI2() const;
    qint32 toI4() const;
    float toR4() const;
    double toR8() const;
    bool toBool() const;
    QString toString() const;
    quint32 toColor() const;
    qint64 toCurrency() const;
    Picture toPicture() const;
    FontDesc toFont() const;

    Variant convertedTo(VarType type) const;
    // A readable form for listings: strings quoted, colours in hex.
    QString toDisplayString() const;

    bool operator==(const Variant &other) const;
    bool operator!=(const Variant &other) const { return !(*this == other); }

private:
    using Storage = std::variant<std::monostate, qint64, double, QString, Picture, FontDesc>;
    Variant(VarType type, Storage value) : m_type(type), m_value(std::move(value)) {}

    double numeric() const;

    VarType m_type = VarType::Empty;
    Storage m_value;
};

// Parses a number as a script writes it: decimal, exponent, "&H" hex with an
// optional trailing '&', or True/False. Answers false when it is none of them.
bool parseNumber(const QString &text, double *out);

} // namespace zq
