#include "fleet_backup_dialog.h"

#include "fleet.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollArea>
#include <QVBoxLayout>

using orv::cli::FleetRunner;

FleetBackupDialog::FleetBackupDialog(const orv::ComSettings &settings, const QString &dataDir, const QString &folder,
                                     QWidget *parent)
    : QDialog(parent)
    , m_folder(folder)
{
    setObjectName(QStringLiteral("fleet_backup_dialog"));
    setWindowTitle(QStringLiteral("Back up every station"));
    const QList<orv::cli::FleetSlot> slotList =
        orv::cli::fleetSlots(settings, dataDir, orv::cli::slotsWithAPort(settings));

    auto *rows = new QWidget;
    auto *grid = new QGridLayout(rows);
    for (const orv::cli::FleetSlot &s : slotList) {
        Row row;
        row.station = new QLabel(QStringLiteral("%1  %2  COM%3").arg(s.slot).arg(s.name).arg(s.port));
        row.bar = new QProgressBar;
        row.bar->setRange(0, 1);
        row.bar->setValue(0);
        row.bar->setTextVisible(false);
        row.state = new QLabel(QStringLiteral("Waiting for its line"));
        row.state->setMinimumWidth(220);
        const int r = int(m_rows.size());
        grid->addWidget(row.station, r, 0);
        grid->addWidget(row.bar, r, 1);
        grid->addWidget(row.state, r, 2);
        m_rows.append(row);
    }
    auto *scroll = new QScrollArea;
    scroll->setWidget(rows);
    scroll->setWidgetResizable(true);

    m_summary = new QLabel(QStringLiteral("Backing up %1 station(s) into %2").arg(m_rows.size()).arg(folder));
    m_summary->setWordWrap(true);
    auto *buttons = new QDialogButtonBox;
    m_stop = buttons->addButton(QStringLiteral("&Stop"), QDialogButtonBox::RejectRole);
    m_close = buttons->addButton(QStringLiteral("&Close"), QDialogButtonBox::AcceptRole);
    m_close->setEnabled(false);
    connect(m_stop, &QPushButton::clicked, this, &FleetBackupDialog::reject);
    connect(m_close, &QPushButton::clicked, this, &QDialog::accept);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_summary);
    layout->addWidget(scroll);
    layout->addWidget(buttons);
    resize(640, qMin(120 + 34 * int(m_rows.size()), 600));

    orv::cli::SlotCommand command{QStringLiteral("backup"), {folder}, dataDir, settings, {}};
    m_runner = std::make_unique<FleetRunner>(slotList, 0, [this, command, slotList](int row, const std::atomic_bool &stop) {
        orv::cli::SlotCommand mine = command;
        FleetRunner *runner = m_runner.get();
        mine.lineOut = [runner, row](const QString &line, bool error) {
            if (error)
                runner->reportProgress(row, line);
        };
        return orv::cli::runSlotCommand(mine, slotList[row].slot, stop);
    });
    connect(m_runner.get(), &FleetRunner::slotStarted, this, &FleetBackupDialog::handleStarted);
    connect(m_runner.get(), &FleetRunner::slotProgress, this, &FleetBackupDialog::handleProgress);
    connect(m_runner.get(), &FleetRunner::slotFinished, this, &FleetBackupDialog::handleSlotFinished);
    connect(m_runner.get(), &FleetRunner::finished, this, &FleetBackupDialog::handleFinished);
}

FleetBackupDialog::~FleetBackupDialog() = default;

void FleetBackupDialog::start()
{
    m_runner->start();
}

bool FleetBackupDialog::isFinished() const
{
    return m_runner->isFinished();
}

QString FleetBackupDialog::rowText(int row) const
{
    const Row &r = m_rows[row];
    return QStringLiteral("%1 | %2 | %3/%4").arg(r.station->text(), r.state->text()).arg(r.bar->value()).arg(r.bar->maximum());
}

QString FleetBackupDialog::summary() const
{
    return m_summary->text();
}

void FleetBackupDialog::reject()
{
    if (m_runner->isFinished())
        return QDialog::reject();
    // A read in flight is finished first; the dialog stays until every line has stopped.
    m_runner->requestStop();
    m_stop->setEnabled(false);
    m_summary->setText(QStringLiteral("Stopping every line after its current read…"));
}

void FleetBackupDialog::handleStarted(int row)
{
    m_rows[row].state->setText(QStringLiteral("Connecting"));
}

void FleetBackupDialog::handleProgress(int row, const QString &line)
{
    static const QRegularExpression reading(QStringLiteral(R"(^reading setting (\d+) of (\d+))"));
    const QRegularExpressionMatch m = reading.match(line);
    if (!m.hasMatch())
        return;
    Row &r = m_rows[row];
    r.bar->setRange(0, m.captured(2).toInt());
    r.bar->setValue(m.captured(1).toInt() - 1);
    r.state->setText(QStringLiteral("Reading %1 of %2").arg(m.captured(1), m.captured(2)));
}

void FleetBackupDialog::handleSlotFinished(int row)
{
    const orv::cli::SlotOutcome outcome = m_runner->outcome(row);
    Row &r = m_rows[row];
    if (outcome.exitCode == 0) {
        r.bar->setValue(r.bar->maximum());
        r.state->setText(QStringLiteral("Saved in %1 s").arg(outcome.seconds, 0, 'f', 1));
    } else {
        r.state->setText(orv::cli::resultText(QStringLiteral("backup"), outcome));
    }
    r.state->setToolTip(outcome.exitCode == 0 ? outcome.file : outcome.problem);
}

void FleetBackupDialog::handleFinished()
{
    int saved = 0;
    for (int row = 0; row < m_rows.size(); ++row) {
        const orv::cli::SlotOutcome outcome = m_runner->outcome(row);
        if (!outcome.ran)
            m_rows[row].state->setText(QStringLiteral("not run"));
        saved += outcome.ran && outcome.exitCode == 0 ? 1 : 0;
    }
    m_summary->setText(QStringLiteral("%1 of %2 station(s) backed up into %3").arg(saved).arg(m_rows.size()).arg(m_folder));
    m_stop->setEnabled(false);
    m_close->setEnabled(true);
    m_close->setDefault(true);
    emit allDone();
}

#include "moc_fleet_backup_dialog.cpp"
