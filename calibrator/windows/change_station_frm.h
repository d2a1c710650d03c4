#pragma once

#include <QDialog>

class QComboBox;
class QPushButton;

namespace orv {
struct ComSettings;
}

// "Station Selection": picks the active slot by name. Only "&OK" changes it,
// and only for this run; nothing is written to the settings file.
class change_station_frm : public QDialog
{
    Q_OBJECT
public:
    change_station_frm(const orv::ComSettings &settings, int &curStation, QWidget *parent = nullptr);

    // Shows the window modally; returns when it has closed.
    static void choose(const orv::ComSettings &settings, int &curStation, QWidget *parent);

    void change_station_exit_cmd_Click();

    QComboBox *stationList() const { return m_list; }

private:
    void Form_Load(const orv::ComSettings &settings);

    int &m_curStation;
    QComboBox *m_list = nullptr;
    QPushButton *m_ok = nullptr;
};
