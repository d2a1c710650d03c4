#include "setting_ops.h"

#include "conversion.h"
#include "param_access.h"
#include "setting_panels.h"

#include "link/line_settings.h"
#include "link/numeric.h"
#include "link/station_link.h"

#include <QLoggingCategory>

#include <algorithm>

Q_LOGGING_CATEGORY(lcSettings, "orv.settings")

namespace orv {

namespace {

constexpr int knotsBit = 1 << 4;
constexpr int twelveHourBit = 1 << 5;
constexpr int hideAuxBit = 1 << 6;
constexpr int instantWindBit = 1 << 7;

QString text(const char *latin1)
{
    return QString::fromLatin1(latin1);
}

// The station keeps the word unsigned; the link only sends 0..65535.
float wordToSend(std::int16_t word)
{
    return float(std::uint16_t(word));
}

std::int16_t wordFromRaw(float raw)
{
    return std::int16_t(std::uint16_t(roundHalfEven(raw)));
}

} // namespace

SettingOps::SettingOps(StationLink &link, const ParamRecords &records, SettingPanels &panels)
    : m_link(link)
    , m_records(records)
    , m_panels(panels)
{
}

bool SettingOps::run(QStringView operation)
{
    if (const SliderSetting *slider = findSliderSetting(operation)) {
        if (operation == QLatin1String(slider->readOp))
            return readSlider(*slider);
        return writeSlider(*slider, m_link.state.param_value) != AccessResult::ComFailed;
    }
    using Op = bool (SettingOps::*)();
    static const struct
    {
        const char *name;
        Op op;
    } ops[] = {
        {"read_report_flag", &SettingOps::read_report_flag},
        {"read_report_extras", &SettingOps::read_report_extras},
        {"write_report_extras", &SettingOps::write_report_extras},
        {"read_wind_options", &SettingOps::read_wind_options},
        {"write_wind_options", &SettingOps::write_wind_options},
        {"read_units", &SettingOps::read_units},
        {"write_units", &SettingOps::write_units},
        {"read_time_format", &SettingOps::read_time_format},
        {"write_time_format", &SettingOps::write_time_format},
        {"read_aux_display", &SettingOps::read_aux_display},
        {"write_aux_display", &SettingOps::write_aux_display},
        {"read_baud", &SettingOps::read_baud},
    };
    for (const auto &entry : ops)
        if (operation == QLatin1String(entry.name))
            return (this->*entry.op)();
    if (operation == QLatin1String("write_report_flag"))
        return write_report_flag(roundHalfEven(m_link.state.param_value));
    qCWarning(lcSettings) << "no setting operation named" << operation;
    Q_ASSERT_X(false, "SettingOps::run", "unknown operation");
    return true;
}

bool SettingOps::readSlider(const SliderSetting &s)
{
    EngReading reading;
    const AccessResult result = refuseFaulty(s.entry, text(s.readWords))
                                    ? AccessResult::DataFault
                                    : get_eng_setting(m_link, m_records[s.entry], text(s.readWords), &reading);
    m_unshown.remove(&s);
    switch (result) {
    case AccessResult::ComFailed:
        return false;
    case AccessResult::Done:
        break;
    default:
        // The current label keeps what it showed.
        m_panels.setFrameEnabled(text(s.frame), false);
        m_panels.setCaption(text(s.minLabel), QString());
        m_panels.setCaption(text(s.maxLabel), QString());
        m_panels.setCaption(noteLabel(s), QString());
        return true;
    }
    // A negative scale (allowed for the wind offset) turns the raw limits
    // round; a slider given Max below Min collapses onto one end, and an
    // unmoved "Make Change" would then write that end over the station's value.
    const float low = std::min(reading.minimum, reading.maximum);
    const float high = std::max(reading.minimum, reading.maximum);
    m_panels.setFrameEnabled(text(s.frame), true);
    m_panels.setCaption(text(s.minLabel), formatLabel(low, s.valueFormat));
    m_panels.setCaption(text(s.maxLabel), formatLabel(high, s.valueFormat));
    m_panels.setCaption(text(s.currentLabel), formatLabel(reading.current, s.valueFormat));
    m_panels.setSlider(text(s.slider), sliderPosition(low, s.factor), sliderPosition(high, s.factor),
                       sliderPosition(reading.current, s.factor));
    const QString why = unshownReason(s, reading);
    QString note;
    if (!why.isEmpty()) {
        m_unshown.insert(&s, why);
        // The slider stopped at its nearest position, which nobody chose.
        m_panels.setCaption(text(s.setLabel), QString());
        note = why.at(0).toUpper() + why.mid(1) + QStringLiteral("; \"Make Change\" writes only a value you move the slider to.");
    }
    m_panels.setCaption(noteLabel(s), note);
    noteUnusual(s.entry, text(s.readWords));
    return true;
}

QString SettingOps::unshownReason(const SliderSetting &s, const EngReading &reading) const
{
    const ParamRecord &record = m_records[s.entry];
    const QString value = formatLabel(reading.current, s.valueFormat);
    if (reading.raw < std::min(record.rawMin(), record.rawMax()) || reading.raw > std::max(record.rawMin(), record.rawMax()))
        return QStringLiteral("the station holds %1, outside the range of %2 (%3 to %4)")
            .arg(value, prmFileText(m_link.state.station_version),
                 formatLabel(std::min(reading.minimum, reading.maximum), s.valueFormat),
                 formatLabel(std::max(reading.minimum, reading.maximum), s.valueFormat));
    float back = float(sliderPosition(reading.current, s.factor)) / float(s.factor);
    if (!eng_to_raw(back, record.element[3], record.element[4]) || back != reading.raw)
        return QStringLiteral("the station holds %1, which the slider cannot show exactly").arg(value);
    return QString();
}

AccessResult SettingOps::writeSlider(const SliderSetting &s, float engValue, bool moved)
{
    if (!moved && m_unshown.contains(&s)) {
        m_link.show_message(QStringLiteral("Nothing was written to the %1: %2, and the slider was not moved. Move the "
                                           "slider to the value to write, then press \"Make Change\".")
                                .arg(text(s.writeWords), m_unshown.value(&s)),
                            MessageIcon::Information);
        return AccessResult::NotChosen;
    }
    const AccessResult result = refuseFaulty(s.entry, text(s.writeWords))
                                    ? AccessResult::DataFault
                                    : set_eng_setting(m_link, m_records[s.entry], engValue, text(s.writeWords));
    if (result == AccessResult::DataFault || result == AccessResult::Absent)
        m_panels.setFrameEnabled(text(s.frame), false);
    return result;
}

bool SettingOps::refuseFaulty(ParamEntry entry, const QString &setting)
{
    const QString fault = recordFault(m_records[entry]);
    if (fault.isEmpty())
        return false;
    if (m_faultsTold.insert(entry).second)
        m_link.show_message(dataFaultMessage(setting, m_link.state.station_version, fault));
    return true;
}

void SettingOps::noteUnusual(ParamEntry entry, const QString &setting)
{
    const QString note = unusualScaleNote(m_records[entry], setting, m_link.state.station_version);
    if (!note.isEmpty() && m_notesTold.insert(entry).second)
        m_link.show_message(note, MessageIcon::Information);
}

bool SettingOps::read_report_flag()
{
    const ParamRecord &record = m_records[ParamEntry::ReportFlags];
    switch (readRaw(ParamEntry::ReportFlags,
                    QStringLiteral("Com error while getting report flag calibration information"))) {
    case AccessResult::ComFailed:
        return false;
    case AccessResult::Done:
        break;
    default:
        m_panels.setFrameVisible(QStringLiteral("flag_frame"), false);
        return true;
    }
    float value = m_link.state.param_value;
    raw_to_eng(value, record.element[3], record.element[4]);
    m_panels.setFrameVisible(QStringLiteral("flag_frame"), true);
    if (value >= 0 && value <= 7)
        m_panels.select(QStringLiteral("flag_opt"), roundHalfEven(value));
    return true;
}

bool SettingOps::write_report_flag(int option)
{
    return writeRaw(ParamEntry::ReportFlags, float(option),
                    QStringLiteral("Com error while setting report flag calibration information"));
}

bool SettingOps::read_report_extras()
{
    switch (readRaw(ParamEntry::ReportMinMax,
                    QStringLiteral("Com error while getting report flag calibration information"))) {
    case AccessResult::ComFailed:
        return false;
    case AccessResult::Done:
        break;
    default:
        m_panels.setFrameVisible(QStringLiteral("new_flag_frame"), false);
        return true;
    }
    report_word = m_link.state.param_value;
    const int bits = roundHalfEven(report_word);
    m_panels.setFrameVisible(QStringLiteral("new_flag_frame"), true);
    m_panels.setChecked(QStringLiteral("max_flag_chk"), bits & 1);
    m_panels.setChecked(QStringLiteral("ff_flag_chk"), bits & 2);
    return true;
}

bool SettingOps::write_report_extras()
{
    report_word = reportWordWith(report_word, m_panels.isChecked(QStringLiteral("max_flag_chk")),
                                 m_panels.isChecked(QStringLiteral("ff_flag_chk")));
    return writeRaw(ParamEntry::ReportMinMax, report_word,
                    QStringLiteral("Com error while setting report flag calibration information"));
}

bool SettingOps::read_wind_options()
{
    const AccessResult read =
        readDisplayWord("other_wind_frame", QStringLiteral("Com error while getting wind calibration information"));
    if (read == AccessResult::Done) {
        m_panels.setChecked(QStringLiteral("knot_chk"), display_word & knotsBit);
        m_panels.setChecked(QStringLiteral("average_chk"), display_word & instantWindBit);
    }
    return read != AccessResult::ComFailed;
}

bool SettingOps::write_wind_options()
{
    display_word = withWindBits(display_word, m_panels.isChecked(QStringLiteral("knot_chk")),
                                m_panels.isChecked(QStringLiteral("average_chk")));
    return writeRaw(ParamEntry::WspUnits, wordToSend(display_word),
                    QStringLiteral("Com error while setting wind calibration information"));
}

bool SettingOps::read_units()
{
    const ParamRecord &record = m_records[ParamEntry::ScaleUnits];
    switch (readRaw(ParamEntry::ScaleUnits, QStringLiteral("Com error while getting units of measure information"))) {
    case AccessResult::ComFailed:
        return false;
    case AccessResult::Done:
        break;
    default:
        m_panels.setFrameEnabled(QStringLiteral("unit_frame"), false);
        return true;
    }
    float value = m_link.state.param_value;
    raw_to_eng(value, record.element[3], record.element[4]);
    m_panels.setFrameEnabled(QStringLiteral("unit_frame"), true);
    m_panels.select(QStringLiteral("units_opt"), value == 0 ? 0 : 1);
    return true;
}

bool SettingOps::write_units()
{
    const bool english = m_panels.isSelected(QStringLiteral("units_opt"), 0);
    // The missing "setting" is the text users of this station have always seen.
    return writeRaw(ParamEntry::ScaleUnits, english ? 0 : 1,
                    QStringLiteral("Com error while units of measure information"));
}

bool SettingOps::read_time_format()
{
    const AccessResult read =
        readDisplayWord("time_frame", QStringLiteral("Com error while getting time format information"));
    if (read == AccessResult::Done)
        m_panels.select(QStringLiteral("timef_opt"), (display_word & twelveHourBit) ? 0 : 1);
    return read != AccessResult::ComFailed;
}

bool SettingOps::write_time_format()
{
    display_word = withTimeBit(display_word, m_panels.isSelected(QStringLiteral("timef_opt"), 0));
    return writeRaw(ParamEntry::WspUnits, wordToSend(display_word),
                    QStringLiteral("Com error while setting time format information"));
}

bool SettingOps::read_aux_display()
{
    const AccessResult read =
        readDisplayWord("aux_frame", QStringLiteral("Com error while getting aux. display format information"));
    if (read == AccessResult::Done)
        m_panels.select(QStringLiteral("aux_opt"), (display_word & hideAuxBit) ? 1 : 0);
    return read != AccessResult::ComFailed;
}

bool SettingOps::write_aux_display()
{
    display_word = withAuxBit(display_word, m_panels.isSelected(QStringLiteral("aux_opt"), 1));
    return writeRaw(ParamEntry::WspUnits, wordToSend(display_word),
                    QStringLiteral("Com error while setting aux.display format information"));
}

bool SettingOps::read_baud()
{
    const AccessResult result =
        readRaw(ParamEntry::BaudRateIndex, QStringLiteral("Com error while getting station baud rate information"));
    if (result == AccessResult::ComFailed)
        return false;
    if (result == AccessResult::Done)
        m_panels.setCaption(QStringLiteral("cur_baud_lbl"), baudTextForIndex(m_link.state.param_value));
    // No rate can be changed at an address the station does not have.
    if (result == AccessResult::DataFault)
        m_panels.setFrameEnabled(QStringLiteral("Frame6"), false);
    return true;
}

float SettingOps::reportWordWith(float word, bool maxMin, bool formFeed)
{
    const int bits = roundHalfEven(word);
    if (bits & 1)
        word -= 1;
    if (bits & 2)
        word -= 2;
    if (maxMin)
        word += 1;
    if (formFeed)
        word += 2;
    return word;
}

std::int16_t SettingOps::withWindBits(std::int16_t word, bool knots, bool instantaneous)
{
    int w = word & ~(knotsBit | instantWindBit);
    if (knots)
        w |= knotsBit;
    if (instantaneous)
        w |= instantWindBit;
    return std::int16_t(w);
}

std::int16_t SettingOps::withTimeBit(std::int16_t word, bool twelveHour)
{
    return std::int16_t(twelveHour ? (word | twelveHourBit) : (word & ~twelveHourBit));
}

std::int16_t SettingOps::withAuxBit(std::int16_t word, bool hideAux)
{
    return std::int16_t(hideAux ? (word | hideAuxBit) : (word & ~hideAuxBit));
}

QString SettingOps::baudTextForIndex(float index)
{
    for (int i = 0; i < int(stationRates.size()); ++i)
        if (index == float(i))
            return QString::number(rateOfStationBaudIndex(i));
    return {};
}

AccessResult SettingOps::readRaw(ParamEntry entry, const QString &message)
{
    const QString name = QString::fromLatin1(entryName(entry));
    if (refuseFaulty(entry, name))
        return AccessResult::DataFault;
    return read_raw_setting(m_link, m_records[entry], message, name);
}

bool SettingOps::writeRaw(ParamEntry entry, float value, const QString &message)
{
    const QString name = QString::fromLatin1(entryName(entry));
    return refuseFaulty(entry, name)
           || write_raw_setting(m_link, m_records[entry], value, message, name) != AccessResult::ComFailed;
}

AccessResult SettingOps::readDisplayWord(const char *frame, const QString &message)
{
    const AccessResult read = readRaw(ParamEntry::WspUnits, message);
    if (read == AccessResult::ComFailed)
        return read;
    if (read == AccessResult::Done)
        display_word = wordFromRaw(m_link.state.param_value);
    m_panels.setFrameEnabled(text(frame), read == AccessResult::Done);
    return read;
}

} // namespace orv
