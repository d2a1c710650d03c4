#pragma once

#include "link_rig.h"

#include "ORV_Main.h"

#include <QAction>
#include <QMenu>
#include <QTemporaryDir>

#include <memory>

namespace orv::test {

// The main window on the virtual clock, with a peer on COM2, a data folder of
// its own and every message box recorded instead of shown.
struct MainFixture
{
    static inline const QString comPath = LinkRig::path(2);

    explicit MainFixture(station::Peer *peer, bool show = true)
    {
        if (peer)
            ports.attach(comPath, peer);
        window = std::make_unique<ORV_Main>(pump, simulatedComm(pump, ports, &line), dataDir.path(), &log);
        window->setEndAction([this] { ++endRequests; });
        if (show)
            window->show();
    }

    QAction *action(const char *name) const
    {
        if (auto *menu = window->findChild<QMenu *>(QLatin1String(name)))
            return menu->menuAction();
        return window->findChild<QAction *>(QLatin1String(name));
    }

    // The entries whose state the link drives, as "name:0/1" in one line. Those inside
    // a disabled menu are disabled too: a screen reader reaches them without the menu.
    QString menuState() const
    {
        QStringList out;
        for (const char *name : {"open_port_menu", "port_close_menu", "port_only_menu", "View_menu", "cal_menu",
                                 "COM_menu", "save_config_menu"})
            out << QStringLiteral("%1:%2").arg(QLatin1String(name)).arg(int(action(name)->isEnabled()));
        return out.join(QLatin1Char(' '));
    }

    QWidget *comPic() const { return window->findChild<QWidget *>(QStringLiteral("com_pic")); }

    VirtualPump pump;
    SimulatedPorts ports;
    QTemporaryDir dataDir;
    SimulatedLine *line = nullptr;
    MessageCapture log;
    QList<MessageCapture::Message> &messages = log.messages;
    int endRequests = 0;
    std::unique_ptr<ORV_Main> window;
};

inline const QString startUpState = QStringLiteral(
    "open_port_menu:1 port_close_menu:0 port_only_menu:1 View_menu:0 cal_menu:0 COM_menu:1 save_config_menu:0");
inline const QString connectedState = QStringLiteral(
    "open_port_menu:0 port_close_menu:1 port_only_menu:0 View_menu:1 cal_menu:1 COM_menu:0 save_config_menu:1");
inline const QString portOnlyState = QStringLiteral(
    "open_port_menu:0 port_close_menu:1 port_only_menu:0 View_menu:0 cal_menu:0 COM_menu:0 save_config_menu:0");

} // namespace orv::test
