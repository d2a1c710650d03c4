#pragma once

#include "link/station_detection.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace orv::cli {

// What `detect` was asked for on the command line.
struct DetectOptions
{
    bool quick = false;
    DetectionPlan plan;
    int replyWindowMs = 1000;
};

// Refused (nullopt, `error` says why) on an unknown argument, a repeated
// option or a bad value, before anything is opened.
std::optional<DetectOptions> parseDetectOptions(const QStringList &args, QString *error);

// "1,3,COM5" or "2-4": COM1..COM8, in the order given, a repeat ignored.
std::optional<QList<int>> parsePortList(const QString &text, QString *error);
// "9600,38400": station rates only, in the order given, a repeat ignored.
std::optional<QList<int>> parseRateList(const QString &text, QString *error);

} // namespace orv::cli
