#pragma once

#include "param_records.h"

#include "link/link_result.h"

#include <QString>

#include <utility>

namespace orv {

class StationLink;

// How one get or set of a setting ended.
enum class AccessResult {
    Done,
    Absent,    // the firmware lacks the setting; nothing was sent
    ComFailed, // the exchange failed: message shown, link closed
    // The definition file gives numbers no exchange can carry: an address
    // outside 0..255, a raw limit or value outside 0..65535, a scale of 0 or
    // values beyond the single range. Message shown, nothing sent, the link
    // untouched: the fault is in the file, not on the line.
    DataFault,
    // The slider could not show the station's value and was not moved, so no
    // value was chosen: nothing sent, the reason shown.
    NotChosen,
    // A long sequence was asked to stop between two exchanges: nothing half done.
    Stopped,
};

// How an access ended and what it brought; after ComFailed, why the exchange
// failed as the link told it.
template <typename T = Sent>
struct Access
{
    Access(AccessResult r = AccessResult::Done, T v = {}, LinkFailure f = {})
        : result(r)
        , value(std::move(v))
        , failure(std::move(f))
    {
    }

    AccessResult result;
    T value;
    LinkFailure failure;

    bool done() const { return result == AccessResult::Done; }
};

// A setting's current value and limits in engineering units.
struct EngReading
{
    float current = 0;
    float minimum = 0; // from the raw minimum; above `maximum` when the scale is negative
    float maximum = 0;
    float raw = 0; // as the station sent it
};

// "Com error while getting " + words + " information", and its setting twin.
QString gettingMessage(const QString &words);
QString settingMessage(const QString &words);

// The message of a data fault: names the setting, the definition file (the
// file name that station_version holds after the load) and what is wrong.
QString dataFaultMessage(const QString &setting, const QByteArray &file, const QString &fault);
// The definition file as messages name it: "4103.prm", or "the PRM file".
QString prmFileText(const QByteArray &file);

// The note for a record the file gives a negative scale (the wind offset may
// have one): allowed, but unusual enough to say once. Empty otherwise.
QString unusualScaleNote(const ParamRecord &record, const QString &setting, const QByteArray &file);

// Why the record cannot be used for an exchange, known before the line is
// touched: the fault of its definition-file line, or an address (rounded
// halves to even) outside 0..255, which a packet cannot hold. Empty when it
// can be used or is absent.
QString recordFault(const ParamRecord &record);

// The get pattern: reads the setting at the record's address and converts it
// and the record's raw limits with the record's scale and offset. On a failed
// exchange shows gettingMessage(words) and closes the link; a record with a
// data fault is refused before the line is touched.
Access<EngReading> get_eng_setting(StationLink &link, const ParamRecord &record, const QString &words);

// The set pattern: converts `engValue` to raw and writes it. On a failed
// exchange shows settingMessage(words) and closes the link; a raw value
// outside 0..65535 is a data fault and nothing is sent. The caller keeps
// the value within the record's limits and reads the setting again afterwards.
Access<> set_eng_setting(StationLink &link, const ParamRecord &record, float engValue, const QString &words);

// The same exchanges without a conversion, for bit fields and option indices.
// `failureMessage` is the whole text shown when the exchange fails; `setting`
// names the setting in the message of a data fault.
Access<quint16> read_raw_setting(StationLink &link, const ParamRecord &record, const QString &failureMessage,
                                 const QString &setting = QString());
Access<> write_raw_setting(StationLink &link, const ParamRecord &record, float rawValue,
                           const QString &failureMessage, const QString &setting = QString());

} // namespace orv
