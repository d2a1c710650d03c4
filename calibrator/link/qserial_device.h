#pragma once

#include "serial_device.h"

#include <QSerialPort>
#include <QTimer>

namespace orv {

// A SerialDevice on a real tty (or a pseudo-terminal) through QSerialPort.
class QSerialDevice final : public SerialDevice
{
    Q_OBJECT
public:
    // What the port holds for the program at most: far more than any reply or
    // screenful; a flooding peer is held back by the line instead.
    static constexpr qint64 inputLimit = 64 * 1024;

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
    void checkLine();
    // Why the open line can no longer be used; empty while it can.
    QString hangUpReason() const;
    void markLost(const QString &reason);
    bool applySettings(const LineSettings &settings, bool hardwareFlow);

    QSerialPort m_port;
    QString m_path;
    // A hang-up that makes no noise (a node removed, no bytes pending) is
    // still noticed within a second.
    QTimer m_watch;
    bool m_dtr = false;
    bool m_rts = false;
};

} // namespace orv
