#pragma once

#include <QString>

#include <array>
#include <cstddef>

namespace orv {

// Every panel of the calibration window, in the order of its tabs.
enum class PanelId {
    OutsideTemperature,
    InsideTemperature,
    AuxTemperature,
    Humidity0,
    Humidity75,
    Pressure,
    PowerSetting,
    DailyRain,
    MonthlyRain,
    TermRain,
    WindOffset,
    OtherWind,
    Solar,
    Lightning,
    LeafWetness,
    LoggingHours,
    LoggingMinutes,
    ReportHours,
    ReportMinutes,
    ReportFlags,
    ReportExtras,
    StationTime,
    BaudRate,
    DtrDelay,
    AuxDisplay,
    TimeFormat,
    Units,
};

inline constexpr std::size_t panelCount = 27;

struct PanelInfo
{
    PanelId id;
    const char *frame;   // the frame's object name
    const char *caption; // the frame's caption; the report flag panels have none
};

const std::array<PanelInfo, panelCount> &panels();
const PanelInfo &panelInfo(PanelId panel);
QString panelCaption(PanelId panel);

// The labels a panel fills; a slider panel has all of them, the clock and
// rate panels only Current.
enum class PanelLabel { Current, Minimum, Maximum, Set, Note };

// The check boxes of the Other Wind Options and end-of-day report panels.
enum class CheckBox { Instantaneous, Knots, MaxMinReport, FormFeed };

// The calibration window's panels as the setting operations see them, so the
// operations run and are tested without widgets.
class SettingPanels
{
public:
    virtual ~SettingPanels() = default;

    virtual void setFrameEnabled(PanelId panel, bool enabled) = 0;
    virtual void setFrameVisible(PanelId panel, bool visible) = 0;
    virtual void setCaption(PanelId panel, PanelLabel label, const QString &text) = 0;
    // Min, then Max, then Value: the order the slider accepts them in.
    virtual void setSlider(PanelId panel, int minimum, int maximum, int value) = 0;
    virtual int sliderValue(PanelId panel) const = 0;
    virtual bool isChecked(CheckBox box) const = 0;
    virtual void setChecked(CheckBox box, bool checked) = 0;
    // The panel's option buttons, by index.
    virtual bool isSelected(PanelId panel, int option) const = 0;
    // An option of -1 selects none.
    virtual void select(PanelId panel, int option) = 0;
};

// Panels nobody sees: the setting operations run without a calibration window
// (command line, backup and restore) and have nothing to fill.
class QuietPanels final : public SettingPanels
{
public:
    void setFrameEnabled(PanelId, bool) override {}
    void setFrameVisible(PanelId, bool) override {}
    void setCaption(PanelId, PanelLabel, const QString &) override {}
    void setSlider(PanelId, int, int, int) override {}
    int sliderValue(PanelId) const override { return 0; }
    bool isChecked(CheckBox) const override { return false; }
    void setChecked(CheckBox, bool) override {}
    bool isSelected(PanelId, int) const override { return false; }
    void select(PanelId, int) override {}
};

} // namespace orv
