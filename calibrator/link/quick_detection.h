#pragma once

#include "station_detection.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

namespace orv {

struct ComSettings;
class StationLink;

// What the quick walk learnt about one port.
struct PortOutcome
{
    // Stopped: a stop came while the port was being probed; NotProbed: before.
    enum Kind { Absent, InUse, Unavailable, NoAnswer, Modem, Station, Stopped, NotProbed };

    int port = 0;
    Kind kind = NotProbed;
    QList<int> ratesTried;
    int baud = 0;       // Station: the rate it answered at
    QByteArray version; // Station: its version reply
    QString detail;     // Absent, InUse: the device and why; Unavailable: the open error
};

struct QuickDetectionOptions
{
    DetectionPlan plan;
    // A station answers a version request within a fraction of a second;
    // 1 s leaves room for 300 baud.
    int replyWindowMs = 1000;
    // Why `port`'s device is not there to be probed; empty when it is. Unset:
    // the port map's path checked on this machine (see absenceReason()).
    std::function<QString(int port)> absence;
};

struct QuickDetectionResult
{
    DetectionResult result;
    QList<PortOutcome> ports; // one per port of the plan, in its order
};

// The command line's detection: the window's requests with a short reply
// window, only on devices that exist, every port of the plan probed and
// reported. The first station found (in the plan's order) goes into slot
// `cur_station`, unless the run was stopped: then nothing is changed.
QuickDetectionResult quick_detect(StationLink &link, ComSettings &settings, DetectionProgress &progress,
                                  const QuickDetectionOptions &options = {});

// What the port's line says after the rates tried, e.g. "station at 38400, firmware 4.103".
QString describeOutcome(const PortOutcome &outcome);

// Empty when `path` is worth probing: its node exists and either the port map
// names it (a pseudo-terminal, a by-id link) or the system lists it among
// `systemPorts` as a serial port. A /dev/ttyS node with no UART behind it is
// absent even though the node is there. A serial server the port map names is
// always worth a try.
QString absenceReason(const QString &path, bool named, const QStringList &systemPorts);

// The serial ports the system lists (QSerialPortInfo), as device paths.
QStringList systemSerialPorts();

} // namespace orv
