#include "qserial_device.h"

#include "qt_pump.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

#include <utility>

Q_LOGGING_CATEGORY(lcSerial, "orv.serial", QtInfoMsg)

namespace orv {

namespace {

// Linux numbers the slave ends of pseudo-terminals with majors 136 to 143.
constexpr unsigned unix98PtyFirstMajor = 136;
constexpr unsigned unix98PtyMajors = 8;

// A terminal refused for a client that has ended is tried again this often,
// for this long: the simulator clears that client's exclusive mode within a
// tenth of a second of the close, later only on a machine badly overloaded.
constexpr int staleHoldRetryMs = 20;
constexpr int staleHoldGraceMs = 2000;

bool isPseudoTerminal(const struct stat &st)
{
    return S_ISCHR(st.st_mode) && major(st.st_rdev) >= unix98PtyFirstMajor
        && major(st.st_rdev) < unix98PtyFirstMajor + unix98PtyMajors;
}

// Whether some program holds an exclusive flock on the file. /proc/locks is
// the one place that tells without opening it, which exclusive mode forbids.
bool heldExclusively(const struct stat &st)
{
    QFile locks(QStringLiteral("/proc/locks"));
    if (!locks.open(QIODevice::ReadOnly))
        return false;
    // "1: FLOCK  ADVISORY  WRITE 4711 00:1a:3 0 EOF": the file system's device
    // in hex, then the inode; a waiter's line reads "1: -> FLOCK ...".
    const auto hex2 = [](unsigned n) { return QByteArray::number(n, 16).rightJustified(2, '0'); };
    const QByteArray file =
        hex2(major(st.st_dev)) + ':' + hex2(minor(st.st_dev)) + ':' + QByteArray::number(quint64(st.st_ino));
    for (const QByteArray &line : locks.readAll().split('\n')) {
        const QList<QByteArray> field = line.simplified().split(' ');
        if (field.size() > 5 && field[1] == "FLOCK" && field[3] == "WRITE" && field[5] == file)
            return true;
    }
    return false;
}

// A pseudo-terminal that refuses us while no program holds our lock on it is
// held for a client that has ended: its exclusive mode outlives it, since the
// simulator keeps the terminal open, until the simulator sees the close and
// clears it (taking a shared lock for a moment to look).
bool heldForAnEndedClient(const QByteArray &path, int code)
{
    struct stat st = {};
    return (code == EBUSY || code == EWOULDBLOCK) && ::stat(path.constData(), &st) == 0 && isPseudoTerminal(st)
        && !heldExclusively(st);
}

PortError classify(QSerialPort::SerialPortError error)
{
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
        return PortError::NotFound;
    // Our own lock has already ruled out a forbidden device; what is left is
    // another program's lock file or exclusive mode.
    case QSerialPort::PermissionError:
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
    connect(&m_watch, &QTimer::timeout, this, [this] { checkLine(); });
}

bool QSerialDevice::open(const QString &path, const LineSettings &settings, bool hardwareFlow)
{
    setError(PortError::None);
    if (m_port.isOpen())
        close();
    m_port.setPortName(path);
    m_path = path;
    if (!applySettings(settings, hardwareFlow))
        return false;
    if (!lockDevice(path))
        return false;
    // QSerialPort opens Unix ports exclusively too (TIOCEXCL plus a lock file),
    // which keeps out other programs that know nothing of our lock.
    if (!m_port.open(QIODevice::ReadWrite)) {
        qCDebug(lcSerial) << path << m_port.errorString();
        setError(classify(m_port.error()), path);
        unlockDevice();
        return false;
    }
    if (!applySettings(settings, hardwareFlow)) {
        close();
        return false;
    }
    m_port.setDataTerminalReady(m_dtr);
    if (!hardwareFlow)
        m_port.setRequestToSend(m_rts);
    m_port.clear(QSerialPort::Input);
    m_watch.start();
    return true;
}

bool QSerialDevice::lockDevice(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    const QDeadlineTimer grace(staleHoldGraceMs);
    bool waiting = false;
    for (;;) {
        // Non-blocking, so a line without carrier does not hold the open.
        m_lockFd = ::open(name.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        int code = m_lockFd < 0 ? errno : 0;
        if (code == 0 && ::flock(m_lockFd, LOCK_EX | LOCK_NB) != 0) {
            code = errno;
            unlockDevice();
        }
        if (code == 0)
            return true;
        if (grace.hasExpired() || !heldForAnEndedClient(name, code)) {
            qCDebug(lcSerial) << path << describeSystemError(code);
            setError(portErrorOfSystemError(code), path);
            if (error() == PortError::PermissionDenied)
                setAccessGroup(groupGrantingAccess(path));
            return false;
        }
        if (!std::exchange(waiting, true))
            qCInfo(lcSerial) << path << "is held for a client that has ended; waiting for that to be cleared";
        QtPump pump;
        pump.waitUntil(pump.now().addMSecs(staleHoldRetryMs));
    }
}

void QSerialDevice::unlockDevice()
{
    if (m_lockFd >= 0)
        ::close(m_lockFd);
    m_lockFd = -1;
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
    unlockDevice();
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
        // Also what a read that found nothing gives; only the line itself can
        // tell whether it is gone.
        return checkLine(true);
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

void QSerialDevice::checkLine(bool afterError)
{
    if (!m_port.isOpen())
        return;
    if (const auto loss = lineLoss(afterError))
        markLost(*loss, m_path);
}

std::optional<LineLoss> QSerialDevice::lineLoss(bool afterError) const
{
    const int fd = int(m_port.handle());
    // A pseudo-terminal's node goes with its far end, so there a vanished
    // node means a peer that hung up, not an adapter pulled out.
    struct stat st = {};
    const bool pseudoTerminal = ::fstat(fd, &st) == 0 && isPseudoTerminal(st);
    if (!QFileInfo::exists(m_path))
        return pseudoTerminal ? LineLoss::HungUp : LineLoss::Removed;
    pollfd p{};
    p.fd = fd;
    p.events = POLLIN;
    if (::poll(&p, 1, 0) > 0) {
        if (p.revents & POLLNVAL)
            return LineLoss::Failed;
        if (p.revents & (POLLHUP | POLLERR))
            return LineLoss::HungUp;
    }
    termios settings{};
    if (afterError && ::tcgetattr(fd, &settings) != 0) {
        qCDebug(lcSerial) << m_path << describeSystemError(errno);
        return LineLoss::Failed;
    }
    return std::nullopt;
}

} // namespace orv

#include "moc_qserial_device.cpp"
