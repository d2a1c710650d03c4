#pragma once

#include "param_records.h"
#include "setting_panels.h"

#include <QString>

#include <array>

namespace orv {

// How a panel's labels show a value.
enum class LabelFormat {
    Text,        // general text form of a single: -40, 12.5
    TwoDecimals, // "00.00"
    ThreeDigits, // "000"
    Plain,       // "##0"
};

QString formatLabel(double value, LabelFormat format);

// The design-time slider settings; reads replace Min, Max and Value.
struct SliderDesign
{
    int minimum;
    int maximum;
    int smallStep;
    int largeStep;
    int tickSpacing;
};

// One slider panel: the setting behind it, its controls' object names, the
// factor between slider steps and engineering units, and its messages.
struct SliderSetting
{
    PanelId panel;
    ParamEntry entry;
    const char *currentLabel;
    const char *minLabel;
    const char *maxLabel;
    const char *setLabel;
    const char *slider;
    const char *button;
    int factor;
    LabelFormat valueFormat; // current, minimum and maximum labels
    LabelFormat setFormat;   // the set label, of slider value / factor
    const char *readWords;   // "Com error while getting " + words + " information"
    const char *writeWords;  // "Com error while setting " + words + " information"
    SliderDesign design;
};

inline constexpr std::size_t sliderSettingCount = 18;

const std::array<SliderSetting, sliderSettingCount> &sliderSettings();

// The slider setting of `panel`, or nullptr for a panel without a slider.
const SliderSetting *sliderSetting(PanelId panel);

// How messages name the setting of `entry`: its slider panel's read words,
// as the calibration window and `get` say them, else the entry text.
QString settingWords(ParamEntry entry);

// The set label's text for a slider position.
QString setLabelText(const SliderSetting &setting, int sliderValue);

// An engineering value as a slider position: value × factor, halves to even.
int sliderPosition(float value, int factor);

} // namespace orv
