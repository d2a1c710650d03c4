#include "link_activity.h"
#include "window_accessibility.h"

#include "link/pump.h"

#include <QLabel>
#include <QPalette>

LinkActivity::LinkActivity(orv::Pump &pump, QObject *parent)
    : QObject(parent)
    , m_pump(pump)
{
    m_ticker.setInterval(1000);
    connect(&m_ticker, &QTimer::timeout, this, &LinkActivity::tick);
}

void LinkActivity::begin(const QString &task)
{
    m_task = task;
    m_start = m_pump.now();
    m_attempt = 0;
    m_attempts = 0;
    m_ticker.start();
    emit changed(text());
}

void LinkActivity::end()
{
    if (m_task.isEmpty())
        return;
    m_task.clear();
    m_ticker.stop();
    emit changed(text());
}

QString LinkActivity::text() const
{
    if (m_task.isEmpty())
        return {};
    const qint64 seconds = qMax<qint64>(0, m_start.msecsTo(m_pump.now()) / 1000);
    QString line = m_task + QStringLiteral("… ") + QString::number(seconds) + QStringLiteral(" s");
    if (m_attempt > 1)
        line += QStringLiteral(". Station not answering, attempt ") + QString::number(m_attempt)
                + QStringLiteral(" of ") + QString::number(m_attempts);
    return line;
}

void LinkActivity::attemptStarted(Exchange, int, int attempt, int attempts)
{
    // Exchanges outside any announced sequence (the command line, detection) show nothing.
    if (m_task.isEmpty())
        return;
    m_attempt = attempt;
    m_attempts = attempts;
    emit changed(text());
}

void LinkActivity::tick()
{
    if (!m_task.isEmpty())
        emit changed(text());
}

StatusLine *activityLabel(LinkActivity &activity, QWidget *parent)
{
    auto *label = new StatusLine(activity.text(), parent);
    label->setObjectName(QStringLiteral("activity_lbl"));
    QPalette palette = label->palette();
    palette.setColor(QPalette::Disabled, QPalette::WindowText, palette.color(QPalette::Active, QPalette::WindowText));
    label->setPalette(palette);
    QObject::connect(&activity, &LinkActivity::changed, label, &StatusLine::setStatus);
    return label;
}

#include "moc_link_activity.cpp"
