#include "system_clock.h"

#include <QProcess>

#include <cerrno>
#include <cstring>
#include <ctime>

namespace orv {

bool PosixSystemClock::setLocalDateTime(const QDateTime &time, QString *error)
{
    timespec ts{};
    ts.tv_sec = time_t(time.toSecsSinceEpoch());
    if (clock_settime(CLOCK_REALTIME, &ts) == 0)
        return true;
    const QString direct = QStringLiteral("setting the clock directly: ") + QString::fromLocal8Bit(std::strerror(errno));

    // The time service may grant what the process itself lacks.
    QProcess service;
    service.start(QStringLiteral("timedatectl"),
                  {QStringLiteral("--no-ask-password"), QStringLiteral("set-time"),
                   time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))});
    QString viaService;
    if (!service.waitForStarted(3000)) {
        viaService = QStringLiteral("timedatectl could not be run");
    } else if (!service.waitForFinished(10000)) {
        service.kill();
        service.waitForFinished(1000);
        viaService = QStringLiteral("timedatectl did not answer");
    } else if (service.exitStatus() == QProcess::NormalExit && service.exitCode() == 0) {
        return true;
    } else {
        viaService = QStringLiteral("timedatectl: ")
                     + QString::fromLocal8Bit(service.readAllStandardError()).trimmed();
    }
    if (error)
        *error = direct + QStringLiteral("; ") + viaService + QStringLiteral(".");
    return false;
}

} // namespace orv
