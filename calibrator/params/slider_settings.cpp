#include "slider_settings.h"

#include "number_format.h"

#include "link/numeric.h"

namespace orv {

namespace {

using F = LabelFormat;
using E = ParamEntry;
using P = PanelId;

constexpr SliderDesign temperatureDesign{-96, 159, 1, 10, 5};
constexpr SliderDesign counterDesign{0, 9999, 1, 10, 200};
constexpr SliderDesign levelDesign{0, 100, 1, 1, 5};
constexpr SliderDesign hoursDesign{0, 23, 1, 1, 1};
constexpr SliderDesign minutesDesign{0, 59, 1, 1, 1};

const std::array<SliderSetting, sliderSettingCount> settings{{
    {P::OutsideTemperature, E::TempOutside, "cur_out_temp_lbl", "Min_out_temp_lbl",
     "Max_out_temp_lbl", "set_out_temp_lbl", "out_temp_slider", "out_temp_change_cmd", 1, F::Text, F::Text,
     "outside temperature calibration", "outside temperature calibration", temperatureDesign},
    {P::InsideTemperature, E::TempInside, "cur_in_temp_lbl", "Min_in_temp_lbl",
     "Max_in_temp_lbl", "set_in_temp_lbl", "in_temp_slider", "in_temp_change_cmd", 1, F::Text, F::Text,
     "Inside temperature calibration", "inside temperature calibration", temperatureDesign},
    {P::AuxTemperature, E::TempAux, "cur_aux_temp_lbl", "Min_aux_temp_lbl",
     "Max_aux_temp_lbl", "set_aux_temp_lbl", "aux_temp_slider", "aux_temp_change_cmd", 1, F::Text, F::Text,
     "Aux. temperature calibration", "Aux. temperature calibration", temperatureDesign},
    {P::Humidity0, E::Hum0, "cur_0_hum_lbl", "min_0_hum_lbl", "max_0_hum_lbl",
     "set_0_hum_lbl", "Hum_0_slider", "hum_0_change_cmd", 1000, F::Text, F::Text, "humidity calibration",
     "outside humidity calibration", counterDesign},
    {P::Humidity75, E::Hum75, "cur_75_hum_lbl", "min_75_hum_lbl", "max_75_hum_lbl",
     "set_75_hum_lbl", "Hum_75_slider", "hum_75_change_cmd", 1000, F::Text, F::Text, "humidity calibration",
     "outside humidity calibration", counterDesign},
    {P::Pressure, E::BarometricPressure, "cur_press_lbl", "Min_press_lbl",
     "max_press_lbl", "set_press_lbl", "press_slide", "press_change_cmd", 100, F::TwoDecimals, F::TwoDecimals,
     "pressure calibration", "pressure calibration", {2400, 3600, 1, 10, 20}},
    {P::DailyRain, E::RainFallDaily, "cur_daily_lbl", "min_daily_lbl",
     "max_daily_lbl", "set_daily_lbl", "daily_slide", "change_daily_cmd", 100, F::TwoDecimals, F::TwoDecimals,
     "daily rainfall calibration", "daily rainfall calibration", counterDesign},
    {P::MonthlyRain, E::RainFallMonthly, "cur_monthly_lbl",
     "min_monthly_lbl", "max_monthly_lbl", "set_monthly_lbl", "monthly_slide", "change_monthly_cmd", 100,
     F::TwoDecimals, F::TwoDecimals, "monthly rainfall calibration", "monthly rainfall calibration", counterDesign},
    {P::TermRain, E::RainFallTerm, "cur_term_lbl", "min_term_lbl",
     "max_term_lbl", "set_term_lbl", "term_slide", "change_term_cmd", 100, F::TwoDecimals, F::TwoDecimals,
     "term rainfall calibration", "term rainfall calibration", counterDesign},
    {P::WindOffset, E::WindDirOffset, "cur_offset_lbl", "min_offset_lbl",
     "max_offset_lbl", "set_offset_lbl", "offset_slide", "change_offset_cmd", 1, F::ThreeDigits, F::ThreeDigits,
     "wind direction offset calibration", "wind direction offset calibration", {0, 350, 1, 10, 10}},
    // The set label shows two decimals although the other labels use text.
    {P::Solar, E::SolarCal, "cur_solar_lbl", "min_solar_lbl", "max_solar_lbl",
     "set_solar_lbl", "solar_slide", "change_solar_cmd", 100, F::Text, F::TwoDecimals, "solar radiation calibration",
     "solar radiation calibration", counterDesign},
    // "lighning" is the message stations' users have always seen.
    {P::Lightning, E::LightningLevel, "cur_light_lbl", "min_light_lbl",
     "max_light_lbl", "set_light_lbl", "light_slide", "change_light_cmd", 1, F::ThreeDigits, F::ThreeDigits,
     "lightning calibration", "lighning calibration", levelDesign},
    {P::LeafWetness, E::WetLevel, "cur_wet_lbl", "Min_wet_lbl", "max_wet_lbl",
     "set_wet_lbl", "wet_slide", "change_wet_cmd", 1, F::Text, F::Text, "leaf wetness wet level calibration",
     "leaf wetness wet level", levelDesign},
    {P::LoggingHours, E::LogIntervalHrs, "cur_logH_lbl", "min_logH_lbl",
     "max_logH_lbl", "set_logH_lbl", "logH_slide", "change_logH_cmd", 1, F::Text, F::Text, "logging hour",
     "logging hour", hoursDesign},
    // change_logM_lbl is a button despite its name.
    {P::LoggingMinutes, E::LogIntervalMin, "cur_LogM_lbl", "min_logM_lbl",
     "max_logM_lbl", "set_logM_lbl", "logM_slide", "change_logM_lbl", 1, F::Text, F::Text, "logging minute",
     "logging minute", minutesDesign},
    {P::ReportHours, E::ReportIntervalHrs, "cur_rptH_lbl", "min_rptH_lbl",
     "max_rptH_lbl", "set_rptH_lbl", "rptH_slide", "change_rptH_cmd", 1, F::Text, F::Text, "report hour",
     "report hour", hoursDesign},
    {P::ReportMinutes, E::ReportIntervalMin, "cur_rptM_lbl",
     "min_rptM_lbl", "max_rptM_lbl", "set_rptM_lbl", "rptM_slide", "change_rptM_cmd", 1, F::Text, F::Text,
     "reporting minute", "report minute", minutesDesign},
    {P::DtrDelay, E::RxDtrDelay, "cur_dtr_lbl", "min_dtr_lbl", "max_dtr_lbl",
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

const SliderSetting *sliderSetting(PanelId panel)
{
    for (const SliderSetting &s : settings)
        if (s.panel == panel)
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
