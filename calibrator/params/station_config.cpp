#include "station_config.h"

#include "baud_change.h"
#include "conversion.h"
#include "number_format.h"
#include "param_access.h"
#include "slider_settings.h"

#include "link/line_settings.h"
#include "link/pump.h"
#include "link/station_link.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace orv {

namespace {

QString nameOf(ParamEntry entry)
{
    return QString::fromLatin1(entryName(entry));
}

// A read costs the settling pause, two packets and the reply; the turnaround
// of the station is in the margin.
constexpr double secondsPerRead = 0.35;

} // namespace

QList<ParamEntry> backupEntries(const ParamRecords &records)
{
    QList<ParamEntry> entries;
    for (ParamEntry e : allEntries())
        if (isBackedUp(e) && !records[e].absent())
            entries.append(e);
    return entries;
}

Access<> readRawSettings(StationLink &link, const ParamRecords &records, const QList<ParamEntry> &entries,
                         QMap<ParamEntry, int> *raw, const Progress &progress, const std::function<bool()> &stop)
{
    bool faulty = false;
    for (ParamEntry e : entries) {
        if (const QString fault = recordFault(records[e]); !fault.isEmpty()) {
            link.show_message(dataFaultMessage(settingWords(e), link.state.station_version, fault));
            faulty = true;
        }
    }
    if (faulty)
        return {AccessResult::DataFault};
    const QDateTime started = link.pump().now();
    for (int i = 0; i < entries.size(); ++i) {
        if (stop && stop())
            return {AccessResult::Stopped};
        if (progress) {
            const double elapsed = started.msecsTo(link.pump().now()) / 1000.0;
            const double each = i > 0 ? elapsed / i : secondsPerRead;
            progress(i, int(entries.size()), entries[i], each * double(entries.size() - i));
        }
        const Access<quint16> read = read_raw_setting(link, records[entries[i]], gettingMessage(nameOf(entries[i])));
        if (!read.done())
            return {read.result, {}, read.failure};
        raw->insert(entries[i], read.value);
    }
    if (progress && !entries.isEmpty())
        progress(int(entries.size()), int(entries.size()), entries.last(), 0);
    return {};
}

double engValue(const ParamRecord &record, int raw)
{
    float value = float(raw);
    if (!raw_to_eng(value, record.element[3], record.element[4]))
        return std::numeric_limits<double>::quiet_NaN();
    return double(value);
}

StationBackup makeBackup(const ParamRecords &records, const QMap<ParamEntry, int> &raw, const QString &firmware,
                         const QString &definitionFile, const QDateTime &date, int slot, const QString &stationName)
{
    StationBackup b;
    b.firmware = firmware;
    b.definitionFile = definitionFile;
    b.date = date.addMSecs(-date.time().msec());
    b.slot = slot;
    b.stationName = stationName;
    for (auto it = raw.cbegin(); it != raw.cend(); ++it) {
        BackupSetting s;
        s.entry = it.key();
        s.address = int(records[it.key()].address());
        s.raw = it.value();
        const double eng = engValue(records[it.key()], it.value());
        // Through the single's text form: 15.2, not 15.2000007629.
        s.eng = std::isnan(eng) ? double(it.value()) : singleText(float(eng)).toDouble();
        b.settings.append(s);
    }
    return b;
}

QList<DiffRow> compare(const StationBackup &backup, const ParamRecords &records, const QMap<ParamEntry, int> &current)
{
    QList<DiffRow> rows;
    for (ParamEntry e : allEntries()) {
        if (!isBackedUp(e))
            continue;
        const BackupSetting *stored = backup.find(e);
        if (!stored && !current.contains(e))
            continue;
        DiffRow row{e, std::nullopt, 0, std::nullopt, 0};
        if (stored) {
            row.storedRaw = stored->raw;
            row.storedEng = stored->eng;
        }
        if (current.contains(e)) {
            row.currentRaw = current.value(e);
            row.currentEng = engValue(records[e], current.value(e));
        }
        rows.append(row);
    }
    return rows;
}

