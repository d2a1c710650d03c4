#pragma once

#include "link/com_settings.h"
#include "link/comm_control.h"
#include "link/qt_pump.h"
#include "link/settings_file.h"
#include "link/station_link.h"

#include <QString>
#include <QStringList>
#include <QTextStream>

#include <functional>
#include <memory>
#include <optional>

namespace orv::cli {

enum ExitCode { Ok = 0, ExchangeFailed = 1, BadUsage = 2, PortUnavailable = 3 };

// Everything a command works with: options, the settings of slot 0 and, once
// openLink() has run, an open line to the station.
class CliContext
{
public:
    CliContext(QTextStream &out, QTextStream &err);

    QTextStream &out;
    QTextStream &err;

    QString dataDir;
    std::optional<int> port;   // --port
    QString device;            // --device
    std::optional<int> baud;   // --baud
    ComSettings settings;
    SettingsFile settingsFile;

    // Loads the settings file and makes the port map; false after printing why.
    bool prepare();
    // Opens the chosen port direct (no handshaking, DTR on, RTS off) at the
    // chosen rate; false after printing why.
    bool openLink();

    int chosenPort() const;
    int chosenBaud() const;

    QtPump pump;
    // What the windows would show in a message box goes to stderr.
    StderrMessages messages;
    std::unique_ptr<CommControl> comm;
    std::unique_ptr<StationLink> link;
};

// One command of the command line; each command file registers its own.
struct Command
{
    QString name;
    QString usage;  // e.g. "read ADDRESS"
    QString summary;
    std::function<int(CliContext &, const QStringList &args)> run;
};

QList<Command> &commandTable();

struct RegisterCommand
{
    explicit RegisterCommand(Command command) { commandTable().append(std::move(command)); }
};

// Parses a whole number in decimal or 0x hexadecimal within [min, max].
std::optional<long> parseNumber(const QString &text, long min, long max);

} // namespace orv::cli
