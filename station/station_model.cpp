#include "station_model.h"

#include "param_table.h"

#include <QFile>

#include <cmath>

namespace station {

namespace {

const int baudAddress = paramAddress("Baud Rate index");

std::optional<StationClock::Field> clockFieldAt(int address)
{
    static const std::pair<const char *, StationClock::Field> fields[] = {
        {"clock seconds", StationClock::Field::Seconds}, {"clock minutes", StationClock::Field::Minutes},
        {"clock hours", StationClock::Field::Hours},     {"clock day of month", StationClock::Field::Day},
        {"clock month", StationClock::Field::Month},     {"clock years", StationClock::Field::Year},
    };
    for (const auto &[entry, field] : fields)
        if (paramAddress(entry) == address)
            return field;
    return std::nullopt;
}

QByteArray twoBytes(std::uint16_t value)
{
    QByteArray b;
    b += char(value >> 8);
    b += char(value & 0xFF);
    return b;
}

} // namespace

StationModel::StationModel(const StationOptions &options, qint64 nowMs)
    : m_options(options)
    , m_clock(options.clockStart.isValid() ? options.clockStart : QDateTime::currentDateTime(), nowMs)
    , m_lastRxEndMs(double(nowMs))
{
    for (const ParamInfo &info : paramTable())
        if (!info.clockField)
            m_memory[std::size_t(info.address)] = info.defaultRaw;
    if (m_options.fixedRate > 0) {
        m_ownRate = m_options.fixedRate;
        if (baudIndexOf(m_ownRate) >= 0)
            m_memory[std::size_t(baudAddress)] = std::uint16_t(baudIndexOf(m_ownRate));
    } else {
        m_ownRate = baudOfIndex(m_memory[std::size_t(baudAddress)]);
    }
    m_lineRate = m_ownRate;
}

void StationModel::receive(const QByteArray &bytes, qint64 nowMs)
{
    if (bytes.isEmpty())
        return;
    const double now = double(nowMs);
    const qsizetype count = bytes.size();
    const double chunkStart = qBound(m_lastRxEndMs, now - double(count) * byteTimeMs(m_lineRate), now);
    // An answer not yet decided when this chunk began is put off: the line was busy.
    advance(chunkStart);

    const bool sameRate = m_lineRate == m_ownRate;
    for (qsizetype i = 0; i < count; ++i) {
        const double at = chunkStart + double(i + 1) * (now - chunkStart) / double(count);
        const char byte = sameRate ? bytes.at(i) : m_inboundNoise.next();
        if (const auto request = m_parser.feed(byte, at))
            handle(*request, at);
    }
    m_lastRxEndMs = now;
    if (!m_pending.isEmpty())
        m_tentative = answerTo(m_pending.last(), now + idleMs(), nowMs);
}

QByteArray StationModel::takeOutput(qint64 nowMs)
{
    advance(double(nowMs));
    return m_output.take(nowMs, m_lineRate);
}

std::optional<qint64> StationModel::nextOutputAtMs() const
{
    std::optional<qint64> next = m_output.nextAtMs();
    if (m_tentative && !m_tentative->bytes.isEmpty()) {
        const double start = qMax(m_tentative->decideAtMs + m_tentative->delayMs, m_output.freeAtMs());
        const auto first = qint64(std::ceil(start + byteTimeMs(m_ownRate)));
        if (!next || first < *next)
            next = first;
    }
    return next;
}

void StationModel::setLineRate(int baud, qint64 nowMs)
{
    advance(double(nowMs));
    m_output.settle(nowMs, m_lineRate);
    m_lineRate = baud;
}

std::uint16_t StationModel::param(int address, qint64 nowMs) const
{
    if (address < 0 || address > 255)
        return 0;
    if (const auto field = clockFieldAt(address))
        return std::uint16_t(m_clock.field(*field, nowMs));
    return m_memory[std::size_t(address)];
}

void StationModel::setParam(int address, std::uint16_t value, qint64 nowMs)
{
    if (address < 0 || address > 255)
        return;
    if (writeClockField(address, value, nowMs))
        return;
    m_memory[std::size_t(address)] = value;
    if (address == baudAddress)
        if (const auto rate = rateForIndex(value))
            applyRate(*rate);
}

bool StationModel::loadParams(const QString &path, qint64 nowMs, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    int lineNo = 0;
    while (!file.atEnd()) {
        ++lineNo;
        QByteArray line = file.readLine();
        const qsizetype hash = line.indexOf('#');
        if (hash >= 0)
            line.truncate(hash);
        line = line.trimmed();
        if (line.isEmpty())
            continue;
        const qsizetype eq = line.indexOf('=');
        bool addrOk = false, valueOk = false;
        const int address = eq > 0 ? line.left(eq).trimmed().toInt(&addrOk, 0) : -1;
        const uint value = eq > 0 ? line.mid(eq + 1).trimmed().toUInt(&valueOk, 0) : 0;
        if (!addrOk || !valueOk || address < 0 || address > 255 || value > 0xFFFF) {
            if (error)
                *error = QStringLiteral("%1:%2: expected addr=value (0..255, 0..65535)").arg(path).arg(lineNo);
            return false;
        }
        setParam(address, std::uint16_t(value), nowMs);
    }
    return true;
}

void StationModel::advance(double nowMs)
{
    if (m_tentative && m_tentative->decideAtMs <= nowMs)
        commit();
    if (m_rateChange && m_rateChange->first <= nowMs) {
        applyRate(m_rateChange->second);
        m_rateChange.reset();
    }
}

void StationModel::commit()
{
    const Answer answer = *m_tentative;
    m_tentative.reset();
    m_pending.clear();
    if (answer.protocol)
        ++m_protocolReplies;
    const double start = answer.decideAtMs + answer.delayMs;
    const double end = answer.bytes.isEmpty()
                           ? start
                           : m_output.push(answer.bytes, start, m_ownRate, answer.pauseAfterFirstMs);
    if (m_rateAfterAnswer) {
        m_rateChange = std::make_pair(end, *m_rateAfterAnswer);
        m_rateAfterAnswer.reset();
    }
}

void StationModel::handle(const Request &request, double atMs)
{
    if (request.kind == Request::Kind::Write) {
        if (!writeClockField(request.address, request.value, qint64(atMs)))
            m_memory[request.address] = request.value;
        if (request.address == baudAddress)
            m_rateAfterAnswer = rateForIndex(request.value);
    }
    m_pending.append(request);
}

StationModel::Answer StationModel::answerTo(const Request &request, double decideAtMs, qint64 nowMs) const
{
    Answer answer;
    answer.decideAtMs = decideAtMs;
    switch (request.kind) {
    case Request::Kind::Terminal:
        answer.bytes = terminalReply(request.letter, conditions(), m_clock.at(nowMs));
        return answer;
    case Request::Kind::Version:
        answer.bytes = m_options.version;
        break;
    case Request::Kind::Read:
        answer.bytes = twoBytes(param(request.address, nowMs));
        break;
    case Request::Kind::Write:
        answer.bytes = twoBytes(request.value);
        break;
    }
    answer.protocol = true;

    const FaultOptions &f = m_options.faults;
    const int number = m_protocolReplies + 1;
    if (f.noReply || (f.dropEvery > 0 && number % f.dropEvery == 0)) {
        answer.bytes.clear();
        return answer;
    }
    if (f.wrongLength)
        answer.bytes += '\0';
    if (f.garbage) {
        LineNoise noise(std::uint32_t(number) * 2654435761u);
        for (char &c : answer.bytes)
            c = noise.next();
    }
    answer.delayMs = double(f.lateMs);
    answer.pauseAfterFirstMs = double(f.splitPauseMs);
    return answer;
}

double StationModel::idleMs() const
{
    return qMax(double(m_options.turnaroundMs), 10 * byteTimeMs(m_ownRate));
}

bool StationModel::writeClockField(int address, int value, qint64 nowMs)
{
    const auto field = clockFieldAt(address);
    if (!field)
        return false;
    m_clock.setField(*field, value, nowMs);
    return true;
}

void StationModel::applyRate(int rate)
{
    m_ownRate = rate;
}

std::optional<int> StationModel::rateForIndex(int index) const
{
    if (m_options.fixedRate > 0 || baudOfIndex(index) == 0)
        return std::nullopt;
    return baudOfIndex(index);
}

double StationModel::engineering(const char *entry) const
{
    const ParamInfo *info = findParam(entry);
    return info ? m_memory[std::size_t(info->address)] / info->scale - info->offset : 0.0;
}

Conditions StationModel::conditions() const
{
    Conditions c;
    c.outsideTemp = engineering("temp: outside");
    c.insideTemp = engineering("temp: inside");
    c.auxTemp = engineering("temp: auxillary");
    c.pressure = engineering("barometric pressure");
    c.dailyRain = engineering("rain fall: daily");
    c.monthlyRain = engineering("rain fall: monthly");
    c.termRain = engineering("rain fall: term");
    c.windDirection = (180 + int(engineering("wind dir offset"))) % 360;
    c.metric = engineering("Scale: 0=FPS 1=CGS") != 0;
    return c;
}

} // namespace station
