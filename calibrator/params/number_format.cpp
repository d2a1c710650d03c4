#include "number_format.h"

#include <QByteArray>

#include <cmath>
#include <cstdio>

namespace orv {

namespace {

// A finite value as sign, significant digits and decimal exponent:
// value = 0.d1d2d3... × 10^(pointPos), i.e. pointPos digits lie before the point.
struct Decimal
{
    bool negative = false;
    QByteArray digits; // no leading or trailing zeros; empty for zero
    int pointPos = 0;

    bool isZero() const { return digits.isEmpty(); }

    // Keeps `keep` leading digits, rounding the rest half away from zero. The
    // digits are exact, so a dropped first digit of 5 or more always rounds up.
    void roundToDigits(int keep)
    {
        if (keep >= digits.size())
            return;
        if (keep < 0) {
            digits.clear();
            return;
        }
        const bool up = digits[keep] >= '5';
        digits.truncate(keep);
        if (up) {
            int i = keep - 1;
            while (i >= 0 && digits[i] == '9')
                digits[i--] = '0';
            if (i >= 0) {
                ++digits[i];
            } else {
                digits.prepend('1');
                ++pointPos;
            }
        }
        while (!digits.isEmpty() && digits.back() == '0')
            digits.chop(1);
    }

    void roundToDecimals(int decimals) { roundToDigits(pointPos + decimals); }

    // Digits past the stored ones are zeros.
    char digitAt(int index) const
    {
        return index >= 0 && index < digits.size() ? digits[index] : '0';
    }

    // Digits before the point, without leading zeros ("" for a value below 1).
    QByteArray integerDigits() const
    {
        QByteArray out;
        for (int i = 0; i < pointPos; ++i)
            out += digitAt(i);
        return out;
    }

    // The first `count` digits after the point.
    QByteArray fractionDigits(int count) const
    {
        QByteArray out;
        for (int i = 0; i < count; ++i)
            out += digitAt(pointPos + i);
        return out;
    }
};

Decimal exactDecimal(double value)
{
    Decimal d;
    d.negative = std::signbit(value);
    if (value == 0)
        return d;
    // 800 digits hold any double's binary value exactly, so no rounding happens here.
    char buffer[832];
    std::snprintf(buffer, sizeof buffer, "%.800e", std::fabs(value));
    const QByteArray text(buffer);
    const qsizetype e = text.indexOf('e');
    d.digits = text.left(1) + text.mid(2, e - 2);
    d.pointPos = text.mid(e + 1).toInt() + 1;
    while (!d.digits.isEmpty() && d.digits.back() == '0')
        d.digits.chop(1);
    return d;
}

QString nonFinite(double value)
{
    if (std::isnan(value))
        return QStringLiteral("NaN");
    return value < 0 ? QStringLiteral("-Inf") : QStringLiteral("Inf");
}

} // namespace

QString formatNumber(double value, QStringView picture)
{
    if (!std::isfinite(value))
        return nonFinite(value);
    int minInteger = 0;
    int minDecimals = 0;
    int maxDecimals = 0;
    bool afterPoint = false;
    for (QChar c : picture) {
        if (c == QLatin1Char('.')) {
            afterPoint = true;
        } else if (c == QLatin1Char('0')) {
            afterPoint ? (++minDecimals, ++maxDecimals) : ++minInteger;
        } else if (c == QLatin1Char('#')) {
            if (afterPoint)
                ++maxDecimals;
        }
    }
    Decimal d = exactDecimal(value);
    d.roundToDecimals(maxDecimals);

    QByteArray integer = d.integerDigits();
    while (integer.size() < minInteger)
        integer.prepend('0');
    QByteArray fraction = d.fractionDigits(maxDecimals);
    while (fraction.size() > minDecimals && fraction.endsWith('0'))
        fraction.chop(1);

    QByteArray out;
    if (d.negative && !d.isZero())
        out += '-';
    out += integer;
    if (!fraction.isEmpty())
        out += '.' + fraction;
    return QString::fromLatin1(out);
}

QString singleText(float value)
{
    if (!std::isfinite(value))
        return nonFinite(value);
    Decimal d = exactDecimal(double(value));
    d.roundToDigits(7);
    if (d.isZero())
        return QStringLiteral("0");

    QByteArray out;
    if (d.negative)
        out += '-';
    const int exponent = d.pointPos - 1;
    if (exponent < -4 || exponent >= 7) {
        out += d.digits.left(1);
        if (d.digits.size() > 1)
            out += '.' + d.digits.mid(1);
        out += exponent < 0 ? "E-" : "E+";
        out += QByteArray::number(std::abs(exponent)).rightJustified(2, '0');
    } else {
        const QByteArray integer = d.integerDigits();
        out += integer.isEmpty() ? QByteArray("0") : integer;
        const int decimals = int(d.digits.size()) - d.pointPos;
        if (decimals > 0)
            out += '.' + d.fractionDigits(decimals);
    }
    return QString::fromLatin1(out);
}

} // namespace orv
