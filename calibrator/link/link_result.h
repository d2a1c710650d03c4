#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <utility>

namespace orv {

// Why an exchange with the station brought nothing.
enum class LinkError {
    None,
    NoAnswer,        // every attempt ended without an acceptable reply
    LineLost,        // the line went away by itself; the text is the reason
    PortClosed,      // the port is not open, or was closed under the exchange
    PortUnavailable, // the port would not open; the text says why
    NotSendable,     // an address or value no packet can carry: nothing was sent
};

struct LinkFailure
{
    LinkError error = LinkError::None;
    QString text;
    // What the last attempt received, at most one byte past the reply's length.
    QByteArray received;
};

// An exchange's value, or why there is none: an enum and a readable text, as
// the serial layer reports its own failures.
template <typename T>
class LinkResult
{
public:
    LinkResult(T value) : m_value(std::move(value)) {}
    LinkResult(LinkFailure failure) : m_failure(std::move(failure)) { Q_ASSERT(m_failure.error != LinkError::None); }

    bool ok() const { return m_failure.error == LinkError::None; }
    explicit operator bool() const { return ok(); }
    // Only meaningful when ok().
    const T &value() const { return m_value; }
    const T &operator*() const { return m_value; }

    LinkError error() const { return m_failure.error; }
    QString errorString() const { return m_failure.text; }
    const LinkFailure &failure() const { return m_failure; }

private:
    T m_value{};
    LinkFailure m_failure;
};

// The value of an exchange that brings back nothing but its success.
struct Sent
{
};

} // namespace orv
