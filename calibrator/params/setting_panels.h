#pragma once

#include <QString>

namespace orv {

// The calibration window's panel controls as the setting operations see them,
// addressed by object name, so the operations run and are tested without
// widgets.
class SettingPanels
{
public:
    virtual ~SettingPanels() = default;

    virtual void setFrameEnabled(const QString &frame, bool enabled) = 0;
    virtual void setFrameVisible(const QString &frame, bool visible) = 0;
    virtual void setCaption(const QString &label, const QString &text) = 0;
    // Min, then Max, then Value: the order the slider accepts them in.
    virtual void setSlider(const QString &slider, int minimum, int maximum, int value) = 0;
    virtual int sliderValue(const QString &slider) const = 0;
    virtual bool isChecked(const QString &checkBox) const = 0;
    virtual void setChecked(const QString &checkBox, bool checked) = 0;
    // Option buttons of a group such as "flag_opt", by index.
    virtual bool isSelected(const QString &group, int index) const = 0;
    virtual void select(const QString &group, int index) = 0;
};

// The object name of option `index` of `group`: "flag_opt(3)".
inline QString optionName(const QString &group, int index)
{
    return group + QLatin1Char('(') + QString::number(index) + QLatin1Char(')');
}

} // namespace orv
