#pragma once

#include "hayes_modem.h"
#include "station_model.h"

#include <QString>
#include <QStringList>

namespace station {

// What the orv-station command line asks for.
struct ProgramOptions
{
    StationOptions station;
    QString paramsFile;
    int baudIndex = -1;
    bool modem = false;
    ModemOptions modemOptions;
    QString tracePath;
    QString linkPath;
    int registerCom = 0;
    QString dataDir;
    bool help = false;
};

// Parses the arguments after the program name. On failure `error` says why.
bool parseProgramOptions(const QStringList &arguments, ProgramOptions *options, QString *error);

// One fault name: no-reply, wrong-length, garbage, late, drop-every=N, split.
bool applyFault(const QString &name, FaultOptions *faults);

bool parseDialOutcome(const QString &name, DialOutcome *outcome);

QString usage();

} // namespace station
