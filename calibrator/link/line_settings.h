#pragma once

#include <QString>

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

// The settings string the program builds for a rate: "#####" then ",N,8,1".
QString settingsStringForRate(float baudRate);

} // namespace orv
