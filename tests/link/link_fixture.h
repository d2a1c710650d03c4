#pragma once

#include "link_rig.h"
#include "scripted_peer.h"

namespace orv::test {

// A station link on the virtual clock with a scripted station on COM2.
struct LinkFixture : LinkRig
{
    explicit LinkFixture(const QDateTime &start = rigStart) : LinkRig(start) {}

    ScriptedPeer &peer = addPeer<ScriptedPeer>(2);
};

} // namespace orv::test
