#pragma once

#include "params/setting_panels.h"

#include <QMap>
#include <QString>

#include <algorithm>
#include <set>
#include <utility>

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

    void setFrameEnabled(PanelId panel, bool on) override { enabled[panel] = on; }
    void setFrameVisible(PanelId panel, bool on) override { visible[panel] = on; }
    void setCaption(PanelId panel, PanelLabel label, const QString &text) override { captions[{panel, label}] = text; }
    // As a real slider takes them: a Max below Min pulls Min down to it, and
    // the value is kept within the two.
    void setSlider(PanelId panel, int minimum, int maximum, int value) override
    {
        const int low = std::min(minimum, maximum);
        sliders[panel] = {low, maximum, std::clamp(value, low, maximum)};
    }
    int sliderValue(PanelId panel) const override { return sliders.value(panel).value; }
    bool isChecked(CheckBox box) const override { return checked.count(box) > 0; }
    void setChecked(CheckBox box, bool on) override { on ? void(checked.insert(box)) : void(checked.erase(box)); }
    bool isSelected(PanelId panel, int option) const override { return selected.value(panel, -1) == option; }
    void select(PanelId panel, int option) override { selected[panel] = option; }

    QString caption(PanelId panel, PanelLabel label = PanelLabel::Current) const { return captions.value({panel, label}); }

    QMap<PanelId, bool> enabled;
    QMap<PanelId, bool> visible;
    QMap<std::pair<PanelId, PanelLabel>, QString> captions;
    QMap<PanelId, Slider> sliders;
    std::set<CheckBox> checked;
    QMap<PanelId, int> selected;
};

} // namespace orv::test
