#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

namespace orv {

// Maps the program's port numbers (COM1..COM8) to device paths.
//
// Default: COMn is /dev/ttyS(n-1). The ports file "ports.conf" in the data
// folder overrides single ports with lines "COM3=/dev/ttyUSB0" ('#' starts a
// comment), and ORV_PORTS="COM2=/dev/pts/4;COM3=..." overrides both.
class PortMap
{
public:
    static constexpr int firstPort = 1;
    static constexpr int lastPort = 8;

    PortMap() = default;

    // Reads the ports file in `dataDir` (if any) and then the environment.
    static PortMap load(const QString &dataDir);
    static QString fileName() { return QStringLiteral("ports.conf"); }

    // Empty for a port number outside 1..8.
    QString devicePath(int port) const;
    bool isOverridden(int port) const { return m_paths.contains(port); }
    void setDevicePath(int port, const QString &path);

    // Parses "COMn=path" entries; returns the lines it could not read.
    QStringList parse(const QString &text);

    // The lines load() could not use, each with where it stood and why;
    // load() has warned about each on stderr as well.
    QStringList unusableLines() const { return m_unusable; }

    // Rewrites `port`'s line in the ports file of `dataDir`, keeping the others.
    static bool registerPort(const QString &dataDir, int port, const QString &path, QString *error);
    // Removes `port`'s line from that file if it still names `path`.
    static bool unregisterPort(const QString &dataDir, int port, const QString &path, QString *error);

private:
    void noteUnusable(const QString &source, const QStringList &lines);

    QMap<int, QString> m_paths;
    QStringList m_unusable;
};

// Serial devices present on this machine, /dev/serial/by-id names included.
QStringList presentSerialDevices();

} // namespace orv
