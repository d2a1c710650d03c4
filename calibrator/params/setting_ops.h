#pragma once

#include "param_access.h"
#include "param_records.h"
#include "slider_settings.h"

#include <QHash>
#include <QString>

#include <cstdint>
#include <set>

namespace orv {

class SettingPanels;
class StationLink;

// The read and write operation of every setting the calibration window shows:
// each fetches or sends its setting and fills or reads its panel. A failed
// exchange shows the operation's own message and closes the link; the
// operation then returns ComFailed for the caller to stop at. A record the
// definition file got wrong is reported as such (DataFault) and its panel
// disabled, with the link left open.
class SettingOps
{
public:
    SettingOps(StationLink &link, const ParamRecords &records, SettingPanels &panels);

    // A station value the slider cannot show (outside the file's raw limits,
    // or one that its position would not write back unchanged) is shown on
    // the current label and named in the panel's note; "Set To" stays empty
    // until the slider is moved.
    AccessResult readSlider(const SliderSetting &setting);
    // `engValue` is the slider position divided by the panel's factor. A data
    // fault disables the panel, sends nothing and leaves the link open: the
    // caller then has nothing to read back. An unmoved slider that could not
    // show the station's value chose nothing: NotChosen, nothing sent, the
    // reason shown.
    AccessResult writeSlider(const SliderSetting &setting, float engValue, bool moved = true);

    AccessResult read_report_flag();
    // `option` is the index of the selected flag_opt, sent unconverted.
    AccessResult write_report_flag(int option);
    AccessResult read_report_extras();
    AccessResult write_report_extras();
    AccessResult read_wind_options();
    AccessResult write_wind_options();
    AccessResult read_units();
    AccessResult write_units();
    AccessResult read_time_format();
    AccessResult write_time_format();
    AccessResult read_aux_display();
    AccessResult write_aux_display();
    AccessResult read_baud();

    // The raw "report MIN/MAX" value as last read or written.
    float report_word = 0;
    // The raw "Wsp units" value shared by the wind, time and aux panels.
    std::int16_t display_word = 0;

    // The bit rules of the writes: each touches only its own bits.
    static float reportWordWith(float word, bool maxMin, bool formFeed);
    static std::int16_t withWindBits(std::int16_t word, bool knots, bool instantaneous);
    static std::int16_t withTimeBit(std::int16_t word, bool twelveHour);
    static std::int16_t withAuxBit(std::int16_t word, bool hideAux);

    // The rate text shown for a baud index: 0 "38400" ... 7 "300", else empty.
    static QString baudTextForIndex(int index);

private:
    // True when the entry's record cannot be used; its fault is told once per
    // window, however many panels share the setting.
    bool refuseFaulty(ParamEntry entry, const QString &setting);
    void noteUnusual(ParamEntry entry, const QString &setting);
    QString unshownReason(const SliderSetting &setting, const EngReading &reading) const;
    Access<quint16> readRaw(ParamEntry entry, const QString &message);
    AccessResult writeRaw(ParamEntry entry, float value, const QString &message);
    AccessResult readDisplayWord(PanelId panel, const QString &message);

    StationLink &m_link;
    const ParamRecords &m_records;
    SettingPanels &m_panels;
    std::set<ParamEntry> m_faultsTold;
    std::set<ParamEntry> m_notesTold;
    // Why the last read of a slider panel left its slider off the station's value.
    QHash<const SliderSetting *, QString> m_unshown;
};

} // namespace orv
