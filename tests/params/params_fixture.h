#pragma once

#include "scripted_peer.h"
#include "simulated_line.h"
#include "virtual_pump.h"

#include "link/comm_control.h"
#include "link/message.h"
#include "link/station_link.h"

#include <QMap>
#include <QStringList>

#include <memory>

namespace orv::test {

// A station link on the virtual clock, open on COM2 to a scripted station
// that keeps a value per address: reads answer it, writes store and echo it.
struct ParamsFixture
{
    ParamsFixture()
    {
        ports.attach(QStringLiteral("/dev/sim-com2"), &peer);
        PortMap map;
        map.setDevicePath(2, QStringLiteral("/dev/sim-com2"));
        comm = std::make_unique<CommControl>(std::make_unique<SimulatedLine>(pump, ports), map);
        link = std::make_unique<StationLink>(*comm, pump);
        link->state.pkt_start = QByteArray(1, 0x02);
        link->state.pkt_end = QByteArray(1, 0x03);
        peer.setResponder([this](const QByteArray &request) { return answer(request); });
        comm->setCommPort(2);
        comm->setSettings(QStringLiteral("2400,N,8,1"));
        comm->setDTREnable(true);
        comm->setPortOpen(true);
        m_previousHandler = setMessageHandler(
            [this](const QString &text, MessageIcon, const QString &) { messages << text; });
    }
    ~ParamsFixture() { setMessageHandler(m_previousHandler); }

    QList<ScriptedPeer::Piece> answer(const QByteArray &request)
    {
        if (silent || request.size() < 5)
            return {};
        const int address = uchar(request[4]);
        if (request.mid(2, 2) == "SP" && request.size() >= 9)
            registers[address] = uchar(request[5]) * 256 + uchar(request[6]);
        const int value = registers.value(address);
        return {{20, QByteArray(1, char(value >> 8)) + char(value & 0xFF)}};
    }

    QList<QByteArray> requests() const
    {
        QList<QByteArray> out;
        for (const auto &r : peer.requests())
            out << r.bytes;
        return out;
    }

    VirtualPump pump;
    SimulatedPorts ports;
    ScriptedPeer peer;
    std::unique_ptr<CommControl> comm;
    std::unique_ptr<StationLink> link;
    QMap<int, int> registers;
    bool silent = false;
    QStringList messages;

private:
    MessageHandler m_previousHandler;
};

} // namespace orv::test
