#pragma once

#include <QByteArray>

#include <cstdint>
#include <vector>

namespace station {

// Where firmware 4.103 keeps each setting, mirroring data/PRM/4103.prm line for
// line, with the value a freshly reset station holds.
struct ParamInfo
{
    const char *entry; // the entry text of the definition file
    int address;
    int rawMin;
    int rawMax;
    double scale;
    double offset;
    std::uint16_t defaultRaw;
    bool clockField; // kept by the running clock, not by the memory
};

const std::vector<ParamInfo> &paramTable();

// The row whose entry text is `entry` exactly, or nullptr.
const ParamInfo *findParam(const QByteArray &entry);

// Address of `entry`; -1 when the table has no such row.
int paramAddress(const QByteArray &entry);

// Index 0..7 of the station's serial rates (0 = 38400 ... 7 = 300), -1 if none.
int baudIndexOf(int baud);
// Rate of an index 0..7, 0 otherwise.
int baudOfIndex(int index);

} // namespace station
