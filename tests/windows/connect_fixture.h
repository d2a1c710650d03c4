#pragma once

#include "modem_peer.h"
#include "scripted_peer.h"
#include "simulated_line.h"
#include "virtual_pump.h"

#include "link/com_settings.h"
#include "link/comm_control.h"
#include "link/connect_station.h"
#include "link/station_link.h"

#include <QStringList>

#include <memory>

namespace orv::test {

// What the connection procedure did to its progress window, with virtual times.
class RecordingProgress final : public ConnectProgress
{
public:
    struct Event
    {
        qint64 atMs;
        QString what; // "show", "beep", "close" or the info text
        bool portOpen;
    };

    RecordingProgress(VirtualPump &pump, const CommControl &comm) : m_pump(pump), m_comm(comm) {}

    void show() override { record(QStringLiteral("show")); }
    void setInfo(const QString &text) override { record(text); }
    void beep() override { record(QStringLiteral("beep")); }
    void close() override { record(QStringLiteral("close")); }

    QStringList steps() const
    {
        QStringList out;
        for (const Event &e : events)
            out << e.what;
        return out;
    }
    qint64 timeOf(const QString &what) const
    {
        for (const Event &e : events)
            if (e.what == what)
                return e.atMs;
        return -1;
    }

    QList<Event> events;

private:
    void record(const QString &what) { events.append({m_pump.msSinceEpoch(), what, m_comm.portOpen()}); }

    VirtualPump &m_pump;
    const CommControl &m_comm;
};

// A link on the virtual clock with a peer (station or modem) on COM2.
struct ConnectFixture
{
    static inline const QString comPath = QStringLiteral("/dev/sim-com2");

    explicit ConnectFixture(station::Peer *peer)
    {
        if (peer)
            ports.attach(comPath, peer);
        PortMap map;
        map.setDevicePath(2, comPath);
        auto device = std::make_unique<SimulatedLine>(pump, ports);
        line = device.get();
        comm = std::make_unique<CommControl>(std::move(device), map);
        link = std::make_unique<StationLink>(*comm, pump);
        link->state.pkt_start = QByteArray(1, 0x02);
        link->state.pkt_end = QByteArray(1, 0x03);
        progress = std::make_unique<RecordingProgress>(pump, *comm);
    }

    void run() { connect_station(*link, settings, *progress); }
    qint64 elapsedMs() const { return pump.msSinceEpoch() - startMs; }
    qint64 since(qint64 atMs) const { return atMs - startMs; }

    VirtualPump pump;
    const qint64 startMs = pump.msSinceEpoch();
    SimulatedPorts ports;
    SimulatedLine *line = nullptr;
    std::unique_ptr<CommControl> comm;
    std::unique_ptr<StationLink> link;
    ComSettings settings = ComSettings::defaults();
    std::unique_ptr<RecordingProgress> progress;
};

} // namespace orv::test