QList<RestoreProblem> checkRestore(const StationBackup &backup, const ParamRecords &records,
                                   const QString &currentFirmware)
{
    QList<RestoreProblem> problems;
    const bool sameFirmware = backup.firmware == currentFirmware;
    if (!sameFirmware)
        problems.append({QStringLiteral("the backup is of firmware %1, the station runs %2")
                             .arg(backup.firmware, currentFirmware),
                         backup.firmwareLine, true});
    for (const BackupSetting &s : backup.settings) {
        const ParamRecord &record = records[s.entry];
        const QString name = nameOf(s.entry);
        if (record.absent()) {
            problems.append({QStringLiteral("firmware %1 has no \"%2\"").arg(currentFirmware, name), s.line, true});
            continue;
        }
        if (!recordFault(record).isEmpty())
            continue;
        if (int(record.address()) != s.address)
            problems.append({QStringLiteral("\"%1\" is at address %2 in the backup but at %3 in this definition file")
                                 .arg(name)
                                 .arg(s.address)
                                 .arg(singleText(record.address())),
                             s.addressLine, true});
        const float low = std::max(0.0f, std::min(record.rawMin(), record.rawMax()));
        const float high = std::min(65535.0f, std::max(record.rawMin(), record.rawMax()));
        if (float(s.raw) < low || float(s.raw) > high) {
            problems.append({QStringLiteral("the raw value %1 of \"%2\" is outside its limits %3 to %4")
                                 .arg(s.raw)
                                 .arg(name, singleText(low), singleText(high)),
                             s.rawLine, false});
            continue;
        }
        // A hand edit of one of the two values only: which one was meant is
        // anybody's guess, so neither is written.
        const double eng = engValue(record, s.raw);
        if (sameFirmware && !std::isnan(eng)) {
            const double step = 1.0 / std::max(1.0, std::fabs(double(record.scale())));
            if (std::fabs(eng - s.eng) > step / 2 + 1e-4 * std::max(1.0, std::fabs(eng)))
                problems.append({QStringLiteral("\"%1\" has the engineering value %2 but the raw value %3, which is %4; "
                                                "edit both or neither")
                                     .arg(name, singleText(float(s.eng)))
                                     .arg(s.raw)
                                     .arg(singleText(float(eng))),
                                 s.engLine, false});
        }
    }
    return problems;
}

double RestorePlan::estimatedSeconds() const
{
    return double(writes.size()) * (secondsPerWrite + 0.4);
}

RestorePlan planRestore(const StationBackup &backup, const ParamRecords &records, const QMap<ParamEntry, int> &current)
{
    RestorePlan plan;
    std::optional<PlannedWrite> baud;
    for (const BackupSetting &s : backup.settings) {
        if (records[s.entry].absent()) {
            plan.absentHere.append(s.entry);
            continue;
        }
        const int now = current.value(s.entry, -1);
        if (now == s.raw)
            continue;
        const PlannedWrite w{s.entry, int(records[s.entry].address()), now, s.raw};
        if (s.entry == ParamEntry::BaudRateIndex)
            baud = w;
        else
            plan.writes.append(w);
    }
    if (baud)
        plan.writes.append(*baud);
    for (ParamEntry e : backupEntries(records))
        if (!backup.find(e))
            plan.notInBackup.append(e);
    return plan;
}

QString valueText(const ParamRecords &records, ParamEntry entry, int raw)
{
    const double eng = engValue(records[entry], raw);
    if (std::isnan(eng) || eng == double(raw))
        return QString::number(raw);
    return QStringLiteral("%1 (raw %2)").arg(singleText(float(eng))).arg(raw);
}

