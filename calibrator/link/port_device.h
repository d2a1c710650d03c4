#pragma once

#include "net_serial_device.h"
#include "qserial_device.h"

namespace orv {

// The device behind a COM port: a local serial device, or a serial server
// when the port map names tcp:// or rfc2217://.
class PortDevice final : public SerialDevice
{
    Q_OBJECT
public:
    explicit PortDevice(QObject *parent = nullptr);

    bool open(const QString &path, const LineSettings &settings, bool hardwareFlow) override;
    void close() override;
    bool isOpen() const override { return m_active->isOpen(); }
    void setDtr(bool on) override;
    void setRts(bool on) override;
    void write(const QByteArray &bytes) override { m_active->write(bytes); }
    QByteArray readAll() override { return m_active->readAll(); }
    void discardInput() override { m_active->discardInput(); }

    NetSerialDevice &network() { return m_net; }

signals:
    // Something the line could not do as asked (a raw server cannot change its rate).
    void notice(const QString &text);

private:
    QSerialDevice m_serial;
    NetSerialDevice m_net;
    SerialDevice *m_active = &m_serial;
};

} // namespace orv
