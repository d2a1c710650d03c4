#pragma once

#include "link/serial_device.h"
#include "virtual_pump.h"

#include <QByteArray>
#include <QMap>
#include <QSet>
#include <QString>

#include <vector>

namespace station {
class Peer;
}

namespace orv::test {

// The device paths a test makes exist, each with the peer at its far end.
class SimulatedPorts
{
public:
    void attach(const QString &path, station::Peer *peer) { m_peers.insert(path, peer); }
    void detach(const QString &path) { m_peers.remove(path); }
    // A port that exists but that another program holds.
    void setBusy(const QString &path, bool busy);
    // A port whose device this user may not open; `group` is the one its
    // device grants access to (empty: only its owner may open it).
    void setForbidden(const QString &path, bool forbidden, const QString &group = QStringLiteral("dialout"));
    // A port whose open keeps the pump turning this long first, as a terminal
    // still held for an ended client does.
    void setOpenDelay(const QString &path, qint64 ms) { m_openDelayMs.insert(path, ms); }
    qint64 openDelay(const QString &path) const { return m_openDelayMs.value(path); }

    station::Peer *peer(const QString &path) const { return m_peers.value(path); }
    bool isBusy(const QString &path) const { return m_busy.contains(path); }
    bool isForbidden(const QString &path) const { return m_forbidden.contains(path); }
    QString accessGroup(const QString &path) const { return m_forbidden.value(path); }

private:
    QMap<QString, station::Peer *> m_peers;
    QSet<QString> m_busy;
    QMap<QString, QString> m_forbidden;
    QMap<QString, qint64> m_openDelayMs;
};

// A SerialDevice whose far end is an in-process peer on the virtual clock:
// bytes take their line time to arrive in both directions, and everything that
// goes over the line is recorded with its virtual time.
class SimulatedLine final : public SerialDevice
{
    Q_OBJECT
public:
    struct Chunk
    {
        qint64 atMs; // since the pump's epoch
        bool toStation;
        QByteArray bytes;
    };

    SimulatedLine(VirtualPump &pump, const SimulatedPorts &ports, QObject *parent = nullptr);
    ~SimulatedLine() override;

    bool open(const QString &path, const LineSettings &settings, bool hardwareFlow) override;
    void close() override;
    bool isOpen() const override { return m_peer != nullptr; }
    void setDtr(bool on) override;
    void setRts(bool on) override { m_rts = on; }
    void write(const QByteArray &bytes) override;
    QByteArray readAll() override;
    void discardInput() override { m_inbound.clear(); }

    // Makes the open port vanish, as an unplugged adapter does.
    void unplug();

    const std::vector<Chunk> &trace() const { return m_trace; }
    QByteArray sentBytes() const;
    void clearTrace() { m_trace.clear(); }
    QString openPath() const { return m_path; }
    LineSettings lineSettings() const { return m_settings; }
    bool hardwareFlow() const { return m_hardwareFlow; }
    bool dtr() const { return m_dtr; }
    bool rts() const { return m_rts; }
    int openCount() const { return m_openCount; }

private:
    void deliverFromPeer();

    VirtualPump &m_pump;
    const SimulatedPorts &m_ports;
    station::Peer *m_peer = nullptr;
    QString m_path;
    LineSettings m_settings;
    bool m_hardwareFlow = false;
    bool m_dtr = false;
    bool m_rts = false;
    int m_source = 0;
    int m_openCount = 0;
    quint64 m_generation = 0; // bytes in flight to a closed line are dropped
    qint64 m_lineFreeAtMs = 0;
    QByteArray m_inbound;
    std::vector<Chunk> m_trace;
};

// Milliseconds that `bytes` bytes take on the line at `baud` (10 bits a byte).
qint64 lineTimeMs(int bytes, int baud);

} // namespace orv::test
