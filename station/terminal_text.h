#pragma once

#include <QByteArray>
#include <QDateTime>

namespace station {

// What the station measures, in its own engineering units (degrees Celsius,
// inches of mercury, inches of rain, miles per hour).
struct Conditions
{
    double outsideTemp = 15.0;
    double insideTemp = 21.0;
    double auxTemp = 18.0;
    int humidity = 45;
    double pressure = 29.92;
    double dailyRain = 0.0;
    double monthlyRain = 0.0;
    double termRain = 0.0;
    double rainRate = 0.0;
    int windSpeed = 5;
    int windDirection = 180;
    bool metric = false;
};

// The text the station prints for a terminal command letter other than "V",
// lines ending CR LF; empty for a letter it does not know. Temperatures carry
// the degree sign 0xB0 of the console's character set.
QByteArray terminalReply(char letter, const Conditions &c, const QDateTime &clock);

} // namespace station
