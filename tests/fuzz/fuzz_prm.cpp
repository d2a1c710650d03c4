#include "fuzz_driver.h"

#include "params/prm_file.h"

#include "link/link_state.h"
#include "message_capture.h"

#include <QDir>
#include <QTemporaryDir>

#include <cmath>

using namespace orv;

// A definition file, named after a version reply and looked for in a folder that holds
// only 4103.prm: every record is absent, refused with its fault, or whole from the one
// line it names, with a scale the conversions can divide by; written back as definition
// lines, the records read again as they were.
void fuzzOne(FuzzInput &in)
{
    static QTemporaryDir folder;
    static const bool hasFile = QFile(QDir(folder.path()).filePath("4103.prm")).open(QIODevice::WriteOnly);
    LinkState state;
    const QByteArray version = state.station_version = in.text(8), text = in.rest();
    ParamRecords records, again;
    test::MessageCapture messages;
    const bool read = !load_prm_file(state, records, {folder.path()}, messages).isEmpty();
    check(read == (hasFile && prmFileName(version) == "4103.prm"), "the file named after the version is read", version);
    check(read || !messages.isEmpty(), "a file not read is reported", version);
    applyPrmText(text, records);
    const QByteArrayList lines = prmLines(text);
    QByteArray written;
    for (ParamEntry entry : allEntries()) {
        const ParamRecord &r = records[entry];
        if (r.absent() || !r.fault.isEmpty())
            continue;
        ParamRecords alone;
        applyPrmText(lines.value(r.line - 1), alone);
        check(alone[entry].element == r.element, "a record is whole from the line it names", text);
        check(entry == ParamEntry::WindDirOffset || r.scale() >= 1.0f, "a scale the conversions can divide by", text);
        for (float v : r.element)
            written += QByteArray::number(double(v), 'g', 9) + ',';
        written += entryName(entry) + "\r\n";
    }
    applyPrmText(written, again);
    for (ParamEntry entry : allEntries())
        check(again[entry].element == records[entry].element, "the records write back as read", written);
}
