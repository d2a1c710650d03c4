#include "param_access.h"

#include "conversion.h"

#include "link/message.h"
#include "link/numeric.h"
#include "link/station_link.h"

namespace orv {

namespace {

void setAddress(StationLink &link, const ParamRecord &record)
{
    link.state.param_addr = roundHalfEven(record.address());
}

AccessResult comFailed(StationLink &link, const QString &message)
{
    show_message(message);
    link.close_link();
    return AccessResult::ComFailed;
}

AccessResult unconvertible(const QString &words)
{
    show_message(QStringLiteral("ORV CAL cannot convert the ") + words
                 + QStringLiteral(" values: the PRM file gives a scale of 0 or values out of range."));
    return AccessResult::Unconvertible;
}

} // namespace

QString gettingMessage(const QString &words)
{
    return QStringLiteral("Com error while getting ") + words + QStringLiteral(" information");
}

QString settingMessage(const QString &words)
{
    return QStringLiteral("Com error while setting ") + words + QStringLiteral(" information");
}

AccessResult get_eng_setting(StationLink &link, const ParamRecord &record, const QString &words, EngReading *reading)
{
    if (record.absent())
        return AccessResult::Absent;
    // A record that cannot convert is known before asking the station.
    if (record.scale() == 0.0f)
        return unconvertible(words);
    setAddress(link, record);
    link.read_param();
    if (link.state.exchangeFailed())
        return comFailed(link, gettingMessage(words));

    float &value = link.state.param_value;
    EngReading r;
    if (!raw_to_eng(value, record.element[3], record.element[4]))
        return unconvertible(words);
    r.current = value;
    value = record.rawMin();
    if (!raw_to_eng(value, record.element[3], record.element[4]))
        return unconvertible(words);
    r.minimum = value;
    value = record.rawMax();
    if (!raw_to_eng(value, record.element[3], record.element[4]))
        return unconvertible(words);
    r.maximum = value;
    if (reading)
        *reading = r;
    return AccessResult::Done;
}

AccessResult set_eng_setting(StationLink &link, const ParamRecord &record, float engValue, const QString &words)
{
    // Only an enabled panel reaches here, but an absent record must never
    // turn into a write to address -999.
    if (record.absent())
        return AccessResult::Absent;
    setAddress(link, record);
    float &value = link.state.param_value;
    value = engValue;
    if (!eng_to_raw(value, record.element[3], record.element[4]))
        return unconvertible(words);
    link.write_param();
    if (link.state.exchangeFailed())
        return comFailed(link, settingMessage(words));
    return AccessResult::Done;
}

AccessResult read_raw_setting(StationLink &link, const ParamRecord &record, const QString &failureMessage)
{
    if (record.absent())
        return AccessResult::Absent;
    setAddress(link, record);
    link.read_param();
    if (link.state.exchangeFailed())
        return comFailed(link, failureMessage);
    return AccessResult::Done;
}

AccessResult write_raw_setting(StationLink &link, const ParamRecord &record, float rawValue,
                               const QString &failureMessage)
{
    if (record.absent())
        return AccessResult::Absent;
    setAddress(link, record);
    link.state.param_value = rawValue;
    link.write_param();
    if (link.state.exchangeFailed())
        return comFailed(link, failureMessage);
    return AccessResult::Done;
}

} // namespace orv
