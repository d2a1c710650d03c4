#include "fuzz_driver.h"

#include "link_rig.h"
#include "scripted_peer.h"

#include "link/packet.h"

#include <algorithm>
#include <cmath>

using namespace orv;

// The station link's reply handling, against a far end that answers each request with
// what the input says (in pieces, after delays of its choosing, or not at all) on a line
// that may go away mid-exchange. Each exchange ends within its attempts and time-outs,
// sends no more than its attempts allow, takes only a reply of exactly its length, and
// fails the one way: com_status 255.
void fuzzOne(FuzzInput &in)
{
    test::LinkRig rig;
    auto &peer = rig.addPeer<test::ScriptedPeer>(2);
    peer.setResponder([&in](const QByteArray &) {
        QList<test::ScriptedPeer::Piece> pieces;
        for (int n = in.below(4); n > 0; --n)
            pieces.append({in.below(20000), in.text(12)});
        return pieces;
    });
    check(rig.open(), "the simulated line opens");
    LinkState &state = rig.link->state;
    // What the link sent, as the line saw it leave (the peer may not have it all yet).
    const auto sent = [&rig] {
        const auto &trace = rig.line->trace();
        return std::count_if(trace.cbegin(), trace.cend(), [](const auto &chunk) { return chunk.toStation; });
    };
    for (int ops = 0; ops < 8 && !in.atEnd(); ++ops) {
        const qint64 start = rig.elapsedMs();
        const auto requests = sent();
        int length = 0;
        int attempts = 0;
        double windowMs = 16000;
        switch (in.below(5)) {
        case 0:
            rig.link->request_version();
            length = 7;
            attempts = StationLink::versionAttempts;
            break;
        case 1:
            state.param_addr = in.below(300) - 20;
            rig.link->read_param();
            length = 2;
            // One packet on its own, then one an attempt.
            attempts = state.param_addr >= 0 && state.param_addr <= 255 ? StationLink::readAttempts + 1 : 0;
            break;
        case 2: {
            state.param_addr = in.below(300) - 20;
            state.param_value = float(in.below(70001) - 2000);
            const bool fits = state.param_addr >= 0 && state.param_addr <= 255 && state.param_value >= 0
                              && state.param_value <= 65535;
            rig.link->write_param();
            attempts = fits ? StationLink::writeTransmissions : 0;
            windowMs = StationLink::writeEchoWait * 1000;
            break;
        }
        case 3:
            state.write_no_echo = in.byte() & 1 ? LinkState::noEcho : 0;
            continue;
        default:
            rig.pump.scheduleIn(in.below(60000), [&rig] { rig.line->unplug(); });
            continue;
        }
        check(state.com_status == 0 || state.com_status == LinkState::comFailed, "an exchange fails one way only");
        check(sent() - requests <= attempts, "no more requests than attempts");
        check(rig.elapsedMs() - start <= 1000 + (attempts + 1) * windowMs, "an exchange ends within its time-outs");
        if (state.com_status == 0 && length != 0)
            check(state.reply_buf.size() == length, "a reply is taken only at exactly its length", state.reply_buf);
        if (state.com_status == 0 && length == 7)
            check(acceptableVersion(state.station_version), "only a version reply is taken as one",
                  state.station_version);
        if (state.com_status == 0 && length == 2)
            check(state.param_value >= 0 && state.param_value <= 65535 && state.param_value == std::floor(state.param_value),
                  "a reply's value is two bytes", state.reply_buf);
    }
}
