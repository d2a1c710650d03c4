#include "setting_panels.h"

namespace orv {

namespace {

using P = PanelId;

constexpr std::array<PanelInfo, panelCount> table{{
    {P::OutsideTemperature, "out_temp_frame", "Outside Temperature"},
    {P::InsideTemperature, "in_temp_frame", "Inside temperature"},
    {P::AuxTemperature, "Aux_temp_frame", "Aux. Temperature"},
    {P::Humidity0, "hum_0_frame", "Outside Humidity mV @  0.0% RH"},
    {P::Humidity75, "hum_75_frame", "Outside Humidity mV @ 75.3% RH"},
    {P::Pressure, "press_frame", "Barometric Pressure"},
    {P::PowerSetting, "Frame1", "Power Setting"},
    {P::DailyRain, "daily_frame", "Daily Rainfall Counter"},
    {P::MonthlyRain, "monthly_frame", "Monthly Rainfall Counter"},
    {P::TermRain, "term_frame", "Term Rainfall Counter"},
    {P::WindOffset, "offset_frame", "Wind Direction Offset (Adds Offset to Reported Wind Direction)"},
    {P::OtherWind, "other_wind_frame", "Other Wind Options"},
    {P::Solar, "solar_frame", "Solar Radiation Calibration Factor"},
    {P::Lightning, "light_frame", "Lightning Log Level"},
    {P::LeafWetness, "wet_frame", "Leaf Wetness Wet Level"},
    {P::LoggingHours, "logH_frame", "Logging Interval Hours"},
    {P::LoggingMinutes, "logM_frame", "Logging Interval Minutes"},
    {P::ReportHours, "rptH_frame", "Report Interval Hours"},
    {P::ReportMinutes, "rptM_frame", "Report Interval Minutes"},
    {P::ReportFlags, "flag_frame", ""},
    {P::ReportExtras, "new_flag_frame", ""},
    {P::StationTime, "Frame8", "Weather Station Time"},
    {P::BaudRate, "Frame6", "Weather Station Baud Rate"},
    {P::DtrDelay, "dtr_frame", "Serial Port DTR Line \"Time to Live\" Delay"},
    {P::AuxDisplay, "aux_frame", "Aux. Temperature Display Mode"},
    {P::TimeFormat, "time_frame", "Time Format"},
    {P::Units, "unit_frame", "Units of Measure (Affects both values displayed on console and serial output)"},
}};

// A panel added to the identity but not here, or out of order, fails to compile.
constexpr bool inEnumOrder()
{
    for (std::size_t i = 0; i < panelCount; ++i)
        if (std::size_t(table[i].id) != i || !table[i].frame)
            return false;
    return std::size_t(P::Units) + 1 == panelCount;
}
static_assert(inEnumOrder());

} // namespace

const std::array<PanelInfo, panelCount> &panels()
{
    return table;
}

const PanelInfo &panelInfo(PanelId panel)
{
    return table[std::size_t(panel)];
}

QString panelCaption(PanelId panel)
{
    return QString::fromUtf8(panelInfo(panel).caption);
}

} // namespace orv
