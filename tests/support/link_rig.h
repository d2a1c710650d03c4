#pragma once

#include "message_capture.h"
#include "simulated_line.h"
#include "virtual_pump.h"

#include "link/comm_control.h"
#include "link/station_link.h"

#include <memory>
#include <utility>
#include <vector>

namespace orv::test {

inline const QDateTime rigStart{QDate(2026, 3, 14), QTime(10, 0, 0)};

// COM1..COM8 on simulated paths ("/dev/sim-comN") that exist once a peer is
// attached, behind the serial control; `line` is set to the device underneath.
std::unique_ptr<CommControl> simulatedComm(VirtualPump &pump, const SimulatedPorts &ports, SimulatedLine **line);

// The station link on the virtual clock over a simulated line, with every
// message box recorded in `log`. Peers made with addPeer live as long as the
// rig, so they outlive the line that talks to them.
struct LinkRig
{
    explicit LinkRig(const QDateTime &start = rigStart);

    static QString path(int port);

    // A peer made and kept by the rig, attached to COM `port` (0: kept only, for a peer behind another).
    template <typename P, typename... Args>
    P &addPeer(int port, Args &&...args)
    {
        auto peer = std::make_unique<P>(std::forward<Args>(args)...);
        P &ref = *peer;
        ownedPeers.push_back(std::move(peer));
        if (port > 0)
            attach(port, ref);
        return ref;
    }
    // A peer the test keeps: it must outlive the rig, or the port be closed first.
    void attach(int port, station::Peer &peer) { ports.attach(path(port), &peer); }

    // Opens COM `port` at `baud`,N,8,1 with DTR on, closing it first if open.
    bool open(int baud = 2400, int port = 2);

    // Virtual milliseconds since the rig was made.
    qint64 elapsedMs() const { return pump.msSinceEpoch() - startMs; }

    VirtualPump pump;
    const qint64 startMs = pump.msSinceEpoch();
    SimulatedPorts ports;
    std::vector<std::unique_ptr<station::Peer>> ownedPeers;
    MessageCapture log;
    SimulatedLine *line = nullptr;
    std::unique_ptr<CommControl> comm = simulatedComm(pump, ports, &line);
    std::unique_ptr<StationLink> link = std::make_unique<StationLink>(*comm, pump);
};

} // namespace orv::test
