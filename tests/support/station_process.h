#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

namespace orv::test {

// The station simulator program on a pseudo-terminal, for end-to-end tests:
// started with the given options, its slave path read from its first line,
// stopped with SIGTERM when the object goes.
class StationProcess
{
public:
    explicit StationProcess(const QString &program);
    ~StationProcess();

    StationProcess(const StationProcess &) = delete;
    StationProcess &operator=(const StationProcess &) = delete;

    // False (with error()) when the program did not come up within `timeoutMs`.
    bool start(const QStringList &options = {}, int timeoutMs = 5000);
    // True when the program ended cleanly (exit code 0) on SIGTERM, or was not running.
    bool stop();

    QString ptyPath() const { return m_ptyPath; }
    QString error() const { return m_error; }
    QProcess &process() { return m_process; }

private:
    QString m_program;
    QProcess m_process;
    QString m_ptyPath;
    QString m_error;
};

// Runs `program` to its end (bounded by `timeoutMs`) and returns exit code,
// stdout and stderr.
struct ProgramRun
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
    bool finished = false;
};
ProgramRun runProgram(const QString &program, const QStringList &args, int timeoutMs = 30000);

} // namespace orv::test
