#include "serial_device.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <grp.h>
#include <sys/stat.h>

namespace orv {

QString describePortError(PortError error)
{
    switch (error) {
    case PortError::None: return QStringLiteral("no error");
    case PortError::NotFound: return QStringLiteral("the port does not exist");
    case PortError::Busy: return QStringLiteral("the port is in use by another program");
    case PortError::PermissionDenied: return QStringLiteral("permission to open the port was denied");
    case PortError::BadSettings: return QStringLiteral("the port refused the line settings");
    case PortError::Lost: return QStringLiteral("the port went away while open");
    case PortError::Other: break;
    }
    return QStringLiteral("the port could not be used");
}

QString describeLineLoss(LineLoss loss)
{
    switch (loss) {
    case LineLoss::Removed: return QStringLiteral("the adapter was removed");
    case LineLoss::HungUp: return QStringLiteral("the other end hung up");
    case LineLoss::Failed: return QStringLiteral("the serial device stopped working");
    case LineLoss::ServerClosed: return QStringLiteral("the serial server closed the connection");
    case LineLoss::ServerBroken: break;
    }
    return QStringLiteral("the connection to the serial server broke off");
}

PortError portErrorOfSystemError(int code)
{
    switch (code) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
    case EIO: // a serial node with no UART behind it
        return PortError::NotFound;
    case EBUSY:
    case EWOULDBLOCK:
        return PortError::Busy;
    case EACCES:
    case EPERM:
        return PortError::PermissionDenied;
    default:
        return PortError::Other;
    }
}

QString describeSystemError(int code)
{
    switch (code) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
        return QStringLiteral("the device is not there");
    case EBUSY:
    case EWOULDBLOCK:
        return QStringLiteral("another program holds the device");
    case EACCES:
    case EPERM:
        return QStringLiteral("this user may not open it");
    case EIO:
        return QStringLiteral("the device reported a fault");
    case ECONNREFUSED:
        return QStringLiteral("the server refused the connection");
    case ETIMEDOUT:
        return QStringLiteral("the server did not answer in time");
    case EHOSTUNREACH:
    case ENETUNREACH:
    case EHOSTDOWN:
    case ENETDOWN:
        return QStringLiteral("the server cannot be reached");
    case ECONNRESET:
    case ECONNABORTED:
    case EPIPE:
        return QStringLiteral("the server broke off the connection");
    default:
        break;
    }
    return QStringLiteral("system error %1 (%2)").arg(code).arg(QString::fromLocal8Bit(std::strerror(code)));
}

QString portAccessAdvice(PortError error, const QString &accessGroup)
{
    // Membership counts from the next login. A device only its owner may open
    // stays closed whatever groups the user joins, so that earns no advice.
    if (error != PortError::PermissionDenied || accessGroup.isEmpty())
        return {};
    return QStringLiteral("You may not open serial ports: add yourself to the %1 group with "
                          "\"sudo usermod -aG %1 $USER\", then log out and log in again.")
        .arg(accessGroup);
}

QString groupGrantingAccess(const QString &path)
{
    struct stat st = {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0 || st.st_gid == 0)
        return {};
    if ((st.st_mode & (S_IRGRP | S_IWGRP)) != (S_IRGRP | S_IWGRP))
        return {};
    if (const group *g = ::getgrgid(st.st_gid))
        return QString::fromLocal8Bit(g->gr_name);
    return QString::number(st.st_gid);
}

void SerialDevice::setError(PortError error, const QString &detail)
{
    m_error = error;
    m_accessGroup.clear();
    m_errorString = detail.isEmpty() ? describePortError(error)
                                     : describePortError(error) + QStringLiteral(" (") + detail + QLatin1Char(')');
}

void SerialDevice::markLost(LineLoss loss, const QString &where)
{
    close();
    m_error = PortError::Lost;
    m_accessGroup.clear();
    m_errorString = describeLineLoss(loss) + QStringLiteral(" (") + where + QLatin1Char(')');
    emit lost(m_errorString);
}

} // namespace orv

#include "moc_serial_device.cpp"
