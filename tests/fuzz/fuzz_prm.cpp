#include "fuzz_driver.h"

#include "params/prm_file.h"

#include "link/link_state.h"
#include "link/numeric.h"
#include "message_capture.h"

#include <QDir>
#include <QTemporaryDir>

#include <cfloat>
#include <cmath>

using namespace orv;

// A definition file, named after a version reply from the input and looked for in a
// folder that holds only 4103.prm: every record is left absent or taken whole from one
// line, with a scale the conversions can divide by, and the records written back as
// definition lines read again as they were.
void fuzzOne(FuzzInput &in)
{
    static QTemporaryDir folder;
    static const bool hasFile = QFile(QDir(folder.path()).filePath("4103.prm")).open(QIODevice::WriteOnly);
    LinkState state;
    const QByteArray version = state.station_version = in.text(8);
    const QByteArray text = in.rest();
    ParamRecords records;
    test::MessageCapture messages;
    const bool read = !load_prm_file(state, records, {folder.path()}, messages).isEmpty();
    check(read == (hasFile && prmFileName(version) == "4103.prm"), "the file named after the version is read", version);
    check(read || !messages.isEmpty(), "a file not read is reported", version);
    applyPrmText(text, records);

    QList<std::array<float, 5>> lines;
    for (QByteArray line : prmLines(text)) {
        PrmFields fields;
        std::array<float, 5> e{};
        bool fits = split_prm_line(line, fields);
        for (std::size_t k = 0; fits && k < e.size(); ++k) {
            const double d = leadingNumber(fields[k]);
            fits = std::fabs(d) <= double(FLT_MAX);
            e[k] = float(d);
        }
        if (fits)
            lines << e;
    }
    QByteArray written;
    for (ParamEntry entry : allEntries()) {
        const ParamRecord &r = records[entry];
        if (r.element == ParamRecord{}.element)
            continue;
        const bool raised = entry != ParamEntry::WindDirOffset;
        check(!raised || r.scale() >= 1.0f, "a scale the conversions can divide by", text);
        check(std::any_of(lines.cbegin(), lines.cend(), [&](const std::array<float, 5> &e) {
                  return e[0] == r.element[0] && e[1] == r.element[1] && e[2] == r.element[2]
                         && e[4] == r.element[4] && (e[3] == r.scale() || (raised && e[3] < 1 && r.scale() == 1));
              }),
              "a record is whole from one line", text);
        for (float v : r.element)
            written += QByteArray::number(double(v), 'g', 9) + ',';
        written += entryName(entry) + "\r\n";
    }
    ParamRecords again;
    applyPrmText(written, again);
    for (ParamEntry entry : allEntries())
        check(again[entry].element == records[entry].element, "the records write back as read", written);
}
