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

QString describePortError(PortError error);
// The line that tells a user what to do about `error`, or nothing when there
// is nothing the user can change.
QString portAccessAdvice(PortError error);

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

signals:
    void readyRead();
    // The device failed while open (unplugged, I/O error); it is closed already.
    void lost(const QString &reason);

protected:
    void setError(PortError error, const QString &detail = {});
    // For a device that hands the work to another.
    void takeErrorFrom(const SerialDevice &other)
    {
        m_error = other.m_error;
        m_errorString = other.m_errorString;
    }

private:
    PortError m_error = PortError::None;
    QString m_errorString;
};

} // namespace orv
