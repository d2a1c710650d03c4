#include "net_serial_device.h"

#include <QEventLoop>
#include <QLoggingCategory>
#include <QPointer>
#include <QTimer>
#include <QUrl>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcNet, "orv.net", QtInfoMsg)

namespace orv {

NetSerialDevice::NetSerialDevice(QObject *parent)
    : SerialDevice(parent)
{
}

NetSerialDevice::~NetSerialDevice()
{
    close();
}

bool NetSerialDevice::isNetworkPath(const QString &path)
{
    return path.startsWith(QLatin1String("tcp://"), Qt::CaseInsensitive)
        || path.startsWith(QLatin1String("rfc2217://"), Qt::CaseInsensitive);
}

bool NetSerialDevice::open(const QString &path, const LineSettings &settings, bool hardwareFlow)
{
    setError(PortError::None);
    if (isOpen())
        close();
    m_url = path;
    const QUrl url(path);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != QLatin1String("tcp") && scheme != QLatin1String("rfc2217")) || url.host().isEmpty()
        || url.port() <= 0 || (!url.path().isEmpty() && url.path() != QLatin1String("/"))) {
        setError(PortError::NotFound, path + QStringLiteral(": not tcp://host:port or rfc2217://host:port"));
        return false;
    }
    m_telnet = scheme == QLatin1String("rfc2217");
    if (!connectTo(url.host(), quint16(url.port())))
        return false;

    m_readNotifier = std::make_unique<QSocketNotifier>(m_fd, QSocketNotifier::Read);
    connect(m_readNotifier.get(), &QSocketNotifier::activated, this, &NetSerialDevice::handleReadable);
    m_writeNotifier = std::make_unique<QSocketNotifier>(m_fd, QSocketNotifier::Write);
    m_writeNotifier->setEnabled(false);
    connect(m_writeNotifier.get(), &QSocketNotifier::activated, this, &NetSerialDevice::flush);

    if (m_telnet) {
        QPointer<NetSerialDevice> self(this);
        if (!negotiate(settings, hardwareFlow)) {
            if (self)
                close();
            return false;
        }
    } else {
        // The raw server's port keeps the settings it was given; say so rather than pretend.
        noteOnce(QStringLiteral("%1: the line settings %2 cannot be set over a raw TCP connection; "
                                "the server's port keeps its own")
                     .arg(m_url, settings.toString()));
        if (hardwareFlow)
            noteOnce(QStringLiteral("%1: hardware handshaking cannot be switched over a raw TCP connection").arg(m_url));
    }
    m_input.clear();
    return true;
}

bool NetSerialDevice::connectTo(const QString &host, quint16 port)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo *found = nullptr;
    const int rc = ::getaddrinfo(host.toUtf8().constData(), QByteArray::number(port).constData(), &hints, &found);
    if (rc != 0) {
        setError(PortError::NotFound, m_url + QStringLiteral(": the host name could not be looked up (")
                                           + QString::fromLocal8Bit(::gai_strerror(rc)) + QLatin1Char(')'));
        return false;
    }
    QString failure;
    for (addrinfo *a = found; a && m_fd < 0; a = a->ai_next) {
        const int fd = ::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
        if (fd < 0) {
            failure = describeSystemError(errno);
            continue;
        }
        int err = 0;
        if (::connect(fd, a->ai_addr, a->ai_addrlen) != 0) {
            err = errno;
            if (err == EINPROGRESS) {
                QPointer<NetSerialDevice> self(this);
                const quint64 generation = m_generation;
                const bool writable = waitWritable(fd, connectTimeoutMs);
                if (!self || generation != m_generation) {
                    // Closed or destroyed while connecting: nothing of ours may be touched now.
                    ::close(fd);
                    ::freeaddrinfo(found);
                    if (self)
                        setError(PortError::Other, m_url + QStringLiteral(": the connection was closed"));
                    return false;
                }
                socklen_t len = sizeof err;
                if (!writable)
                    err = ETIMEDOUT;
                else if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) != 0)
                    err = errno;
            }
        }
        if (err != 0) {
            failure = describeSystemError(err);
            ::close(fd);
            continue;
        }
        // Station requests are a few bytes each; waiting to fill a segment only adds delay.
        const int one = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        m_fd = fd;
    }
    ::freeaddrinfo(found);
    if (m_fd < 0) {
        setError(PortError::Other, m_url + QStringLiteral(": ") + failure);
        return false;
    }
    return true;
}

