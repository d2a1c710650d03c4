#include "cancel_form.h"
#include "window_accessibility.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QStyle>
#include <QVBoxLayout>

cancel_form::cancel_form(QWidget *owner)
    : QWidget(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    , m_owner(owner)
{
    setObjectName(QStringLiteral("cancel_form"));
    setWindowTitle(QStringLiteral("Connection in Progress"));

    auto *icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("icon_pic"));
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(32, 32));
    icon->setAlignment(Qt::AlignCenter);

    // A status line: a listener on "Cancel" hears each step and the reason for a failure.
    m_info = new StatusLine(QString(), this);
    m_info->setObjectName(QStringLiteral("info_lbl"));
    m_info->setWordWrap(true);
    m_info->setMinimumWidth(320);
    m_info->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("cancel_cmd"));
    connect(m_cancel, &QPushButton::clicked, this, [this] { requestCancel(); });
    connect(new QShortcut(Qt::Key_Escape, this), &QShortcut::activated, m_cancel, &QPushButton::click);

    auto *message = new QHBoxLayout;
    message->setSpacing(14);
    message->addWidget(icon);
    message->addWidget(m_info, 1);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 12);
    layout->addLayout(message, 1);
    layout->addWidget(m_cancel, 0, Qt::AlignRight);
    // Tall enough for the longest failure text (a reason and advice under it)
    // over four lines, so the window never jumps.
    setFixedSize(440, 170);
}

void cancel_form::show()
{
    if (m_owner)
        move(m_owner->frameGeometry().center() - rect().center());
    m_closing = false;
    QWidget::show();
    m_cancel->setFocus(Qt::OtherFocusReason);
    repaintNow();
}

void cancel_form::setInfo(const QString &text)
{
    if (m_info->text() == text)
        return;
    m_info->setStatus(text);
    repaintNow();
    emit infoChanged(text);
}

void cancel_form::beep()
{
    QApplication::beep();
    emit beeped();
}

void cancel_form::close()
{
    emit unloaded();
    m_closing = true;
    QWidget::close();
}

void cancel_form::closeEvent(QCloseEvent *event)
{
    if (m_closing) {
        event->accept();
        return;
    }
    event->ignore();
    requestCancel();
}

QString cancel_form::info() const
{
    return m_info->text();
}

void cancel_form::repaintNow()
{
    // The procedure goes on to wait, and the wait may run no paint events
    // before the next step replaces the text.
    if (isVisible())
        repaint();
}

#include "moc_cancel_form.cpp"
