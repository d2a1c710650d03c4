#include "fuzz_driver.h"

#include "link_rig.h"
#include "scripted_peer.h"

#include "link/packet.h"

#include <algorithm>

using namespace orv;

// The station link's reply handling against a far end that answers each request with
// what the input says (in pieces, after delays of its choosing, or not at all), on a line
// that may go away mid-exchange: an exchange ends within its attempts and time-outs,
// sends no more than they allow, takes only a reply of exactly its length, and fails
// one way only, com_status 255.
void fuzzOne(FuzzInput &in)
{
    test::LinkRig rig;
    rig.addPeer<test::ScriptedPeer>(2).setResponder([&in](const QByteArray &) {
        QList<test::ScriptedPeer::Piece> pieces;
        for (int n = in.below(4); n > 0; --n)
            pieces.append({in.below(20000), in.text(12)});
        return pieces;
    });
    check(rig.open(), "the simulated line opens");
    LinkState &state = rig.link->state;
    // What the link sent, as the line saw it leave: the far end may not have it all yet.
    const auto &trace = rig.line->trace();
    const auto sent = [&trace] {
        return std::count_if(trace.cbegin(), trace.cend(), [](auto &c) { return c.toStation; });
    };
    for (int ops = 0; ops < 8 && !in.atEnd(); ++ops) {
        const qint64 start = rig.elapsedMs();
        const auto before = sent();
        const int op = in.below(5);
        state.param_addr = in.below(300) - 20;
        state.param_value = float(in.below(70001) - 2000);
        const bool fits = state.param_addr >= 0 && state.param_addr <= 255;
        int length = 7, attempts = StationLink::versionAttempts;
        if (op == 0) {
            rig.link->request_version();
        } else if (op == 1) {
            rig.link->read_param();
            length = 2;
            attempts = fits ? StationLink::readAttempts + 1 : 0; // one packet on its own, then one an attempt
        } else if (op == 2) {
            const bool value = state.param_value >= 0 && state.param_value <= 65535;
            rig.link->write_param();
            length = 0;
            attempts = fits && value ? StationLink::writeTransmissions : 0;
        } else if (op == 3) {
            state.write_no_echo = in.byte() & 1 ? LinkState::noEcho : 0;
            continue;
        } else {
            rig.pump.scheduleIn(in.below(60000), [&rig] { rig.line->unplug(); });
            continue;
        }
        const bool ok = state.com_status == 0;
        check(ok || state.com_status == LinkState::comFailed, "an exchange fails one way only");
        check(sent() - before <= attempts, "no more requests than attempts");
        check(rig.elapsedMs() - start <= 1000 + (attempts + 1) * 16000, "an exchange ends within its time-outs");
        check(!ok || length == 0 || state.reply_buf.size() == length, "a reply only of its length", state.reply_buf);
        check(!ok || length != 7 || acceptableVersion(state.station_version), "a version reply only", state.reply_buf);
        check(!ok || length != 2 || (state.param_value >= 0 && state.param_value <= 65535), "two bytes of value",
              state.reply_buf);
    }
}
