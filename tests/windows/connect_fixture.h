#pragma once

#include "link_rig.h"
#include "modem_peer.h"
#include "scripted_peer.h"

#include "link/com_settings.h"
#include "link/connect_station.h"

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

// A link on the virtual clock with a peer (station or modem) on COM2; the
// peer belongs to the test and must outlive the fixture.
struct ConnectFixture : LinkRig
{
    static inline const QString comPath = path(2);

    explicit ConnectFixture(station::Peer *peer)
    {
        if (peer)
            attach(2, *peer);
    }

    void run() { connect_station(*link, settings, *progress); }
    qint64 since(qint64 atMs) const { return atMs - startMs; }

    ComSettings settings = ComSettings::defaults();
    std::unique_ptr<RecordingProgress> progress = std::make_unique<RecordingProgress>(pump, *comm);
};

} // namespace orv::test
