#include "fuzz_driver.h"

#include "params/number_format.h"
#include "params/station_backup.h"

using namespace orv;

// A backup file: refused with a reason and the line it concerns, or loaded, and then
// what it loaded writes a file that loads the same again.
void fuzzOne(FuzzInput &in)
{
    const QByteArray text = in.rest();
    StationBackup b, again;
    QString reason;
    int line = 0;
    if (!StationBackup::fromJson(text, &b, &reason, &line)) {
        check(!reason.isEmpty() && line >= 1 && line <= text.count('\n') + 1, "a refusal names why and where", text);
        return;
    }
    const QByteArray written = b.toJson();
    check(StationBackup::fromJson(written, &again, &reason, &line), "what it loads writes a file it loads", written);
    bool same = again.firmware == b.firmware && again.definitionFile == b.definitionFile && again.date == b.date
                && again.slot == b.slot && again.stationName == b.stationName
                && again.settings.size() == b.settings.size();
    // The engineering value is written as a single is shown, to seven digits.
    for (qsizetype i = 0; same && i < b.settings.size(); ++i) {
        const BackupSetting &x = b.settings[i], &y = again.settings[i];
        same = x.entry == y.entry && x.address == y.address && x.raw == y.raw
               && singleText(float(x.eng)) == singleText(float(y.eng));
    }
    check(same, "the backup reads back as written", written);
}
