#include "cli_context.h"

#include "link/port_map.h"

namespace orv::cli {

namespace {

int noArguments(CliContext &c, const QString &command, const QStringList &args)
{
    if (args.isEmpty())
        return Ok;
    c.err << "orvcal-cli: " << command << " takes no arguments" << Qt::endl;
    return BadUsage;
}

int version(CliContext &c, const QStringList &args)
{
    if (const int code = noArguments(c, QStringLiteral("version"), args); code != Ok)
        return code;
    if (const int code = c.openLink(); code != Ok)
        return code;
    const LinkResult<QByteArray> version = c.link->request_version();
    if (!version)
        return c.exchangeFailed(QStringLiteral("the version request"), version.failure());
    // Seven bytes as sent; line endings printed as escapes so the output stays one line.
    c.out << printable(QString::fromLatin1(*version)) << Qt::endl;
    return Ok;
}

int read(CliContext &c, const QStringList &args)
{
    const auto address = args.size() == 1 ? parseNumber(args[0], 0, 255) : std::nullopt;
    if (!address) {
        c.err << "orvcal-cli: read needs one address from 0 to 255 (decimal or 0x hex)" << Qt::endl;
        return BadUsage;
    }
    if (const int code = c.openLink(); code != Ok)
        return code;
    const LinkResult<quint16> read = c.link->read_param(int(*address));
    if (!read)
        return c.exchangeFailed(QStringLiteral("the read of address %1").arg(*address), read.failure());
    c.out << *read << Qt::endl;
    return Ok;
}

int write(CliContext &c, const QStringList &args)
{
    const auto address = args.size() == 2 ? parseNumber(args[0], 0, 255) : std::nullopt;
    const auto value = args.size() == 2 ? parseNumber(args[1], 0, 65535) : std::nullopt;
    if (!address || !value) {
        c.err << "orvcal-cli: write needs an address from 0 to 255 and a value from 0 to 65535" << Qt::endl;
        return BadUsage;
    }
    if (const int code = c.openLink(); code != Ok)
        return code;
    const LinkResult<quint16> echo = c.link->write_param(int(*address), int(*value));
    if (!echo)
        return c.exchangeFailed(QStringLiteral("the write of address %1").arg(*address), echo.failure());
    c.out << *echo << Qt::endl;
    return Ok;
}

int ports(CliContext &c, const QStringList &args)
{
    if (const int code = noArguments(c, QStringLiteral("ports"), args); code != Ok)
        return code;
    if (const int code = c.makeLink(); code != Ok)
        return code;
    c.out << "Port map (" << PortMap::fileName() << " in " << c.dataDir << ", then ORV_PORTS):" << Qt::endl;
    for (int p = PortMap::firstPort; p <= PortMap::lastPort; ++p)
        c.out << "  COM" << p << " = " << printable(c.comm->devicePath(p))
              << (c.comm->ports().isOverridden(p) ? "" : "  (default)") << Qt::endl;
    const QStringList unusable = c.comm->ports().unusableLines();
    if (!unusable.isEmpty()) {
        c.out << "Lines not used:" << Qt::endl;
        for (const QString &line : unusable)
            c.out << "  " << printable(line) << Qt::endl;
    }
    c.out << "Serial devices present:" << Qt::endl;
    const QStringList present = presentSerialDevices();
    if (present.isEmpty())
        c.out << "  (none)" << Qt::endl;
    for (const QString &d : present)
        c.out << "  " << printable(d) << Qt::endl;
    return Ok;
}

int settings(CliContext &c, const QStringList &args)
{
    if (const int code = noArguments(c, QStringLiteral("settings"), args); code != Ok)
        return code;
    if (!c.loadSettings())
        return SettingsProblem;
    c.out << "Settings file: " << c.settingsFile.path()
          << (c.settingsFile.isReadOnly() ? " (read only: changes cannot be saved)" : "") << Qt::endl;
    const ComSettings &s = c.settings;
    for (int i = 0; i < ComSettings::slotCount; ++i) {
        // Built piece by piece: a name such as "Lab %3 roof" must come out as typed.
        const QString port = QStringLiteral("COM") + QString::number(s.com_port[i]);
        const int rateIndex = stationRateIndex(s.baud_rate[i]);
        const QString rate = rateIndex >= 0 ? QString::number(stationRates[std::size_t(rateIndex)])
                                            : QString::number(double(s.baud_rate[i]), 'g', 9);
        const QString line = QString::number(i).rightJustified(2) + QStringLiteral("  ")
            + s.stationName(i).leftJustified(20) + QStringLiteral("  ") + port + QStringLiteral("  ")
            + rate.rightJustified(6) + QStringLiteral("  ")
            + (s.hasModem(i) ? QStringLiteral("modem ") + s.phoneNumber(i) : QStringLiteral("direct"));
        c.out << printable(line) << Qt::endl;
        for (const QString &problem : s.problems(i))
            c.out << "      unusable: " << problem << Qt::endl;
    }
    return Ok;
}

const RegisterCommand linkCommands[] = {
    RegisterCommand({QStringLiteral("version"), QStringLiteral("version"),
                     QStringLiteral("ask the station for its 7-character firmware version"), version}),
    RegisterCommand({QStringLiteral("read"), QStringLiteral("read ADDRESS"),
                     QStringLiteral("print the raw 16-bit value at ADDRESS (0..255)"), read}),
    RegisterCommand({QStringLiteral("write"), QStringLiteral("write ADDRESS VALUE"),
                     QStringLiteral("write VALUE (0..65535) to ADDRESS and print the echo"), write}),
    RegisterCommand({QStringLiteral("ports"), QStringLiteral("ports"),
                     QStringLiteral("show which device each COM port maps to, and the serial devices present"), ports}),
    RegisterCommand({QStringLiteral("settings"), QStringLiteral("settings"),
                     QStringLiteral("show where the settings file is and its twenty station slots"), settings}),
};

} // namespace

} // namespace orv::cli
