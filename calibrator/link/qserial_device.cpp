#include "qserial_device.h"

#include <QFileInfo>

#include <poll.h>

namespace orv {

namespace {

PortError classify(QSerialPort::SerialPortError error, const QString &path)
{
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
        return PortError::NotFound;
    case QSerialPort::PermissionError:
        // QSerialPort reports a held lock or TIOCEXCL as a permission error too.
        return QFileInfo(path).isWritable() ? PortError::Busy : PortError::PermissionDenied;
    case QSerialPort::OpenError:
        return PortError::Busy;
    case QSerialPort::UnsupportedOperationError:
        return PortError::BadSettings;
    default:
        return PortError::Other;
    }
}

} // namespace

QSerialDevice::QSerialDevice(QObject *parent)
    : SerialDevice(parent)
{
    connect(&m_port, &QSerialPort::readyRead, this, &SerialDevice::readyRead);
    connect(&m_port, &QSerialPort::errorOccurred, this, &QSerialDevice::handleError);
    m_port.setReadBufferSize(inputLimit);
    m_watch.setInterval(1000);
    connect(&m_watch, &QTimer::timeout, this, &QSerialDevice::checkLine);
}

bool QSerialDevice::open(const QString &path, const LineSettings &settings, bool hardwareFlow)
{
    setError(PortError::None);
    if (m_port.isOpen())
        close();
    if (!QFileInfo::exists(path)) {
        setError(PortError::NotFound, path);
        return false;
    }
    m_port.setPortName(path);
    m_path = path;
    if (!applySettings(settings, hardwareFlow))
        return false;
    // QSerialPort opens Unix ports exclusively (TIOCEXCL plus a lock file), so a
    // second program on the same line fails here instead of sharing its replies.
    if (!m_port.open(QIODevice::ReadWrite)) {
        setError(classify(m_port.error(), path), path + QStringLiteral(": ") + m_port.errorString());
        return false;
    }
    if (!applySettings(settings, hardwareFlow)) {
        m_port.close();
        return false;
    }
    m_port.setDataTerminalReady(m_dtr);
    if (!hardwareFlow)
        m_port.setRequestToSend(m_rts);
    m_port.clear(QSerialPort::Input);
    m_watch.start();
    return true;
}

bool QSerialDevice::applySettings(const LineSettings &settings, bool hardwareFlow)
{
    QSerialPort::Parity parity = QSerialPort::NoParity;
    switch (settings.parity) {
    case 'E': parity = QSerialPort::EvenParity; break;
    case 'O': parity = QSerialPort::OddParity; break;
    case 'M': parity = QSerialPort::MarkParity; break;
    case 'S': parity = QSerialPort::SpaceParity; break;
    default: break;
    }
    const bool ok = m_port.setBaudRate(settings.baud) && m_port.setParity(parity)
        && m_port.setDataBits(QSerialPort::DataBits(settings.dataBits))
        && m_port.setStopBits(settings.stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop)
        && m_port.setFlowControl(hardwareFlow ? QSerialPort::HardwareControl : QSerialPort::NoFlowControl);
    if (!ok)
        setError(PortError::BadSettings, settings.toString());
    return ok;
}

void QSerialDevice::close()
{
    m_watch.stop();
    if (m_port.isOpen()) {
        m_port.clearError();
        m_port.close();
    }
}

bool QSerialDevice::isOpen() const
{
    return m_port.isOpen();
}

void QSerialDevice::setDtr(bool on)
{
    m_dtr = on;
    if (m_port.isOpen())
        m_port.setDataTerminalReady(on);
}

void QSerialDevice::setRts(bool on)
{
    m_rts = on;
    if (m_port.isOpen() && m_port.flowControl() != QSerialPort::HardwareControl)
        m_port.setRequestToSend(on);
}

void QSerialDevice::write(const QByteArray &bytes)
{
    if (m_port.isOpen())
        m_port.write(bytes);
}

QByteArray QSerialDevice::readAll()
{
    return m_port.isOpen() ? m_port.readAll() : QByteArray();
}

void QSerialDevice::discardInput()
{
    if (!m_port.isOpen())
        return;
    // Bytes still in the kernel's queue count as received too.
    m_port.clear(QSerialPort::Input);
    m_port.readAll();
}

void QSerialDevice::handleError(QSerialPort::SerialPortError error)
{
    if (!m_port.isOpen())
        return;
    switch (error) {
    case QSerialPort::ResourceError:
        return markLost(m_path + QStringLiteral(": ") + m_port.errorString());
    case QSerialPort::ReadError:
    case QSerialPort::WriteError:
    case QSerialPort::UnknownError:
        // A tty whose far end has gone reads as end of file, which the serial
        // layer reports as a plain read error, again at every notification.
        return checkLine();
    default:
        return;
    }
}

void QSerialDevice::checkLine()
{
    if (!m_port.isOpen())
        return;
    if (const QString reason = hangUpReason(); !reason.isEmpty())
        markLost(reason);
}

QString QSerialDevice::hangUpReason() const
{
    if (!QFileInfo::exists(m_path))
        return m_path + QStringLiteral(" has vanished");
    pollfd fd{};
    fd.fd = int(m_port.handle());
    fd.events = POLLIN;
    if (::poll(&fd, 1, 0) > 0) {
        if (fd.revents & POLLNVAL)
            return m_path + QStringLiteral(" is no longer open");
        if (fd.revents & (POLLHUP | POLLERR))
            return m_path + QStringLiteral(" hung up");
    }
    return {};
}

void QSerialDevice::markLost(const QString &reason)
{
    // Closing stops the read notifier, which would otherwise fire without end.
    close();
    setError(PortError::Lost, reason);
    emit lost(errorString());
}

} // namespace orv
