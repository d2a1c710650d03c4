#include "fuzz_driver.h"

#include "control/vururaz_ctrl.h"
#include "framework/bag_format.h"
#include "framework/stream_format.h"

#include <cmath>

// Built twice: as the property bag's target and, with FUZZ_STREAM, the binary stream's.
#ifdef FUZZ_STREAM
namespace form = zq::stream_format;
QByteArray save(CVururazCtrl &c) { return c.saveToStream(); }
void load(CVururazCtrl &c, const QByteArray &bytes) { c.loadFromStream(bytes); }
#else
namespace form = zq::bag_format;
QByteArray save(CVururazCtrl &c) { return c.saveToBag(); }
// A bag starting with a comment is read as one converted from the earlier edition.
void load(CVururazCtrl &c, const QByteArray &bytes) { c.loadFromBag(bytes, bytes.startsWith(';')); }
#endif

// A persisted form as a container hands it over: what the reader takes from it writes
// back as it was read, and a control loaded from it saves what it loaded.
void fuzzOne(FuzzInput &in)
{
    const QByteArray bytes = in.rest();
    const QVector<zq::StoredValue> read = form::decode(bytes), again = form::decode(form::encode(read));
    check(again.size() == read.size(), "the values read write back and read again", bytes);
    for (qsizetype i = 0; i < read.size(); ++i) {
        const zq::Variant &a = read[i].value, &b = again[i].value;
        const bool nan = (a.type() == zq::VarType::R4 || a.type() == zq::VarType::R8) && b.type() == a.type()
                         && std::isnan(a.toR8()) && std::isnan(b.toR8());
        check(read[i].name == again[i].name && (a == b || nan), "each value read writes back", bytes);
    }
    CVururazCtrl first, second;
    first.setIntlProfile(std::make_shared<zq::FixedIntlProfile>());
    second.setIntlProfile(std::make_shared<zq::FixedIntlProfile>());
    load(first, bytes);
    const zq::TextState &s = first.textState();
    check(s.caret >= 0 && s.caret <= s.text.size() && s.text.size() <= zq::MaxTextLength, "the text fits", s.text);
    load(second, save(first));
    check(save(second) == save(first) && second.textState().text == s.text, "a control saves what it loaded", bytes);
}
