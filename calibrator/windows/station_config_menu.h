#pragma once

#include "params/param_records.h"

#include <QObject>
#include <QString>

#include <functional>

class ORV_Main;
class QMenu;

// The menu that saves a connected station's configuration to a file and
// restores it, with a progress dialog that can stop a restore between writes.
// It lives beside the main window's own menus and is enabled only while
// connected.
class StationConfigMenu : public QObject
{
    Q_OBJECT
public:
    explicit StationConfigMenu(ORV_Main &main);

    QMenu *menu() const { return m_menu; }

    void saveConfiguration();
    void restoreConfiguration();

    // Tests answer the file dialog and the questions instead of a user.
    std::function<QString(bool save)> chooseFile;
    std::function<bool(const QString &question)> confirm;

private:
    bool connectAndLoad();
    void finish();

    ORV_Main &m_main;
    QMenu *m_menu = nullptr;
    // The station's firmware and definition file, loaded afresh for each use.
    QString m_firmware;
    QString m_definitionFile;
    orv::ParamRecords m_records;
};
