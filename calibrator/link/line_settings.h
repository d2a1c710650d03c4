#pragma once

#include <QString>

#include <array>
#include <optional>

namespace orv {

// The serial control's settings string, e.g. "2400,N,8,1".
struct LineSettings
{
    int baud = 9600;
    char parity = 'N'; // N, E, O, M or S
    int dataBits = 8;
    int stopBits = 1;

    static std::optional<LineSettings> parse(const QString &text);
    QString toString() const;

    bool operator==(const LineSettings &o) const
    {
        return baud == o.baud && parity == o.parity && dataBits == o.dataBits && stopBits == o.stopBits;
    }
};

// The eight rates a station and a station slot can hold, slowest first.
inline constexpr std::array<int, 8> stationRates = {300, 600, 1200, 2400, 4800, 9600, 19200, 38400};

// Position of a stored rate in stationRates, or -1 for anything else (NaN,
// 1e12 and 2400.5 included), without an out-of-range conversion on the way.
int stationRateIndex(float rate);
inline bool isStationRate(int baud) { return stationRateIndex(float(baud)) >= 0; }

// The station's own baud setting counts from the fastest rate: 0 is 38400,
// 7 is 300. -1 (or 0 for a rate) outside that.
int stationBaudIndex(int baud);
int rateOfStationBaudIndex(int index);

// "300, 600, ... or 38400", for messages.
QString stationRatesText();

// The settings string the program builds for a rate: "#####" then ",N,8,1".
// A stored rate far out of range is written as it is ("nan,N,8,1"), which the
// serial control then refuses.
QString settingsStringForRate(float baudRate);

} // namespace orv
