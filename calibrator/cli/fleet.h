#pragma once

#include "fleet_runner.h"

#include "link/com_settings.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace orv::cli {

class CliContext;

// The commands a fleet run can give every slot.
bool isFleetCommand(const QString &command);

// "0-5,9": slots 0 to 19, in the order given, each once; nullopt when malformed.
std::optional<QList<int>> parseSlotList(const QString &text);

// Slots whose port is COM1..COM8 and that were set up: a slot exactly as a new
// settings file holds it counts as unused.
QList<int> slotsWithAPort(const ComSettings &settings);

// "slot03-Ridge_North.json": the slot, then the station's name in letters,
// digits, '-' and '_' only (accents dropped), so that any name gives a file
// name every file system and shell takes as it is.
QString backupFileName(int slot, const QString &stationName);

// The slots with their ports and lines as the port map in `dataDir` has them.
QList<FleetSlot> fleetSlots(const ComSettings &settings, const QString &dataDir, const QList<int> &slots);

// One slot's run of a command: a command-line context of its own on the
// calling thread, its output handed over line by line.
struct SlotCommand
{
    QString command;
    QStringList args;
    QString dataDir;
    ComSettings settings;
    // Each line the command prints, as it prints it; `error` for its error stream.
    std::function<void(const QString &line, bool error)> lineOut;
};
SlotOutcome runSlotCommand(const SlotCommand &run, int slot, const std::atomic_bool &stop);

// The arguments of slot `slot` for a fleet command whose first argument is a
// folder: the slot's backup file in it, the rest as given.
QStringList slotArguments(const QString &command, const QStringList &args, int slot, const QString &stationName);

// The order in which exit codes count as worse; the fleet exits with the worst.
int worstExitCode(const QList<int> &codes);
// "done", "no answer", ...: a slot's result in a word or two.
QString resultText(const QString &command, const SlotOutcome &outcome);

struct FleetOptions
{
    std::optional<QList<int>> slotList; // --slots
    bool allSlots = false;           // --all-slots
    int jobs = 0;                    // --jobs; 0: every line at once
    bool json = false;               // --json
    bool wanted() const { return slotList || allSlots; }
};

// Runs `command` over the chosen slots and prints the summary; the exit code.
int runFleet(CliContext &c, const FleetOptions &options, const QString &command, const QStringList &args);

} // namespace orv::cli
