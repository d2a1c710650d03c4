#include "baud_change.h"

#include "param_access.h"
#include "setting_panels.h"

#include "link/com_settings.h"
#include "link/comm_control.h"
#include "link/line_settings.h"
#include "link/numeric.h"
#include "link/settings_file.h"
#include "link/station_link.h"

namespace orv {

int baudIndexForRate(int rate)
{
    return stationBaudIndex(rate);
}

BaudChange change_station_baud(StationLink &link, const ParamRecords &records, ComSettings &settings,
                               SettingsFile *file, SettingPanels &panels, int rate)
{
    const int index = baudIndexForRate(rate);
    const ParamRecord &record = records[ParamEntry::BaudRateIndex];
    // Moving only the computer's side would cut the link for nothing.
    if (index < 0 || record.absent())
        return BaudChange::NothingSent;
    // The write would be refused unseen while the computer's side moved alone.
    if (const QString fault = recordFault(record); !fault.isEmpty()) {
        link.show_message(dataFaultMessage(QString::fromLatin1(entryName(ParamEntry::BaudRateIndex)),
                                      link.state.station_version, fault));
        panels.setFrameEnabled(QStringLiteral("Frame6"), false);
        return BaudChange::NothingSent;
    }

    LinkState &state = link.state;
    state.param_value = float(index);
    state.param_addr = roundHalfEven(record.address());
    state.write_no_echo = LinkState::noEcho;
    link.write_param();
    state.write_no_echo = 0;

    const int slot = state.cur_station;
    settings.baud_rate[std::size_t(slot)] = float(rate);
    panels.setCaption(QStringLiteral("cur_baud_lbl"), QString::number(rate));
    if (file && !file->save(settings))
        link.show_message(file->error(), MessageIcon::Exclamation);

    CommControl &comm = link.comm();
    comm.setPortOpen(false);
    comm.setSettings(settingsStringForRate(float(rate)));
    if (!comm.setPortOpen(true)) {
        link.show_message(QStringLiteral("ORV CAL could not reopen the serial port at %1 baud: %2")
                              .arg(rate)
                              .arg(comm.lastOpenErrorString()));
        link.close_link();
        return BaudChange::Disconnected;
    }
    link.wait_seconds(2);

    if (settings.hasModem(slot)) {
        link.show_message(QStringLiteral("Weather Station and Nimbraview Baud Rates have been Changed! You will now be "
                                         "disconnected from the Weather Station"),
                          MessageIcon::Critical, QStringLiteral("Nimbraview"));
        link.close_link();
        return BaudChange::Disconnected;
    }
    return BaudChange::Changed;
}

} // namespace orv
