#pragma once

#include "param_records.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QString>
#include <QStringList>

#include <array>

namespace orv {

struct LinkState;
class MessageSink;

// Fields 1..6 of one line of a parameter definition file.
using PrmFields = std::array<QByteArray, 6>;

// Splits the line in `reply_buf` at its first five commas: fields 1..5 are the
// texts between them, field 6 the rest of the line (commas included), each
// trimmed of spaces. A line with fewer than five commas is no entry: false,
// `prm_fields` untouched. `reply_buf` is consumed either way.
bool split_prm_line(QByteArray &reply_buf, PrmFields &prm_fields);

// The lines of a definition file: a line ends at a carriage return, and a line
// feed right after it belongs to that ending. A lone line feed stays inside
// its line.
QByteArrayList prmLines(const QByteArray &text);

// Fills `records` from the lines of `text` without resetting them first.
// A line whose field 6 holds no entry text changes nothing. A line naming an
// entry whose numbers cannot be read (a field without a number, one beyond
// the single range, missing commas) leaves that record with its fault.
void applyPrmText(const QByteArray &text, ParamRecords &records);

// "4103.prm" for a version reply beginning "4.103": its characters 1, 3, 4
// and 5. Empty when the reply is shorter than five characters.
QString prmFileName(const QByteArray &version);

// Folders searched for a definition file, first match wins:
//   1. $ORV_PRM_DIR, when set;
//   2. `dataDir`/PRM, when a data folder is given (the CLI's --data-dir);
//   3. PRM beside the program;
//   4. the installed data folder, ../share/orvcal/PRM from the program;
//   5. the per-user folder, <user data location>/orvcal/PRM.
QStringList prmSearchPath(const QString &dataDir = {});

// Resets every record to absent, names the file after the version reply in
// `state.station_version` (which then holds the file name) and reads it from
// the first folder of `folders` that has it. Failures are told to `messages`;
// the records then stay absent. Returns the path read, or an empty string when
// no file was read.
QString load_prm_file(LinkState &state, ParamRecords &records, const QStringList &folders, MessageSink &messages);

} // namespace orv
