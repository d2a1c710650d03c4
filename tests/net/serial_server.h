#pragma once

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

namespace orv::test {

// ser2net serving one device on a loopback port chosen free, in the
// foreground, killed (not stopped) when the object goes.
class SerialServer
{
public:
    enum Mode { Raw, Telnet };

    ~SerialServer() { kill(); }

    static quint16 freePort()
    {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        quint16 port = 0;
        if (::bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) == 0
            && ::getsockname(fd, reinterpret_cast<sockaddr *>(&a), &len) == 0)
            port = ntohs(a.sin_port);
        ::close(fd);
        return port;
    }

    // `line` in ser2net's notation, e.g. "2400n81".
    bool start(const QString &device, Mode mode, const QString &line)
    {
        QString program = QStandardPaths::findExecutable(QStringLiteral("ser2net"));
        if (program.isEmpty())
            program = QStandardPaths::findExecutable(QStringLiteral("ser2net"), {QStringLiteral("/usr/sbin")});
        if (program.isEmpty()) {
            m_error = QStringLiteral("ser2net is not installed; scripts/install-deps.sh installs it");
            return false;
        }
        m_mode = mode;
        m_port = freePort();
        const QString config = m_dir.filePath(QStringLiteral("ser2net.yaml"));
        QFile file(config);
        if (!file.open(QIODevice::WriteOnly)) {
            m_error = file.errorString();
            return false;
        }
        const QString accepter = mode == Telnet ? QStringLiteral("telnet(rfc2217),tcp") : QStringLiteral("tcp");
        file.write(QStringLiteral("connection: &station\n"
                                  "  accepter: %1,127.0.0.1,%2\n"
                                  "  connector: serialdev,%3,%4,local\n")
                       .arg(accepter)
                       .arg(m_port)
                       .arg(device, line)
                       .toUtf8());
        file.close();
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start(program, {QStringLiteral("-n"), QStringLiteral("-d"), QStringLiteral("-c"), config,
                                  QStringLiteral("-P"), m_dir.filePath(QStringLiteral("pid"))});
        if (!m_process.waitForStarted(5000)) {
            m_error = m_process.errorString();
            return false;
        }
        // Listening is the only sign of readiness ser2net gives.
        QDeadlineTimer deadline(5000);
        while (!accepts()) {
            if (m_process.state() != QProcess::Running || deadline.hasExpired()) {
                m_error = QStringLiteral("ser2net did not listen on %1: %2")
                              .arg(m_port)
                              .arg(QString::fromLocal8Bit(m_process.readAll()));
                return false;
            }
            QTest::qWait(20);
        }
        return true;
    }

    QString url() const
    {
        return QStringLiteral("%1://127.0.0.1:%2").arg(m_mode == Telnet ? "rfc2217" : "tcp").arg(m_port);
    }
    QString error() const { return m_error; }

    void kill()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        ::kill(pid_t(m_process.processId()), SIGKILL);
        m_process.waitForFinished(5000);
    }

private:
    bool accepts() const
    {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = htons(m_port);
        const bool ok = ::connect(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) == 0;
        ::close(fd);
        return ok;
    }

    QTemporaryDir m_dir;
    QProcess m_process;
    Mode m_mode = Raw;
    quint16 m_port = 0;
    QString m_error;
};

} // namespace orv::test
