#include "com_settings.h"

#include "line_settings.h"

#include <QtEndian>

#include <cstring>

namespace orv {

ComSettings ComSettings::defaults()
{
    ComSettings s;
    for (int i = 0; i < slotCount; ++i) {
        s.com_port[i] = 2;
        s.baud_rate[i] = 2400.0f;
        s.modem_flag[i] = 0;
        s.phone_number[i] = fixedText(QStringLiteral("1-555-555-5555"), phoneWidth);
        s.modem_setup[i] = fixedText(QStringLiteral("&F0"), setupWidth);
        s.station_name[i] = fixedText(defaultName(i), nameWidth);
    }
    return s;
}

QString ComSettings::defaultName(int slot)
{
    return QStringLiteral("ORV Station %1").arg(slot + 1);
}

QByteArray ComSettings::fixedText(const QString &text, int width)
{
    QByteArray out(width, ' ');
    char *d = out.data();
    const int n = qMin(int(text.size()), width);
    for (int i = 0; i < n; ++i) {
        const char16_t c = text.at(i).unicode();
        d[i] = c <= 0xFF ? char(c) : '?';
    }
    return out;
}

namespace {

// A field is single-byte text already: cut or space-padded to its width as it lies.
void putField(char *to, const QByteArray &field, int width)
{
    const int n = qMin(int(field.size()), width);
    std::memcpy(to, field.constData(), n);
    std::memset(to + n, ' ', width - n);
}

} // namespace

QString ComSettings::trimmedText(const QByteArray &field)
{
    return QString::fromLatin1(field).trimmed();
}

void ComSettings::setStationName(int slot, const QString &text)
{
    const QString name = text.trimmed();
    station_name[slot] = fixedText(name.isEmpty() ? defaultName(slot) : name, nameWidth);
}

QStringList ComSettings::problems(int slot) const
{
    QStringList out;
    if (com_port[slot] < 1 || com_port[slot] > 8)
        out << QStringLiteral("port %1 is not COM1 to COM8").arg(com_port[slot]);
    if (stationRateIndex(baud_rate[slot]) < 0)
        out << QStringLiteral("rate %1 is not one of the eight station rates").arg(double(baud_rate[slot]), 0, 'g', 9);
    if (modem_flag[slot] != 0 && modem_flag[slot] != modemPresent)
        out << QStringLiteral("modem flag %1 is neither 0 (direct) nor 255 (modem); taken as direct")
                   .arg(modem_flag[slot]);
    return out;
}

QByteArray ComSettings::toBytes() const
{
    QByteArray bytes(fileSize, '\0');
    char *d = bytes.data();
    for (int i = 0; i < slotCount; ++i) {
        qToLittleEndian<qint16>(com_port[i], d + comPortOffset + 2 * i);
        qToLittleEndian<float>(baud_rate[i], d + baudRateOffset + 4 * i);
        d[modemFlagOffset + i] = char(modem_flag[i]);
        putField(d + phoneOffset + phoneWidth * i, phone_number[i], phoneWidth);
        putField(d + setupOffset + setupWidth * i, modem_setup[i], setupWidth);
        putField(d + nameOffset + nameWidth * i, station_name[i], nameWidth);
    }
    return bytes;
}

ComSettings ComSettings::fromBytes(const QByteArray &bytes)
{
    Q_ASSERT(bytes.size() >= fileSize);
    ComSettings s;
    const char *d = bytes.constData();
    for (int i = 0; i < slotCount; ++i) {
        s.com_port[i] = qFromLittleEndian<qint16>(d + comPortOffset + 2 * i);
        s.baud_rate[i] = qFromLittleEndian<float>(d + baudRateOffset + 4 * i);
        s.modem_flag[i] = std::uint8_t(d[modemFlagOffset + i]);
        s.phone_number[i] = QByteArray(d + phoneOffset + phoneWidth * i, phoneWidth);
        s.modem_setup[i] = QByteArray(d + setupOffset + setupWidth * i, setupWidth);
        s.station_name[i] = QByteArray(d + nameOffset + nameWidth * i, nameWidth);
    }
    return s;
}

} // namespace orv
