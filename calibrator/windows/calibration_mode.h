#pragma once

#include "params/param_records.h"

#include <QPointer>
#include <QString>

#include <memory>

class Cal_form;
class LinkActivity;
class QWidget;

namespace zq {
class ControlLoader;
}

namespace orv {
struct ComSettings;
class SettingsFile;
class StationLink;
class SystemClock;
}

// Entering and leaving calibration mode: asks the station for its version,
// loads its definition file, reads the first tab and shows a fresh calibration
// window owned by the main window, which stays disabled while it is open.
class CalibrationMode
{
public:
    CalibrationMode(QWidget &owner, orv::StationLink &link, orv::ComSettings &settings,
                    orv::SettingsFile *settingsFile, QString dataDir);
    ~CalibrationMode();

    // The "&Calibration Mode" menu entry.
    void enter();
    // The link is closing: the calibration window goes, the pointer is normal.
    void unload();

    // The open calibration window, if any.
    Cal_form *form() const;
    const orv::ParamRecords &records() const { return m_records; }
    // Tests replace the computer's clock; the default sets the real one.
    void setSystemClock(orv::SystemClock *clock);
    // Where the entry and the calibration window show what they wait for.
    void setActivity(LinkActivity *activity) { m_activity = activity; }

private:
    QWidget &m_owner;
    orv::StationLink &m_link;
    orv::ComSettings &m_settings;
    orv::SettingsFile *m_settingsFile;
    QString m_dataDir;
    orv::ParamRecords m_records;
    std::unique_ptr<orv::SystemClock> m_defaultClock;
    orv::SystemClock *m_clock;
    LinkActivity *m_activity = nullptr;
    // Declared before the window so that the control library outlives its control.
    std::unique_ptr<zq::ControlLoader> m_controls;
    QPointer<Cal_form> m_form;
};
