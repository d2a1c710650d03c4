#pragma once

#include "link/com_settings.h"
#include "link/comm_control.h"
#include "link/line_trace.h"
#include "link/qt_pump.h"
#include "link/settings_file.h"
#include "link/station_link.h"

#include <QFile>
#include <QString>
#include <QStringList>
#include <QTextStream>

#include <functional>
#include <memory>
#include <optional>

namespace orv::cli {

enum ExitCode {
    Ok = 0,
    ExchangeFailed = 1,
    BadUsage = 2,
    PortUnavailable = 3,
    Refused = 4,
    Differ = 5,
    Interrupted = 6,
    NotTaken = 7,
    // The settings file cannot be read or saved, or slot 0 names a port or
    // rate that cannot be used: a matter for the file, not for the cable.
    SettingsProblem = 8,
    // What a shell reports for a program killed by SIGINT, which is how the
    // second Ctrl+C of a detection ends it.
    DetectAbandoned = 130,
};

// Every exit code with the words --help gives it; the manual page must name them all.
struct ExitCodeText
{
    ExitCode code;
    const char *meaning;
};
extern const QList<ExitCodeText> exitCodeTexts;

// "title: text" on a command's error stream, so that a slot of a fleet run
// says it under its own name.
class StreamMessages final : public MessageSink
{
public:
    explicit StreamMessages(QTextStream &err) : m_err(err) {}
    void showMessage(const QString &text, MessageIcon icon, const QString &title) override;

private:
    QTextStream &m_err;
};

// Everything a command works with: options, the settings of its slot (0
// unless a fleet run says otherwise) and, once openLink() has run, an open
// line to the station. Nothing touches a file before a command has checked
// its arguments.
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
    QString traceFile;         // --trace
    int slot = 0;
    ComSettings settings;
    SettingsFile settingsFile;
    // Set by a fleet run, which owns Ctrl+C for all its slots: asked between
    // exchanges, true stops the command there. Empty for a single station,
    // whose writes watch Ctrl+C themselves.
    std::function<bool()> stopRequested;
    // Where a command saves a changed slot: none in a fleet run, whose slots
    // share the file and save once at the end.
    bool savesSettings = true;
    SettingsFile *settingsSaver() { return savesSettings ? &settingsFile : nullptr; }

    // Settles the data folder; touches no file.
    void prepare();
    // Loads the settings file (once); false after printing why.
    bool loadSettings();
    // Loads the settings and makes the port map and the link, not yet open;
    // an exit code other than Ok after printing why.
    int makeLink();
    // Opens the chosen port direct (no handshaking, DTR on, RTS off) at the
    // chosen rate; an exit code other than Ok after printing why.
    int openLink();

    int chosenPort() const;
    float chosenRate() const;
    QString lineText() const;

    // After a failed exchange: says so when the line itself went away, and
    // gives the exit code, a port problem in that case.
    int exchangeFailed(const QString &what, const LinkFailure &failure);

    QtPump pump;
    // What the windows would show in a message box goes to the error stream.
    StreamMessages messages{err};
    bool settingsLoaded = false;
    // Declared before the line so that they outlive it.
    QFile traceOut;
    std::unique_ptr<LineTraceWriter> tracer;
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
