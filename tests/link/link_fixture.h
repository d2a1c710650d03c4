#pragma once

#include "scripted_peer.h"
#include "simulated_line.h"
#include "virtual_pump.h"

#include "link/comm_control.h"
#include "link/station_link.h"

#include <memory>

namespace orv::test {

// A station link on the virtual clock with a scripted station on COM2.
struct LinkFixture
{
    explicit LinkFixture(const QDateTime &start = QDateTime(QDate(2026, 3, 14), QTime(10, 0, 0)))
        : pump(start)
    {
        ports.attach(QStringLiteral("/dev/sim-com2"), &peer);
        PortMap map;
        map.setDevicePath(2, QStringLiteral("/dev/sim-com2"));
        auto device = std::make_unique<SimulatedLine>(pump, ports);
        line = device.get();
        comm = std::make_unique<CommControl>(std::move(device), map);
        link = std::make_unique<StationLink>(*comm, pump);
        link->state.pkt_start = QByteArray(1, 0x02);
        link->state.pkt_end = QByteArray(1, 0x03);
    }

    bool open(const QString &settings = QStringLiteral("2400,N,8,1"))
    {
        comm->setCommPort(2);
        comm->setSettings(settings);
        comm->setDTREnable(true);
        return comm->setPortOpen(true);
    }

    // Virtual milliseconds since the fixture started.
    qint64 elapsedMs() const { return pump.msSinceEpoch() - startMs; }

    VirtualPump pump;
    const qint64 startMs = pump.msSinceEpoch();
    SimulatedPorts ports;
    ScriptedPeer peer;
    SimulatedLine *line = nullptr;
    std::unique_ptr<CommControl> comm;
    std::unique_ptr<StationLink> link;
};

} // namespace orv::test
