#include "port_map.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSerialPortInfo>

Q_LOGGING_CATEGORY(lcPorts, "orv.ports", QtInfoMsg)

namespace orv {

namespace {

std::optional<std::pair<int, QString>> parseEntry(const QString &entry)
{
    static const QRegularExpression re(QStringLiteral(R"(^\s*COM(\d+)\s*=\s*(\S.*?)\s*$)"),
                                       QRegularExpression::CaseInsensitiveOption);
    const auto m = re.match(entry);
    if (!m.hasMatch())
        return std::nullopt;
    const int port = m.captured(1).toInt();
    if (port < PortMap::firstPort || port > PortMap::lastPort)
        return std::nullopt;
    return std::make_pair(port, m.captured(2));
}

} // namespace

PortMap PortMap::load(const QString &dataDir)
{
    PortMap map;
    QFile file(QDir(dataDir).filePath(fileName()));
    if (file.open(QIODevice::ReadOnly | QIODevice::Text))
        map.noteUnusable(file.fileName(), map.parse(QString::fromUtf8(file.readAll())));
    const QByteArray env = qgetenv("ORV_PORTS");
    if (!env.isEmpty())
        map.noteUnusable(QStringLiteral("ORV_PORTS"),
                         map.parse(QString::fromUtf8(env).replace(QLatin1Char(';'), QLatin1Char('\n'))));
    return map;
}

void PortMap::noteUnusable(const QString &source, const QStringList &lines)
{
    static const QRegularExpression entry(QStringLiteral(R"(^COM(\d+)\s*=\s*\S)"),
                                          QRegularExpression::CaseInsensitiveOption);
    for (const QString &line : lines) {
        const bool otherPort = entry.match(line).hasMatch();
        const QString why = otherPort ? QStringLiteral("ports are COM1 to COM8") : QStringLiteral("not COMn=device path");
        const QString note = QStringLiteral("%1: \"%2\" not used (%3)").arg(source, line, why);
        qCWarning(lcPorts).noquote() << note;
        m_unusable << note;
    }
}

QString PortMap::devicePath(int port) const
{
    if (port < firstPort || port > lastPort)
        return {};
    return m_paths.value(port, QStringLiteral("/dev/ttyS%1").arg(port - 1));
}

void PortMap::setDevicePath(int port, const QString &path)
{
    if (port >= firstPort && port <= lastPort)
        m_paths.insert(port, path);
}

QStringList PortMap::parse(const QString &text)
{
    QStringList bad;
    for (QString line : text.split(QLatin1Char('\n'))) {
        const int hash = line.indexOf(QLatin1Char('#'));
        if (hash >= 0)
            line.truncate(hash);
        if (line.trimmed().isEmpty())
            continue;
        if (const auto entry = parseEntry(line))
            m_paths.insert(entry->first, entry->second);
        else
            bad << line.trimmed();
    }
    return bad;
}

bool PortMap::registerPort(const QString &dataDir, int port, const QString &path, QString *error)
{
    const QString filePath = QDir(dataDir).filePath(fileName());
    QStringList lines;
    QFile in(filePath);
    if (in.open(QIODevice::ReadOnly | QIODevice::Text)) {
        for (const QString &line : QString::fromUtf8(in.readAll()).split(QLatin1Char('\n'))) {
            const auto entry = parseEntry(line);
            if (!(entry && entry->first == port))
                lines << line;
        }
        while (!lines.isEmpty() && lines.last().trimmed().isEmpty())
            lines.removeLast();
    } else {
        lines << QStringLiteral("# ORV CAL port map: COMn=device path, one per line.");
    }
    lines << QStringLiteral("COM%1=%2").arg(port).arg(path);

    QDir().mkpath(dataDir);
    QSaveFile out(filePath);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Text)
        || out.write((lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8()) < 0 || !out.commit()) {
        if (error)
            *error = out.errorString();
        return false;
    }
    return true;
}

QStringList presentSerialDevices()
{
    QStringList devices;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        devices << info.systemLocation();
    const QDir byId(QStringLiteral("/dev/serial/by-id"));
    for (const QFileInfo &entry : byId.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot))
        devices << QStringLiteral("%1 -> %2").arg(entry.absoluteFilePath(), entry.canonicalFilePath());
    return devices;
}

} // namespace orv
