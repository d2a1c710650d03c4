#pragma once

#include "param_records.h"

#include <QString>

namespace orv {

class StationLink;

// How one get or set of a setting ended.
enum class AccessResult {
    Done,
    Absent,        // the firmware lacks the setting; nothing was sent
    ComFailed,     // the exchange failed: message shown, link closed, com_status 255
    Unconvertible, // the record's scale is 0 (or a value left the single range): message shown
};

// A setting's current value and limits in engineering units.
struct EngReading
{
    float current = 0;
    float minimum = 0; // from the raw minimum; above `maximum` when the scale is negative
    float maximum = 0;
};

// "Com error while getting " + words + " information", and its setting twin.
QString gettingMessage(const QString &words);
QString settingMessage(const QString &words);

// The get pattern: reads the setting at the record's address and converts it
// and the record's raw limits with the record's scale and offset. On a failed
// exchange shows gettingMessage(words) and closes the link. `param_value` is
// left holding the converted maximum, as the setting operations expect.
AccessResult get_eng_setting(StationLink &link, const ParamRecord &record, const QString &words,
                             EngReading *reading);

// The set pattern: converts `engValue` to raw and writes it. On a failed
// exchange shows settingMessage(words) and closes the link. The caller keeps
// the value within the record's limits and reads the setting again afterwards.
AccessResult set_eng_setting(StationLink &link, const ParamRecord &record, float engValue, const QString &words);

// The same exchanges without a conversion, for bit fields and option indices:
// the raw value travels in link.state.param_value. `failureMessage` is the
// whole text shown when the exchange fails.
AccessResult read_raw_setting(StationLink &link, const ParamRecord &record, const QString &failureMessage);
AccessResult write_raw_setting(StationLink &link, const ParamRecord &record, float rawValue,
                               const QString &failureMessage);

} // namespace orv
