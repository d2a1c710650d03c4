#pragma once

#include "link_rig.h"
#include "scripted_peer.h"

#include "COM_Detect_frm.h"
#include "Com_form.h"
#include "ORV_Main.h"

#include "link/settings_file.h"

#include <QFile>
#include <QTemporaryDir>

#include <memory>

namespace orv::test {

// The main window on the virtual clock in a data folder of its own, COM1..COM8
// mapped to simulated paths (absent until a peer is attached), every message
// box recorded instead of shown.
struct WindowsFixture
{
    explicit WindowsFixture(const QByteArray &settingsFileBytes = {})
    {
        if (!settingsFileBytes.isEmpty())
            writeSettingsFile(settingsFileBytes);
        start();
    }

    // A new run of the program on the same data folder.
    void start()
    {
        window.reset();
        window = std::make_unique<ORV_Main>(pump, simulatedComm(pump, ports, &line), dataDir.path(), &log);
        window->setEndAction([] {});
        window->show();
    }

    static QString path(int port) { return LinkRig::path(port); }

    QString settingsPath() const { return dataDir.filePath(SettingsFile::fileName()); }
    QByteArray settingsFileBytes() const
    {
        QFile f(settingsPath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void writeSettingsFile(const QByteArray &bytes)
    {
        QFile f(settingsPath());
        if (f.open(QIODevice::WriteOnly))
            f.write(bytes);
    }

    Com_form *openProperties()
    {
        window->COM_menu_Click();
        return window->findChild<Com_form *>();
    }

    StationLink &link() { return window->link(); }
    CommControl &comm() { return window->comm(); }
    ComSettings &settings() { return window->settings(); }

    QTemporaryDir dataDir;
    VirtualPump pump;
    SimulatedPorts ports;
    SimulatedLine *line = nullptr;
    MessageCapture log;
    QList<MessageCapture::Message> &messages = log.messages;
    std::unique_ptr<ORV_Main> window;
};

} // namespace orv::test
