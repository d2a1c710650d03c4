#pragma once

#include "serial_device.h"

#include <QSerialPort>
#include <QTimer>

#include <optional>

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
    // `afterError`: a call on the line has just failed, so a line that looks
    // healthy is still asked whether it works.
    void checkLine(bool afterError = false);
    // Why the open line can no longer be used; nothing while it can.
    std::optional<LineLoss> lineLoss(bool afterError) const;
    bool lockDevice(const QString &path);
    void unlockDevice();
    bool applySettings(const LineSettings &settings, bool hardwareFlow);

    QSerialPort m_port;
    QString m_path;
    // A descriptor of our own holding an flock on the device node: keyed on
    // the device rather than on the name it was opened by, it keeps out every
    // other program of ours (root included, whom the terminal's exclusive mode
    // lets through) and goes away with the process however it ends.
    int m_lockFd = -1;
    // A hang-up that makes no noise (a node removed, no bytes pending) is
    // still noticed within a second.
    QTimer m_watch;
    bool m_dtr = false;
    bool m_rts = false;
};

} // namespace orv
