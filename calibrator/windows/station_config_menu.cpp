#include "station_config_menu.h"

#include "fleet_backup_dialog.h"
#include "screen_pointer.h"
#include "window_accessibility.h"

#include "fleet.h"

#include "link/com_settings.h"
#include "link/comm_control.h"
#include "link/message.h"
#include "link/pump.h"
#include "link/station_link.h"
#include "params/number_format.h"
#include "params/prm_file.h"
#include "params/setting_panels.h"
#include "params/station_backup.h"
#include "params/station_config.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMainWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QSaveFile>
#include <QStandardPaths>

#include <cmath>

namespace {

const QString fileFilter = QStringLiteral("Station configuration (*.json);;All files (*)");

QString aboutSeconds(double s)
{
    return s >= 90 ? QStringLiteral("about %1 min %2 s").arg(int(s) / 60).arg(int(s) % 60)
                   : QStringLiteral("about %1 s").arg(int(std::ceil(s)));
}

std::unique_ptr<QProgressDialog> progressDialog(QWidget *owner, const QString &title, bool cancellable)
{
    auto dialog = std::make_unique<QProgressDialog>(owner);
    dialog->setObjectName(QStringLiteral("config_progress"));
    dialog->setWindowTitle(title);
    dialog->setWindowModality(Qt::NonModal);
    dialog->setAutoClose(false);
    dialog->setAutoReset(false);
    dialog->setMinimumDuration(0);
    if (!cancellable)
        dialog->setCancelButton(nullptr);
    dialog->show();
    return dialog;
}

orv::Progress showProgress(QProgressDialog &dialog, const QString &verb)
{
    return [&dialog, verb](int done, int total, orv::ParamEntry entry, double left) {
        dialog.setMaximum(total);
        dialog.setValue(done);
        if (done < total)
            dialog.setLabelText(QStringLiteral("%1 setting %2 of %3: %4\n%5 left")
                                    .arg(verb)
                                    .arg(done + 1)
                                    .arg(total)
                                    .arg(QString::fromLatin1(orv::entryName(entry)), aboutSeconds(left)));
    };
}

} // namespace

StationConfigMenu::StationConfigMenu(QMainWindow &window, orv::StationLink &link, orv::ComSettings &settings,
                                     orv::SettingsFile &settingsFile, QString dataDir)
    : QObject(&window)
    , m_window(window)
    , m_link(link)
    , m_settings(settings)
    , m_settingsFile(settingsFile)
    , m_dataDir(std::move(dataDir))
{
    setObjectName(QStringLiteral("station_config"));
    m_menu = window.menuBar()->addMenu(QStringLiteral("Confi&guration"));
    m_menu->setObjectName(QStringLiteral("config_menu"));
    m_save = m_menu->addAction(QStringLiteral("&Save Station Configuration…"));
    m_save->setObjectName(QStringLiteral("save_config_menu"));
    onChosen(m_save, &m_window, this, &StationConfigMenu::saveConfiguration);
    m_restore = m_menu->addAction(QStringLiteral("&Restore Station Configuration…"));
    m_restore->setObjectName(QStringLiteral("restore_config_menu"));
    onChosen(m_restore, &m_window, this, &StationConfigMenu::restoreConfiguration);
    m_menu->addSeparator();
    m_backUpAll = m_menu->addAction(QStringLiteral("&Back up every station…"));
    m_backUpAll->setObjectName(QStringLiteral("backup_all_menu"));
    onChosen(m_backUpAll, &m_window, this, &StationConfigMenu::backUpEveryStation);
    // The entries one by one, as a screen reader reaches them without opening the menu.
    setMenuState(false, true);

    chooseFile = [this](bool saving) {
        return saving ? QFileDialog::getSaveFileName(&m_window, QStringLiteral("Save Station Configuration"),
                                                     startFolder(), fileFilter)
                      : QFileDialog::getOpenFileName(&m_window, QStringLiteral("Restore Station Configuration"),
                                                     startFolder(), fileFilter);
    };
    chooseFolder = [this] {
        return QFileDialog::getExistingDirectory(&m_window, QStringLiteral("Back up every station into"), startFolder());
    };
    confirm = [this](const QString &question) {
        return QMessageBox::question(&m_window, QStringLiteral("ORV CAL"), question) == QMessageBox::Yes;
    };
}

