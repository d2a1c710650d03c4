#include "serial_device.h"

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

QString portAccessAdvice(PortError error)
{
    // Debian gives serial devices to the group dialout; membership counts from the next login.
    if (error == PortError::PermissionDenied)
        return QStringLiteral("You may not open serial ports: add yourself to the dialout group with "
                              "\"sudo usermod -aG dialout $USER\", then log out and log in again.");
    return {};
}

void SerialDevice::setError(PortError error, const QString &detail)
{
    m_error = error;
    m_errorString = detail.isEmpty() ? describePortError(error)
                                     : describePortError(error) + QStringLiteral(" (") + detail + QLatin1Char(')');
}

} // namespace orv
