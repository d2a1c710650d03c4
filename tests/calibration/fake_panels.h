#pragma once

#include "params/setting_panels.h"

#include <QMap>
#include <QSet>
#include <QString>

#include <algorithm>

namespace orv::test {

// The panels as plain state, so the setting operations run without widgets.
struct FakePanels : SettingPanels
{
    struct Slider
    {
        int minimum = 0;
        int maximum = 0;
        int value = 0;
    };

    void setFrameEnabled(const QString &frame, bool enabled) override { this->enabled[frame] = enabled; }
    void setFrameVisible(const QString &frame, bool visible) override { this->visible[frame] = visible; }
    void setCaption(const QString &label, const QString &text) override { captions[label] = text; }
    // As a real slider takes them: a Max below Min pulls Min down to it, and
    // the value is kept within the two.
    void setSlider(const QString &slider, int minimum, int maximum, int value) override
    {
        const int low = std::min(minimum, maximum);
        sliders[slider] = {low, maximum, std::clamp(value, low, maximum)};
    }
    int sliderValue(const QString &slider) const override { return sliders.value(slider).value; }
    bool isChecked(const QString &box) const override { return checked.contains(box); }
    void setChecked(const QString &box, bool on) override
    {
        if (on)
            checked.insert(box);
        else
            checked.remove(box);
    }
    bool isSelected(const QString &group, int index) const override { return selected.value(group, -1) == index; }
    void select(const QString &group, int index) override { selected[group] = index; }

    QMap<QString, bool> enabled;
    QMap<QString, bool> visible;
    QMap<QString, QString> captions;
    QMap<QString, Slider> sliders;
    QSet<QString> checked;
    QMap<QString, int> selected;
};

} // namespace orv::test
