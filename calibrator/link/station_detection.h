#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <array>

namespace orv {

struct ComSettings;
class StationLink;

// What a detection run shows and asks while it runs: the detection window's
// output area and stop button, or the command line's terminal.
class DetectionProgress
{
public:
    virtual ~DetectionProgress() = default;

    // Starts the output afresh; the found summary replaces the trace.
    virtual void clear() = 0;
    // Appends to the current line.
    virtual void print(const QString &text) = 0;
    virtual void endLine() = 0;
    // Polled between tries only: a stop never cuts a try short.
    virtual bool stopRequested() = 0;
    virtual void beep() {}
    // The port is closed again; comes before the not-detected message.
    virtual void runEnded() {}
};

struct DetectionResult
{
    enum Outcome { Found, NotFound, Canceled };

    Outcome outcome = NotFound;
    int port = 0;
    int baud = 0;
    QByteArray version;

    bool found() const { return outcome == Found; }
};

// The rates in the order they are tried: the common station rates first.
inline constexpr std::array<int, 8> detectionRates = {2400, 9600, 19200, 300, 600, 1200, 4800, 38400};

// The ports and rates a run tries, in order. The window always tries them
// all; the command line may narrow them.
struct DetectionPlan
{
    QList<int> ports = {1, 2, 3, 4, 5, 6, 7, 8};
    QList<int> rates = QList<int>(detectionRates.begin(), detectionRates.end());
};

// Walks COM1..COM8 asking for the station's version at each rate. What it
// finds is stored in slot `cur_station` only; the port is left closed and the
// not-detected message shown when nothing answered. Not re-entrant.
DetectionResult detect_station(StationLink &link, ComSettings &settings, DetectionProgress &progress,
                               const DetectionPlan &plan = {});

QString notDetectedMessage();

// The output area's text: whole lines plus the line still being printed.
class DetectionText
{
public:
    void clear();
    void print(const QString &text);
    void endLine();

    QStringList lines() const;
    QString toPlainText() const { return lines().join(QLatin1Char('\n')); }

private:
    QStringList m_lines;
    QString m_current;
    bool m_lineOpen = false;
};

} // namespace orv
