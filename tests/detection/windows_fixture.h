#pragma once

#include "scripted_peer.h"
#include "simulated_line.h"
#include "virtual_pump.h"

#include "COM_Detect_frm.h"
#include "Com_form.h"
#include "ORV_Main.h"

#include "link/comm_control.h"
#include "link/message.h"
#include "link/settings_file.h"
#include "link/station_link.h"

#include <QFile>
#include <QTemporaryDir>

#include <memory>

namespace orv::test {

// The main window on the virtual clock in a data folder of its own, COM1..COM8
// mapped to simulated paths (absent until a peer is attached), every message
// box recorded instead of shown.
struct WindowsFixture
{
    struct Message
    {
        QString text;
        MessageIcon icon;
    };

    explicit WindowsFixture(const QByteArray &settingsFileBytes = {})
    {
        if (!settingsFileBytes.isEmpty())
            writeSettingsFile(settingsFileBytes);
        previousHandler = setMessageHandler([this](const QString &text, MessageIcon icon, const QString &) {
            messages.append({text, icon});
        });
        start();
    }

    ~WindowsFixture()
    {
        window.reset();
        setMessageHandler(previousHandler);
    }

    // A new run of the program on the same data folder.
    void start()
    {
        window.reset();
        PortMap map;
        for (int p = 1; p <= 8; ++p)
            map.setDevicePath(p, path(p));
        auto device = std::make_unique<SimulatedLine>(pump, ports);
        line = device.get();
        window = std::make_unique<ORV_Main>(pump, std::make_unique<CommControl>(std::move(device), map),
                                            dataDir.path());
        window->setEndAction([] {});
        window->show();
    }

    static QString path(int port) { return QStringLiteral("/dev/sim-com%1").arg(port); }

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
    std::unique_ptr<ORV_Main> window;
    MessageHandler previousHandler;
    QList<Message> messages;
};

} // namespace orv::test
