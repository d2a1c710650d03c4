#pragma once

#include "param_records.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

namespace orv {

// One setting as a backup file holds it; `line` is where its object starts in
// the file it was read from (0 for one made from the station).
struct BackupSetting
{
    ParamEntry entry = ParamEntry::WspUnits;
    int address = 0;
    int raw = 0;
    double eng = 0;
    int line = 0;
    int rawLine = 0;
    int engLine = 0;
    int addressLine = 0;
};

// A station's configuration as saved to and read from a human-readable JSON
// file: every setting of its definition file except the clock, raw and in
// engineering units, with enough about its origin to refuse a restore onto
// the wrong firmware.
struct StationBackup
{
    static constexpr int formatVersion = 1;
    // A configuration is a few kB; anything past this is refused unparsed.
    static constexpr qint64 largestFile = 1 << 20;
    static const QString formatName;

    QString firmware;       // the version reply without its line ending: "4.103"
    QString definitionFile; // "4103.prm"
    QDateTime date;
    int slot = 0;
    QString stationName;
    QList<BackupSetting> settings;
    int firmwareLine = 0;

    QByteArray toJson() const;

    // Reads a file made by toJson() or edited by hand (a date without an
    // offset is local time). False with a reason and the 1-based line it
    // concerns when the file is damaged, truncated, larger than largestFile,
    // from a newer format, holds a key twice or one it does not know, or
    // values that cannot be a station's.
    static bool fromJson(const QByteArray &text, StationBackup *backup, QString *reason, int *line);

    const BackupSetting *find(ParamEntry entry) const;
};

// The settings a backup holds: all but the six clock fields, which go on
// running and would be stale the moment they were restored.
bool isBackedUp(ParamEntry entry);

// The version reply as a backup names the firmware: "4.103\r\n" gives "4.103".
QString firmwareName(const QByteArray &versionReply);

} // namespace orv
