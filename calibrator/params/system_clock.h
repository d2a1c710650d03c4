#pragma once

#include <QDateTime>
#include <QString>

namespace orv {

// The computer's clock as something the program may try to set; setting it
// needs rights the program often lacks, so a refusal is an answer, not a fault.
class SystemClock
{
public:
    virtual ~SystemClock() = default;
    // False with the reason in `error` when the clock was not changed.
    virtual bool setLocalDateTime(const QDateTime &time, QString *error) = 0;
};

// Sets the clock directly (clock_settime, needs CAP_SYS_TIME) and, when that is
// refused, through the system's time service (timedatectl), which may allow it.
class PosixSystemClock final : public SystemClock
{
public:
    bool setLocalDateTime(const QDateTime &time, QString *error) override;
};

} // namespace orv
