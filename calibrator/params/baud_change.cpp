#include "baud_change.h"

#include "param_access.h"
#include "setting_panels.h"

#include "link/com_settings.h"
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
        panels.setFrameEnabled(PanelId::BaudRate, false);
        return BaudChange::NothingSent;
    }

    // Nothing comes back to judge the write by: the station answers at the new rate.
    link.write_param_no_echo(roundHalfEven(record.address()), index);

    const int slot = link.state.cur_station;
    settings.baud_rate[std::size_t(slot)] = float(rate);
    panels.setCaption(PanelId::BaudRate, PanelLabel::Current, QString::number(rate));
    if (file && !file->save(settings))
        link.show_message(file->error(), MessageIcon::Exclamation);

    if (const LinkResult<Sent> reopened = link.change_rate(rate); !reopened) {
        link.show_message(QStringLiteral("ORV CAL could not reopen the serial port at %1 baud: %2")
                              .arg(rate)
                              .arg(reopened.errorString()));
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
