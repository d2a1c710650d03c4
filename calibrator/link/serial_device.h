#pragma once

#include "line_settings.h"

#include <QByteArray>
#include <QObject>
#include <QString>

namespace orv {

enum class PortError {
    None,
    NotFound,         // no such device
    Busy,             // another program holds it
    PermissionDenied, // the user may not open it
    BadSettings,      // the line settings were refused
    Lost,             // the device went away while open
    Other,
};

// Why an open line stopped working.
enum class LineLoss {
    Removed,      // the device node went away: an adapter pulled out
    HungUp,       // the far end hung up (a modem's carrier, a simulator that ended)
    Failed,       // the device refuses every call (a driver or hardware fault)
    ServerClosed, // a serial server ended the connection
    ServerBroken, // the connection to a serial server broke off (reset, timed out)
};

QString describePortError(PortError error);
QString describeLineLoss(LineLoss loss);
// What an operating-system error code means for a port, and the words for it:
// every OS error the serial layer meets is translated here, so no message
// carries the C library's own text alone.
PortError portErrorOfSystemError(int code);
QString describeSystemError(int code);
// The line that tells a user what to do about `error`, or nothing when there
// is nothing the user can change: joining `accessGroup` (the group the
// device grants access to; empty when only its owner may open it).
QString portAccessAdvice(PortError error, const QString &accessGroup);
// The group whose members may read and write the device at `path`; empty
// when it grants none, or is root's own.
QString groupGrantingAccess(const QString &path);

// One physical (or simulated) serial line. The serial control drives it; the
// test suite substitutes a line to the in-process station simulator.
class SerialDevice : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    virtual bool open(const QString &path, const LineSettings &settings, bool hardwareFlow) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;

    virtual void setDtr(bool on) = 0;
    virtual void setRts(bool on) = 0;

    // Bytes pass unchanged, 0..255.
    virtual void write(const QByteArray &bytes) = 0;
    // Never blocks; returns only bytes not returned before.
    virtual QByteArray readAll() = 0;
    virtual void discardInput() = 0;

    PortError error() const { return m_error; }
    QString errorString() const { return m_errorString; }
    // After PermissionDenied: the group a user may join to open the port.
    QString accessGroup() const { return m_accessGroup; }

signals:
    void readyRead();
    // The device failed while open (unplugged, I/O error); it is closed already.
    void lost(const QString &reason);

protected:
    void setError(PortError error, const QString &detail = {});
    void setAccessGroup(const QString &group) { m_accessGroup = group; }
    // Closes the device, notes why it can no longer be used and says so.
    void markLost(LineLoss loss, const QString &where);
    // For a device that hands the work to another.
    void takeErrorFrom(const SerialDevice &other)
    {
        m_error = other.m_error;
        m_errorString = other.m_errorString;
        m_accessGroup = other.m_accessGroup;
    }

private:
    PortError m_error = PortError::None;
    QString m_errorString;
    QString m_accessGroup;
};

} // namespace orv
