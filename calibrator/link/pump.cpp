#include "pump.h"

#include <QCoreApplication>

namespace orv {

void Pump::runPending()
{
    QCoreApplication::processEvents();
}

double Pump::secondsSinceMidnight() const
{
    return now().time().msecsSinceStartOfDay() / 1000.0;
}

} // namespace orv
