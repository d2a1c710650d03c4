#include "terminal_text.h"

#include <QString>

namespace station {

namespace {

const char degree = char(0xB0);

QByteArray temp(double celsius, bool metric)
{
    const double v = metric ? celsius : celsius * 9.0 / 5.0 + 32.0;
    return QByteArray::number(v, 'f', 1) + degree + (metric ? "C" : "F");
}

QByteArray pressure(double inHg, bool metric)
{
    return metric ? QByteArray::number(inHg * 33.8639, 'f', 1) + " hPa"
                  : QByteArray::number(inHg, 'f', 2) + " inHg";
}

QByteArray rain(double inches, bool metric)
{
    return metric ? QByteArray::number(inches * 25.4, 'f', 1) + " mm"
                  : QByteArray::number(inches, 'f', 2) + " in";
}

QByteArray wind(int mph, int direction, bool metric)
{
    const int speed = metric ? int(mph * 1.609 + 0.5) : mph;
    return QByteArray::number(speed) + (metric ? " km/h " : " mph ")
           + QByteArray::number(direction).rightJustified(3, '0') + degree;
}

QByteArray stamp(const QDateTime &t)
{
    return t.toString(QStringLiteral("MM/dd/yy HH:mm")).toLatin1();
}

QByteArray minMax(const Conditions &c, const QDateTime &clock, bool withTimes, bool termRain)
{
    const QByteArray at = withTimes ? " at " + stamp(clock.addSecs(-3 * 3600)) : QByteArray();
    const QByteArray at2 = withTimes ? " at " + stamp(clock.addSecs(-9 * 3600)) : QByteArray();
    QByteArray text;
    text += "Out  max " + temp(c.outsideTemp + 4.2, c.metric) + at + "  min " + temp(c.outsideTemp - 5.1, c.metric) + at2 + "\r\n";
    text += "In   max " + temp(c.insideTemp + 1.0, c.metric) + at + "  min " + temp(c.insideTemp - 1.5, c.metric) + at2 + "\r\n";
    text += "Hum  max " + QByteArray::number(qMin(100, c.humidity + 20)) + "%" + at2 + "  min "
            + QByteArray::number(qMax(0, c.humidity - 15)) + "%" + at + "\r\n";
    text += "Bar  max " + pressure(c.pressure + 0.06, c.metric) + "  min " + pressure(c.pressure - 0.04, c.metric) + "\r\n";
    text += "Wind max " + wind(c.windSpeed + 14, c.windDirection, c.metric) + at + "\r\n";
    text += termRain ? "Rain term " + rain(c.termRain, c.metric) + "\r\n"
                     : "Rain max rate " + rain(c.rainRate + 0.10, c.metric) + "/hr\r\n";
    return text;
}

QByteArray current(const Conditions &c, const QDateTime &clock, bool termRain)
{
    QByteArray text = stamp(clock) + "\r\n";
    text += "Out " + temp(c.outsideTemp, c.metric) + "  In " + temp(c.insideTemp, c.metric) + "  Aux "
            + temp(c.auxTemp, c.metric) + "\r\n";
    text += "Hum " + QByteArray::number(c.humidity) + "%  Bar " + pressure(c.pressure, c.metric) + "  Wind "
            + wind(c.windSpeed, c.windDirection, c.metric) + "\r\n";
    text += termRain ? "Rain day " + rain(c.dailyRain, c.metric) + "  term " + rain(c.termRain, c.metric) + "\r\n"
                     : "Rain day " + rain(c.dailyRain, c.metric) + "  rate " + rain(c.rainRate, c.metric) + "/hr\r\n";
    return text;
}

QByteArray logged(const Conditions &c, const QDateTime &when)
{
    return stamp(when) + " " + temp(c.outsideTemp, c.metric) + " " + QByteArray::number(c.humidity) + "% "
           + pressure(c.pressure, c.metric) + " " + wind(c.windSpeed, c.windDirection, c.metric) + "\r\n";
}

} // namespace

QByteArray terminalReply(char letter, const Conditions &c, const QDateTime &clock)
{
    switch (letter) {
    case 'S': return "Serial# 0410-31877\r\n";
    case 'I': return "Unit ID 0001\r\n";
    case 'C':
    case 'D': return minMax(c, clock, false, false);
    case 'c':
    case 'd': return minMax(c, clock, false, true);
    case 'E':
    case 'M':
    case 'm': return minMax(c, clock, true, letter == 'm');
    case 'R': return current(c, clock, false);
    case 'r': return current(c, clock, true);
    case 'K': {
        const double dewPoint = c.outsideTemp - (100.0 - c.humidity) / 5.0;
        return "Dew point " + temp(dewPoint, c.metric) + "  Windchill " + temp(c.outsideTemp - 1.3, c.metric)
               + "  Heat index " + temp(c.outsideTemp, c.metric) + "\r\n";
    }
    // The log holds a record every quarter hour; the newest is the last full one.
    case 'T':
    case 'A': return logged(c, clock.addSecs(-(clock.time().minute() % 15) * 60 - clock.time().second()));
    case 'N': return "End of log\r\n";
    case 'P': return logged(c, clock.addSecs(-15 * 60 - (clock.time().minute() % 15) * 60 - clock.time().second()));
    case 'B': return logged(c, clock.addDays(-7));
    default: return {};
    }
}

} // namespace station
