#include "setting_ops.h"

#include "conversion.h"
#include "param_access.h"
#include "setting_panels.h"

#include "link/line_settings.h"
#include "link/numeric.h"
#include "link/station_link.h"

#include <algorithm>

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

} // namespace

SettingOps::SettingOps(StationLink &link, const ParamRecords &records, SettingPanels &panels)
    : m_link(link)
    , m_records(records)
    , m_panels(panels)
{
}

AccessResult SettingOps::readSlider(const SliderSetting &s)
{
    const Access<EngReading> read = refuseFaulty(s.entry, text(s.readWords))
                                        ? Access<EngReading>{AccessResult::DataFault}
                                        : get_eng_setting(m_link, m_records[s.entry], text(s.readWords));
    m_unshown.remove(&s);
    if (read.result == AccessResult::ComFailed)
        return read.result;
    if (!read.done()) {
        // The current label keeps what it showed.
        m_panels.setFrameEnabled(s.panel, false);
        for (PanelLabel label : {PanelLabel::Minimum, PanelLabel::Maximum, PanelLabel::Note})
            m_panels.setCaption(s.panel, label, QString());
        return read.result;
    }
    const EngReading &reading = read.value;
    // A negative scale (allowed for the wind offset) turns the raw limits
    // round; a slider given Max below Min collapses onto one end, and an
    // unmoved "Make Change" would then write that end over the station's value.
    const float low = std::min(reading.minimum, reading.maximum);
    const float high = std::max(reading.minimum, reading.maximum);
    m_panels.setFrameEnabled(s.panel, true);
    m_panels.setCaption(s.panel, PanelLabel::Minimum, formatLabel(low, s.valueFormat));
    m_panels.setCaption(s.panel, PanelLabel::Maximum, formatLabel(high, s.valueFormat));
    m_panels.setCaption(s.panel, PanelLabel::Current, formatLabel(reading.current, s.valueFormat));
    m_panels.setSlider(s.panel, sliderPosition(low, s.factor), sliderPosition(high, s.factor),
                       sliderPosition(reading.current, s.factor));
    const QString why = unshownReason(s, reading);
    QString note;
    if (!why.isEmpty()) {
        m_unshown.insert(&s, why);
        // The slider stopped at its nearest position, which nobody chose.
        m_panels.setCaption(s.panel, PanelLabel::Set, QString());
        note = why.at(0).toUpper() + why.mid(1) + QStringLiteral("; \"Make Change\" writes only a value you move the slider to.");
    }
    m_panels.setCaption(s.panel, PanelLabel::Note, note);
    noteUnusual(s.entry, text(s.readWords));
    return AccessResult::Done;
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
                                    : set_eng_setting(m_link, m_records[s.entry], engValue, text(s.writeWords)).result;
    if (result == AccessResult::DataFault || result == AccessResult::Absent)
        m_panels.setFrameEnabled(s.panel, false);
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

AccessResult SettingOps::read_report_flag()
{
    const ParamRecord &record = m_records[ParamEntry::ReportFlags];
    const Access<quint16> read =
        readRaw(ParamEntry::ReportFlags, QStringLiteral("Com error while getting report flag calibration information"));
    if (read.result != AccessResult::ComFailed)
        m_panels.setFrameVisible(PanelId::ReportFlags, read.done());
    if (!read.done())
        return read.result;
    float value = float(read.value);
    raw_to_eng(value, record.element[3], record.element[4]);
    if (value >= 0 && value <= 7)
        m_panels.select(PanelId::ReportFlags, roundHalfEven(value));
    return read.result;
}

AccessResult SettingOps::write_report_flag(int option)
{
    return writeRaw(ParamEntry::ReportFlags, float(option),
                    QStringLiteral("Com error while setting report flag calibration information"));
}

AccessResult SettingOps::read_report_extras()
{
    const Access<quint16> read =
        readRaw(ParamEntry::ReportMinMax, QStringLiteral("Com error while getting report flag calibration information"));
    if (read.result != AccessResult::ComFailed)
        m_panels.setFrameVisible(PanelId::ReportExtras, read.done());
    if (!read.done())
        return read.result;
    report_word = float(read.value);
    m_panels.setChecked(CheckBox::MaxMinReport, read.value & 1);
    m_panels.setChecked(CheckBox::FormFeed, read.value & 2);
    return read.result;
}

AccessResult SettingOps::write_report_extras()
{
    report_word = reportWordWith(report_word, m_panels.isChecked(CheckBox::MaxMinReport),
                                 m_panels.isChecked(CheckBox::FormFeed));
    return writeRaw(ParamEntry::ReportMinMax, report_word,
                    QStringLiteral("Com error while setting report flag calibration information"));
}

AccessResult SettingOps::read_wind_options()
{
    const AccessResult read =
        readDisplayWord(PanelId::OtherWind, QStringLiteral("Com error while getting wind calibration information"));
    if (read == AccessResult::Done) {
        m_panels.setChecked(CheckBox::Knots, display_word & knotsBit);
        m_panels.setChecked(CheckBox::Instantaneous, display_word & instantWindBit);
    }
    return read;
}

AccessResult SettingOps::write_wind_options()
{
    display_word = withWindBits(display_word, m_panels.isChecked(CheckBox::Knots),
                                m_panels.isChecked(CheckBox::Instantaneous));
    return writeRaw(ParamEntry::WspUnits, wordToSend(display_word),
                    QStringLiteral("Com error while setting wind calibration information"));
}

AccessResult SettingOps::read_units()
{
    const ParamRecord &record = m_records[ParamEntry::ScaleUnits];
    const Access<quint16> read =
        readRaw(ParamEntry::ScaleUnits, QStringLiteral("Com error while getting units of measure information"));
    if (read.result != AccessResult::ComFailed)
        m_panels.setFrameEnabled(PanelId::Units, read.done());
    if (!read.done())
        return read.result;
    float value = float(read.value);
    raw_to_eng(value, record.element[3], record.element[4]);
    // A value that is neither English (0) nor Metric (1) selects neither, so that
    // an unchosen "Make Change" cannot write one of them over it.
    m_panels.select(PanelId::Units, value == 0 ? 0 : value == 1 ? 1 : -1);
    return read.result;
}

AccessResult SettingOps::write_units()
{
    const bool english = m_panels.isSelected(PanelId::Units, 0);
    if (!english && !m_panels.isSelected(PanelId::Units, 1)) {
        m_link.show_message(QStringLiteral("Nothing was written to the units of measure: the station holds a value "
                                           "that is neither English nor Metric. Choose one, then press \"Make Change\"."),
                            MessageIcon::Information);
        return AccessResult::NotChosen;
    }
    // The missing "setting" is the text users of this station have always seen.
    return writeRaw(ParamEntry::ScaleUnits, english ? 0 : 1, QStringLiteral("Com error while units of measure information"));
}

AccessResult SettingOps::read_time_format()
{
    const AccessResult read =
        readDisplayWord(PanelId::TimeFormat, QStringLiteral("Com error while getting time format information"));
    if (read == AccessResult::Done)
        m_panels.select(PanelId::TimeFormat, (display_word & twelveHourBit) ? 0 : 1);
    return read;
}

AccessResult SettingOps::write_time_format()
{
    display_word = withTimeBit(display_word, m_panels.isSelected(PanelId::TimeFormat, 0));
    return writeRaw(ParamEntry::WspUnits, wordToSend(display_word),
                    QStringLiteral("Com error while setting time format information"));
}

AccessResult SettingOps::read_aux_display()
{
    const AccessResult read =
        readDisplayWord(PanelId::AuxDisplay, QStringLiteral("Com error while getting aux. display format information"));
    if (read == AccessResult::Done)
        m_panels.select(PanelId::AuxDisplay, (display_word & hideAuxBit) ? 1 : 0);
    return read;
}

AccessResult SettingOps::write_aux_display()
{
    display_word = withAuxBit(display_word, m_panels.isSelected(PanelId::AuxDisplay, 1));
    return writeRaw(ParamEntry::WspUnits, wordToSend(display_word),
                    QStringLiteral("Com error while setting aux.display format information"));
}

AccessResult SettingOps::read_baud()
{
    const Access<quint16> read =
        readRaw(ParamEntry::BaudRateIndex, QStringLiteral("Com error while getting station baud rate information"));
    if (read.done())
        m_panels.setCaption(PanelId::BaudRate, PanelLabel::Current, baudTextForIndex(read.value));
    // No rate can be changed at an address the station does not have.
    if (read.result == AccessResult::DataFault)
        m_panels.setFrameEnabled(PanelId::BaudRate, false);
    return read.result;
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

QString SettingOps::baudTextForIndex(int index)
{
    const int rate = rateOfStationBaudIndex(index);
    return rate > 0 ? QString::number(rate) : QString();
}

Access<quint16> SettingOps::readRaw(ParamEntry entry, const QString &message)
{
    const QString name = QString::fromLatin1(entryName(entry));
    if (refuseFaulty(entry, name))
        return {AccessResult::DataFault};
    return read_raw_setting(m_link, m_records[entry], message, name);
}

AccessResult SettingOps::writeRaw(ParamEntry entry, float value, const QString &message)
{
    const QString name = QString::fromLatin1(entryName(entry));
    if (refuseFaulty(entry, name))
        return AccessResult::DataFault;
    return write_raw_setting(m_link, m_records[entry], value, message, name).result;
}

AccessResult SettingOps::readDisplayWord(PanelId panel, const QString &message)
{
    const Access<quint16> read = readRaw(ParamEntry::WspUnits, message);
    if (read.result == AccessResult::ComFailed)
        return read.result;
    if (read.done())
        display_word = std::int16_t(read.value);
    m_panels.setFrameEnabled(panel, read.done());
    return read.result;
}

} // namespace orv
