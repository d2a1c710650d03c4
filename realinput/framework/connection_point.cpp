#include "connection_point.h"

namespace zq {

int ConnectionPoint::advise(EventSink *sink)
{
    const int cookie = m_nextCookie++;
    m_sinks.emplace(cookie, sink);
    return cookie;
}

void ConnectionPoint::unadvise(int cookie)
{
    m_sinks.erase(cookie);
}

void ConnectionPoint::fire(int dispid, EventArgs &args) const
{
    // A sink may unadvise while handling; walk a copy.
    const auto sinks = m_sinks;
    for (const auto &[cookie, sink] : sinks) {
        EventArgs passed = args;
        sink->handleEvent(dispid, passed);
        for (int i = 0; i < args.size() && i < passed.size(); ++i) {
            if (args[i].byRef)
                args[i].value = passed[i].value;
        }
    }
}

} // namespace zq
