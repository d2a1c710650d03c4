#include "line_monitor.h"
#include "window_accessibility.h"

#include "link/comm_control.h"

#include <QFileDialog>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QTextBlock>
#include <QVBoxLayout>

LineMonitor::LineMonitor(orv::CommControl &comm, const orv::Pump &clock, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_comm(comm)
    , m_trace(clock, maxRows)
{
    setObjectName(QStringLiteral("line_monitor"));
    setWindowTitle(QStringLiteral("Line Monitor"));

    m_view = new QPlainTextEdit(this);
    m_view->setObjectName(QStringLiteral("trace_view"));
    m_view->setReadOnly(true);
    m_view->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_view->setMaximumBlockCount(maxRows);
    m_view->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));

    m_view->setAccessibleName(QStringLiteral("Line trace"));
    m_status = new StatusLine(QStringLiteral("> to the station, < from the station"), this);
    m_status->setObjectName(QStringLiteral("monitor_status"));
    auto *saveButton = new QPushButton(QStringLiteral("&Save…"), this);
    saveButton->setObjectName(QStringLiteral("monitor_save"));
    auto *clearButton = new QPushButton(QStringLiteral("C&lear"), this);
    clearButton->setObjectName(QStringLiteral("monitor_clear"));
    connect(saveButton, &QPushButton::clicked, this, &LineMonitor::save);
    connect(clearButton, &QPushButton::clicked, this, &LineMonitor::clear);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_status, 1);
    buttons->addWidget(clearButton);
    buttons->addWidget(saveButton);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_view);
    layout->addLayout(buttons);
    resize(720, 420);

    m_flushTimer.setInterval(flushIntervalMs);
    connect(&m_flushTimer, &QTimer::timeout, this, &LineMonitor::flush);
}

LineMonitor::~LineMonitor()
{
    stopListening();
}

void LineMonitor::flush()
{
    const std::vector<orv::TraceEntry> batch = m_trace.takeNew();
    if (batch.empty())
        return;
    QStringList lines;
    lines.reserve(int(batch.size()));
    for (const orv::TraceEntry &entry : batch)
        lines << orv::formatTraceEntry(entry);
    // One append per batch: a row at a time would repaint for every chunk.
    m_view->appendPlainText(lines.join(QLatin1Char('\n')));
}

QStringList LineMonitor::rows() const
{
    QStringList out;
    if (m_view->document()->isEmpty())
        return out;
    for (QTextBlock b = m_view->document()->firstBlock(); b.isValid(); b = b.next())
        out << b.text();
    return out;
}

bool LineMonitor::listening() const
{
    return m_comm.lineObserver() == &m_trace;
}

bool LineMonitor::saveTo(const QString &path)
{
    flush();
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text) || !m_trace.writeTo(file) || !file.commit()) {
        m_status->setStatus(QStringLiteral("Could not save %1: %2").arg(path, file.errorString()));
        return false;
    }
    m_status->setStatus(QStringLiteral("Saved %1 rows to %2").arg(m_trace.entries().size()).arg(path));
    return true;
}

void LineMonitor::save()
{
    const QString path = chooseFile ? chooseFile()
                                    : QFileDialog::getSaveFileName(this, QStringLiteral("Save Line Trace"), QString(),
                                                                   QStringLiteral("Line trace (*.txt);;All files (*)"));
    if (!path.isEmpty())
        saveTo(path);
}

void LineMonitor::clear()
{
    m_trace.clear();
    m_view->clear();
}

void LineMonitor::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    m_comm.setLineObserver(&m_trace);
    m_flushTimer.start();
}

void LineMonitor::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    stopListening();
    flush();
}

void LineMonitor::stopListening()
{
    m_flushTimer.stop();
    if (listening())
        m_comm.setLineObserver(nullptr);
}

#include "moc_line_monitor.cpp"
