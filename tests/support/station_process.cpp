#include "station_process.h"

#include <QDeadlineTimer>

namespace orv::test {

StationProcess::StationProcess(const QString &program)
    : m_program(program)
{
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
}

StationProcess::~StationProcess()
{
    stop();
}

bool StationProcess::start(const QStringList &options, int timeoutMs)
{
    m_process.start(m_program, options);
    if (!m_process.waitForStarted(timeoutMs)) {
        m_error = m_process.errorString();
        return false;
    }
    QDeadlineTimer deadline(timeoutMs);
    QByteArray first;
    while (!first.contains('\n') && !deadline.hasExpired()) {
        if (!m_process.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime()))))
            break;
        first += m_process.readAllStandardOutput();
    }
    const QByteArray line = first.left(first.indexOf('\n')).trimmed();
    if (!line.startsWith("PTY ")) {
        m_error = QStringLiteral("no PTY line from the simulator: ") + QString::fromLocal8Bit(first)
            + QString::fromLocal8Bit(m_process.readAllStandardError());
        stop();
        return false;
    }
    m_ptyPath = QString::fromLocal8Bit(line.mid(4));
    return true;
}

bool StationProcess::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return true;
    m_process.terminate();
    if (!m_process.waitForFinished(3000)) {
        m_process.kill();
        m_process.waitForFinished(1000);
        return false;
    }
    return m_process.exitStatus() == QProcess::NormalExit && m_process.exitCode() == 0;
}

ProgramRun runProgram(const QString &program, const QStringList &args, int timeoutMs)
{
    ProgramRun run;
    QProcess process;
    process.start(program, args);
    run.finished = process.waitForStarted(timeoutMs) && process.waitForFinished(timeoutMs);
    if (!run.finished)
        process.kill();
    process.waitForFinished(1000);
    run.exitCode = process.exitCode();
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

} // namespace orv::test
