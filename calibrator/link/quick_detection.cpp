#include "quick_detection.h"

#include "com_settings.h"
#include "comm_control.h"
#include "detection_steps.h"
#include "message.h"
#include "net_serial_device.h"
#include "packet.h"
#include "pump.h"
#include "station_link.h"

#include <QFileInfo>
#include <QLoggingCategory>
#include <QSerialPortInfo>

Q_LOGGING_CATEGORY(lcQuickDetect, "orv.detect.quick", QtInfoMsg)

namespace orv {

using namespace detection;

namespace {

// Line drivers, and an interface powered from DTR, are up within a few
// milliseconds of the open; the window's 3 s wait is mostly margin.
constexpr int settleMs = 100;

constexpr int versionLength = 7;

void pause(Pump &pump, int ms)
{
    pump.waitUntil(pump.now().addMSecs(ms));
}

// Sends `request` and collects what comes back until `enough` is satisfied
// or the window has passed.
QByteArray exchange(StationLink &link, const QByteArray &request, int windowMs,
                    const std::function<bool(const QByteArray &)> &enough)
{
    CommControl &comm = link.comm();
    comm.setInBufferCount(0);
    comm.setOutput(request);
    QByteArray reply;
    link.pump().waitUntil(link.pump().now().addMSecs(windowMs), [&] {
        reply += comm.input();
        return enough(reply);
    });
    return reply;
}

bool modemAnswers(StationLink &link, int windowMs)
{
    return exchange(link, QByteArray("AT\r"), windowMs, [](const QByteArray &r) { return r.contains("OK"); })
        .contains("OK");
}

std::optional<QByteArray> stationVersion(StationLink &link, int windowMs)
{
    // Seven bytes end the wait whatever they are: at a wrong rate the reply
    // comes as the same number of garbled bytes, and there is no point waiting on.
    const QByteArray reply =
        exchange(link, QByteArray("V"), windowMs, [](const QByteArray &r) { return r.size() >= versionLength; });
    if (reply.size() == versionLength && acceptableVersion(reply))
        return reply;
    qCDebug(lcQuickDetect) << "version request got" << reply.toHex(' ');
    return std::nullopt;
}

void recordOpenFailure(PortOutcome &outcome, const CommControl &comm)
{
    const QString path = comm.devicePath(outcome.port);
    switch (comm.lastOpenError()) {
    case PortError::NotFound:
        outcome.kind = PortOutcome::Absent;
        outcome.detail = QStringLiteral("%1: no such device").arg(path);
        break;
    case PortError::Busy:
        outcome.kind = PortOutcome::InUse;
        outcome.detail = path;
        break;
    default:
        outcome.kind = PortOutcome::Unavailable;
        outcome.detail = comm.lastOpenErrorString();
        break;
    }
}

// Tries the plan's rates on an open port until the station answers.
void probeRates(StationLink &link, DetectionProgress &progress, const QuickDetectionOptions &options,
                PortOutcome &outcome)
{
    CommControl &comm = link.comm();
    for (int baud : options.plan.rates) {
        if (progress.stopRequested()) {
            outcome.kind = PortOutcome::Stopped;
            return;
        }
        if (!openForRate(comm, outcome.port, baud)) {
            recordOpenFailure(outcome, comm);
            return;
        }
        progress.print(QStringLiteral("%1 ").arg(baud));
        outcome.ratesTried << baud;
        pause(link.pump(), settleMs);
        if (const auto version = stationVersion(link, options.replyWindowMs)) {
            outcome.kind = PortOutcome::Station;
            outcome.baud = baud;
            outcome.version = *version;
            return;
        }
    }
    outcome.kind = PortOutcome::NoAnswer;
}

PortOutcome probePort(StationLink &link, DetectionProgress &progress, const QuickDetectionOptions &options,
                      int port)
{
    CommControl &comm = link.comm();
    PortOutcome outcome;
    outcome.port = port;
    if (const QString why = options.absence(port); !why.isEmpty()) {
        outcome.kind = PortOutcome::Absent;
        outcome.detail = why;
    } else if (!openForModemCheck(comm, port, options.plan.rates.value(0, detectionRates[0]))) {
        recordOpenFailure(outcome, comm);
    } else if (modemAnswers(link, options.replyWindowMs)) {
        outcome.kind = PortOutcome::Modem;
    } else {
        probeRates(link, progress, options, outcome);
    }
    closeIfOpen(comm);
    return outcome;
}

} // namespace

QString describeOutcome(const PortOutcome &outcome)
{
    switch (outcome.kind) {
    case PortOutcome::Absent: return QStringLiteral("absent (%1)").arg(outcome.detail);
    case PortOutcome::InUse: return QStringLiteral("in use (%1)").arg(outcome.detail);
    case PortOutcome::Unavailable: return QStringLiteral("unavailable (%1)").arg(outcome.detail);
    case PortOutcome::NoAnswer: return QStringLiteral("no answer");
    case PortOutcome::Modem: return QStringLiteral("modem");
    case PortOutcome::Station:
        return QStringLiteral("station at %1, firmware %2")
            .arg(outcome.baud)
            .arg(QString::fromLatin1(outcome.version).trimmed());
    case PortOutcome::Stopped: return QStringLiteral("stopped");
    case PortOutcome::NotProbed: break;
    }
    return QStringLiteral("not probed");
}

QStringList systemSerialPorts()
{
    QStringList paths;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        paths << info.systemLocation();
    return paths;
}

QString absenceReason(const QString &path, bool named, const QStringList &systemPorts)
{
    // A serial server has no node to look at; only a connection attempt tells.
    if (named && NetSerialDevice::isNetworkPath(path))
        return {};
    const QFileInfo node(path);
    if (!node.exists())
        return QStringLiteral("%1: no such device").arg(path);
    if (named)
        return {};
    const QString device = node.canonicalFilePath();
    for (const QString &listed : systemPorts)
        if (QFileInfo(listed).canonicalFilePath() == device)
            return {};
    return QStringLiteral("%1: no serial port behind it").arg(path);
}

QuickDetectionResult quick_detect(StationLink &link, ComSettings &settings, DetectionProgress &progress,
                                  const QuickDetectionOptions &given)
{
    CommControl &comm = link.comm();
    QuickDetectionOptions options = given;
    if (!options.absence) {
        const QStringList systemPorts = systemSerialPorts();
        options.absence = [&comm, systemPorts](int port) {
            return absenceReason(comm.devicePath(port), comm.ports().isOverridden(port), systemPorts);
        };
    }

    progress.clear();
    progress.print(QStringLiteral("Detecting Weather Station (quick: %1 ms reply window)").arg(options.replyWindowMs));
    progress.endLine();
    progress.endLine();
    comm.setTerminalMode(CommControl::TerminalModeB, 0);

    QuickDetectionResult run;
    DetectionResult &result = run.result;
    bool stopped = false;
    for (int port : options.plan.ports) {
        progress.print(QStringLiteral("COM%1 ").arg(port));
        PortOutcome outcome;
        outcome.port = port;
        stopped = stopped || progress.stopRequested();
        if (!stopped) {
            outcome = probePort(link, progress, options, port);
            stopped = outcome.kind == PortOutcome::Stopped;
        }
        progress.print(QStringLiteral(" ") + describeOutcome(outcome));
        progress.endLine();
        if (outcome.kind == PortOutcome::Station && !result.found()) {
            result.outcome = DetectionResult::Found;
            result.port = port;
            result.baud = outcome.baud;
            result.version = outcome.version;
        }
        run.ports << outcome;
    }
    closeIfOpen(comm);
    // A stop asked for during the very last try still counts.
    stopped = stopped || progress.stopRequested();

    if (stopped) {
        progress.print(QStringLiteral("Detection Canceled by User."));
        progress.endLine();
        // A stop means the technician did not see the walk through: keep the slot.
        result.outcome = DetectionResult::Canceled;
    } else if (result.found()) {
        progress.beep();
        progress.print(QStringLiteral("Weather Station Detected on COM%1 at %2 baud, firmware version %3")
                           .arg(result.port)
                           .arg(result.baud)
                           .arg(QString::fromLatin1(result.version).trimmed()));
        progress.endLine();
        const int slot = link.state.cur_station;
        settings.baud_rate[slot] = float(result.baud);
        settings.com_port[slot] = std::int16_t(result.port);
    }
    progress.runEnded();
    if (result.port == 0)
        link.show_message(notDetectedMessage(), MessageIcon::Critical, QStringLiteral("ORV CAL"));
    return run;
}

} // namespace orv