void StationConfigMenu::setMenuState(bool connected, bool unconnected)
{
    m_menu->setEnabled(connected || unconnected);
    m_save->setEnabled(connected);
    m_restore->setEnabled(connected);
    m_backUpAll->setEnabled(unconnected);
}

void StationConfigMenu::backUpEveryStation()
{
    if (orv::cli::slotsWithAPort(m_settings).isEmpty()) {
        m_link.show_message(QStringLiteral("No station slot has a port set. Set up the stations in Communication "
                                           "Properties first."),
                            orv::MessageIcon::Exclamation);
        return;
    }
    const QString folder = chooseFolder();
    if (folder.isEmpty())
        return;
    m_lastFolder = folder;
    auto *dialog = new FleetBackupDialog(m_settings, m_dataDir, folder, &m_window);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
    dialog->start();
}

QString StationConfigMenu::startFolder() const
{
    if (!m_lastFolder.isEmpty())
        return m_lastFolder;
    // A technician's files belong with their documents, not in the program's hidden data folder.
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

QString StationConfigMenu::chosenFile(bool save)
{
    QString path = chooseFile(save);
    if (path.isEmpty())
        return path;
    // Saved without an extension, the file would not show under the dialog's own filter.
    if (save && QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".json");
    m_lastFolder = QFileInfo(path).absolutePath();
    return path;
}

bool StationConfigMenu::connectAndLoad()
{
    // As on entering calibration mode: the terminal must not take the replies.
    m_link.comm().setTerminalMode(orv::CommControl::TerminalModeB, 0);
    m_link.comm().setTerminalMode(orv::CommControl::TerminalModeA, 0);
    m_window.setEnabled(false);
    setScreenPointerBusy();
    const orv::LinkResult<QByteArray> version = m_link.request_version();
    if (!version) {
        m_link.show_failure(QStringLiteral("Com error while getting station version information"), version.failure());
        m_link.close_link();
        return false;
    }
    m_firmware = orv::firmwareName(*version);
    const QString path = orv::load_prm_file(m_link.state, m_records, orv::prmSearchPath(m_dataDir), m_link.messages());
    if (path.isEmpty()) {
        finish();
        return false;
    }
    m_definitionFile = QFileInfo(path).fileName();
    return true;
}

bool StationConfigMenu::readAll(const QList<orv::ParamEntry> &entries, QMap<orv::ParamEntry, int> *raw,
                                const orv::Progress &progress)
{
    const orv::Access<> read = orv::readRawSettings(m_link, m_records, entries, raw, progress);
    // A failed read has shown its message and closed the link; a fault of
    // the definition file has been told and leaves the link as it was.
    if (read.result == orv::AccessResult::DataFault)
        finish();
    return read.done();
}

void StationConfigMenu::finish()
{
    setScreenPointerNormal();
    m_window.setEnabled(true);
}

void StationConfigMenu::saveConfiguration()
{
    const QString path = chosenFile(true);
    if (path.isEmpty() || !connectAndLoad())
        return;
    const QList<orv::ParamEntry> entries = orv::backupEntries(m_records);
    QMap<orv::ParamEntry, int> raw;
    {
        auto dialog = progressDialog(&m_window, QStringLiteral("Save Station Configuration"), false);
        if (!readAll(entries, &raw, showProgress(*dialog, QStringLiteral("Reading"))))
            return;
    }
    const int slot = m_link.state.cur_station;
    const orv::StationBackup backup = orv::makeBackup(m_records, raw, m_firmware, m_definitionFile, m_link.pump().now(),
                                                      slot, m_settings.stationName(slot));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(backup.toJson()) < 0 || !file.commit()) {
        finish();
        m_link.show_message(QStringLiteral("ORV CAL could not write %1: %2").arg(path, file.errorString()));
        return;
    }
    finish();
    m_link.show_message(QStringLiteral("The configuration of the weather station (%1 settings, firmware %2) was saved to %3.")
                          .arg(backup.settings.size())
                          .arg(m_firmware, QDir::toNativeSeparators(path)),
                      orv::MessageIcon::Information);
}

