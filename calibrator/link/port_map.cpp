#include "port_map.h"

#include "message.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSerialPortInfo>

#include <functional>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

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
        const QString note = QStringLiteral("%1: \"%2\" not used (%3)").arg(source, printable(line), why);
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

namespace {

// The ports file's lines but those `drop` says go, with the trailing blank lines removed.
QStringList keptLines(const QString &filePath, const std::function<bool(int port, const QString &path)> &drop,
                      bool *found, bool *dropped)
{
    QStringList lines;
    QFile in(filePath);
    *found = in.open(QIODevice::ReadOnly | QIODevice::Text);
    if (!*found)
        return lines;
    for (const QString &line : QString::fromUtf8(in.readAll()).split(QLatin1Char('\n'))) {
        const auto entry = parseEntry(line);
        if (entry && drop(entry->first, entry->second))
            *dropped = true;
        else
            lines << line;
    }
    while (!lines.isEmpty() && lines.last().trimmed().isEmpty())
        lines.removeLast();
    return lines;
}

bool writeLines(const QString &filePath, const QStringList &lines, QString *error)
{
    QSaveFile out(filePath);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Text)
        || out.write((lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8()) < 0 || !out.commit()) {
        if (error)
            *error = out.errorString();
        return false;
    }
    return true;
}

} // namespace

namespace {

// Simulators started together each rewrite the file with their own line: the
// folder's lock makes each read-change-write whole, so no line is lost.
class FolderLock
{
public:
    explicit FolderLock(const QString &dir) : m_fd(::open(QFile::encodeName(dir).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC))
    {
        if (m_fd >= 0)
            ::flock(m_fd, LOCK_EX);
    }
    ~FolderLock()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FolderLock(const FolderLock &) = delete;
    FolderLock &operator=(const FolderLock &) = delete;

private:
    int m_fd;
};

} // namespace

bool PortMap::registerPort(const QString &dataDir, int port, const QString &path, QString *error)
{
    QDir().mkpath(dataDir);
    const FolderLock lock(dataDir);
    const QString filePath = QDir(dataDir).filePath(fileName());
    bool found = false;
    bool dropped = false;
    QStringList lines = keptLines(filePath, [port](int p, const QString &) { return p == port; }, &found, &dropped);
    if (!found)
        lines << QStringLiteral("# ORV CAL port map: COMn=device path, one per line.");
    lines << QStringLiteral("COM%1=%2").arg(port).arg(path);
    return writeLines(filePath, lines, error);
}

bool PortMap::unregisterPort(const QString &dataDir, int port, const QString &path, QString *error)
{
    const FolderLock lock(dataDir);
    const QString filePath = QDir(dataDir).filePath(fileName());
    bool found = false;
    bool dropped = false;
    const QStringList lines = keptLines(
        filePath, [port, path](int p, const QString &named) { return p == port && named == path; }, &found, &dropped);
    return !dropped || writeLines(filePath, lines, error);
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
