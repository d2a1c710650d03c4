#include "change_station_frm.h"

#include "screen_fit.h"

#include "link/com_settings.h"

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QPushButton>
#include <QVBoxLayout>

change_station_frm::change_station_frm(const orv::ComSettings &settings, int &curStation, QWidget *parent)
    : QDialog(parent)
    , m_curStation(curStation)
{
    setObjectName(QStringLiteral("change_station_frm"));
    setWindowTitle(QStringLiteral("Station Selection"));

    auto *frame = new QGroupBox(QStringLiteral("Select Active Station"), this);
    frame->setObjectName(QStringLiteral("Frame1"));
    m_list = new QComboBox(frame);
    m_list->setObjectName(QStringLiteral("station_Combo"));
    m_list->setAccessibleName(frame->title());
    m_ok = new QPushButton(QStringLiteral("&OK"), frame);
    m_ok->setObjectName(QStringLiteral("change_station_exit_cmd"));
    m_ok->setDefault(true);
    auto *inner = new QVBoxLayout(frame);
    inner->addWidget(m_list);
    inner->addWidget(m_ok, 0, Qt::AlignRight);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(frame);

    connect(m_ok, &QPushButton::clicked, this, &change_station_frm::change_station_exit_cmd_Click);
    Form_Load(settings);
    giveRoomForCaption(this);
}

void change_station_frm::choose(const orv::ComSettings &settings, int &curStation, QWidget *parent)
{
    change_station_frm form(settings, curStation, parent);
    form.exec();
}

void change_station_frm::Form_Load(const orv::ComSettings &settings)
{
    // Position i is slot i, also when names repeat.
    for (int i = 0; i < orv::ComSettings::slotCount; ++i)
        m_list->addItem(settings.stationName(i));
    m_list->setCurrentIndex(m_curStation);
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
}

void change_station_frm::change_station_exit_cmd_Click()
{
    if (m_list->currentIndex() >= 0)
        m_curStation = m_list->currentIndex();
    accept();
}

#include "moc_change_station_frm.cpp"
