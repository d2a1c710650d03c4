#include "cancel_form.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QStyle>

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

    m_info = new QLabel(this);
    m_info->setObjectName(QStringLiteral("info_lbl"));
    m_info->setWordWrap(true);
    m_info->setMinimumWidth(320);
    m_info->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 16);
    layout->setSpacing(14);
    layout->addWidget(icon);
    layout->addWidget(m_info, 1);
    // Tall enough for the longest failure text over three lines, so the window never jumps.
    setFixedSize(420, 110);
}

void cancel_form::show()
{
    if (m_owner)
        move(m_owner->frameGeometry().center() - rect().center());
    m_closing = false;
    QWidget::show();
    repaintNow();
}

void cancel_form::setInfo(const QString &text)
{
    if (m_info->text() == text)
        return;
    m_info->setText(text);
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
    if (m_closing)
        event->accept();
    else
        event->ignore();
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
