#pragma once

#include <QWidget>

#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class COM_Detect_frm;

namespace orv {
struct ComSettings;
class SettingsFile;
class StationLink;
}

// "Serial Communication Properties": edits slot `cur_station` in place, every
// change stored at once; closing saves the settings file and gives the owner
// (the main window, disabled meanwhile) back to the user.
class Com_form : public QWidget
{
    Q_OBJECT
public:
    Com_form(orv::ComSettings &settings, orv::StationLink &link, orv::SettingsFile &file, QWidget *owner);
    ~Com_form() override;

    // Shows the one properties window of `owner`, creating it when needed.
    static Com_form *showFor(orv::ComSettings &settings, orv::StationLink &link, orv::SettingsFile &file,
                             QWidget *owner);

    void Com_port_combo_Click();
    void wv_Baud_combo_Click();
    void modem_chk_Click();
    void number_txt_Change();
    void setup_txt_Change();
    void ID_txt_Change();
    void Command1_Click();
    void close_cmd_Click() { close(); }

    COM_Detect_frm *detectionWindow() const { return m_detect.get(); }

    static const QList<int> &baudRates();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    void Form_Load();
    void showPortDevice();
    void showStoredPortAndRate();
    void detectionUnloaded();
    int slot() const;

    orv::ComSettings &m_settings;
    orv::StationLink &m_link;
    orv::SettingsFile &m_file;
    // Not a child: disabling this window must not disable the detection window.
    std::unique_ptr<COM_Detect_frm> m_detect;

    QComboBox *m_port = nullptr;
    QLabel *m_portDevice = nullptr;
    QComboBox *m_baud = nullptr;
    QCheckBox *m_modem = nullptr;
    QLineEdit *m_number = nullptr;
    QLineEdit *m_setup = nullptr;
    QLineEdit *m_id = nullptr;
    QPushButton *m_detectCmd = nullptr;
    QPushButton *m_closeCmd = nullptr;
};
