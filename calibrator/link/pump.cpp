#include "pump.h"

namespace orv {

double Pump::secondsSinceMidnight() const
{
    return now().time().msecsSinceStartOfDay() / 1000.0;
}

} // namespace orv
