#pragma once

#include "serial_device.h"

#include <QSerialPort>

namespace orv {

// A SerialDevice on a real tty (or a pseudo-terminal) through QSerialPort.
class QSerialDevice final : public SerialDevice
{
    Q_OBJECT
public:
    explicit QSerialDevice(QObject *parent = nullptr);

    bool open(const QString &path, const LineSettings &settings, bool hardwareFlow) override;
    void close() override;
    bool isOpen() const override;
    void setDtr(bool on) override;
    void setRts(bool on) override;
    void write(const QByteArray &bytes) override;
    QByteArray readAll() override;
    void discardInput() override;

private:
    void handleError(QSerialPort::SerialPortError error);
    bool applySettings(const LineSettings &settings, bool hardwareFlow);

    QSerialPort m_port;
    bool m_dtr = false;
    bool m_rts = false;
};

} // namespace orv
