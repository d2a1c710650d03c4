#include "calibration_mode.h"

#include "Cal_form.h"
#include "keyboard_focus.h"
#include "link_activity.h"
#include "screen_pointer.h"

#include "params/prm_file.h"
#include "params/system_clock.h"

#include "framework/class_factory.h"

#include "link/comm_control.h"
#include "link/connect_station.h"
#include "link/message.h"
#include "link/station_link.h"

#include <QWidget>

CalibrationMode::CalibrationMode(QWidget &owner, orv::StationLink &link, orv::ComSettings &settings,
                                 orv::SettingsFile *settingsFile, QString dataDir)
    : m_owner(owner)
    , m_link(link)
    , m_settings(settings)
    , m_settingsFile(settingsFile)
    , m_dataDir(std::move(dataDir))
    , m_defaultClock(std::make_unique<orv::PosixSystemClock>(link.pump()))
    , m_clock(m_defaultClock.get())
    , m_controls(std::make_unique<zq::ControlLoader>())
{
}

CalibrationMode::~CalibrationMode()
{
    delete m_form.data();
}

Cal_form *CalibrationMode::form() const
{
    return m_form.data();
}

void CalibrationMode::setSystemClock(orv::SystemClock *clock)
{
    m_clock = clock ? clock : m_defaultClock.get();
}

void CalibrationMode::enter()
{
    m_link.comm().setTerminalDisplay(false);
    disableKeepingFocus(&m_owner);
    setScreenPointerBusy();
    if (m_activity)
        m_activity->begin(QStringLiteral("Entering calibration mode"));

    if (const orv::LinkResult<QByteArray> version = m_link.request_version(); !version) {
        m_link.close_link();
        // Otherwise the menus just fall back to "not connected" without a word.
        m_link.show_failure(orv::ConnectText::noVersion, version.failure());
        return;
    }
    orv::load_prm_file(m_link.state, m_records, orv::prmSearchPath(m_dataDir), m_link.messages());

    // A window left from an earlier entry would show stale values.
    if (m_form)
        m_form->unload();
    m_form = new Cal_form(CalibrationContext{m_link, m_records, m_settings, m_settingsFile, *m_clock, m_controls.get(),
                                             m_activity},
                          &m_owner);
    if (!m_form->runTabReads(0))
        return;
    if (m_activity)
        m_activity->end();
    m_form->show();
    setScreenPointerNormal();
}

void CalibrationMode::unload()
{
    if (m_form)
        m_form->unload();
    setScreenPointerNormal();
}
