#include "link_rig.h"

#include "station/peer.h"

namespace orv::test {

std::unique_ptr<CommControl> simulatedComm(VirtualPump &pump, const SimulatedPorts &ports, SimulatedLine **line)
{
    PortMap map;
    for (int port = 1; port <= 8; ++port)
        map.setDevicePath(port, LinkRig::path(port));
    auto device = std::make_unique<SimulatedLine>(pump, ports);
    if (line)
        *line = device.get();
    return std::make_unique<CommControl>(std::move(device), map);
}

LinkRig::LinkRig(const QDateTime &start)
    : pump(start)
{
    link->setMessages(&log);
}

QString LinkRig::path(int port)
{
    return QStringLiteral("/dev/sim-com%1").arg(port);
}

bool LinkRig::open(int baud, int port)
{
    comm->setPortOpen(false);
    comm->setCommPort(port);
    comm->setSettings(QStringLiteral("%1,N,8,1").arg(baud));
    comm->setDTREnable(true);
    return comm->setPortOpen(true);
}

} // namespace orv::test
