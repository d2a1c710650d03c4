#include "port_device.h"

namespace orv {

PortDevice::PortDevice(QObject *parent)
    : SerialDevice(parent)
{
    for (SerialDevice *device : {static_cast<SerialDevice *>(&m_serial), static_cast<SerialDevice *>(&m_net)}) {
        connect(device, &SerialDevice::readyRead, this, [this, device] {
            if (device == m_active)
                emit readyRead();
        });
        connect(device, &SerialDevice::lost, this, [this, device](const QString &reason) {
            if (device != m_active)
                return;
            takeErrorFrom(*device);
            emit lost(reason);
        });
    }
    connect(&m_net, &NetSerialDevice::notice, this, &PortDevice::notice);
}

bool PortDevice::open(const QString &path, const LineSettings &settings, bool hardwareFlow)
{
    m_active->close();
    m_active = NetSerialDevice::isNetworkPath(path) ? static_cast<SerialDevice *>(&m_net) : &m_serial;
    const bool ok = m_active->open(path, settings, hardwareFlow);
    takeErrorFrom(*m_active);
    return ok;
}

void PortDevice::close()
{
    m_active->close();
}

void PortDevice::setDtr(bool on)
{
    // Both keep it, so it holds whichever kind of line the next open picks.
    m_serial.setDtr(on);
    m_net.setDtr(on);
}

void PortDevice::setRts(bool on)
{
    m_serial.setRts(on);
    m_net.setRts(on);
}

} // namespace orv

#include "moc_port_device.cpp"
