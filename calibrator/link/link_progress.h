#pragma once

namespace orv {

// Told what the link is doing while a sequence waits on the station, so that a
// window can show it; the link runs the same with or without one.
class LinkProgress
{
public:
    enum class Exchange { Version, Read, Write };

    virtual ~LinkProgress() = default;

    // Attempt `attempt` of at most `attempts` begins (a write's transmissions
    // count as attempts); attempt 2 on means the station has not answered yet.
    // The address is -1 for the version request.
    virtual void attemptStarted(Exchange exchange, int address, int attempt, int attempts) = 0;
};

} // namespace orv
