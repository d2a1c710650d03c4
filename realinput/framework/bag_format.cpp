#include "bag_format.h"

#include <cctype>

#include "automation_error.h"

#include <QStringList>

namespace zq::bag_format {

namespace {

QString quote(const QString &s)
{
    QString out = QStringLiteral("\"");
    for (const QChar c : s) {
        switch (c.unicode()) {
        case '"': out += QStringLiteral("\\\""); break;
        case '\\': out += QStringLiteral("\\\\"); break;
        case '\n': out += QStringLiteral("\\n"); break;
        case '\r': out += QStringLiteral("\\r"); break;
        case '\t': out += QStringLiteral("\\t"); break;
        default:
            if (c.unicode() < 0x20 || c.unicode() == 0x7f)
                out += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
            else
                out += c;
        }
    }
    return out + QLatin1Char('"');
}

// Reads a quoted string starting at text[*pos] == '"'; leaves *pos after it.
bool unquote(const QString &text, int *pos, QString *out)
{
    int i = *pos + 1;
    QString s;
    while (i < text.size()) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('"')) {
            *pos = i + 1;
            *out = s;
            return true;
        }
        if (c == QLatin1Char('\\')) {
            if (i + 1 >= text.size())
                return false;
            const QChar e = text.at(i + 1);
            switch (e.unicode()) {
            case 'n': s += QLatin1Char('\n'); i += 2; break;
            case 'r': s += QLatin1Char('\r'); i += 2; break;
            case 't': s += QLatin1Char('\t'); i += 2; break;
            case '"': case '\\': s += e; i += 2; break;
            case 'x': {
                // Exactly two hex digits: toInt alone would also take "-1" or " f".
                const QString hex = text.mid(i + 2, 2);
                const auto isHex = [](QChar h) { return h.unicode() < 128 && std::isxdigit(h.unicode()); };
                if (hex.size() != 2 || !isHex(hex[0]) || !isHex(hex[1]))
                    return false;
                s += QChar(hex.toInt(nullptr, 16));
                i += 4;
                break;
            }
            default: return false;
            }
            continue;
        }
        s += c;
        ++i;
    }
    return false;
}

QString formatValue(const Variant &v)
{
    switch (v.type()) {
    case VarType::String: return quote(v.toString());
    case VarType::Color: return v.toDisplayString();
    case VarType::Bool: return QString::number(v.toBool() ? -1 : 0);
    case VarType::I2: case VarType::I4: return QString::number(v.toI4());
    case VarType::R4: return QString::number(double(v.toR4()), 'g', 9);
    case VarType::R8: return QString::number(v.toR8(), 'g', 17);
    case VarType::Currency: return QString::number(double(v.toCurrency()) / 10000.0, 'f', 4);
    case VarType::Picture: {
        const Picture p = v.toPicture();
        if (p.isEmpty())
            return QStringLiteral("Picture(None)");
        return QStringLiteral("Picture(%1, %2)")
            .arg(p.kind == Picture::Icon ? QStringLiteral("Icon") : QStringLiteral("Bitmap"),
                 QString::fromLatin1(p.data.toBase64()));
    }
    case VarType::Font: {
        const FontDesc f = v.toFont();
        return QStringLiteral("Font(%1, %2, %3, %4, %5, %6, %7)")
            .arg(quote(f.name), QString::number(double(f.sizeCy) / 10000.0, 'f', 4))
            .arg(f.weight)
            .arg(f.charset)
            .arg(f.italic ? -1 : 0)
            .arg(f.underline ? -1 : 0)
            .arg(f.strikethrough ? -1 : 0);
    }
    case VarType::Empty: break;
    }
    return QString();
}

bool parsePicture(const QString &body, StoredValue *out)
{
    Picture p;
    if (body == QLatin1String("None")) {
        out->value = Variant::fromPicture(p);
        return true;
    }
    const int comma = body.indexOf(QLatin1Char(','));
    const QString kind = body.left(comma).trimmed();
    if (comma < 0 || (kind != QLatin1String("Icon") && kind != QLatin1String("Bitmap"))) {
        // Damaged, it holds no picture, as a damaged one in the stream form does.
        out->damaged = true;
        out->value = Variant::fromPicture(p);
        return true;
    }
    p.kind = kind == QLatin1String("Icon") ? Picture::Icon : Picture::Bitmap;
    const auto decoded = QByteArray::fromBase64Encoding(body.mid(comma + 1).trimmed().toLatin1(),
                                                        QByteArray::AbortOnBase64DecodingErrors);
    p.data = decoded.decoded;
    out->damaged = !decoded || !p.isWellFormed();
    out->value = Variant::fromPicture(out->damaged ? Picture() : p);
    return true;
}

bool parseFont(const QString &body, StoredValue *out)
{
    int pos = 0;
    QString name;
    if (!body.startsWith(QLatin1Char('"')) || !unquote(body, &pos, &name))
        return false;
    const QStringList rest = body.mid(pos).split(QLatin1Char(','), Qt::SkipEmptyParts);
    if (rest.size() != 6)
        return false;
    FontDesc f;
    f.name = name;
    bool ok[6] = {};
    // The size goes through the currency conversion: rounded to the nearest, range-checked.
    const double size = rest[0].trimmed().toDouble(&ok[0]);
    if (!ok[0])
        return false;
    try {
        f.sizeCy = Variant::fromR8(size).toCurrency();
    } catch (const AutomationError &) {
        return false;
    }
    f.weight = rest[1].trimmed().toShort(&ok[1]);
    f.charset = rest[2].trimmed().toShort(&ok[2]);
    f.italic = rest[3].trimmed().toInt(&ok[3]) != 0;
    f.underline = rest[4].trimmed().toInt(&ok[4]) != 0;
    f.strikethrough = rest[5].trimmed().toInt(&ok[5]) != 0;
    for (bool b : ok) {
        if (!b)
            return false;
    }
    out->value = Variant::fromFont(f);
    return true;
}

bool parseLine(const QString &line, StoredValue *out)
{
    const int eq = line.indexOf(QLatin1Char('='));
    if (eq <= 0)
        return false;
    out->name = line.left(eq).trimmed();
    const QString value = line.mid(eq + 1).trimmed();
    if (out->name.isEmpty())
        return false;
    if (value.startsWith(QLatin1Char('"'))) {
        int pos = 0;
        QString s;
        if (!unquote(value, &pos, &s) || pos != value.size())
            return false;
        out->value = Variant::fromString(s);
        return true;
    }
    if (value.startsWith(QLatin1String("Picture(")) && value.endsWith(QLatin1Char(')')))
        return parsePicture(value.mid(8, value.size() - 9).trimmed(), out);
    if (value.startsWith(QLatin1String("Font(")) && value.endsWith(QLatin1Char(')')))
        return parseFont(value.mid(5, value.size() - 6).trimmed(), out);
    out->value = Variant::fromString(value);
    return true;
}

} // namespace

QByteArray encode(const QVector<StoredValue> &values)
{
    QString out;
    for (const StoredValue &sv : values)
        out += sv.name + QStringLiteral(" = ") + formatValue(sv.value) + QLatin1Char('\n');
    return out.toLatin1();
}

QVector<StoredValue> decode(const QByteArray &text, bool *complete)
{
    QVector<StoredValue> out;
    bool allRead = true;
    const QStringList lines = QString::fromLatin1(text).split(QLatin1Char('\n'));
    for (QString line : lines) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')))
            continue;
        StoredValue sv;
        if (parseLine(line, &sv))
            out.append(sv);
        else
            allRead = false;
    }
    if (complete)
        *complete = allRead;
    return out;
}

} // namespace zq::bag_format
