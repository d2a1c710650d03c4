#include "conversion.h"

#include "number_format.h"

#include "link/numeric.h"

#include <cmath>
#include <limits>

namespace orv {

bool raw_to_eng(float &value, const float &scale, const float &offset)
{
    if (scale == 0.0f)
        return false;
    const float eng = value / scale - offset;
    if (!std::isfinite(eng))
        return false;
    value = eng;
    return true;
}

namespace {

// Whole number through the "#####0" picture: halves away from zero.
bool storeWhole(float &value, float x)
{
    if (!std::isfinite(x))
        return false;
    const QString whole = formatNumber(double(x), u"#####0");
    const double raw = leadingNumber(whole.toLatin1());
    if (std::fabs(raw) > double(std::numeric_limits<float>::max()))
        return false;
    value = float(raw);
    return true;
}

} // namespace

bool eng_to_raw(float &value, const float &scale, const float &offset)
{
    // Multiplying by zero would make every value the offset: as wrong as a
    // division by zero the other way, so it is refused the same.
    if (scale == 0.0f)
        return false;
    return storeWhole(value, (value + offset) * scale);
}

} // namespace orv
