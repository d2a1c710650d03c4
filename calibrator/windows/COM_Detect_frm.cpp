#include "COM_Detect_frm.h"

#include "keyboard_focus.h"
#include "screen_fit.h"
#include "window_accessibility.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

COM_Detect_frm::COM_Detect_frm(orv::StationLink &link, orv::ComSettings &settings, QWidget *mainWindow,
                               QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_link(link)
    , m_settings(settings)
{
    setObjectName(QStringLiteral("COM_Detect_frm"));
    setWindowTitle(QStringLiteral("Detect Weather Station"));

    m_pic = new QLabel(this);
    m_pic->setObjectName(QStringLiteral("detect_pic"));
    m_pic->setFont(QFont(QStringLiteral("Arial")));
    m_pic->setFrameShape(QFrame::Panel);
    m_pic->setFrameShadow(QFrame::Sunken);
    m_pic->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_pic->setTextFormat(Qt::PlainText);
    m_pic->setMinimumSize(480, 200);
    m_pic->setAutoFillBackground(true);
    m_pic->setBackgroundRole(QPalette::Base);

    const QString captions[] = {QStringLiteral("&Detect Station"), QStringLiteral("&Stop Detection"),
                                QStringLiteral("&Close")};
    auto *buttons = new QHBoxLayout;
    for (int i = 0; i < 3; ++i) {
        m_buttons[i] = new QPushButton(captions[i], this);
        m_buttons[i]->setObjectName(QStringLiteral("detect_cmd_%1").arg(i));
        connect(m_buttons[i], &QPushButton::clicked, this, [this, i] { detect_cmd_Click(i); });
        buttons->addWidget(m_buttons[i]);
    }
    m_status = new StatusLine(QString(), this);
    m_status->setObjectName(QStringLiteral("status_lbl"));

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_pic, 1);
    layout->addWidget(m_status);
    layout->addLayout(buttons);

    if (mainWindow)
        disableKeepingFocus(mainWindow);
    setIdleButtons();
    giveRoomForCaption(this);
}

void COM_Detect_frm::detect_cmd_Click(int index)
{
    switch (index) {
    case DetectButton:
    {
        if (m_running)
            return;
        // The focus moves to "&Stop Detection" while the run lasts, and comes back after it.
        const QPointer<QWidget> focus = focusWidget();
        m_buttons[StopButton]->setEnabled(true);
        if (focus == m_buttons[DetectButton])
            m_buttons[StopButton]->setFocus(Qt::OtherFocusReason);
        m_buttons[DetectButton]->setEnabled(false);
        m_buttons[CloseButton]->setEnabled(false);
        detect_station();
        if (focus && focus->isEnabled())
            focus->setFocus(Qt::OtherFocusReason);
        break;
    }
    case StopButton:
        m_stopRequested = true;
        if (m_running)
            m_status->setStatus(QStringLiteral("Stopping after this rate…"));
        break;
    case CloseButton:
        close();
        break;
    default:
        break;
    }
}

void COM_Detect_frm::detect_station()
{
    m_stopRequested = false;
    m_status->setStatus(QString());
    m_running = true;
    emit runningChanged(true);
    m_result = orv::detect_station(m_link, m_settings, *this);
    // Idle again already (runEnded); only the flag that guards closing is left.
    m_running = false;
    emit runningChanged(false);
}

void COM_Detect_frm::closeEvent(QCloseEvent *event)
{
    // The run waits inside this window's handler; a window gone from under it
    // would leave a detection going on behind the user's back.
    if (m_running) {
        event->ignore();
        return;
    }
    event->accept();
    emit unloaded();
}

void COM_Detect_frm::clear()
{
    m_text.clear();
    showText();
}

void COM_Detect_frm::print(const QString &text)
{
    m_text.print(text);
    showText();
}

void COM_Detect_frm::endLine()
{
    m_text.endLine();
    showText();
}

void COM_Detect_frm::beep()
{
    QApplication::beep();
}

void COM_Detect_frm::runEnded()
{
    m_status->setStatus(QString());
    setIdleButtons();
    giveRoomForCaption(this);
}

void COM_Detect_frm::setIdleButtons()
{
    m_buttons[DetectButton]->setEnabled(true);
    m_buttons[StopButton]->setEnabled(false);
    m_buttons[CloseButton]->setEnabled(true);
}

void COM_Detect_frm::showText()
{
    m_pic->setText(m_text.toPlainText());
}

#include "moc_COM_Detect_frm.cpp"
