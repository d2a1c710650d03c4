#include "Com_form.h"

#include "COM_Detect_frm.h"
#include "keyboard_focus.h"
#include "screen_fit.h"

#include "link/com_settings.h"
#include "link/comm_control.h"
#include "link/settings_file.h"
#include "link/station_link.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

Q_LOGGING_CATEGORY(lcComForm, "orv.comform", QtInfoMsg)

namespace {

QFont arial()
{
    return QFont(QStringLiteral("Arial"));
}

} // namespace

const QList<int> &Com_form::baudRates()
{
    static const QList<int> rates(orv::stationRates.begin(), orv::stationRates.end());
    return rates;
}

Com_form::Com_form(orv::ComSettings &settings, orv::StationLink &link, orv::SettingsFile &file, QWidget *owner)
    : QWidget(owner, Qt::Window)
    , m_settings(settings)
    , m_link(link)
    , m_file(file)
{
    setObjectName(QStringLiteral("Com_form"));
    setWindowTitle(QStringLiteral("Serial Communication Properties"));
    setAttribute(Qt::WA_DeleteOnClose);
    buildControls();
    Form_Load();
    giveRoomForCaption(this);
}

Com_form::~Com_form() = default;

Com_form *Com_form::showFor(orv::ComSettings &settings, orv::StationLink &link, orv::SettingsFile &file,
                            QWidget *owner)
{
    Com_form *form = owner->findChild<Com_form *>(QString(), Qt::FindDirectChildrenOnly);
    // A form that has closed is only waiting for its deferred deletion.
    if (!form || !form->isVisible())
        form = new Com_form(settings, link, file, owner);
    form->show();
    form->activateWindow();
    return form;
}

int Com_form::slot() const
{
    return m_link.state.cur_station;
}

void Com_form::buildControls()
{
    auto *frame = new QFrame(this);
    frame->setObjectName(QStringLiteral("Frame5"));
    frame->setFrameShape(QFrame::StyledPanel);
    auto *grid = new QGridLayout(frame);

    const QString labelTexts[] = {QStringLiteral("Station ID"), QStringLiteral("Baud Rate"),
                                  QStringLiteral("Phone # of Remote Station"), QStringLiteral("Modem Setup String"),
                                  QStringLiteral("COM Port")};
    QLabel *labels[5];
    for (int i = 0; i < 5; ++i) {
        labels[i] = new QLabel(labelTexts[i], frame);
        labels[i]->setObjectName(QStringLiteral("Label3_%1").arg(i));
        labels[i]->setFont(arial());
    }

    m_port = new QComboBox(frame);
    m_port->setObjectName(QStringLiteral("Com_port_combo"));
    const orv::PortMap &ports = m_link.comm().ports();
    for (int p = orv::PortMap::firstPort; p <= orv::PortMap::lastPort; ++p) {
        m_port->addItem(QStringLiteral("Communications Port %1").arg(p));
        m_port->setItemData(p - 1, ports.devicePath(p), Qt::ToolTipRole);
    }
    // What COMn is on this machine: a USB adapter's number means nothing by itself.
    m_portDevice = new QLabel(frame);
    m_portDevice->setObjectName(QStringLiteral("port_device_lbl"));
    m_portDevice->setTextInteractionFlags(Qt::TextSelectableByMouse);

    m_baud = new QComboBox(frame);
    m_baud->setObjectName(QStringLiteral("wv_Baud_combo"));
    for (int rate : baudRates())
        m_baud->addItem(QString::number(rate));

    m_modem = new QCheckBox(QStringLiteral("Modem Connected to Port"), frame);
    m_modem->setObjectName(QStringLiteral("modem_chk"));
    m_number = new QLineEdit(frame);
    m_number->setObjectName(QStringLiteral("number_txt"));
    m_setup = new QLineEdit(frame);
    m_setup->setObjectName(QStringLiteral("setup_txt"));
    m_id = new QLineEdit(frame);
    m_id->setObjectName(QStringLiteral("ID_txt"));
    for (QWidget *w : {static_cast<QWidget *>(m_port), static_cast<QWidget *>(m_baud),
                       static_cast<QWidget *>(m_modem), static_cast<QWidget *>(m_number),
                       static_cast<QWidget *>(m_setup), static_cast<QWidget *>(m_id),
                       static_cast<QWidget *>(m_portDevice)})
        w->setFont(arial());

    m_detectCmd = new QPushButton(QStringLiteral("&Detect Weather Station COM port and Baud Rate"), frame);
    m_detectCmd->setObjectName(QStringLiteral("Command1"));

    // Each field is heard by the caption beside it.
    labels[4]->setBuddy(m_port);
    labels[1]->setBuddy(m_baud);
    labels[2]->setBuddy(m_number);
    labels[3]->setBuddy(m_setup);
    labels[0]->setBuddy(m_id);
    m_portDevice->setAccessibleDescription(QStringLiteral("The device of the chosen COM port"));

    grid->addWidget(labels[4], 0, 0);
    grid->addWidget(m_port, 0, 1);
    grid->addWidget(m_portDevice, 0, 2);
    grid->addWidget(labels[1], 1, 0);
    grid->addWidget(m_baud, 1, 1);
    grid->addWidget(m_modem, 2, 1, 1, 2);
    grid->addWidget(labels[2], 3, 0);
    grid->addWidget(m_number, 3, 1, 1, 2);
    grid->addWidget(labels[3], 4, 0);
    grid->addWidget(m_setup, 4, 1, 1, 2);
    grid->addWidget(labels[0], 5, 0);
    grid->addWidget(m_id, 5, 1, 1, 2);
    grid->addWidget(m_detectCmd, 6, 0, 1, 3);
    grid->setColumnStretch(2, 1);

    m_closeCmd = new QPushButton(QStringLiteral("&Close"), this);
    m_closeCmd->setObjectName(QStringLiteral("close_cmd"));

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addWidget(m_closeCmd, 0, Qt::AlignRight);

    connect(m_port, &QComboBox::currentIndexChanged, this, &Com_form::Com_port_combo_Click);
    connect(m_baud, &QComboBox::currentIndexChanged, this, &Com_form::wv_Baud_combo_Click);
    connect(m_modem, &QCheckBox::toggled, this, &Com_form::modem_chk_Click);
    connect(m_number, &QLineEdit::textChanged, this, &Com_form::number_txt_Change);
    connect(m_setup, &QLineEdit::textChanged, this, &Com_form::setup_txt_Change);
    connect(m_id, &QLineEdit::textChanged, this, &Com_form::ID_txt_Change);
    connect(m_detectCmd, &QPushButton::clicked, this, &Com_form::Command1_Click);
    connect(m_closeCmd, &QPushButton::clicked, this, &Com_form::close_cmd_Click);
}