bool NetSerialDevice::waitWritable(int fd, int timeoutMs)
{
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    bool writable = false;
    QSocketNotifier notifier(fd, QSocketNotifier::Write);
    connect(&notifier, &QSocketNotifier::activated, &loop, [&] {
        writable = true;
        notifier.setEnabled(false);
        loop.quit();
    });
    connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    QPointer<NetSerialDevice> self(this);
    QEventLoop *outer = std::exchange(m_waitLoop, &loop);
    timer.start(timeoutMs);
    loop.exec();
    if (self)
        m_waitLoop = outer;
    return writable;
}

bool NetSerialDevice::negotiate(const LineSettings &settings, bool hardwareFlow)
{
    sendRaw(m_codec.start());
    if (!waitFor([this] { return m_codec.comPortAnswered(); }, negotiateTimeoutMs))
        return false;
    if (m_codec.comPortRefused() || !m_codec.comPortAnswered()) {
        setError(PortError::BadSettings, m_url + QStringLiteral(": the server does not offer COM port control"));
        return false;
    }
    const quint32 baud = quint32(settings.baud);
    sendComPort(SET_BAUDRATE, byteList({quint8(baud >> 24), quint8(baud >> 16), quint8(baud >> 8), quint8(baud)}));
    sendComPort(SET_DATASIZE, byteList({quint8(settings.dataBits)}));
    const char parities[] = "NOEMS";
    const char *p = std::strchr(parities, settings.parity);
    sendComPort(SET_PARITY, byteList({quint8(p ? p - parities + 1 : 1)}));
    sendComPort(SET_STOPSIZE, byteList({quint8(settings.stopBits == 2 ? 2 : 1)}));
    sendComPort(SET_CONTROL, byteList({quint8(hardwareFlow ? 3 : 1)}));
    sendComPort(SET_CONTROL, byteList({quint8(m_dtr ? 8 : 9)}));
    if (!hardwareFlow)
        sendComPort(SET_CONTROL, byteList({quint8(m_rts ? 11 : 12)}));
    // The first request must not leave at the old rate.
    m_codec.clearServerBaud();
    if (!waitFor([this] { return m_codec.serverBaud() != 0; }, negotiateTimeoutMs))
        return false;
    if (m_codec.serverBaud() == 0) {
        noteOnce(QStringLiteral("%1: the server did not confirm the rate %2").arg(m_url).arg(settings.baud));
    } else if (m_codec.serverBaud() != settings.baud) {
        setError(PortError::BadSettings, QStringLiteral("%1: the server set %2 instead of %3")
                                             .arg(m_url)
                                             .arg(m_codec.serverBaud())
                                             .arg(settings.baud));
        return false;
    }
    return true;
}

bool NetSerialDevice::waitFor(const std::function<bool()> &done, int timeoutMs)
{
    if (done())
        return true;
    QPointer<NetSerialDevice> self(this);
    const quint64 generation = m_generation;
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    // handleReadable() stands aside while m_waitLoop is set, so only this takes from the socket.
    const QMetaObject::Connection reading = connect(m_readNotifier.get(), &QSocketNotifier::activated, &loop, [&] {
        if (!receive()) {
            m_waitFailure = m_url + QStringLiteral(": the server closed the connection");
            loop.quit();
        } else if (done()) {
            loop.quit();
        }
    });
    QEventLoop *outer = std::exchange(m_waitLoop, &loop);
    m_waitFailure.clear();
    timer.start(timeoutMs);
    loop.exec();
    if (!self)
        return false;
    disconnect(reading);
    m_waitLoop = outer;
    if (!m_waitFailure.isEmpty() || generation != m_generation || !isOpen()) {
        setError(PortError::Other,
                 m_waitFailure.isEmpty() ? m_url + QStringLiteral(": the connection was closed") : m_waitFailure);
        return false;
    }
    return true;
}

