#include "fuzz_driver.h"

#include "control/vururaz_ctrl.h"
#include "framework/bag_format.h"
#include "framework/stream_format.h"

#include <cmath>

// Built twice: as the property bag's target and, with FUZZ_STREAM, the binary stream's.
#ifdef FUZZ_STREAM
namespace form = zq::stream_format;
#else
namespace form = zq::bag_format;
#endif

namespace {

bool same(const zq::StoredValue &a, const zq::StoredValue &b)
{
    const bool bothNaN = (a.value.type() == zq::VarType::R4 || a.value.type() == zq::VarType::R8)
                         && a.value.type() == b.value.type() && std::isnan(a.value.toR8()) && std::isnan(b.value.toR8());
    return a.name == b.name && (a.value == b.value || bothNaN);
}

QByteArray save(CVururazCtrl &c)
{
#ifdef FUZZ_STREAM
    return c.saveToStream();
#else
    return c.saveToBag();
#endif
}

} // namespace

// A persisted form as a container hands it over: what the reader takes from it
// writes back as it was read, and a control loaded from it saves what it loads.
void fuzzOne(FuzzInput &in)
{
    const QByteArray bytes = in.rest();
    const QVector<zq::StoredValue> read = form::decode(bytes);
    const QVector<zq::StoredValue> again = form::decode(form::encode(read));
    check(again.size() == read.size(), "the values read write back and read again", bytes);
    for (qsizetype i = 0; i < read.size(); ++i)
        check(same(read[i], again[i]), "each value read writes back as it was", read[i].name.toLatin1());

    auto profile = std::make_shared<zq::FixedIntlProfile>();
    CVururazCtrl first;
    first.setIntlProfile(profile);
#ifdef FUZZ_STREAM
    first.loadFromStream(bytes);
#else
    first.loadFromBag(bytes, bytes.startsWith(';'));
#endif
    const zq::TextState &s = first.textState();
    check(s.caret >= 0 && s.caret <= s.text.size() && s.text.size() <= zq::MaxTextLength, "the loaded text fits",
          s.text);
    const QByteArray saved = save(first);
    CVururazCtrl second;
    second.setIntlProfile(profile);
#ifdef FUZZ_STREAM
    second.loadFromStream(saved);
#else
    second.loadFromBag(saved);
#endif
    check(save(second) == saved, "a loaded control saves what it loaded", saved);
    check(second.textState().text == s.text, "reloading shows the same text", s.text);
}
