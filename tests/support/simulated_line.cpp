#include "simulated_line.h"

#include "station/peer.h"

namespace orv::test {

qint64 lineTimeMs(int bytes, int baud)
{
    return baud > 0 ? (qint64(bytes) * 10 * 1000 + baud - 1) / baud : 0;
}

void SimulatedPorts::setBusy(const QString &path, bool busy)
{
    if (busy)
        m_busy.insert(path);
    else
        m_busy.remove(path);
}

void SimulatedPorts::setForbidden(const QString &path, bool forbidden, const QString &group)
{
    if (forbidden)
        m_forbidden.insert(path, group);
    else
        m_forbidden.remove(path);
}

SimulatedLine::SimulatedLine(VirtualPump &pump, const SimulatedPorts &ports, QObject *parent)
    : SerialDevice(parent)
    , m_pump(pump)
    , m_ports(ports)
{
}

SimulatedLine::~SimulatedLine()
{
    close();
}

bool SimulatedLine::open(const QString &path, const LineSettings &settings, bool hardwareFlow)
{
    setError(PortError::None);
    close();
    if (const qint64 delay = m_ports.openDelay(path))
        m_pump.waitUntil(m_pump.now().addMSecs(delay));
    station::Peer *peer = m_ports.peer(path);
    if (!peer) {
        setError(PortError::NotFound, path);
        return false;
    }
    if (m_ports.isBusy(path)) {
        setError(PortError::Busy, path);
        return false;
    }
    if (m_ports.isForbidden(path)) {
        setError(PortError::PermissionDenied, path);
        setAccessGroup(m_ports.accessGroup(path));
        return false;
    }
    m_peer = peer;
    m_path = path;
    m_settings = settings;
    m_hardwareFlow = hardwareFlow;
    ++m_openCount;
    ++m_generation;
    m_inbound.clear();
    m_lineFreeAtMs = m_pump.msSinceEpoch();
    m_peer->setLineRate(settings.baud, m_pump.msSinceEpoch());
    m_peer->setDtr(m_dtr, m_pump.msSinceEpoch());
    m_source = m_pump.addSource({[this]() -> std::optional<qint64> {
                                     return m_peer ? m_peer->nextOutputAtMs() : std::nullopt;
                                 },
                                 [this] { deliverFromPeer(); }});
    return true;
}

void SimulatedLine::close()
{
    if (!m_peer)
        return;
    // Closing the port drops DTR, which hangs up a modem.
    m_peer->setDtr(false, m_pump.msSinceEpoch());
    m_pump.removeSource(m_source);
    m_source = 0;
    m_peer = nullptr;
    ++m_generation;
    m_inbound.clear();
}

void SimulatedLine::unplug()
{
    if (m_peer)
        markLost(LineLoss::Removed, m_path);
}

void SimulatedLine::setDtr(bool on)
{
    m_dtr = on;
    if (m_peer)
        m_peer->setDtr(on, m_pump.msSinceEpoch());
}

void SimulatedLine::write(const QByteArray &bytes)
{
    if (!m_peer || bytes.isEmpty())
        return;
    const qint64 now = m_pump.msSinceEpoch();
    m_trace.push_back({now, true, bytes});
    // Bytes queue behind what is still being sent, then take their own line time.
    const qint64 start = qMax(now, m_lineFreeAtMs);
    m_lineFreeAtMs = start + lineTimeMs(int(bytes.size()), m_settings.baud);
    const qint64 arrival = m_lineFreeAtMs;
    const quint64 generation = m_generation;
    m_pump.schedule(QDateTime::fromMSecsSinceEpoch(arrival), [this, bytes, arrival, generation] {
        if (m_peer && generation == m_generation)
            m_peer->receive(bytes, arrival);
    });
}

void SimulatedLine::deliverFromPeer()
{
    if (!m_peer)
        return;
    const QByteArray bytes = m_peer->takeOutput(m_pump.msSinceEpoch());
    if (bytes.isEmpty())
        return;
    m_trace.push_back({m_pump.msSinceEpoch(), false, bytes});
    m_inbound += bytes;
    emit readyRead();
}

QByteArray SimulatedLine::readAll()
{
    return std::exchange(m_inbound, QByteArray());
}

QByteArray SimulatedLine::sentBytes() const
{
    QByteArray all;
    for (const Chunk &c : m_trace)
        if (c.toStation)
            all += c.bytes;
    return all;
}

} // namespace orv::test
