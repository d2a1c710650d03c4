#include "system_clock.h"

#include "link/pump.h"

#include <QFileInfo>
#include <QProcess>

#include <cerrno>
#include <cstring>
#include <ctime>

namespace orv {

bool PosixSystemClock::setLocalDateTime(const QDateTime &time, QString *error)
{
    QString direct;
    if (m_service.tryDirectFirst) {
        timespec ts{};
        ts.tv_sec = time_t(time.toSecsSinceEpoch());
        if (clock_settime(CLOCK_REALTIME, &ts) == 0)
            return true;
        direct = QStringLiteral("setting the clock directly: ") + QString::fromLocal8Bit(std::strerror(errno))
            + QStringLiteral("; ");
    }

    // The time service may grant what the process itself lacks.
    QProcess service;
    const auto ended = [&service] { return service.state() == QProcess::NotRunning; };
    QObject::connect(&service, &QProcess::stateChanged, [this] { m_pump.wake(); });
    service.start(m_service.program,
                  {QStringLiteral("--no-ask-password"), QStringLiteral("set-time"),
                   time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))});
    QString viaService;
    const QString name = QFileInfo(m_service.program).fileName();
    if (!m_pump.waitUntil(m_pump.now().addMSecs(m_service.startMs),
                          [&service] { return service.state() != QProcess::Starting; })
        || (service.state() == QProcess::NotRunning && service.error() == QProcess::FailedToStart)) {
        viaService = name + QStringLiteral(" could not be run");
    } else if (!m_pump.waitUntil(m_pump.now().addMSecs(m_service.finishMs), ended)) {
        service.kill();
        service.waitForFinished(1000);
        viaService = name + QStringLiteral(" did not answer");
    } else if (service.exitStatus() == QProcess::NormalExit && service.exitCode() == 0) {
        return true;
    } else {
        viaService = name + QStringLiteral(": ") + QString::fromLocal8Bit(service.readAllStandardError()).trimmed();
    }
    if (error)
        *error = direct + viaService + QStringLiteral(".");
    return false;
}

} // namespace orv
