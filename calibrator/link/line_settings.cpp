#include "line_settings.h"

#include <QStringList>

#include <cmath>

namespace orv {

std::optional<LineSettings> LineSettings::parse(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 4)
        return std::nullopt;

    bool ok = false;
    LineSettings s;
    s.baud = parts[0].trimmed().toInt(&ok);
    if (!ok || s.baud <= 0)
        return std::nullopt;

    const QString parity = parts[1].trimmed().toUpper();
    if (parity.size() != 1 || !QStringLiteral("NEOMS").contains(parity))
        return std::nullopt;
    s.parity = parity.at(0).toLatin1();

    s.dataBits = parts[2].trimmed().toInt(&ok);
    if (!ok || s.dataBits < 5 || s.dataBits > 8)
        return std::nullopt;

    s.stopBits = parts[3].trimmed().toInt(&ok);
    if (!ok || (s.stopBits != 1 && s.stopBits != 2))
        return std::nullopt;
    return s;
}

QString LineSettings::toString() const
{
    return QStringLiteral("%1,%2,%3,%4").arg(baud).arg(QLatin1Char(parity)).arg(dataBits).arg(stopBits);
}

int stationRateIndex(float rate)
{
    for (std::size_t i = 0; i < stationRates.size(); ++i)
        if (rate == float(stationRates[i]))
            return int(i);
    return -1;
}

int stationBaudIndex(int baud)
{
    const int i = stationRateIndex(float(baud));
    return i < 0 ? -1 : int(stationRates.size()) - 1 - i;
}

int rateOfStationBaudIndex(int index)
{
    const int last = int(stationRates.size()) - 1;
    return index < 0 || index > last ? 0 : stationRates[std::size_t(last - index)];
}

QString stationRatesText()
{
    QStringList rates;
    for (int rate : stationRates)
        rates << QString::number(rate);
    const QString last = rates.takeLast();
    return rates.join(QStringLiteral(", ")) + QStringLiteral(" or ") + last;
}

QString settingsStringForRate(float baudRate)
{
    // "#####" rounds halves away from zero and prints no leading zeros.
    const double rounded = std::round(double(baudRate));
    // Only a value an integer can hold is converted to one.
    const bool whole = std::isfinite(rounded) && std::fabs(rounded) < 1e15;
    return (whole ? QString::number(qint64(rounded)) : QString::number(double(baudRate)))
        + QStringLiteral(",N,8,1");
}

} // namespace orv
