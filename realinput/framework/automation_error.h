#pragma once

#include <QString>

#include <exception>

namespace zq {

// Status codes a caller of the automation interface can see; the values are the
// ones OLE containers already know, so scripts written for them read the same.
namespace status {
constexpr quint32 ok = 0x00000000;
constexpr quint32 falseResult = 0x00000001;
constexpr quint32 invalidPropertyValue = 0x800A017C; // error 380
constexpr quint32 setNotSupported = 0x800A017F;      // error 383, read-only property
constexpr quint32 getNotSupported = 0x800A018A;      // error 394, not readable in design mode
constexpr quint32 memberNotFound = 0x80020003;
constexpr quint32 typeMismatch = 0x80020005;
constexpr quint32 unknownName = 0x80020006;
constexpr quint32 overflow = 0x8002000A;
constexpr quint32 badParamCount = 0x8002000E;
constexpr quint32 noInterface = 0x80004002;
constexpr quint32 classNotAvailable = 0x80040111;
constexpr quint32 classNotRegistered = 0x80040154;
constexpr quint32 typeLibRegistrationFailed = 0x80040200;
constexpr quint32 classRegistrationFailed = 0x80040201;
constexpr quint32 loadLibraryFailed = 0x8007007E;
} // namespace status

// Thrown through the automation interface to the caller; the member it came
// from has left its state as it was.
class AutomationError : public std::exception
{
public:
    AutomationError(quint32 status, QString description)
        : m_status(status), m_description(std::move(description)), m_what(m_description.toUtf8()) {}

    quint32 status() const { return m_status; }
    QString description() const { return m_description; }
    const char *what() const noexcept override { return m_what.constData(); }

private:
    quint32 m_status;
    QString m_description;
    QByteArray m_what;
};

// Raised by a property exchange when a stored value is present but unreadable.
class ArchiveError : public std::exception
{
public:
    const char *what() const noexcept override { return "damaged archive value"; }
};

QString statusText(quint32 status);

} // namespace zq
