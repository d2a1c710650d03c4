#pragma once

#include "link_rig.h"
#include "scripted_peer.h"

#include "link/com_settings.h"
#include "link/station_detection.h"

#include <QList>
#include <QStringList>

#include <functional>
#include <map>
#include <memory>

namespace orv::test {

// A progress that keeps what the output area shows, what it showed before
// each clear, and when each piece of text was printed.
class RecordingProgress final : public DetectionProgress
{
public:
    explicit RecordingProgress(VirtualPump &pump) : m_pump(pump) {}

    void clear() override
    {
        clearedScreens << screen.lines();
        screen.clear();
    }
    void print(const QString &text) override
    {
        screen.print(text);
        printedAt.append({m_pump.msSinceEpoch(), text});
    }
    void endLine() override { screen.endLine(); }
    bool stopRequested() override { return stop; }
    void beep() override { ++beeps; }

    DetectionText screen;
    QList<QStringList> clearedScreens;
    QList<QPair<qint64, QString>> printedAt;
    bool stop = false;
    int beeps = 0;

private:
    VirtualPump &m_pump;
};

// A station that answers the version request only at its own rate; at any
// other rate its reply arrives as garbage, as on a real line.
class RateBoundStation
{
public:
    RateBoundStation(int baud, QByteArray version = QByteArray("1.90 \r\n"))
        : peer([this](const QByteArray &request) { return answer(request); })
        , m_baud(baud)
        , m_version(std::move(version))
    {
    }

    ScriptedPeer peer;

private:
    QList<ScriptedPeer::Piece> answer(const QByteArray &request)
    {
        if (request != "V")
            return {};
        if (peer.baud() != m_baud)
            return {{20, QByteArray::fromHex("f8 80 fe")}};
        return {{20, m_version}};
    }

    int m_baud;
    QByteArray m_version;
};

// A Hayes modem in command mode: "OK" after every command line.
inline ScriptedPeer::Responder modemResponder()
{
    return [](const QByteArray &request) {
        return request == "\r" ? QList<ScriptedPeer::Piece>{{30, QByteArray("\r\nOK\r\n")}}
                               : QList<ScriptedPeer::Piece>{};
    };
}

// COM1..COM8 mapped to simulated paths, none present until a peer is attached;
// detection closes the port at its end, so a peer may die before the fixture.
struct DetectionFixture : LinkRig
{
    DetectionResult run() { return detect_station(*link, settings, progress); }

    ComSettings settings = ComSettings::defaults();
    RecordingProgress progress{pump};
    QList<MessageCapture::Message> &messages = log.messages;
};

} // namespace orv::test