QStringList RestoreReport::lines() const
{
    QStringList out;
    auto names = [](const QList<PlannedWrite> &list) {
        QStringList n;
        for (const PlannedWrite &w : list)
            n << QStringLiteral("\"%1\"").arg(nameOf(w.entry));
        return n.join(QStringLiteral(", "));
    };
    switch (ending) {
    case Ending::Complete:
        out << QStringLiteral("Restore finished.");
        break;
    case Ending::Cancelled:
        out << QStringLiteral("Restore stopped on request.");
        break;
    case Ending::NoAnswer:
        out << QStringLiteral("Restore stopped: the station stopped answering.");
        break;
    case Ending::LineLost:
        out << QStringLiteral("Restore stopped: the line to the weather station was lost.");
        break;
    }
    QString written = QStringLiteral("Written and read back: %1").arg(taken.size());
    if (!taken.isEmpty())
        written += QStringLiteral(" (") + names(taken) + QLatin1Char(')');
    out << written;
    for (const auto &[w, back] : notTaken)
        out << QStringLiteral("Not taken by the station: \"%1\": sent %2, it holds %3")
                   .arg(nameOf(w.entry))
                   .arg(w.to)
                   .arg(back);
    if (!unconfirmed.isEmpty())
        out << QStringLiteral("Sent but not confirmed (check these): %1").arg(names(unconfirmed));
    if (!notWritten.isEmpty())
        out << QStringLiteral("Not written (still as before): %1").arg(names(notWritten));
    return out;
}

RestoreRunner::RestoreRunner(StationLink &link, const ParamRecords &records, ComSettings &settings,
                             SettingsFile *file, SettingPanels &panels)
    : m_link(link)
    , m_records(records)
    , m_settings(settings)
    , m_file(file)
    , m_panels(panels)
{
}

Access<quint16> RestoreRunner::writeOne(const PlannedWrite &w)
{
    const ParamRecord &record = m_records[w.entry];
    if (w.entry == ParamEntry::BaudRateIndex) {
        // The station answers at the new rate, so both sides move together.
        const int rate = rateOfStationBaudIndex(w.to);
        if (rate == 0 || change_station_baud(m_link, m_records, m_settings, m_file, m_panels, rate) != BaudChange::Changed)
            return {AccessResult::ComFailed};
    } else if (const Access<> written = write_raw_setting(m_link, record, float(w.to), settingMessage(nameOf(w.entry)));
               !written.done()) {
        return {written.result, 0, written.failure};
    }
    return read_raw_setting(m_link, record, gettingMessage(nameOf(w.entry)));
}

RestoreReport RestoreRunner::run(const RestorePlan &plan)
{
    m_plan = plan;
    m_report = RestoreReport{};
    m_running = true;
    const QDateTime started = m_link.pump().now();
    for (m_next = 0; m_next < plan.writes.size(); ++m_next) {
        const PlannedWrite &w = plan.writes[m_next];
        if (cancelRequested && cancelRequested()) {
            m_report.ending = RestoreReport::Ending::Cancelled;
            break;
        }
        if (progress) {
            const double elapsed = started.msecsTo(m_link.pump().now()) / 1000.0;
            const double each = m_next > 0 ? elapsed / m_next : secondsPerWrite + 0.4;
            progress(m_next, int(plan.writes.size()), w.entry, each * double(plan.writes.size() - m_next));
        }
        const Access<quint16> back = writeOne(w);
        if (!back.done()) {
            m_report.ending = back.failure.error == LinkError::LineLost ? RestoreReport::Ending::LineLost
                                                                        : RestoreReport::Ending::NoAnswer;
            m_report.unconfirmed.append(w);
            ++m_next;
            break;
        }
        if (back.value == w.to)
            m_report.taken.append(w);
        else
            m_report.notTaken.append({w, back.value});
    }
    for (int i = m_next; i < plan.writes.size(); ++i)
        m_report.notWritten.append(plan.writes[i]);
    if (m_report.ending == RestoreReport::Ending::Complete && progress && !plan.writes.isEmpty())
        progress(int(plan.writes.size()), int(plan.writes.size()), plan.writes.last().entry, 0);
    m_running = false;
    return m_report;
}

RestoreReport RestoreRunner::reportSoFar() const
{
    RestoreReport r = m_report;
    if (!m_running)
        return r;
    r.ending = RestoreReport::Ending::Cancelled;
    if (m_next < m_plan.writes.size())
        r.unconfirmed.append(m_plan.writes[m_next]);
    for (int i = m_next + 1; i < m_plan.writes.size(); ++i)
        r.notWritten.append(m_plan.writes[i]);
    return r;
}

} // namespace orv
