#include "fuzz_driver.h"

#include "link/port_map.h"

using namespace orv;

// The ports file: every port maps to a path, a line not used is named as it stood, and
// the map written back as COMn=path lines reads as the same map without complaint.
void fuzzOne(FuzzInput &in)
{
    PortMap map, again;
    const QString text = QString::fromUtf8(in.rest());
    for (const QString &line : map.parse(text))
        check(!line.isEmpty() && text.contains(line), "a line not used is named as it stood", text.toUtf8());
    QString written;
    for (int port = PortMap::firstPort; port <= PortMap::lastPort; ++port) {
        check(!map.devicePath(port).trimmed().isEmpty(), "every port has a device path", text.toUtf8());
        if (map.isOverridden(port))
            written += QStringLiteral("COM%1=%2\n").arg(port).arg(map.devicePath(port));
    }
    check(again.parse(written).isEmpty(), "the map written back reads without complaint", written.toUtf8());
    for (int port = PortMap::firstPort; port <= PortMap::lastPort; ++port)
        check(again.devicePath(port) == map.devicePath(port), "the map reads back as written", written.toUtf8());
}
