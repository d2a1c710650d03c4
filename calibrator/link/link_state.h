#pragma once

#include <QByteArray>

namespace orv {

// What a link remembers between exchanges; each exchange's operands and
// outcome travel as its arguments and result instead.
struct LinkState
{
    QByteArray station_version; // the 7-byte version reply, later the definition file name
    int cur_station = 0;        // selected station slot 0..19
};

} // namespace orv
