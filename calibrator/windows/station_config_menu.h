#pragma once

#include "params/param_records.h"
#include "params/station_config.h"

#include <QObject>
#include <QString>

#include <functional>

class QAction;
class QMainWindow;
class QMenu;

namespace orv {
struct ComSettings;
class SettingsFile;
class StationLink;
}

// The menu that saves a connected station's configuration to a file and
// restores it, with a progress dialog that can stop a restore between writes,
// and backs up every station at once. It lives beside the main window's own
// menus.
class StationConfigMenu : public QObject
{
    Q_OBJECT
public:
    // Adds the menu to `window`'s menu bar; `dataDir` is where definition files are looked for first.
    StationConfigMenu(QMainWindow &window, orv::StationLink &link, orv::ComSettings &settings,
                      orv::SettingsFile &settingsFile, QString dataDir);

    QMenu *menu() const { return m_menu; }

    void saveConfiguration();
    void restoreConfiguration();
    // Backs up every slot with a port set into a chosen folder, each on its own
    // port: only while the window holds no port, which would be one of them.
    void backUpEveryStation();

    // Save and restore need the connection; backing up every station needs every port free.
    void setMenuState(bool connected, bool unconnected);

    // Where the file dialogs open: the folder of the last file chosen in this
    // run, else the user's documents folder.
    QString startFolder() const;

    // Tests answer the file dialog and the questions instead of a user.
    std::function<QString(bool save)> chooseFile;
    std::function<QString()> chooseFolder;
    std::function<bool(const QString &question)> confirm;

private:
    // The file chosen, a saved one given ".json" when it has no extension.
    QString chosenFile(bool save);
    bool connectAndLoad();
    bool readAll(const QList<orv::ParamEntry> &entries, QMap<orv::ParamEntry, int> *raw, const orv::Progress &progress);
    void finish();

    QMainWindow &m_window;
    orv::StationLink &m_link;
    orv::ComSettings &m_settings;
    orv::SettingsFile &m_settingsFile;
    const QString m_dataDir;
    QMenu *m_menu = nullptr;
    QAction *m_save = nullptr;
    QAction *m_restore = nullptr;
    QAction *m_backUpAll = nullptr;
    // The station's firmware and definition file, loaded afresh for each use.
    QString m_firmware;
    QString m_definitionFile;
    QString m_lastFolder;
    orv::ParamRecords m_records;
};
