#include "comm_control.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcComm, "orv.comm", QtInfoMsg)

namespace orv {

CommControl::CommControl(std::unique_ptr<SerialDevice> device, PortMap ports, QObject *parent)
    : QObject(parent)
    , m_device(std::move(device))
    , m_ports(std::move(ports))
{
    connect(m_device.get(), &SerialDevice::readyRead, this, &CommControl::handleReadyRead);
    connect(m_device.get(), &SerialDevice::lost, this, &CommControl::handleLost);
}

CommControl::~CommControl()
{
    m_device->close();
}

void CommControl::setDTREnable(bool on)
{
    m_dtr = on;
    m_device->setDtr(on);
}

void CommControl::setRTSEnable(bool on)
{
    m_rts = on;
    m_device->setRts(on);
}

void CommControl::setInBufferCount(int count)
{
    if (count != 0)
        return;
    m_pending.clear();
    m_device->discardInput();
}

QByteArray CommControl::input()
{
    m_pending += readDevice();
    return std::exchange(m_pending, QByteArray());
}

void CommControl::setSetupValue(DispId id, int value)
{
    switch (id) {
    case SetupA: m_setupValues[0] = value; break;
    case SetupB: m_setupValues[1] = value; break;
    case SetupC: m_setupValues[2] = value; break;
    default: break;
    }
}

void CommControl::setOutput(const QByteArray &bytes)
{
    qCDebug(lcComm) << "out" << bytes.toHex(' ');
    if (m_observer)
        m_observer->lineBytes(LineDirection::ToStation, bytes);
    m_device->write(bytes);
}

QByteArray CommControl::readDevice()
{
    QByteArray bytes = m_device->readAll();
    if (m_observer && !bytes.isEmpty())
        m_observer->lineBytes(LineDirection::FromStation, bytes);
    return bytes;
}

bool CommControl::setPortOpen(bool open)
{
    // Whatever the program does with the port now, it has taken note of a loss.
    m_lost = false;
    if (open == m_device->isOpen())
        return true;
    if (!open) {
        m_device->close();
        emit portOpenChanged(false);
        return true;
    }
    const QString path = m_ports.devicePath(m_port);
    const bool ok = path.isEmpty() ? false : m_device->open(path, m_settings, m_handshaking == RtsCts);
    if (!ok) {
        m_lastError = path.isEmpty() ? PortError::NotFound : m_device->error();
        m_lastErrorString = path.isEmpty() ? QStringLiteral("COM%1 is not a port this program knows").arg(m_port)
                                           : m_device->errorString();
        m_lastAccessGroup = path.isEmpty() ? QString() : m_device->accessGroup();
        qCDebug(lcComm) << "open COM" << m_port << path << "failed:" << m_lastErrorString;
        return false;
    }
    m_device->setDtr(m_dtr);
    m_device->setRts(m_rts);
    m_pending.clear();
    m_lastError = PortError::None;
    m_lastErrorString.clear();
    m_lastAccessGroup.clear();
    emit portOpenChanged(true);
    return true;
}

QString CommControl::lastOpenFailureText() const
{
    if (m_lastErrorString.isEmpty())
        return {};
    QString text = m_lastErrorString;
    text[0] = text[0].toUpper();
    text += QLatin1Char('.');
    if (const QString advice = lastOpenAdvice(); !advice.isEmpty())
        text += QLatin1Char('\n') + advice;
    return text;
}

bool CommControl::portOpen() const
{
    return m_device->isOpen();
}

bool CommControl::setSettings(const QString &text)
{
    const auto parsed = LineSettings::parse(text);
    if (!parsed || !isStationRate(parsed->baud)) {
        qCDebug(lcComm) << "settings refused:" << text;
        m_lastError = PortError::BadSettings;
        m_lastErrorString = QStringLiteral("the rate %1 is not one of the station's rates (%2)")
                                .arg(text.section(QLatin1Char(','), 0, 0), stationRatesText());
        m_lastAccessGroup.clear();
        return false;
    }
    m_settings = *parsed;
    return true;
}

void CommControl::setTerminalWrite(const QByteArray &text)
{
    emit terminalShow(text);
}

void CommControl::setTerminalText(const QByteArray &text)
{
    emit terminalCleared();
    if (!text.isEmpty())
        emit terminalShow(text);
}

void CommControl::setTerminalMode(DispId id, int value)
{
    const bool wasActive = terminalActive();
    if (id == TerminalModeA)
        m_terminalModeA = value;
    else if (id == TerminalModeB)
        m_terminalModeB = value;
    if (terminalActive() != wasActive)
        emit terminalActiveChanged(terminalActive());
    if (terminalActive())
        handleReadyRead();
}

void CommControl::setTerminalDisplay(bool on)
{
    setTerminalMode(TerminalModeB, on ? 3 : 0);
    setTerminalMode(TerminalModeA, on ? 2 : 0);
}

void CommControl::setUpLine(bool modem)
{
    setHandshaking(modem ? RtsCts : NoHandshaking);
    setDTREnable(true);
    setRTSEnable(modem);
}

void CommControl::handleReadyRead()
{
    if (terminalActive()) {
        const QByteArray bytes = m_pending + readDevice();
        m_pending.clear();
        if (!bytes.isEmpty())
            emit terminalShow(bytes);
        return;
    }
    // Taken as they reach the port, so the line monitor stamps them then and
    // not when an exchange gets round to reading (an echo is read 15 s after
    // its write). Past the limit the port keeps the rest, and the line waits.
    if (m_pending.size() < inputLimit)
        m_pending += readDevice();
    emit dataArrived();
}

void CommControl::handleLost(const QString &reason)
{
    qCWarning(lcComm) << "port lost:" << reason;
    m_lost = true;
    m_lostReason = reason;
    emit portOpenChanged(false);
    emit lineLost(reason);
}

} // namespace orv

#include "moc_comm_control.cpp"
