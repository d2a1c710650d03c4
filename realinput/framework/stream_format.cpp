#include "stream_format.h"

#include <QtEndian>

#include <cstring>

namespace zq::stream_format {

namespace {

constexpr char magic[] = "ZQPS";
constexpr quint8 formatVersion = 1;

quint8 tagOf(VarType type)
{
    switch (type) {
    case VarType::I2: return 2;
    case VarType::I4: return 3;
    case VarType::R4: return 4;
    case VarType::R8: return 5;
    case VarType::Currency: return 6;
    case VarType::String: return 8;
    case VarType::Picture: return 9;
    case VarType::Font: return 10;
    case VarType::Bool: return 11;
    case VarType::Color: return 19;
    case VarType::Empty: break;
    }
    return 0;
}

class Writer
{
public:
    template<typename T> void put(T v)
    {
        char bytes[sizeof(T)];
        qToLittleEndian(v, bytes);
        m_out.append(bytes, sizeof(T));
    }
    void putBytes(const QByteArray &b)
    {
        put<quint32>(quint32(b.size()));
        m_out.append(b);
    }
    void putRaw(const char *data, int size) { m_out.append(data, size); }
    QByteArray result() const { return m_out; }

private:
    QByteArray m_out;
};

class Reader
{
public:
    explicit Reader(const QByteArray &in) : m_in(in) {}

