#pragma once

#include "cal_tabs.h"

#include "params/setting_ops.h"
#include "params/setting_panels.h"
#include "params/station_clock_ops.h"

#include <QHash>
#include <QSet>
#include <QWidget>

#include <functional>

class LinkActivity;
class QAbstractButton;
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

    // `tabs` is what the window shows and reads; a panel it names but does
    // not build is reported as a warning.
    Cal_form(const CalibrationContext &context, QWidget *owner, const QList<CalTab> &tabs = calibrationTabs());
    ~Cal_form() override;

    // Runs a tab's reads in order; false as soon as one fails (the link is
    // then closed and this window unloading).
    bool runTabReads(int tab);
    // The operations a tab runs, in order.
    static QStringList tabReads(int tab);

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
    void setFrameEnabled(const QString &frame, bool enabled) override;
    void setFrameVisible(const QString &frame, bool visible) override;
    void setCaption(const QString &label, const QString &text) override;
    void setSlider(const QString &slider, int minimum, int maximum, int value) override;
    int sliderValue(const QString &slider) const override;
    bool isChecked(const QString &checkBox) const override;
    void setChecked(const QString &checkBox, bool checked) override;
    bool isSelected(const QString &group, int index) const override;
    void select(const QString &group, int index) override;

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildTabs(const QList<CalTab> &tabs);
    QWidget *addTab(const QString &caption);
    QWidget *buildPanel(const CalPanel &panel, QWidget *parent);
    void resolveReads(const QList<CalTab> &tabs);
    void warnIfMissing(const QString &name, const QString &needer);
    QGroupBox *frame(const QString &name, const QString &caption, QWidget *parent);
    QLabel *label(const QString &name, const QString &text, QWidget *parent, bool wrap = false);
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

    // `task` names the sequence on the status line.
    void beginBusy(const QString &task);
    void endBusy();
    // Write, then read back, as every "Make Change" does.
    void changeAndReadBack(const QString &task, bool (orv::SettingOps::*write)(), bool (orv::SettingOps::*read)());

    template <typename T>
    T *control(const QString &name) const
    {
        return qobject_cast<T *>(m_controls.value(name));
    }
    void registerControl(QWidget *widget);

    CalibrationContext m_context;
    QWidget *m_owner;
    orv::SettingOps m_ops;
    orv::StationClockOps m_clock;
    QTabWidget *m_tabs = nullptr;
    QHash<QString, QWidget *> m_controls;
    QHash<QObject *, QAbstractButton *> m_captionButtons;
    // A slider panel's frame caption, for the status line.
    QHash<const orv::SliderSetting *, QString> m_sliderCaptions;
    // Each tab's reads, resolved once from the table.
    QList<QList<std::function<bool()>>> m_tabReads;
    // Sliders the user has moved since their panel was last read.
    QSet<QString> m_movedSliders;
    // The panels' notes, shown only while they say something.
    QSet<QLabel *> m_notes;
    bool m_busy = false;
    bool m_forceClose = false;
    bool m_unloaded = false;
};
