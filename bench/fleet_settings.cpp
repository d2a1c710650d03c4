#include "link/com_settings.h"
#include "link/settings_file.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

// Writes station slots into the settings file of a data folder, for fleet runs
// without the properties window:
//   orv-bench-fleet-settings DIR SLOT:PORT:NAME[:BAUD] ...
int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: orv-bench-fleet-settings DIR SLOT:PORT:NAME[:BAUD] ...\n");
        return 2;
    }
    orv::SettingsFile file;
    orv::ComSettings settings;
    if (!file.load(args[0], settings)) {
        std::fprintf(stderr, "%s\n", qPrintable(file.error()));
        return 1;
    }
    for (const QString &slotArg : args.mid(1)) {
        const QStringList f = slotArg.split(QLatin1Char(':'));
        bool slotOk = false;
        bool portOk = false;
        const int slot = f.value(0).toInt(&slotOk);
        const int port = f.value(1).toInt(&portOk);
        if (f.size() < 3 || !slotOk || !portOk || slot < 0 || slot >= orv::ComSettings::slotCount) {
            std::fprintf(stderr, "bad slot '%s' (SLOT:PORT:NAME[:BAUD])\n", qPrintable(slotArg));
            return 2;
        }
        const auto i = std::size_t(slot);
        settings.com_port[i] = std::int16_t(port);
        settings.baud_rate[i] = f.size() > 3 ? f[3].toFloat() : 2400.0f;
        settings.modem_flag[i] = 0;
        settings.setStationName(slot, f[2]);
    }
    if (!file.save(settings)) {
        std::fprintf(stderr, "%s\n", qPrintable(file.error()));
        return 1;
    }
    return 0;
}
