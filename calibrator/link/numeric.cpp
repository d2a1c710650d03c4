#include "numeric.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <limits>

namespace orv {

namespace {

bool skipped(char c)
{
    return c == ' ' || c == '\t' || c == '\n';
}

// The text without the characters the reading skips.
QByteArray significant(const QByteArray &text)
{
    QByteArray out;
    out.reserve(text.size());
    for (char c : text)
        if (!skipped(c))
            out += c;
    return out;
}

double radixNumber(const QByteArray &digits, int radix)
{
    double value = 0;
    for (char c : digits) {
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else
            break;
        if (d >= radix)
            break;
        value = value * radix + d;
    }
    return value;
}

// A well-formed number that toDouble() refused is beyond the double range:
// too big ("1e400") is an infinity, so that callers can refuse it instead of
// taking 0; too small ("1e-400") is 0.
double outOfRange(const QByteArray &number)
{
    const bool negative = number.startsWith('-');
    const qsizetype e = number.indexOf('e');
    const QByteArray mantissa = e < 0 ? number : number.left(e);
    long long exponent = 0;
    if (e >= 0) {
        const QByteArray digits = number.mid(e + 1);
        const bool down = digits.startsWith('-');
        for (char c : digits)
            if (std::isdigit(uchar(c)))
                exponent = std::min(exponent * 10 + (c - '0'), 1000000LL);
        if (down)
            exponent = -exponent;
    }
    // The power of ten of the first significant digit, counted so that "1" is 1.
    long long order = 0;
    bool seenPoint = false;
    bool significant = false;
    for (char c : mantissa) {
        if (c == '.') {
            seenPoint = true;
        } else if (std::isdigit(uchar(c))) {
            if (c != '0')
                significant = true;
            if (!significant && seenPoint)
                --order;
            else if (significant && !seenPoint)
                ++order;
        }
    }
    if (!significant || order + exponent <= 0)
        return negative ? -0.0 : 0.0;
    return negative ? -std::numeric_limits<double>::infinity() : std::numeric_limits<double>::infinity();
}

} // namespace

double leadingNumber(const QByteArray &text)
{
    const QByteArray s = significant(text);
    if (s.size() >= 2 && s[0] == '&') {
        const char kind = char(s[1] | 0x20);
        if (kind == 'h')
            return radixNumber(s.mid(2), 16);
        if (kind == 'o')
            return radixNumber(s.mid(2), 8);
        return 0;
    }

    int i = 0;
    QByteArray number;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        number += s[i++];
    bool digits = false;
    while (i < s.size() && std::isdigit(uchar(s[i]))) {
        number += s[i++];
        digits = true;
    }
    if (i < s.size() && s[i] == '.') {
        number += s[i++];
        while (i < s.size() && std::isdigit(uchar(s[i]))) {
            number += s[i++];
            digits = true;
        }
    }
    if (!digits)
        return 0;
    // An exponent counts only when digits follow it ("1E3" is 1000, "1E" is 1).
    if (i < s.size() && (s[i] == 'E' || s[i] == 'e' || s[i] == 'D' || s[i] == 'd')) {
        int j = i + 1;
        QByteArray exponent = "e";
        if (j < s.size() && (s[j] == '+' || s[j] == '-'))
            exponent += s[j++];
        const int firstDigit = j;
        while (j < s.size() && std::isdigit(uchar(s[j])))
            exponent += s[j++];
        if (j > firstDigit)
            number += exponent;
    }
    bool ok = false;
    const double value = number.toDouble(&ok);
    return ok ? value : outOfRange(number);
}

std::int32_t roundHalfEven(double value)
{
    if (std::isnan(value))
        return 0;
    const double r = std::nearbyint(value); // the default rounding mode is to nearest, ties to even
    if (r >= double(std::numeric_limits<std::int32_t>::max()))
        return std::numeric_limits<std::int32_t>::max();
    if (r <= double(std::numeric_limits<std::int32_t>::min()))
        return std::numeric_limits<std::int32_t>::min();
    return std::int32_t(r);
}

} // namespace orv
