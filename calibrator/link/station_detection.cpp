#include "station_detection.h"

#include "com_settings.h"
#include "comm_control.h"
#include "detection_steps.h"
#include "line_settings.h"
#include "message.h"
#include "pump.h"
#include "station_link.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcDetect, "orv.detect", QtInfoMsg)

namespace orv {

namespace detection {

QString settingsText(int baud)
{
    return QStringLiteral("%1,N,8,1").arg(baud);
}

void closeIfOpen(CommControl &comm)
{
    if (comm.portOpen())
        comm.setPortOpen(false);
}

// The modem probe keeps the line state of whatever was open before: it sets
// neither DTR nor RTS, only hardware handshaking at the first trial rate.
bool openForModemCheck(CommControl &comm, int port, int baud)
{
    closeIfOpen(comm);
    comm.setSettings(settingsText(baud));
    comm.setHandshaking(CommControl::RtsCts);
    comm.setCommPort(port);
    return comm.setPortOpen(true);
}

bool openForRate(CommControl &comm, int port, int baud)
{
    closeIfOpen(comm);
    comm.setSettings(settingsText(baud));
    comm.setUpLine(false);
    comm.setCommPort(port);
    return comm.setPortOpen(true);
}

} // namespace detection

using namespace detection;

namespace {

bool modemAnswers(StationLink &link)
{
    CommControl &comm = link.comm();
    comm.setInBufferCount(0);
    comm.setOutput(QByteArray("AT\r"));
    link.wait_seconds(2);
    return comm.input().contains("OK");
}

void showFound(DetectionProgress &progress, const DetectionResult &result)
{
    progress.beep();
    progress.clear();
    const auto line = [&progress](const QString &text) {
        progress.print(text);
        progress.endLine();
    };
    line(QStringLiteral("Weather Station Detected"));
    // trimmed() rather than blanks only: a CR or LF in the reply would break the line layout.
    line(QStringLiteral("Weather Station Firmware Version ") + QString::fromLatin1(result.version).trimmed());
    line(QStringLiteral("COM Port is COM%1").arg(result.port));
    line(QStringLiteral("Baud Rate is %1").arg(result.baud));
    line(QStringLiteral("Communication properties have been changed to match"));
}

} // namespace

QString notDetectedMessage()
{
    return QStringLiteral(
        "Weather station not detected.  Possible causes include: 1) Check to see if the RS-232 cable is "
        "plugged in and if it is the one supplied by ORV. 2) Make sure that ORV CAL is the only program that "
        "is using the serial port. 3) Check to see that you are running only one ORV CAL program at a time.");
}

DetectionResult detect_station(StationLink &link, ComSettings &settings, DetectionProgress &progress,
                               const DetectionPlan &plan)
{
    CommControl &comm = link.comm();
    DetectionResult result;

    progress.clear();
    progress.print(QStringLiteral("Detecting Weather Station"));
    progress.endLine();
    progress.endLine();

    comm.setTerminalDisplay(false);
    // Lets the cleared output area paint before the first port is opened.
    link.pump().runPending();

    bool stopped = false;
    for (int port : plan.ports) {
        progress.print(QStringLiteral("COM%1 ").arg(port));
        if (!openForModemCheck(comm, port, plan.rates.value(0, detectionRates[0]))) {
            qCDebug(lcDetect) << "COM" << port << "cannot be opened:" << comm.lastOpenErrorString();
            progress.print(QStringLiteral(" Unavailable"));
            progress.endLine();
            continue;
        }

        if (modemAnswers(link)) {
            progress.print(QStringLiteral("Modem Detected"));
        } else {
            for (int baud : plan.rates) {
                if (progress.stopRequested())
                    break;
                if (!openForRate(comm, port, baud)) {
                    progress.print(QStringLiteral(" Unavailable"));
                    break;
                }
                progress.print(QStringLiteral("%1 ").arg(baud));
                link.wait_seconds(3);
                if (const LinkResult<QByteArray> version = link.request_version()) {
                    result.outcome = DetectionResult::Found;
                    result.port = port;
                    result.baud = baud;
                    result.version = *version;
                    showFound(progress, result);
                    const int slot = link.state.cur_station;
                    settings.baud_rate[slot] = float(baud);
                    settings.com_port[slot] = std::int16_t(port);
                    break;
                }
            }
        }

        if (result.found())
            break;
        if (progress.stopRequested()) {
            progress.print(QStringLiteral("Detection Canceled by User."));
            stopped = true;
            break;
        }
        progress.endLine();
    }

    closeIfOpen(comm);
    progress.runEnded();
    if (!result.found()) {
        result.outcome = stopped ? DetectionResult::Canceled : DetectionResult::NotFound;
        link.show_message(notDetectedMessage(), MessageIcon::Critical, QStringLiteral("ORV CAL"));
    }
    return result;
}

void DetectionText::clear()
{
    m_lines.clear();
    m_current.clear();
    m_lineOpen = false;
}

void DetectionText::print(const QString &text)
{
    m_current += text;
    m_lineOpen = true;
}

void DetectionText::endLine()
{
    m_lines << std::exchange(m_current, QString());
    m_lineOpen = false;
}

QStringList DetectionText::lines() const
{
    return m_lineOpen ? m_lines + QStringList{m_current} : m_lines;
}

} // namespace orv
