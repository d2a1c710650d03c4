#include "fleet_runner.h"

#include <QElapsedTimer>
#include <QMutexLocker>
#include <QThread>

namespace orv::cli {

FleetRunner::FleetRunner(QList<FleetSlot> stations, int jobs, Job job, QObject *parent)
    : QObject(parent)
    , m_slots(std::move(stations))
    , m_jobs(jobs)
    , m_job(std::move(job))
    , m_outcomes(m_slots.size())
    , m_running(m_slots.size(), false)
{
    // Lines in the order of their first slot; stations of a line in the order given.
    QStringList lineNames;
    for (int i = 0; i < m_slots.size(); ++i) {
        const qsizetype at = lineNames.indexOf(m_slots[i].line);
        if (at >= 0) {
            m_lines[at].append(i);
        } else {
            lineNames.append(m_slots[i].line);
            m_lines.append(QList<int>{i});
        }
    }
}

FleetRunner::~FleetRunner()
{
    m_stop = true;
    for (const auto &thread : m_threads)
        thread->wait();
}

void FleetRunner::start()
{
    const int atOnce = m_jobs > 0 ? m_jobs : int(m_lines.size());
    while (m_runningLines < atOnce && m_nextLine < m_lines.size())
        startNextLine();
    if (m_runningLines == 0) {
        m_finished = true;
        emit finished();
    }
}

void FleetRunner::requestStop()
{
    m_stop = true;
}

SlotOutcome FleetRunner::outcome(int index) const
{
    QMutexLocker lock(&m_mutex);
    return m_outcomes.value(index);
}

bool FleetRunner::isRunning(int index) const
{
    QMutexLocker lock(&m_mutex);
    return m_running.value(index);
}

void FleetRunner::startNextLine()
{
    const QList<int> indexes = m_lines[m_nextLine++];
    ++m_runningLines;
    std::unique_ptr<QThread> thread(QThread::create([this, indexes] { runLine(indexes); }));
    connect(thread.get(), &QThread::finished, this, [this] {
        --m_runningLines;
        // Lines not yet begun stay unrun once a stop is asked for.
        if (!m_stop && m_nextLine < m_lines.size())
            startNextLine();
        if (m_runningLines == 0) {
            m_finished = true;
            emit finished();
        }
    });
    thread->start();
    m_threads.push_back(std::move(thread));
}

void FleetRunner::runLine(const QList<int> &indexes)
{
    for (int index : indexes) {
        if (m_stop)
            return;
        {
            QMutexLocker lock(&m_mutex);
            m_running[index] = true;
        }
        emit slotStarted(index);
        QElapsedTimer timer;
        timer.start();
        SlotOutcome outcome = m_job(index, m_stop);
        outcome.ran = true;
        outcome.seconds = double(timer.elapsed()) / 1000.0;
        {
            QMutexLocker lock(&m_mutex);
            m_running[index] = false;
            m_outcomes[index] = std::move(outcome);
        }
        emit slotFinished(index);
    }
}

} // namespace orv::cli

#include "moc_fleet_runner.cpp"
