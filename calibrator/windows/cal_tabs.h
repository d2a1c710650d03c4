#pragma once

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
};

// One panel (frame) of a tab and how it is built.
struct CalPanel
{
    enum Kind {
        Slider,       // `name` is the read operation of its slider setting
        Options,      // option group `group`, one button per choice
        CheckBoxes,   // one check box per choice
        ReportFlags,  // the eight-row report flag table
        StationTime,  // the clock panel
        BaudRate,     // the station rate panel
        PowerSetting, // the panel holding the real-number input control
    };

    Kind kind;
    const char *name;
    QString caption;
    CalNote note = {};
    const char *group = nullptr;
    QList<CalChoice> choices = {};
    const char *button = nullptr;
    void (Cal_form::*change)() = nullptr;
};

// One read a tab runs when selected.
struct CalRead
{
    enum Kind {
        SliderPanel,  // the slider setting whose read operation is `name`
        OptionPanel,  // `panelRead`, filling frame `frame`
        StationClock, // the clock read, filling frame `frame`
    };

    Kind kind;
    const char *name;
    bool (orv::SettingOps::*panelRead)() = nullptr;
    const char *frame = nullptr;
};

// One tab: its caption, its panels top to bottom, what selecting it reads, in
// the order the station is asked, and the text below its panels.
struct CalTab
{
    QString caption;
    QList<CalPanel> panels;
    QList<CalRead> reads;
    CalNote note = {};
};

// The calibration window's fourteen tabs.
const QList<CalTab> &calibrationTabs();
