#pragma once

#include <QDateTime>
#include <QString>

namespace orv {

class Pump;

// The computer's clock as something the program may try to set; setting it
// needs rights the program often lacks, so a refusal is an answer, not a fault.
class SystemClock
{
public:
    virtual ~SystemClock() = default;
    // False with the reason in `error` when the clock was not changed.
    virtual bool setLocalDateTime(const QDateTime &time, QString *error) = 0;
};

// The program that may set the clock for us, and how long it is given.
struct TimeService
{
    QString program = QStringLiteral("timedatectl");
    int startMs = 3000;
    int finishMs = 10000;
    // False only where the process must not touch the real clock itself.
    bool tryDirectFirst = true;
};

// Sets the clock directly (clock_settime, needs CAP_SYS_TIME) and, when that is
// refused, through the system's time service (timedatectl), which may allow it.
// The service can take seconds to answer; it is waited for through the pump,
// so the windows stay live meanwhile.
class PosixSystemClock final : public SystemClock
{
public:
    explicit PosixSystemClock(Pump &pump, TimeService service = {})
        : m_pump(pump)
        , m_service(std::move(service))
    {
    }

    bool setLocalDateTime(const QDateTime &time, QString *error) override;

private:
    Pump &m_pump;
    TimeService m_service;
};

} // namespace orv
