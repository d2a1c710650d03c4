#pragma once

#include "setting_panels.h"

namespace orv {

// Panels nobody sees: the setting operations run without a calibration window
// (command line, backup and restore) and have nothing to fill.
class QuietPanels final : public SettingPanels
{
public:
    void setFrameEnabled(const QString &, bool) override {}
    void setFrameVisible(const QString &, bool) override {}
    void setCaption(const QString &, const QString &) override {}
    void setSlider(const QString &, int, int, int) override {}
    int sliderValue(const QString &) const override { return 0; }
    bool isChecked(const QString &) const override { return false; }
    void setChecked(const QString &, bool) override {}
    bool isSelected(const QString &, int) const override { return false; }
    void select(const QString &, int) override {}
};

} // namespace orv
