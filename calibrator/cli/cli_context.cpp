#include "cli_context.h"

#include "link/port_map.h"
#include "link/port_device.h"

namespace orv::cli {

CliContext::CliContext(QTextStream &o, QTextStream &e)
    : out(o)
    , err(e)
{
}

const QList<ExitCodeText> exitCodeTexts = {
    {Ok, "done"},
    {ExchangeFailed, "the station did not answer, or stopped answering"},
    {BadUsage, "bad arguments: nothing sent, no file touched"},
    {PortUnavailable, "the port is unavailable, or the line went away"},
    {Refused, "refused, nothing written: no definition file, an unreadable definition-file line, setting "
              "absent, value outside its limits, damaged backup"},
    {Differ, "diff found differences, or restore --dry-run would write"},
    {Interrupted, "restore, clock --set-station or a run over several slots stopped by Ctrl+C"},
    {NotTaken, "restore wrote everything but the station kept some old values"},
    {SettingsProblem, "the settings file cannot be read or saved, the slot names an unusable port or rate, or no slot has a port set"},
    {DetectAbandoned, "detect ended at once by a second Ctrl+C"},
};

QList<Command> &commandTable()
{
    static QList<Command> table;
    return table;
}

std::optional<long> parseNumber(const QString &text, long min, long max)
{
    bool ok = false;
    const QString t = text.trimmed();
    const long value = t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive) ? t.mid(2).toLong(&ok, 16)
                                                                               : t.toLong(&ok, 10);
    if (!ok || value < min || value > max)
        return std::nullopt;
    return value;
}

void StreamMessages::showMessage(const QString &text, MessageIcon, const QString &title)
{
    m_err << printableMessage(title, text) << Qt::endl;
}

void CliContext::prepare()
{
    dataDir = dataDirectory(dataDir);
}

bool CliContext::loadSettings()
{
    if (settingsLoaded)
        return true;
    if (!settingsFile.load(dataDir, settings)) {
        err << "orvcal-cli: " << settingsFile.error() << Qt::endl;
        return false;
    }
    settingsLoaded = true;
    return true;
}

int CliContext::makeLink()
{
    if (link)
        return Ok;
    if (!loadSettings())
        return SettingsProblem;
    PortMap ports = PortMap::load(dataDir);
    if (!device.isEmpty())
        ports.setDevicePath(chosenPort(), device);
    if (!traceFile.isEmpty()) {
        traceOut.setFileName(traceFile);
        // Unbuffered: a trace must hold the last bytes even when the run is cut short.
        if (!traceOut.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
            err << "orvcal-cli: cannot write the trace file " << traceFile << ": " << traceOut.errorString()
                << Qt::endl;
            return BadUsage;
        }
        tracer = std::make_unique<LineTraceWriter>(pump, traceOut);
    }
    comm = std::make_unique<CommControl>(std::make_unique<PortDevice>(), ports);
    comm->setLineObserver(tracer.get());
    link = std::make_unique<StationLink>(*comm, pump);
    link->setMessages(&messages);
    link->state.cur_station = slot;
    return Ok;
}

int CliContext::chosenPort() const
{
    return port.value_or(settings.com_port[std::size_t(slot)]);
}

float CliContext::chosenRate() const
{
    return baud ? float(*baud) : settings.baud_rate[std::size_t(slot)];
}

QString CliContext::lineText() const
{
    return QStringLiteral("COM%1, %2").arg(chosenPort()).arg(settingsStringForRate(chosenRate()));
}

int CliContext::exchangeFailed(const QString &what, const LinkFailure &failure)
{
    if (failure.error == LinkError::LineLost) {
        err << "orvcal-cli: the line went away during " << what << " (" << lineText() << "): " << failure.text
            << Qt::endl;
        return PortUnavailable;
    }
    err << "orvcal-cli: the station did not answer " << what << " (" << lineText() << ")" << Qt::endl;
    return ExchangeFailed;
}

int CliContext::openLink()
{
    if (const int code = makeLink(); code != Ok)
        return code;
    const int p = chosenPort();
    if (comm->devicePath(p).isEmpty()) {
        err << "orvcal-cli: station slot " << slot << " names port " << p << ", which is not COM1 to COM8; use --port or "
            << "--device, or correct the slot" << Qt::endl;
        return SettingsProblem;
    }
    const QString settingsText = settingsStringForRate(chosenRate());
    comm->setTerminalDisplay(false);
    comm->setUpLine(false);
    comm->setCommPort(p);
    if (!comm->setSettings(settingsText)) {
        // Only a stored rate can get here: --baud takes the eight rates only.
        err << "orvcal-cli: station slot " << slot << " holds the rate " << settingsText.section(QLatin1Char(','), 0, 0)
            << ", which is not one of the eight station rates; use --baud or correct the slot" << Qt::endl;
        return SettingsProblem;
    }
    if (!comm->setPortOpen(true)) {
        err << "orvcal-cli: cannot open COM" << p << " (" << printable(comm->devicePath(p)) << "): "
            << comm->lastOpenErrorString() << Qt::endl;
        if (const QString advice = comm->lastOpenAdvice(); !advice.isEmpty())
            err << "orvcal-cli: " << advice << Qt::endl;
        return PortUnavailable;
    }
    return Ok;
}

} // namespace orv::cli
