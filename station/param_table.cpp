#include "param_table.h"

#include <array>

namespace station {

namespace {

constexpr std::array<int, 8> rates = {38400, 19200, 9600, 4800, 2400, 1200, 600, 300};

} // namespace

const std::vector<ParamInfo> &paramTable()
{
    // Temperatures are whole degrees above -96: a finer step than the
    // calibration window's sliders would make an unmoved "Make Change" drift.
    // Pressure and rain are hundredths of an inch; humidity outputs millivolts.
    static const std::vector<ParamInfo> table = {
        {"clock seconds", 0, 0, 59, 1, 0, 0, true},
        {"clock minutes", 1, 0, 59, 1, 0, 0, true},
        {"clock hours", 2, 0, 23, 1, 0, 0, true},
        {"clock day of month", 3, 1, 31, 1, 0, 1, true},
        {"clock month", 4, 1, 12, 1, 0, 1, true},
        {"clock years", 5, 0, 99, 1, 0, 0, true},
        {"Baud Rate index", 6, 0, 7, 1, 0, 4, false},
        {"log interval min", 7, 0, 59, 1, 0, 15, false},
        {"log interval hrs", 8, 0, 24, 1, 0, 1, false},
        {"Data Input", 9, 0, 255, 1, 0, 0, false},
        {"temp: inside", 10, 0, 255, 1, 96, 118, false},
        {"temp: auxillary", 11, 0, 255, 1, 96, 114, false},
        {"temp: outside", 12, 0, 255, 1, 96, 111, false},
        {"mV @  0.0% RH", 13, 0, 1000, 1000, 0, 120, false},
        {"mV @ 75.3% RH", 14, 1000, 4000, 1000, 0, 2800, false},
        {"Wsp units", 16, 0, 255, 1, 0, 0x21, false},
        {"Scale: 0=FPS 1=CGS", 17, 0, 1, 1, 0, 0, false},
        {"Rx DTR Delay, sec", 18, 0, 255, 1, 0, 2, false},
        {"report end-of-day", 19, 0, 1, 1, 0, 1, false},
        {"report MIN/MAX", 20, 0, 255, 1, 0, 0x05, false},
        {"report interval hrs", 21, 0, 23, 1, 0, 1, false},
        {"report interval min", 22, 0, 59, 1, 0, 0, false},
        {"wind dir offset", 23, 0, 359, 1, 0, 12, false},
        {"uamp/Klux cal", 24, 0, 2000, 100, 0, 125, false},
        {"rain inc flag", 25, 0, 1, 1, 0, 1, false},
        {"rain inc value", 26, 1, 100, 100, 0, 1, false},
        {"rain fall: daily", 27, 0, 9999, 100, 0, 12, false},
        {"rain fall: monthly", 28, 0, 9999, 100, 0, 245, false},
        {"rain fall: term", 29, 0, 65000, 100, 0, 1834, false},
        {"barometric pressure", 30, 2000, 3200, 100, 0, 2992, false},
        {"report flags", 31, 0, 7, 1, 0, 2, false},
        {"Wet Level", 32, 0, 100, 1, 0, 50, false},
        {"Lightning Level", 33, 0, 255, 1, 0, 4, false},
    };
    return table;
}

const ParamInfo *findParam(const QByteArray &entry)
{
    for (const ParamInfo &info : paramTable())
        if (entry == info.entry)
            return &info;
    return nullptr;
}

int paramAddress(const QByteArray &entry)
{
    const ParamInfo *info = findParam(entry);
    return info ? info->address : -1;
}

int baudIndexOf(int baud)
{
    for (int i = 0; i < int(rates.size()); ++i)
        if (rates[i] == baud)
            return i;
    return -1;
}

int baudOfIndex(int index)
{
    return index >= 0 && index < int(rates.size()) ? rates[index] : 0;
}

} // namespace station
