#include "cal_tabs.h"

#include "Cal_form.h"
#include "cal_texts.h"

#include "params/setting_ops.h"

namespace {

CalPanel slider(const char *readOp, const QString &caption, CalNote note = {})
{
    return {CalPanel::Slider, readOp, caption, std::move(note)};
}

CalRead sliderRead(const char *readOp)
{
    return {CalRead::SliderPanel, readOp};
}

CalRead panelRead(const char *name, bool (orv::SettingOps::*read)(), const char *frame)
{
    return {CalRead::OptionPanel, name, read, frame};
}

QList<CalTab> buildTable()
{
    using Ops = orv::SettingOps;
    QList<CalTab> tabs;

    tabs.append({QStringLiteral("Temperature"),
                 {slider("read_out_temp", QStringLiteral("Outside Temperature")),
                  slider("read_in_temp", QStringLiteral("Inside temperature")),
                  slider("read_aux_temp", QStringLiteral("Aux. Temperature"))},
                 {sliderRead("read_in_temp"), sliderRead("read_out_temp"), sliderRead("read_aux_temp")},
                 {"Label1(36)", caltext::temperature}});

    tabs.append({QStringLiteral("Humidity"),
                 {slider("read_hum_0", QStringLiteral("Outside Humidity mV @  0.0% RH")),
                  slider("read_hum_75", QStringLiteral("Outside Humidity mV @ 75.3% RH"))},
                 {sliderRead("read_hum_0"), sliderRead("read_hum_75")},
                 {"Label2(1)", caltext::humidity}});

    tabs.append({QStringLiteral("Press / Power"),
                  {slider("read_press", QStringLiteral("Barometric Pressure"), {"Label1(34)", caltext::pressure}),
                   // No setting stands behind this panel and its button has no action.
                   {CalPanel::PowerSetting, "Frame1", QStringLiteral("Power Setting"), {}, nullptr, {}, "Command2"}},
                  {sliderRead("read_press")}});

    tabs.append({QStringLiteral("Rainfall"),
                 {slider("read_daily_rain", QStringLiteral("Daily Rainfall Counter")),
                  slider("read_monthly_rain", QStringLiteral("Monthly Rainfall Counter")),
                  slider("read_term_rain", QStringLiteral("Term Rainfall Counter"))},
                 {sliderRead("read_daily_rain"), sliderRead("read_monthly_rain"), sliderRead("read_term_rain")}});

    tabs.append(
        {QStringLiteral("Wind"),
         {slider("read_wind_offset", QStringLiteral("Wind Direction Offset (Adds Offset to Reported Wind Direction)"),
                 {"Label1(35)", caltext::windOffset}),
          {CalPanel::CheckBoxes, "other_wind_frame", QStringLiteral("Other Wind Options"),
           {"Label1(37)", caltext::windOptions}, nullptr,
           {{"average_chk", QStringLiteral("If checkmarked Weather station will output to serial port instantaneous "
                                           "wind speed/direction instead of 1 minute average wind speed and "
                                           "direction.")},
            {"knot_chk",
             QStringLiteral("Wind speed in Knots. This overides the overall system units of measure setting.")}},
           "other_wind_cmd", &Cal_form::other_wind_cmd_Click}},
         {sliderRead("read_wind_offset"), panelRead("read_wind_options", &Ops::read_wind_options, "other_wind_frame")}});

    tabs.append({QStringLiteral("Solar"),
                 {slider("read_solar", QStringLiteral("Solar Radiation Calibration Factor"))},
                 {sliderRead("read_solar")},
                 {"Label1(38)", caltext::solar}});

    tabs.append({QStringLiteral("Lightning"),
                 {slider("read_light", QStringLiteral("Lightning Log Level"))},
                 {sliderRead("read_light")},
                 {"Label1(39)", caltext::lightning}});

    tabs.append({QStringLiteral("Leaf Wetness"),
                 {slider("read_wet_level", QStringLiteral("Leaf Wetness Wet Level"))},
                 {sliderRead("read_wet_level")},
                 {"Label1(40)", caltext::leafWetness}});

    tabs.append({QStringLiteral("Logging Interval"),
                 {slider("read_log_hours", QStringLiteral("Logging Interval Hours")),
                  slider("read_log_minutes", QStringLiteral("Logging Interval Minutes"))},
                 {sliderRead("read_log_hours"), sliderRead("read_log_minutes")},
                 {"Label5(0)", caltext::logging}});

    tabs.append({QStringLiteral("Report Interval"),
                 {slider("read_report_hours", QStringLiteral("Report Interval Hours")),
                  slider("read_report_minutes", QStringLiteral("Report Interval Minutes"))},
                 {sliderRead("read_report_hours"), sliderRead("read_report_minutes")},
                 {"Label5(1)", caltext::reporting}});

    tabs.append(
        {QStringLiteral("Report Flags"),
         {{CalPanel::ReportFlags, "flag_frame", QString(), {}, "flag_opt", {}, "change_rpt_flag_cmd",
           &Cal_form::change_rpt_flag_cmd_Click},
          {CalPanel::CheckBoxes, "new_flag_frame", QString(), {}, nullptr,
           {{"max_flag_chk", QStringLiteral("Mark this check box if serial port output at end of day and/or data log "
                                            "will contain daily max/min information.")},
            {"ff_flag_chk",
             QStringLiteral("Mark this check box if form feed should be sent to the attached serial printer at the "
                            "end of each day. Only use if a serial printer is attached to the weather station "
                            "directly via the weather stations serial port!")}},
           "change_new_flag_cmd", &Cal_form::change_new_flag_cmd_Click}},
         {panelRead("read_report_flag", &Ops::read_report_flag, "flag_frame"),
          panelRead("read_report_extras", &Ops::read_report_extras, "new_flag_frame")}});

    tabs.append(
        {QStringLiteral("&Time-Date/Baud Rate"),
         {{CalPanel::StationTime, "Frame8", QStringLiteral("Weather Station Time"),
           {"Label6", QStringLiteral("Weather Station Date/Time as of initial connection.")}, "time_opt",
           {{"time_opt(0)", QStringLiteral("Set Weather Station Time/Date to Computer Time/Date")},
            {"time_opt(1)", QStringLiteral("Set Computer Time/Date to Weather Station Time/Date")}},
           "time_appy_cmd", &Cal_form::time_appy_cmd_Click},
          {CalPanel::BaudRate, "Frame6", QStringLiteral("Weather Station Baud Rate"), {"Label2", caltext::baudRate},
           nullptr, {}, "baud_apply_cmd", &Cal_form::baud_apply_cmd_Click}},
         {{CalRead::StationClock, "read_station_clock", nullptr, "Frame8"},
          panelRead("read_baud", &Ops::read_baud, "Frame6")}});

    tabs.append({QStringLiteral("DTR"),
                 {slider("read_dtr_delay", QStringLiteral("Serial Port DTR Line \"Time to Live\" Delay"))},
                 {sliderRead("read_dtr_delay")},
                 {"Label1(43)", caltext::dtr}});

    tabs.append(
        {QStringLiteral("Display"),
         {{CalPanel::Options, "aux_frame", QStringLiteral("Aux. Temperature Display Mode"), {}, "aux_opt",
           {{"aux_opt(0)", QStringLiteral("Include display of Aux. temperature with indoor and outdoor temperatures on "
                                          "console.")},
            {"aux_opt(1)", QStringLiteral("Do not include display of Aux. temperature with indoor and outdoor "
                                          "temperatures on console.")}},
           "change_aux_cmd", &Cal_form::change_aux_cmd_Click},
          {CalPanel::Options, "time_frame", QStringLiteral("Time Format"), {}, "timef_opt",
           {{"timef_opt(0)", QStringLiteral("12 hour (12am-12pm)")},
            {"timef_opt(1)", QStringLiteral("24 hour (00:00 to 23:59)")}},
           "change_time_cmd", &Cal_form::change_time_cmd_Click},
          {CalPanel::Options, "unit_frame",
           QStringLiteral("Units of Measure (Affects both values displayed on console and serial output)"), {},
           "units_opt", {{"units_opt(0)", QStringLiteral("English")}, {"units_opt(1)", QStringLiteral("Metric")}},
           "change_unit_cmd", &Cal_form::change_unit_cmd_Click}},
         {panelRead("read_units", &Ops::read_units, "unit_frame"),
          panelRead("read_time_format", &Ops::read_time_format, "time_frame"),
          panelRead("read_aux_display", &Ops::read_aux_display, "aux_frame")}});

    return tabs;
}

} // namespace

const QList<CalTab> &calibrationTabs()
{
    static const QList<CalTab> tabs = buildTable();
    return tabs;
}
