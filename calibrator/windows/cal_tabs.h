#pragma once

#include "params/param_access.h"
#include "params/setting_panels.h"

#include <QList>
#include <QString>

class Cal_form;

namespace orv {
class SettingOps;
}

// A text that stands on a tab or inside a panel, by its control name.
struct CalNote
{
    const char *name = nullptr;
    QString text;
};

// An option button or check box of a panel.
struct CalChoice
{
    const char *name;
    QString caption;
    orv::CheckBox box = {}; // on a check-box panel: which one
};

// One panel of a tab and how it is built; its frame's name and caption are
// those of its identity.
struct CalPanel
{
    enum Kind { Slider, Options, CheckBoxes, ReportFlags, StationTime, BaudRate, PowerSetting };

    Kind kind;
    orv::PanelId id;
    CalNote note = {};
    QList<CalChoice> choices = {};
    const char *button = nullptr;
    void (Cal_form::*change)() = nullptr;
    // An option or check-box panel's read; slider panels and the clock read their own way.
    orv::AccessResult (orv::SettingOps::*read)() = nullptr;
};

// One tab: its caption, its panels top to bottom, the panels whose settings
// selecting it reads, in the order the station is asked, and the text below
// its panels. Every panel is on exactly one tab.
struct CalTab
{
    QString caption;
    QList<CalPanel> panels;
    QList<orv::PanelId> reads;
    CalNote note = {};
};

// The calibration window's fourteen tabs.
const QList<CalTab> &calibrationTabs();
