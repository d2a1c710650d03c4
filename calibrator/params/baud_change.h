#pragma once

#include "param_records.h"

namespace orv {

struct ComSettings;
class SettingPanels;
class SettingsFile;
class StationLink;

enum class BaudChange {
    NothingSent,  // no rate chosen, or the firmware has no baud setting
    Changed,      // the station and the link run at the new rate
    Disconnected, // modem link, or the port would not reopen: link closed
};

// Index of the station's baud setting for a rate: 38400 gives 0 ... 300 gives 7;
// -1 for any other rate.
int baudIndexForRate(int rate);

// Moves the station and the computer's side of the link to `rate` together:
// the index goes out without waiting for an echo (the station answers at the
// new rate), the rate is stored for the selected slot and saved, and the port
// reopens at the new rate. `file` may be null when there is no settings file.
BaudChange change_station_baud(StationLink &link, const ParamRecords &records, ComSettings &settings,
                               SettingsFile *file, SettingPanels &panels, int rate);

} // namespace orv
