#include "param_access.h"

#include "conversion.h"
#include "number_format.h"

#include "link/numeric.h"
#include "link/station_link.h"

namespace orv {

namespace {

constexpr float largestRaw = 65535.0f;

int addressOf(const ParamRecord &record)
{
    return roundHalfEven(record.address());
}

template <typename T>
Access<T> comFailed(StationLink &link, const QString &message, const LinkFailure &failure)
{
    link.show_failure(message, failure);
    link.close_link();
    return {AccessResult::ComFailed, T{}, failure};
}

AccessResult dataFault(StationLink &link, const QString &setting, const QString &fault)
{
    link.show_message(dataFaultMessage(setting, link.state.station_version, fault));
    return AccessResult::DataFault;
}

bool rawFits(float raw)
{
    return raw >= 0.0f && raw <= largestRaw;
}

QString limitFault(const ParamRecord &record)
{
    for (const float limit : {record.rawMin(), record.rawMax()})
        if (!rawFits(limit))
            return QStringLiteral("its raw limit %1 is outside 0 to 65535").arg(singleText(limit));
    return QString();
}

// Conversions divide by the scale.
const QString zeroScale = QStringLiteral("it gives a scale of 0, which no value can be converted with");
const QString unconvertible = QStringLiteral("its values leave the single-precision range when converted");

} // namespace

QString gettingMessage(const QString &words)
{
    return QStringLiteral("Com error while getting ") + words + QStringLiteral(" information");
}

QString settingMessage(const QString &words)
{
    return QStringLiteral("Com error while setting ") + words + QStringLiteral(" information");
}

QString dataFaultMessage(const QString &setting, const QByteArray &file, const QString &fault)
{
    const QString name = setting.isEmpty() ? QStringLiteral("a") : QStringLiteral("the ") + setting;
    return QStringLiteral("ORV CAL cannot use %1 setting of %2: %3.").arg(name, prmFileText(file), fault);
}

QString prmFileText(const QByteArray &file)
{
    return file.isEmpty() ? QStringLiteral("the PRM file") : QString::fromLatin1(file);
}

QString unusualScaleNote(const ParamRecord &record, const QString &setting, const QByteArray &file)
{
    if (record.absent() || !(record.scale() < 0.0f))
        return QString();
    return QStringLiteral("The %1 setting of %2 has a negative scale, %3 (line %4), which is unusual; ORV CAL uses "
                          "it as written, so the slider runs from the station's highest raw value to its lowest.")
        .arg(setting, prmFileText(file), singleText(record.scale()))
        .arg(record.line);
}

QString recordFault(const ParamRecord &record)
{
    if (!record.fault.isEmpty() || record.absent())
        return record.fault;
    const std::int32_t address = roundHalfEven(record.address());
    if (address >= 0 && address <= 255)
        return QString();
    return QStringLiteral("its address %1 is outside 0 to 255").arg(singleText(record.address()));
}

Access<EngReading> get_eng_setting(StationLink &link, const ParamRecord &record, const QString &words)
{
    if (record.absent())
        return {AccessResult::Absent};
    // A record the station cannot take is known before asking the station.
    if (const QString fault = recordFault(record); !fault.isEmpty())
        return {dataFault(link, words, fault)};
    if (record.scale() == 0.0f)
        return {dataFault(link, words, zeroScale)};
    if (const QString fault = limitFault(record); !fault.isEmpty())
        return {dataFault(link, words, fault)};
    const LinkResult<quint16> read = link.read_param(addressOf(record));
    if (!read)
        return comFailed<EngReading>(link, gettingMessage(words), read.failure());

    EngReading r;
    r.raw = float(*read);
    r.current = r.raw;
    r.minimum = record.rawMin();
    r.maximum = record.rawMax();
    for (float *value : {&r.current, &r.minimum, &r.maximum})
        if (!raw_to_eng(*value, record.element[3], record.element[4]))
            return {dataFault(link, words, unconvertible)};
    return {AccessResult::Done, r};
}

Access<> set_eng_setting(StationLink &link, const ParamRecord &record, float engValue, const QString &words)
{
    // Only an enabled panel reaches here, but an absent record must never
    // turn into a write to address -999.
    if (record.absent())
        return {AccessResult::Absent};
    if (const QString fault = recordFault(record); !fault.isEmpty())
        return {dataFault(link, words, fault)};
    float raw = engValue;
    if (!eng_to_raw(raw, record.element[3], record.element[4]))
        return {dataFault(link, words, record.scale() == 0.0f ? zeroScale : unconvertible)};
    // The link would refuse it too, but as a line fault that closes the link.
    if (!rawFits(float(roundHalfEven(raw))))
        return {dataFault(link, words,
                          QStringLiteral("%1 converts to the raw value %2, outside 0 to 65535; nothing was sent")
                              .arg(singleText(engValue), singleText(raw)))};
    const LinkResult<quint16> written = link.write_param(addressOf(record), roundHalfEven(raw));
    if (!written)
        return comFailed<Sent>(link, settingMessage(words), written.failure());
    return {};
}

Access<quint16> read_raw_setting(StationLink &link, const ParamRecord &record, const QString &failureMessage,
                                 const QString &setting)
{
    if (record.absent())
        return {AccessResult::Absent};
    if (const QString fault = recordFault(record); !fault.isEmpty())
        return {dataFault(link, setting, fault)};
    const LinkResult<quint16> read = link.read_param(addressOf(record));
    if (!read)
        return comFailed<quint16>(link, failureMessage, read.failure());
    return {AccessResult::Done, *read};
}

Access<> write_raw_setting(StationLink &link, const ParamRecord &record, float rawValue,
                           const QString &failureMessage, const QString &setting)
{
    if (record.absent())
        return {AccessResult::Absent};
    if (const QString fault = recordFault(record); !fault.isEmpty())
        return {dataFault(link, setting, fault)};
    if (!rawFits(float(roundHalfEven(rawValue))))
        return {dataFault(link, setting,
                          QStringLiteral("the raw value %1 is outside 0 to 65535; nothing was sent")
                              .arg(singleText(rawValue)))};
    const LinkResult<quint16> written = link.write_param(addressOf(record), roundHalfEven(rawValue));
    if (!written)
        return comFailed<Sent>(link, failureMessage, written.failure());
    return {};
}

} // namespace orv
