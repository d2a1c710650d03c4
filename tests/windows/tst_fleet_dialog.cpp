#include "station_process.h"

#include "fleet_backup_dialog.h"

#include "link/port_map.h"
#include "link/settings_file.h"

#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace orv;
using namespace orv::test;

// "Back up every station…" against simulators on pseudo-terminals: a row per
// slot, lines at once, slots of one line in turn, a port that is not there.
class TestFleetDialog : public QObject
{
    Q_OBJECT

private slots:
    void rowsFollowEachSlot();
};

void TestFleetDialog::rowsFollowEachSlot()
{
    QTemporaryDir dir;
    StationProcess first(QStringLiteral(ORV_STATION_PATH));
    StationProcess second(QStringLiteral(ORV_STATION_PATH));
    for (auto [station, port] : {std::pair{&first, 1}, std::pair{&second, 2}})
        QVERIFY2(station->start({QStringLiteral("--register-com"), QString::number(port), QStringLiteral("--data-dir"),
                                 dir.path()}),
                 qPrintable(station->error()));
    QString error;
    QVERIFY(PortMap::registerPort(dir.path(), 5, dir.filePath(QStringLiteral("gone")), &error));
    ComSettings settings;
    SettingsFile file;
    QVERIFY(file.load(dir.path(), settings));
    for (auto [slot, port] : {std::pair{0, 1}, std::pair{1, 2}, std::pair{2, 2}, std::pair{3, 5}}) {
        settings.com_port[std::size_t(slot)] = std::int16_t(port);
        settings.setStationName(slot, QStringLiteral("Mast %1").arg(slot));
    }

    FleetBackupDialog dialog(settings, dir.path(), dir.filePath(QStringLiteral("all")));
    QCOMPARE(dialog.rowCount(), 4);
    QSignalSpy done(&dialog, &FleetBackupDialog::allDone);
    dialog.start();
    // While slot 1 reads, slot 2 waits for their shared line.
    QTRY_VERIFY2_WITH_TIMEOUT(dialog.rowText(1).contains(QLatin1String("| Reading ")), qPrintable(dialog.rowText(1)), 10000);
    QVERIFY2(dialog.rowText(2).contains(QLatin1String("| Waiting for its line |")), qPrintable(dialog.rowText(2)));
    QVERIFY(done.wait(60000));

    for (int row : {0, 1, 2})
        QVERIFY2(dialog.rowText(row).contains(QRegularExpression(QStringLiteral(R"(\| Saved in [\d.]+ s \| (\d+)/\1$)"))),
                 qPrintable(dialog.rowText(row)));
    QVERIFY2(dialog.rowText(3).contains(QLatin1String("| port unavailable |")), qPrintable(dialog.rowText(3)));
    QVERIFY(dialog.summary().startsWith(QLatin1String("3 of 4 station(s) backed up into")));
    // The manual's picture: ORV_SCREENSHOT_DIR=/tmp/shots build-check/tests/windows/tst_fleet_dialog
    if (const QString shots = qEnvironmentVariable("ORV_SCREENSHOT_DIR"); !shots.isEmpty()) {
        dialog.show();
        QVERIFY(dialog.grab().save(QDir(shots).filePath(QStringLiteral("backup-every-station.png"))));
    }
    QCOMPARE(QDir(dir.filePath(QStringLiteral("all"))).entryList(QDir::Files),
             (QStringList{"slot00-Mast_0.json", "slot01-Mast_1.json", "slot02-Mast_2.json"}));
}

QTEST_MAIN(TestFleetDialog)
#include "tst_fleet_dialog.moc"