    template<typename T> bool get(T *v)
    {
        if (m_in.size() - m_pos < qsizetype(sizeof(T)))
            return false;
        *v = qFromLittleEndian<T>(m_in.constData() + m_pos);
        m_pos += sizeof(T);
        return true;
    }
    enum class Bytes { Read, OverLimit, Missing };
    // Bytes over the limit are passed over, so the records behind them still load.
    Bytes getBytes(QByteArray *b, quint32 limit)
    {
        quint32 n = 0;
        if (!get(&n) || m_in.size() - m_pos < qsizetype(n))
            return Bytes::Missing;
        if (n > limit) {
            m_pos += n;
            return Bytes::OverLimit;
        }
        *b = m_in.mid(m_pos, n);
        m_pos += n;
        return Bytes::Read;
    }
    bool getRaw(QByteArray *b, int n)
    {
        if (m_in.size() - m_pos < n)
            return false;
        *b = m_in.mid(m_pos, n);
        m_pos += n;
        return true;
    }

private:
    const QByteArray &m_in;
    qsizetype m_pos = 0;
};

void putValue(Writer &w, const Variant &v)
{
    switch (v.type()) {
    case VarType::I2: w.put<qint16>(v.toI2()); break;
    case VarType::Bool: w.put<qint16>(v.toBool() ? -1 : 0); break;
    case VarType::I4: w.put<qint32>(v.toI4()); break;
    case VarType::Color: w.put<quint32>(v.toColor()); break;
    case VarType::R4: w.put<float>(v.toR4()); break;
    case VarType::R8: w.put<double>(v.toR8()); break;
    case VarType::Currency: w.put<qint64>(v.toCurrency()); break;
    case VarType::String: w.putBytes(v.toString().toLatin1().left(maxStringBytes)); break;
    case VarType::Picture: {
        // A cut picture would not decode, so one too big to read back is stored as none.
        Picture p = v.toPicture();
        if (p.data.size() > qsizetype(maxStringBytes))
            p = Picture();
        w.put<quint8>(quint8(p.kind));
        w.putBytes(p.isEmpty() ? QByteArray() : p.data);
        break;
    }
    case VarType::Font: {
        const FontDesc f = v.toFont();
        w.putBytes(f.name.toLatin1().left(maxFontNameBytes));
        w.put<qint64>(f.sizeCy);
        w.put<qint16>(f.weight);
        w.put<qint16>(f.charset);
        w.put<quint8>(quint8((f.italic ? 1 : 0) | (f.underline ? 2 : 0) | (f.strikethrough ? 4 : 0)));
        break;
    }
    case VarType::Empty: break;
    }
}

// Answers false when the payload is cut short or malformed; *overLimit tells of a
// value passed over for its size.
bool getValue(Reader &r, quint8 tag, StoredValue *out, bool *overLimit)
{
    switch (tag) {
    case 2: { qint16 v; if (!r.get(&v)) return false; out->value = Variant::fromI2(v); return true; }
    case 11: { qint16 v; if (!r.get(&v)) return false; out->value = Variant::fromBool(v != 0); return true; }
    case 3: { qint32 v; if (!r.get(&v)) return false; out->value = Variant::fromI4(v); return true; }
    case 19: { quint32 v; if (!r.get(&v)) return false; out->value = Variant::fromColor(v); return true; }
    case 4: { float v; if (!r.get(&v)) return false; out->value = Variant::fromR4(v); return true; }
    case 5: { double v; if (!r.get(&v)) return false; out->value = Variant::fromR8(v); return true; }
    case 6: { qint64 v; if (!r.get(&v)) return false; out->value = Variant::fromCurrency(v); return true; }
    case 8: {
        QByteArray b;
        const Reader::Bytes got = r.getBytes(&b, maxStringBytes);
        if (got == Reader::Bytes::Missing)
            return false;
        *overLimit = got == Reader::Bytes::OverLimit;
        out->damaged = *overLimit;
        out->value = Variant::fromString(QString::fromLatin1(b));
        return true;
    }
    case 9: {
        quint8 kind = 0;
        QByteArray b;
        if (!r.get(&kind))
            return false;
        const Reader::Bytes got = r.getBytes(&b, maxStringBytes);
        if (got == Reader::Bytes::Missing)
            return false;
        Picture p;
        p.kind = Picture::Kind(kind);
        // A picture of no kind holds nothing, whatever bytes were stored with it.
        p.data = p.kind == Picture::None ? QByteArray() : b;
        *overLimit = got == Reader::Bytes::OverLimit;
        out->damaged = *overLimit || !p.isWellFormed();
        out->value = out->damaged ? Variant::fromPicture(Picture()) : Variant::fromPicture(p);
        return true;
    }
    case 10: {
        QByteArray name;
        FontDesc f;
        quint8 flags = 0;
        const Reader::Bytes got = r.getBytes(&name, maxFontNameBytes);
        if (got == Reader::Bytes::Missing || !r.get(&f.sizeCy) || !r.get(&f.weight) || !r.get(&f.charset)
            || !r.get(&flags))
            return false;
        f.name = QString::fromLatin1(name);
        f.italic = flags & 1;
        f.underline = flags & 2;
        f.strikethrough = flags & 4;
        *overLimit = got == Reader::Bytes::OverLimit;
        out->damaged = *overLimit;
        out->value = Variant::fromFont(f);
        return true;
    }
    default: return false;
    }
}

} // namespace

QByteArray encode(const QVector<StoredValue> &values)
{
    Writer w;
    w.putRaw(magic, 4);
    w.put<quint8>(formatVersion);
    for (const StoredValue &sv : values) {
        const QByteArray name = sv.name.toLatin1().left(255);
        const quint8 tag = tagOf(sv.value.type());
        if (tag == 0 || name.isEmpty())
            continue;
        w.put<quint8>(tag);
        w.put<quint8>(quint8(name.size()));
        w.putRaw(name.constData(), int(name.size()));
        putValue(w, sv.value);
    }
    w.put<quint8>(0);
    return w.result();
}

QVector<StoredValue> decode(const QByteArray &bytes, bool *complete)
{
    QVector<StoredValue> out;
    bool done = false;
    bool allRead = true;
    Reader r(bytes);
    QByteArray head;
    quint8 version = 0;
    if (r.getRaw(&head, 4) && std::memcmp(head.constData(), magic, 4) == 0 && r.get(&version)
        && version == formatVersion) {
        for (;;) {
            quint8 tag = 0;
            quint8 nameLength = 0;
            QByteArray name;
            if (!r.get(&tag))
                break;
            if (tag == 0) {
                done = true;
                break;
            }
            if (!r.get(&nameLength) || nameLength == 0 || !r.getRaw(&name, nameLength))
                break;
            StoredValue sv;
            sv.name = QString::fromLatin1(name);
            bool overLimit = false;
            if (!getValue(r, tag, &sv, &overLimit))
                break;
            allRead = allRead && !overLimit;
            out.append(sv);
        }
    }
    if (complete)
        *complete = done && allRead;
    return out;
}

} // namespace zq::stream_format
