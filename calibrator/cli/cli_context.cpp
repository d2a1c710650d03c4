#include "cli_context.h"

#include "link/port_map.h"
#include "link/qserial_device.h"

namespace orv::cli {

CliContext::CliContext(QTextStream &o, QTextStream &e)
    : out(o)
    , err(e)
{
}

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

bool CliContext::prepare()
{
    dataDir = dataDirectory(dataDir);
    if (!settingsFile.load(dataDir, settings)) {
        err << "orvcal-cli: " << settingsFile.error() << Qt::endl;
        return false;
    }
    PortMap ports = PortMap::load(dataDir);
    if (!device.isEmpty())
        ports.setDevicePath(chosenPort(), device);
    comm = std::make_unique<CommControl>(std::make_unique<QSerialDevice>(), ports);
    link = std::make_unique<StationLink>(*comm, pump);
    link->state.pkt_start = QByteArray(1, 0x02);
    link->state.pkt_end = QByteArray(1, 0x03);
    return true;
}

int CliContext::chosenPort() const
{
    return port.value_or(settings.com_port[0]);
}

int CliContext::chosenBaud() const
{
    return baud.value_or(int(settings.baud_rate[0]));
}

bool CliContext::openLink()
{
    const int p = chosenPort();
    if (comm->devicePath(p).isEmpty()) {
        err << "orvcal-cli: COM" << p << " is not a port this program knows (ports are 1 to 8)" << Qt::endl;
        return false;
    }
    const QString settingsText = settingsStringForRate(float(chosenBaud()));
    comm->setTerminalMode(CommControl::TerminalModeB, 0);
    comm->setTerminalMode(CommControl::TerminalModeA, 0);
    comm->setHandshaking(CommControl::NoHandshaking);
    comm->setDTREnable(true);
    comm->setRTSEnable(false);
    comm->setCommPort(p);
    if (!comm->setSettings(settingsText)) {
        err << "orvcal-cli: bad line settings " << settingsText << Qt::endl;
        return false;
    }
    if (!comm->setPortOpen(true)) {
        err << "orvcal-cli: cannot open COM" << p << " (" << comm->devicePath(p) << "): "
            << comm->lastOpenErrorString() << Qt::endl;
        if (const QString advice = portAccessAdvice(comm->lastOpenError()); !advice.isEmpty())
            err << "orvcal-cli: " << advice << Qt::endl;
        return false;
    }
    return true;
}

} // namespace orv::cli
