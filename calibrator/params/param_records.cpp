#include "param_records.h"

namespace orv {

namespace {

const std::array<QByteArrayList, paramEntryCount> &textTable()
{
    static const std::array<QByteArrayList, paramEntryCount> table{{
        {"Wsp units"},
        {"Scale: 0=FPS 1=CGS"},
        {"Rx DTR Delay, sec"},
        {"report end-of-day"},
        {"report MIN/MAX"},
        {"report interval hrs"},
        {"report interval min"},
        {"wind dir offset"},
        {"uamp/Klux cal"},
        {"rain inc flag"},
        {"rain inc value"},
        {"rain fall: daily"},
        {"rain fall: monthly"},
        {"rain fall: term"},
        {"report flags"},
        {"mV @  0.0% RH"},
        {"mV @ 75.3% RH"},
        {"temp: inside"},
        {"temp: outside"},
        {"temp: auxillary", "temp: aux"},
        {"barometric pressure"},
        {"clock years"},
        {"clock month"},
        {"clock day of month"},
        {"clock hours"},
        {"clock minutes"},
        {"clock seconds"},
        {"Wet Level"},
        {"Baud Rate index"},
        {"log interval min"},
        {"log interval hrs"},
        {"Data Input"},
        {"Lightning Level"},
    }};
    return table;
}

} // namespace

const QByteArrayList &entryTexts(ParamEntry entry)
{
    return textTable()[std::size_t(entry)];
}

QByteArray entryName(ParamEntry entry)
{
    return entryTexts(entry).constFirst();
}

bool entryFromText(const QByteArray &text, ParamEntry *entry)
{
    for (ParamEntry e : allEntries()) {
        if (entryTexts(e).contains(text)) {
            *entry = e;
            return true;
        }
    }
    return false;
}

const std::array<ParamEntry, paramEntryCount> &allEntries()
{
    static const std::array<ParamEntry, paramEntryCount> entries = [] {
        std::array<ParamEntry, paramEntryCount> all{};
        for (std::size_t i = 0; i < paramEntryCount; ++i)
            all[i] = ParamEntry(i);
        return all;
    }();
    return entries;
}

void ParamRecords::reset()
{
    m_records.fill(ParamRecord{});
}

} // namespace orv