bool NetSerialDevice::receive()
{
    char buffer[4096];
    while (m_input.size() < inputLimit) {
        const ssize_t n = ::recv(m_fd, buffer, sizeof buffer, 0);
        if (n > 0) {
            if (!m_telnet) {
                m_input.append(buffer, n);
                continue;
            }
            QByteArray replies;
            m_codec.decode(buffer, n, m_input, replies);
            if (!replies.isEmpty())
                sendRaw(replies);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return true;
        m_receiveError = n < 0 ? errno : 0;
        return false;
    }
    // Full: the server is held back by TCP until the program takes what it has.
    if (m_readNotifier)
        m_readNotifier->setEnabled(false);
    return true;
}

void NetSerialDevice::handleReadable()
{
    if (m_waitLoop)
        return;
    const qsizetype before = m_input.size();
    if (!receive()) {
        markLost(m_receiveError == 0 ? LineLoss::ServerClosed : LineLoss::ServerBroken, m_url);
        return;
    }
    if (m_input.size() > before)
        emit readyRead();
}

void NetSerialDevice::sendComPort(unsigned char command, const QByteArray &value)
{
    sendRaw(TelnetCodec::comPortCommand(command, value));
}

void NetSerialDevice::sendRaw(const QByteArray &bytes)
{
    m_output += bytes;
    flush();
}

void NetSerialDevice::flush()
{
    while (m_fd >= 0 && !m_output.isEmpty()) {
        const ssize_t n = ::send(m_fd, m_output.constData(), size_t(m_output.size()), MSG_NOSIGNAL);
        if (n > 0) {
            m_output.remove(0, n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            break;
        // Report the loss from the event loop: the writer may be in the middle of an exchange.
        m_output.clear();
        reportLostLater(LineLoss::ServerBroken);
        break;
    }
    if (m_writeNotifier)
        m_writeNotifier->setEnabled(m_fd >= 0 && !m_output.isEmpty());
}

void NetSerialDevice::close()
{
    ++m_generation;
    if (m_waitLoop)
        m_waitLoop->quit();
    m_readNotifier.reset();
    m_writeNotifier.reset();
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_input.clear();
    m_output.clear();
    m_codec.reset();
}

void NetSerialDevice::setDtr(bool on)
{
    m_dtr = on;
    if (!isOpen())
        return;
    if (m_telnet)
        sendComPort(SET_CONTROL, byteList({quint8(on ? 8 : 9)}));
    else
        noteOnce(QStringLiteral("%1: DTR cannot be set over a raw TCP connection").arg(m_url));
}

void NetSerialDevice::setRts(bool on)
{
    m_rts = on;
    if (!isOpen())
        return;
    if (m_telnet)
        sendComPort(SET_CONTROL, byteList({quint8(on ? 11 : 12)}));
    else
        noteOnce(QStringLiteral("%1: RTS cannot be set over a raw TCP connection").arg(m_url));
}

void NetSerialDevice::write(const QByteArray &data)
{
    if (!isOpen())
        return;
    sendRaw(m_telnet ? TelnetCodec::escape(data) : data);
}

QByteArray NetSerialDevice::readAll()
{
    if (m_readNotifier && !m_readNotifier->isEnabled())
        m_readNotifier->setEnabled(true);
    return std::exchange(m_input, QByteArray());
}

void NetSerialDevice::discardInput()
{
    if (!isOpen())
        return;
    // Bytes already in the socket count as received too.
    if (!receive()) {
        reportLostLater(LineLoss::ServerClosed);
    }
    readAll();
}

void NetSerialDevice::noteOnce(const QString &text)
{
    if (m_noted.contains(text))
        return;
    m_noted.insert(text);
    m_notices << text;
    qCWarning(lcNet).noquote() << text;
    emit notice(text);
}

void NetSerialDevice::reportLostLater(LineLoss loss)
{
    QMetaObject::invokeMethod(
        this, [this, loss, generation = m_generation] {
            if (generation != m_generation || !isOpen())
                return;
            // open() is waiting for the server: its failure says what happened, no loss is emitted.
            if (m_waitLoop) {
                m_waitFailure = m_url + QStringLiteral(": ") + describeLineLoss(loss);
                m_waitLoop->quit();
                return;
            }
            markLost(loss, m_url);
        },
        Qt::QueuedConnection);
}

} // namespace orv

#include "moc_net_serial_device.cpp"
