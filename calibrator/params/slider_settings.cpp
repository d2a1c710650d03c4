#include "slider_settings.h"

#include "number_format.h"

#include "link/numeric.h"

namespace orv {

namespace {

using F = LabelFormat;
using E = ParamEntry;

constexpr SliderDesign temperatureDesign{-96, 159, 1, 10, 5};
constexpr SliderDesign counterDesign{0, 9999, 1, 10, 200};
constexpr SliderDesign levelDesign{0, 100, 1, 1, 5};
constexpr SliderDesign hoursDesign{0, 23, 1, 1, 1};
constexpr SliderDesign minutesDesign{0, 59, 1, 1, 1};

const std::array<SliderSetting, sliderSettingCount> settings{{
    {"read_out_temp", "write_out_temp", E::TempOutside, "out_temp_frame", "cur_out_temp_lbl", "Min_out_temp_lbl",
     "Max_out_temp_lbl", "set_out_temp_lbl", "out_temp_slider", "out_temp_change_cmd", 1, F::Text, F::Text,
     "outside temperature calibration", "outside temperature calibration", temperatureDesign},
    {"read_in_temp", "write_in_temp", E::TempInside, "in_temp_frame", "cur_in_temp_lbl", "Min_in_temp_lbl",
     "Max_in_temp_lbl", "set_in_temp_lbl", "in_temp_slider", "in_temp_change_cmd", 1, F::Text, F::Text,
     "Inside temperature calibration", "inside temperature calibration", temperatureDesign},
    {"read_aux_temp", "write_aux_temp", E::TempAux, "Aux_temp_frame", "cur_aux_temp_lbl", "Min_aux_temp_lbl",
     "Max_aux_temp_lbl", "set_aux_temp_lbl", "aux_temp_slider", "aux_temp_change_cmd", 1, F::Text, F::Text,
     "Aux. temperature calibration", "Aux. temperature calibration", temperatureDesign},
    {"read_hum_0", "write_hum_0", E::Hum0, "hum_0_frame", "cur_0_hum_lbl", "min_0_hum_lbl", "max_0_hum_lbl",
     "set_0_hum_lbl", "Hum_0_slider", "hum_0_change_cmd", 1000, F::Text, F::Text, "humidity calibration",
     "outside humidity calibration", counterDesign},
    {"read_hum_75", "write_hum_75", E::Hum75, "hum_75_frame", "cur_75_hum_lbl", "min_75_hum_lbl", "max_75_hum_lbl",
     "set_75_hum_lbl", "Hum_75_slider", "hum_75_change_cmd", 1000, F::Text, F::Text, "humidity calibration",
     "outside humidity calibration", counterDesign},
    {"read_press", "write_press", E::BarometricPressure, "press_frame", "cur_press_lbl", "Min_press_lbl",
     "max_press_lbl", "set_press_lbl", "press_slide", "press_change_cmd", 100, F::TwoDecimals, F::TwoDecimals,
     "pressure calibration", "pressure calibration", {2400, 3600, 1, 10, 20}},
    {"read_daily_rain", "write_daily_rain", E::RainFallDaily, "daily_frame", "cur_daily_lbl", "min_daily_lbl",
     "max_daily_lbl", "set_daily_lbl", "daily_slide", "change_daily_cmd", 100, F::TwoDecimals, F::TwoDecimals,
     "daily rainfall calibration", "daily rainfall calibration", counterDesign},
    {"read_monthly_rain", "write_monthly_rain", E::RainFallMonthly, "monthly_frame", "cur_monthly_lbl",
     "min_monthly_lbl", "max_monthly_lbl", "set_monthly_lbl", "monthly_slide", "change_monthly_cmd", 100,
     F::TwoDecimals, F::TwoDecimals, "monthly rainfall calibration", "monthly rainfall calibration", counterDesign},
    {"read_term_rain", "write_term_rain", E::RainFallTerm, "term_frame", "cur_term_lbl", "min_term_lbl",
     "max_term_lbl", "set_term_lbl", "term_slide", "change_term_cmd", 100, F::TwoDecimals, F::TwoDecimals,
     "term rainfall calibration", "term rainfall calibration", counterDesign},
    {"read_wind_offset", "write_wind_offset", E::WindDirOffset, "offset_frame", "cur_offset_lbl", "min_offset_lbl",
     "max_offset_lbl", "set_offset_lbl", "offset_slide", "change_offset_cmd", 1, F::ThreeDigits, F::ThreeDigits,
     "wind direction offset calibration", "wind direction offset calibration", {0, 350, 1, 10, 10}},
    // The set label shows two decimals although the other labels use text.
    {"read_solar", "write_solar", E::SolarCal, "solar_frame", "cur_solar_lbl", "min_solar_lbl", "max_solar_lbl",
     "set_solar_lbl", "solar_slide", "change_solar_cmd", 100, F::Text, F::TwoDecimals, "solar radiation calibration",
     "solar radiation calibration", counterDesign},
    // "lighning" is the message stations' users have always seen.
    {"read_light", "write_light", E::LightningLevel, "light_frame", "cur_light_lbl", "min_light_lbl",
     "max_light_lbl", "set_light_lbl", "light_slide", "change_light_cmd", 1, F::ThreeDigits, F::ThreeDigits,
     "lightning calibration", "lighning calibration", levelDesign},
    {"read_wet_level", "write_wet_level", E::WetLevel, "wet_frame", "cur_wet_lbl", "Min_wet_lbl", "max_wet_lbl",
     "set_wet_lbl", "wet_slide", "change_wet_cmd", 1, F::Text, F::Text, "leaf wetness wet level calibration",
     "leaf wetness wet level", levelDesign},
    {"read_log_hours", "write_log_hours", E::LogIntervalHrs, "logH_frame", "cur_logH_lbl", "min_logH_lbl",
     "max_logH_lbl", "set_logH_lbl", "logH_slide", "change_logH_cmd", 1, F::Text, F::Text, "logging hour",
     "logging hour", hoursDesign},
    // change_logM_lbl is a button despite its name.
    {"read_log_minutes", "write_log_minutes", E::LogIntervalMin, "logM_frame", "cur_LogM_lbl", "min_logM_lbl",
     "max_logM_lbl", "set_logM_lbl", "logM_slide", "change_logM_lbl", 1, F::Text, F::Text, "logging minute",
     "logging minute", minutesDesign},
    {"read_report_hours", "write_report_hours", E::ReportIntervalHrs, "rptH_frame", "cur_rptH_lbl", "min_rptH_lbl",
     "max_rptH_lbl", "set_rptH_lbl", "rptH_slide", "change_rptH_cmd", 1, F::Text, F::Text, "report hour",
     "report hour", hoursDesign},
    {"read_report_minutes", "write_report_minutes", E::ReportIntervalMin, "rptM_frame", "cur_rptM_lbl",
     "min_rptM_lbl", "max_rptM_lbl", "set_rptM_lbl", "rptM_slide", "change_rptM_cmd", 1, F::Text, F::Text,
     "reporting minute", "report minute", minutesDesign},
    {"read_dtr_delay", "write_dtr_delay", E::RxDtrDelay, "dtr_frame", "cur_dtr_lbl", "min_dtr_lbl", "max_dtr_lbl",
     "set_dtr_lbl", "dtr_slide", "change_dtr", 1, F::Plain, F::Text, "DTR calibration", "DTR calibration",
     {0, 127, 1, 10, 4}},
}};

} // namespace

QString formatLabel(double value, LabelFormat format)
{
    switch (format) {
    case LabelFormat::Text:
        return singleText(float(value));
    case LabelFormat::TwoDecimals:
        return formatNumber(value, u"00.00");
    case LabelFormat::ThreeDigits:
        return formatNumber(value, u"000");
    case LabelFormat::Plain:
        return formatNumber(value, u"##0");
    }
    return {};
}

const std::array<SliderSetting, sliderSettingCount> &sliderSettings()
{
    return settings;
}

const SliderSetting *findSliderSetting(QStringView operation)
{
    for (const SliderSetting &s : settings)
        if (operation == QLatin1String(s.readOp) || operation == QLatin1String(s.writeOp))
            return &s;
    return nullptr;
}

QString settingWords(ParamEntry entry)
{
    for (const SliderSetting &s : settings)
        if (s.entry == entry)
            return QString::fromLatin1(s.readWords);
    return QString::fromLatin1(entryName(entry));
}

QString noteLabel(const SliderSetting &setting)
{
    return QString::fromLatin1(setting.frame) + QStringLiteral("_note");
}

QString setLabelText(const SliderSetting &setting, int sliderValue)
{
    // The quotient is a single, as the station's tools have always computed it.
    return formatLabel(float(sliderValue) / float(setting.factor), setting.setFormat);
}

int sliderPosition(float value, int factor)
{
    const float scaled = value * float(factor);
    return roundHalfEven(scaled);
}

} // namespace orv
