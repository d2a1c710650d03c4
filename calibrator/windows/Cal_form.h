#pragma once

#include "cal_tabs.h"

#include "params/setting_ops.h"
#include "params/setting_panels.h"
#include "params/station_clock_ops.h"

#include <QHash>
#include <QWidget>

#include <array>

class LinkActivity;
class QAbstractButton;
class QComboBox;
class QGroupBox;
class QLabel;
class QSlider;
class QTabWidget;
class QVBoxLayout;

namespace zq {
class ControlLoader;
}

namespace orv {
struct ComSettings;
class SettingsFile;
class StationLink;
class SystemClock;
}

// What the calibration window works with, owned elsewhere for the whole run.
struct CalibrationContext
{
    orv::StationLink &link;
    const orv::ParamRecords &records;
    orv::ComSettings &settings;
    orv::SettingsFile *settingsFile;
    orv::SystemClock &systemClock;
    // Makes the Power Setting panel's input control; none leaves its slot empty.
    zq::ControlLoader *controls = nullptr;
    // Shows what a sequence waits on the station for; none shows nothing.
    LinkActivity *activity = nullptr;
};

// The calibration window: fourteen tabs of setting panels, each tab read from
// the station when it is selected. It is created fresh on each entry into
// calibration mode and deletes itself when closed.
class Cal_form : public QWidget, public orv::SettingPanels
{
    Q_OBJECT
public:
    static constexpr int tabCount = 14;

    Cal_form(const CalibrationContext &context, QWidget *owner);
    ~Cal_form() override;

    // Runs a tab's reads in order; false as soon as one fails (the link is
    // then closed and this window unloading).
    bool runTabReads(int tab);

    // Unloads the window even while a sequence is running (link closing).
    void unload();
    bool isBusy() const { return m_busy; }

    orv::SettingOps &ops() { return m_ops; }
    orv::StationClockOps &clockOps() { return m_clock; }

    void SSTab1_Click();
    void Command1_Click();
    void makeSliderChange(const orv::SliderSetting &setting);
    void change_rpt_flag_cmd_Click();
    void change_new_flag_cmd_Click();
    void other_wind_cmd_Click();
    void change_unit_cmd_Click();
    void change_time_cmd_Click();
    void change_aux_cmd_Click();
    void time_appy_cmd_Click();
    void baud_apply_cmd_Click();

    // SettingPanels
    void setFrameEnabled(orv::PanelId panel, bool enabled) override;
    void setFrameVisible(orv::PanelId panel, bool visible) override;
    void setCaption(orv::PanelId panel, orv::PanelLabel label, const QString &text) override;
    void setSlider(orv::PanelId panel, int minimum, int maximum, int value) override;
    int sliderValue(orv::PanelId panel) const override;
    bool isChecked(orv::CheckBox box) const override;
    void setChecked(orv::CheckBox box, bool checked) override;
    bool isSelected(orv::PanelId panel, int option) const override;
    void select(orv::PanelId panel, int option) override;

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The controls of one panel that the setting operations fill and read.
    struct PanelControls
    {
        QGroupBox *frame = nullptr;
        std::array<QLabel *, 5> labels{}; // by orv::PanelLabel
        QSlider *slider = nullptr;
        QList<QAbstractButton *> options;
        // The user has moved the slider since the panel was last read.
        bool moved = false;
    };

    void buildTabs();
    QWidget *addTab(const QString &caption);
    QWidget *buildPanel(const CalPanel &panel, QWidget *parent);
    // Names the panel's "Make Change" buttons and lists that have no name yet by `caption`.
    void nameInputs(QWidget *panel, const QString &caption);
    QGroupBox *frame(orv::PanelId panel, QWidget *parent);
    QLabel *label(const QString &name, const QString &text, QWidget *parent, bool wrap = false);
    QLabel *panelLabel(orv::PanelId panel, orv::PanelLabel role, const QString &name, QWidget *parent);
    QGroupBox *sliderPanel(const CalPanel &panel, QWidget *parent);
    QWidget *wrappedButton(QAbstractButton *button, const QString &caption, QWidget *parent);
    QAbstractButton *button(const QString &name, const QString &caption, QWidget *parent,
                            void (Cal_form::*handler)());
    QGroupBox *reportFlags(const CalPanel &panel, QWidget *parent);
    QGroupBox *checkBoxes(const CalPanel &panel, QWidget *parent);
    QGroupBox *options(const CalPanel &panel, QWidget *parent);
    QGroupBox *stationTime(const CalPanel &panel, QWidget *parent);
    QGroupBox *baudRate(const CalPanel &panel, QWidget *parent);
    QGroupBox *powerSetting(const CalPanel &panel, QWidget *parent);
    void addOptionGroup(const CalPanel &panel, QVBoxLayout *layout, QWidget *parent);
    // What selecting a tab reads for `panel`; false after a failed exchange.
    bool readPanel(const CalPanel &panel);
    PanelControls &controls(orv::PanelId panel) { return m_panels[std::size_t(panel)]; }
    const PanelControls &controls(orv::PanelId panel) const { return m_panels[std::size_t(panel)]; }

    // `task` names the sequence on the status line.
    void beginBusy(const QString &task);
    void endBusy();
    // Write, then read back, as every "Make Change" does.
    void changeAndReadBack(const QString &task, orv::AccessResult (orv::SettingOps::*write)(),
                           orv::AccessResult (orv::SettingOps::*read)());

    CalibrationContext m_context;
    QWidget *m_owner;
    orv::SettingOps m_ops;
    orv::StationClockOps m_clock;
    QTabWidget *m_tabs = nullptr;
    std::array<PanelControls, orv::panelCount> m_panels;
    std::array<QAbstractButton *, 4> m_checkBoxes{};
    QComboBox *m_baudCombo = nullptr;
    QHash<QObject *, QAbstractButton *> m_captionButtons;
    bool m_busy = false;
    bool m_forceClose = false;
    bool m_unloaded = false;
};