void StationConfigMenu::restoreConfiguration()
{
    const QString path = chosenFile(false);
    if (path.isEmpty())
        return;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_link.show_message(QStringLiteral("ORV CAL could not read %1: %2").arg(path, file.errorString()));
        return;
    }
    orv::StationBackup backup;
    QString reason;
    int line = 0;
    if (!orv::StationBackup::fromJson(file.read(orv::StationBackup::largestFile + 1), &backup, &reason, &line)) {
        m_link.show_message(QStringLiteral("ORV CAL cannot restore from %1, line %2: %3. Nothing was written to the "
                                         "weather station.")
                              .arg(QDir::toNativeSeparators(path))
                              .arg(line)
                              .arg(reason));
        return;
    }
    if (!connectAndLoad())
        return;

    QStringList refused;
    QStringList forcible;
    for (const orv::RestoreProblem &p : orv::checkRestore(backup, m_records, m_firmware))
        (p.forcible ? forcible : refused) << QStringLiteral("line %1: %2").arg(p.line).arg(p.reason);
    if (!refused.isEmpty()) {
        finish();
        m_link.show_message(QStringLiteral("ORV CAL cannot restore from %1:\n%2\nNothing was written to the weather "
                                         "station.")
                              .arg(QDir::toNativeSeparators(path), (refused + forcible).join(QLatin1Char('\n'))));
        return;
    }
    if (!forcible.isEmpty() && !confirm(QStringLiteral("%1\nRestore the settings anyway?").arg(forcible.join(QLatin1Char('\n'))))) {
        finish();
        return;
    }

    QMap<orv::ParamEntry, int> current;
    {
        auto dialog = progressDialog(&m_window, QStringLiteral("Restore Station Configuration"), false);
        if (!readAll(orv::backupEntries(m_records), &current, showProgress(*dialog, QStringLiteral("Reading"))))
            return;
    }
    const orv::RestorePlan plan = orv::planRestore(backup, m_records, current);
    if (plan.writes.isEmpty()) {
        finish();
        m_link.show_message(QStringLiteral("The weather station already holds every setting of %1; nothing was written.")
                              .arg(QDir::toNativeSeparators(path)),
                          orv::MessageIcon::Information);
        return;
    }
    QStringList changes;
    for (const orv::PlannedWrite &w : plan.writes)
        changes << QStringLiteral("%1: %2 -> %3")
                       .arg(QString::fromLatin1(orv::entryName(w.entry)),
                            orv::valueText(m_records, w.entry, w.from),
                            orv::valueText(m_records, w.entry, w.to));
    if (!confirm(QStringLiteral("%1 setting(s) differ from the file:\n%2\nWriting them takes %3 (each write waits 15 s "
                                "for the station). Restore them?")
                     .arg(plan.writes.size())
                     .arg(changes.join(QLatin1Char('\n')), aboutSeconds(plan.estimatedSeconds())))) {
        finish();
        return;
    }

    orv::QuietPanels panels;
    orv::RestoreRunner runner(m_link, m_records, m_settings, &m_settingsFile, panels);
    orv::RestoreReport report;
    {
        auto dialog = progressDialog(&m_window, QStringLiteral("Restore Station Configuration"), true);
        // Cancel hides the dialog, but the write in flight still takes up to
        // 15 s: say so while the window waits, as the command line does.
        QObject::connect(dialog.get(), &QProgressDialog::canceled, dialog.get(), [d = dialog.get()] {
            d->setLabelText(QStringLiteral("Finishing the current write…"));
            if (auto *cancel = d->findChild<QPushButton *>())
                cancel->setEnabled(false);
            d->show();
        });
        runner.cancelRequested = [d = dialog.get()] { return d->wasCanceled(); };
        runner.progress = showProgress(*dialog, QStringLiteral("Writing"));
        report = runner.run(plan);
    }
    // After any other ending the link is closed, which restores the window.
    if (report.ending == orv::RestoreReport::Ending::Complete || report.ending == orv::RestoreReport::Ending::Cancelled)
        finish();
    m_link.show_message(report.lines().join(QLatin1Char('\n')),
                      report.allTaken() ? orv::MessageIcon::Information : orv::MessageIcon::Exclamation);
}

#include "moc_station_config_menu.cpp"
