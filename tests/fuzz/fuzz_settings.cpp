#include "fuzz_driver.h"

#include "link/com_settings.h"
#include "link/message.h"

#include <algorithm>

using namespace orv;

// "COM Settings.Dat": the twenty slots read from any 3140 bytes write back byte for byte,
// and what the command line prints of them holds no control character.
void fuzzOne(FuzzInput &in)
{
    const QByteArray bytes = in.rest().leftJustified(ComSettings::fileSize, '\0', true);
    const ComSettings s = ComSettings::fromBytes(bytes);
    check(s.toBytes() == bytes, "the slots write back as read", bytes);
    for (int i = 0; i < ComSettings::slotCount; ++i) {
        const QString shown = printable(s.stationName(i) + s.phoneNumber(i) + s.problems(i).join(' '));
        const bool plain = std::all_of(shown.cbegin(), shown.cend(), [](QChar c) {
            return c >= QChar(0x20) && (c < QChar(0x7f) || c >= QChar(0xa0));
        });
        check(plain, "no control character is printed", shown.toLatin1());
    }
}
