#pragma once

#include "variant.h"

#include <QVector>

#include <map>

namespace zq {

struct EventArg
{
    QString name;
    Variant value;
    bool byRef = false;
};

using EventArgs = QVector<EventArg>;

// The receiving end of a control's events, as a container implements it. A sink
// may change the by-reference arguments; the control reads them afterwards.
class EventSink
{
public:
    virtual ~EventSink() = default;
    virtual void handleEvent(int dispid, EventArgs &args) = 0;
};

// Hands each fired event to every advised sink in the order they advised.
class ConnectionPoint
{
public:
    int advise(EventSink *sink);
    void unadvise(int cookie);
    int sinkCount() const { return int(m_sinks.size()); }

    // By-value arguments are restored between sinks, so only by-reference ones
    // can carry a sink's answer back.
    void fire(int dispid, EventArgs &args) const;

private:
    std::map<int, EventSink *> m_sinks;
    int m_nextCookie = 1;
};

} // namespace zq
