#include "fuzz_driver.h"

#include "link_rig.h"
#include "scripted_peer.h"

#include "link/packet.h"

#include <algorithm>

using namespace orv;

// The station link's reply handling against a far end that answers each request with
// what the input says (in pieces, after delays of its choosing, or not at all), on a line
// that may go away mid-exchange: an exchange ends within its attempts and time-outs,
// sends no more than they allow, takes only a reply of exactly its length, refuses what
// no packet can carry without sending anything, and fails with a reason.
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
    // What the link sent, as the line saw it leave: the far end may not have it all yet.
    const auto &trace = rig.line->trace();
    const auto sent = [&trace] {
        return std::count_if(trace.cbegin(), trace.cend(), [](auto &c) { return c.toStation; });
    };
    bool noEcho = false;
    for (int ops = 0; ops < 8 && !in.atEnd(); ++ops) {
        const qint64 start = rig.elapsedMs();
        const auto before = sent();
        const int op = in.below(5);
        const int address = in.below(300) - 20;
        const int value = in.below(70001) - 2000;
        const bool sendable =
            op == 0 || (address >= 0 && address <= 255 && (op == 1 || (value >= 0 && value <= 65535)));
        int attempts = StationLink::versionAttempts;
        LinkFailure failure;
        if (op == 0) {
            const LinkResult<QByteArray> version = rig.link->request_version();
            failure = version.failure();
            check(!version || (version.value().size() == 7 && acceptableVersion(*version)), "a version reply only",
                  *version);
        } else if (op == 1) {
            // One packet on its own, then one an attempt.
            attempts = sendable ? StationLink::readAttempts + 1 : 0;
            failure = rig.link->read_param(address).failure();
        } else if (op == 2) {
            attempts = sendable ? (noEcho ? 1 : StationLink::writeTransmissions) : 0;
            failure = noEcho ? rig.link->write_param_no_echo(address, value).failure()
                             : rig.link->write_param(address, value).failure();
        } else if (op == 3) {
            noEcho = in.byte() & 1;
            continue;
        } else {
            rig.pump.scheduleIn(in.below(60000), [&rig] { rig.line->unplug(); });
            continue;
        }
        check(failure.error == LinkError::None || !failure.text.isEmpty(), "a failure says why");
        check(sendable || failure.error == LinkError::NotSendable, "what no packet carries is refused");
        check(sent() - before <= attempts, "no more requests than attempts");
        check(rig.elapsedMs() - start <= 1000 + (attempts + 1) * 16000, "an exchange ends within its time-outs");
        check(failure.received.size() <= (op == 0 ? 8 : 3), "a failure keeps at most one byte past the reply",
              failure.received);
    }
}
