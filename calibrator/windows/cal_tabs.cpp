#include "cal_tabs.h"

#include "Cal_form.h"
#include "cal_texts.h"

#include "params/setting_ops.h"

namespace {

using orv::PanelId;
using Ops = orv::SettingOps;

CalPanel slider(PanelId id, CalNote note = {})
{
    return {CalPanel::Slider, id, std::move(note)};
}

QList<CalTab> buildTable()
{
    QList<CalTab> tabs;

    tabs.append({QStringLiteral("Temperature"),
                 {slider(PanelId::OutsideTemperature), slider(PanelId::InsideTemperature),
                  slider(PanelId::AuxTemperature)},
                 {PanelId::InsideTemperature, PanelId::OutsideTemperature, PanelId::AuxTemperature},
                 {"Label1(36)", caltext::temperature}});

    tabs.append({QStringLiteral("Humidity"),
                 {slider(PanelId::Humidity0), slider(PanelId::Humidity75)},
                 {PanelId::Humidity0, PanelId::Humidity75},
                 {"Label2(1)", caltext::humidity}});

    tabs.append({QStringLiteral("Press / Power"),
                 {slider(PanelId::Pressure, {"Label1(34)", caltext::pressure}),
                  // No setting stands behind this panel and its button has no action.
                  {CalPanel::PowerSetting, PanelId::PowerSetting, {}, {}, "Command2"}},
                 {PanelId::Pressure}});

    tabs.append({QStringLiteral("Rainfall"),
                 {slider(PanelId::DailyRain), slider(PanelId::MonthlyRain), slider(PanelId::TermRain)},
                 {PanelId::DailyRain, PanelId::MonthlyRain, PanelId::TermRain}});

    tabs.append(
        {QStringLiteral("Wind"),
         {slider(PanelId::WindOffset, {"Label1(35)", caltext::windOffset}),
          {CalPanel::CheckBoxes, PanelId::OtherWind, {"Label1(37)", caltext::windOptions},
           {{"average_chk",
             QStringLiteral("If checkmarked Weather station will output to serial port instantaneous wind "
                            "speed/direction instead of 1 minute average wind speed and direction."),
             orv::CheckBox::Instantaneous},
            {"knot_chk", QStringLiteral("Wind speed in Knots. This overides the overall system units of measure setting."),
             orv::CheckBox::Knots}},
           "other_wind_cmd", &Cal_form::other_wind_cmd_Click, &Ops::read_wind_options}},
         {PanelId::WindOffset, PanelId::OtherWind}});

    tabs.append({QStringLiteral("Solar"), {slider(PanelId::Solar)}, {PanelId::Solar}, {"Label1(38)", caltext::solar}});

    tabs.append({QStringLiteral("Lightning"),
                 {slider(PanelId::Lightning)},
                 {PanelId::Lightning},
                 {"Label1(39)", caltext::lightning}});

    tabs.append({QStringLiteral("Leaf Wetness"),
                 {slider(PanelId::LeafWetness)},
                 {PanelId::LeafWetness},
                 {"Label1(40)", caltext::leafWetness}});

    tabs.append({QStringLiteral("Logging Interval"),
                 {slider(PanelId::LoggingHours), slider(PanelId::LoggingMinutes)},
                 {PanelId::LoggingHours, PanelId::LoggingMinutes},
                 {"Label5(0)", caltext::logging}});

    tabs.append({QStringLiteral("Report Interval"),
                 {slider(PanelId::ReportHours), slider(PanelId::ReportMinutes)},
                 {PanelId::ReportHours, PanelId::ReportMinutes},
                 {"Label5(1)", caltext::reporting}});

    tabs.append(
        {QStringLiteral("Report Flags"),
         {{CalPanel::ReportFlags, PanelId::ReportFlags, {}, {}, "change_rpt_flag_cmd",
           &Cal_form::change_rpt_flag_cmd_Click, &Ops::read_report_flag},
          {CalPanel::CheckBoxes, PanelId::ReportExtras, {},
           {{"max_flag_chk",
             QStringLiteral("Mark this check box if serial port output at end of day and/or data log will contain "
                            "daily max/min information."),
             orv::CheckBox::MaxMinReport},
            {"ff_flag_chk",
             QStringLiteral("Mark this check box if form feed should be sent to the attached serial printer at the "
                            "end of each day. Only use if a serial printer is attached to the weather station "
                            "directly via the weather stations serial port!"),
             orv::CheckBox::FormFeed}},
           "change_new_flag_cmd", &Cal_form::change_new_flag_cmd_Click, &Ops::read_report_extras}},
         {PanelId::ReportFlags, PanelId::ReportExtras}});

    tabs.append(
        {QStringLiteral("&Time-Date/Baud Rate"),
         {{CalPanel::StationTime, PanelId::StationTime,
           {"Label6", QStringLiteral("Weather Station Date/Time as of initial connection.")},
           {{"time_opt(0)", QStringLiteral("Set Weather Station Time/Date to Computer Time/Date")},
            {"time_opt(1)", QStringLiteral("Set Computer Time/Date to Weather Station Time/Date")}},
           "time_appy_cmd", &Cal_form::time_appy_cmd_Click},
          {CalPanel::BaudRate, PanelId::BaudRate, {"Label2", caltext::baudRate}, {}, "baud_apply_cmd",
           &Cal_form::baud_apply_cmd_Click, &Ops::read_baud}},
         {PanelId::StationTime, PanelId::BaudRate}});

    tabs.append({QStringLiteral("DTR"), {slider(PanelId::DtrDelay)}, {PanelId::DtrDelay}, {"Label1(43)", caltext::dtr}});

    tabs.append(
        {QStringLiteral("Display"),
         {{CalPanel::Options, PanelId::AuxDisplay, {},
           {{"aux_opt(0)", QStringLiteral("Include display of Aux. temperature with indoor and outdoor temperatures on "
                                          "console.")},
            {"aux_opt(1)", QStringLiteral("Do not include display of Aux. temperature with indoor and outdoor "
                                          "temperatures on console.")}},
           "change_aux_cmd", &Cal_form::change_aux_cmd_Click, &Ops::read_aux_display},
          {CalPanel::Options, PanelId::TimeFormat, {},
           {{"timef_opt(0)", QStringLiteral("12 hour (12am-12pm)")},
            {"timef_opt(1)", QStringLiteral("24 hour (00:00 to 23:59)")}},
           "change_time_cmd", &Cal_form::change_time_cmd_Click, &Ops::read_time_format},
          {CalPanel::Options, PanelId::Units, {},
           {{"units_opt(0)", QStringLiteral("English")}, {"units_opt(1)", QStringLiteral("Metric")}},
           "change_unit_cmd", &Cal_form::change_unit_cmd_Click, &Ops::read_units}},
         {PanelId::Units, PanelId::TimeFormat, PanelId::AuxDisplay}});

    return tabs;
}

} // namespace

const QList<CalTab> &calibrationTabs()
{
    static const QList<CalTab> tabs = buildTable();
    return tabs;
}
