#pragma once

#include <QList>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QThread;

namespace orv::cli {

// One station slot of a fleet run and the line it is on.
struct FleetSlot
{
    int slot = 0;
    QString name;
    int port = 0;
    QString device;
    // Slots with the same line share one serial device (or serial server) and
    // so must take turns on it.
    QString line;
};

// What became of one slot.
struct SlotOutcome
{
    bool ran = false;
    int exitCode = 0;
    double seconds = 0;
    QString file;
    // The command's output, line by line.
    QStringList output;
    // What it said went wrong, a line each; empty when nothing did.
    QString problem;
    // A rate the command moved the slot to, for the settings file.
    std::optional<float> newRate;
};

// Runs a job for each slot: the lines at once, up to `jobs` of them, each on a
// thread of its own (the link waits in a nested event loop, so two links on
// one thread would wait on each other); the stations of one line one after the
// other. The job runs on its line's thread and is asked to stop through
// `stop`. Signals arrive on the thread that owns the runner.
class FleetRunner : public QObject
{
    Q_OBJECT

public:
    using Job = std::function<SlotOutcome(int index, const std::atomic_bool &stop)>;

    FleetRunner(QList<FleetSlot> stations, int jobs, Job job, QObject *parent = nullptr);
    ~FleetRunner() override;

    const QList<FleetSlot> &stationSlots() const { return m_slots; }
    void start();
    // Every line stops at its next check; stations not yet begun are not run.
    void requestStop();
    bool stopRequested() const { return m_stop; }
    bool isFinished() const { return m_finished; }

    // Safe to call while the lines run: a copy as far as it has got.
    SlotOutcome outcome(int index) const;
    bool isRunning(int index) const;

    // For a job to report a line of progress of slot `index` from its thread.
    void reportProgress(int index, const QString &text) { emit slotProgress(index, text); }

signals:
    void slotStarted(int index);
    void slotProgress(int index, const QString &text);
    void slotFinished(int index);
    void finished();

private:
    void startNextLine();
    void runLine(const QList<int> &indexes);

    QList<FleetSlot> m_slots;
    int m_jobs;
    Job m_job;
    QList<QList<int>> m_lines;
    int m_nextLine = 0;
    int m_runningLines = 0;
    std::vector<std::unique_ptr<QThread>> m_threads;
    std::atomic_bool m_stop{false};
    bool m_finished = false;
    mutable QMutex m_mutex;
    QList<SlotOutcome> m_outcomes;
    QList<bool> m_running;
};

} // namespace orv::cli