void Com_form::Form_Load()
{
    const int s = slot();
    {
        const QSignalBlocker blockModem(m_modem);
        const QSignalBlocker blockNumber(m_number);
        const QSignalBlocker blockSetup(m_setup);
        const QSignalBlocker blockId(m_id);
        m_modem->setChecked(m_settings.hasModem(s));
        // Phone and setup at full width, trailing blanks included: what is shown is what is stored.
        m_number->setText(QString::fromLatin1(m_settings.phone_number[s]));
        m_setup->setText(QString::fromLatin1(m_settings.modem_setup[s]));
        // Show the start of the text, not the blanks that fill the field.
        m_number->setCursorPosition(0);
        m_setup->setCursorPosition(0);
        m_id->setText(m_settings.stationName(s));
    }
    showStoredPortAndRate();
    // Filling stores the shown values back; only the name can change by it
    // (trimmed, or the slot's default name when it was blank).
    if (m_modem->isChecked())
        modem_chk_Click();
    number_txt_Change();
    setup_txt_Change();
    ID_txt_Change();
}

void Com_form::showStoredPortAndRate()
{
    const int s = slot();
    const int port = m_settings.com_port[s];
    const int rateIndex = orv::stationRateIndex(m_settings.baud_rate[s]);
    const bool exactRate = rateIndex >= 0;
    {
        const QSignalBlocker blockPort(m_port);
        const QSignalBlocker blockBaud(m_baud);
        // A port or rate outside the lists (a damaged file) shows no selection
        // and keeps its stored value until the user picks one.
        m_port->setCurrentIndex(port >= orv::PortMap::firstPort && port <= orv::PortMap::lastPort ? port - 1 : -1);
        m_baud->setCurrentIndex(exactRate ? rateIndex : -1);
        // Shown while nothing is selected, so a damaged rate is named rather than hidden.
        m_baud->setPlaceholderText(exactRate ? QString()
                                             : QStringLiteral("%1: not a station rate")
                                                   .arg(QString::number(double(m_settings.baud_rate[s]), 'g', 7)));
    }
    showPortDevice();
}

void Com_form::showPortDevice()
{
    const int index = m_port->currentIndex();
    if (index < 0) {
        m_portDevice->setText(QStringLiteral("stored port %1 is not COM1 to COM8").arg(m_settings.com_port[slot()]));
        return;
    }
    const QString path = m_link.comm().devicePath(index + 1);
    m_portDevice->setText(QFileInfo::exists(path) ? path : path + QStringLiteral(" (not present)"));
}

void Com_form::Com_port_combo_Click()
{
    const int index = m_port->currentIndex();
    if (index >= 0)
        m_settings.com_port[slot()] = std::int16_t(index + 1);
    showPortDevice();
}

void Com_form::wv_Baud_combo_Click()
{
    const int index = m_baud->currentIndex();
    if (index >= 0)
        m_settings.baud_rate[slot()] = float(baudRates()[index]);
}

void Com_form::modem_chk_Click()
{
    m_settings.modem_flag[slot()] = m_modem->isChecked() ? orv::ComSettings::modemPresent : 0;
}

void Com_form::number_txt_Change()
{
    m_settings.setPhoneNumber(slot(), m_number->text());
}

void Com_form::setup_txt_Change()
{
    m_settings.setModemSetup(slot(), m_setup->text());
}

void Com_form::ID_txt_Change()
{
    m_settings.setStationName(slot(), m_id->text());
}

void Com_form::Command1_Click()
{
    if (m_detect)
        return;
    disableKeepingFocus(this);
    m_detect = std::make_unique<COM_Detect_frm>(m_link, m_settings, parentWidget());
    connect(m_detect.get(), &COM_Detect_frm::unloaded, this, &Com_form::detectionUnloaded);
    m_detect->show();
}

void Com_form::detectionUnloaded()
{
    // Deferred: the window is still inside its own close handling.
    m_detect.release()->deleteLater();
    // What a detection found is what closing will save, so show it.
    showStoredPortAndRate();
    enableRestoringFocus(this, true);
}

void Com_form::closeEvent(QCloseEvent *event)
{
    // The detection window must go first: it may be in the middle of a run.
    if (m_detect) {
        event->ignore();
        return;
    }
    event->accept();
    if (!m_file.save(m_settings)) {
        qCWarning(lcComForm) << m_file.error();
        m_link.show_message(QStringLiteral("The connection settings could not be saved: ") + m_file.error(),
                            orv::MessageIcon::Exclamation);
    }
    if (QWidget *owner = parentWidget())
        enableRestoringFocus(owner, true);
}

#include "moc_Com_form.cpp"
