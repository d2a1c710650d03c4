#include "virtual_pump.h"

#include <QCoreApplication>

namespace orv::test {

VirtualPump::VirtualPump(const QDateTime &start)
    : m_now(start)
    , m_startMs(start.toMSecsSinceEpoch())
{
}

void VirtualPump::schedule(const QDateTime &at, std::function<void()> action)
{
    m_events.emplace(at.toMSecsSinceEpoch(), std::move(action));
}

int VirtualPump::addSource(Source source)
{
    const int id = m_nextSourceId++;
    m_sources.emplace(id, std::move(source));
    return id;
}

void VirtualPump::removeSource(int id)
{
    m_sources.erase(id);
}

std::optional<qint64> VirtualPump::nextEventMs() const
{
    std::optional<qint64> next;
    if (!m_events.empty())
        next = m_events.begin()->first;
    for (const auto &[id, source] : m_sources) {
        if (const auto t = source.next(); t && (!next || *t < *next))
            next = t;
    }
    return next;
}

void VirtualPump::runDue()
{
    const qint64 now = msSinceEpoch();
    while (!m_events.empty() && m_events.begin()->first <= now) {
        auto action = std::move(m_events.begin()->second);
        m_events.erase(m_events.begin());
        action();
    }
    // Copy the ids: a source may remove itself (a device closing) while firing.
    std::vector<int> ids;
    for (const auto &[id, source] : m_sources)
        ids.push_back(id);
    for (int id : ids) {
        const auto it = m_sources.find(id);
        if (it == m_sources.end())
            continue;
        if (const auto t = it->second.next(); t && *t <= now)
            it->second.fire();
    }
    // Let queued signals and widget events run, as the real event loop would.
    QCoreApplication::processEvents();
}

bool VirtualPump::waitUntil(const QDateTime &until, const std::function<bool()> &done)
{
    if (done && done())
        return true;
    const qint64 end = until.toMSecsSinceEpoch();
    if (end - m_startMs > maxRunMs)
        qFatal("virtual clock asked to run to %s, more than a day past its start %s: a wait that never ends?",
               qPrintable(until.toString(Qt::ISODateWithMs)),
               qPrintable(QDateTime::fromMSecsSinceEpoch(m_startMs).toString(Qt::ISODateWithMs)));
    for (;;) {
        const auto next = nextEventMs();
        if (!next || *next > end) {
            if (end > msSinceEpoch())
                m_now = until;
            runDue();
            return done ? done() : false;
        }
        if (*next > msSinceEpoch())
            m_now = QDateTime::fromMSecsSinceEpoch(*next);
        runDue();
        if (done && done())
            return true;
    }
}

void VirtualPump::advance(qint64 ms)
{
    waitUntil(m_now.addMSecs(ms));
}

} // namespace orv::test
