#pragma once

#include "framework/class_factory.h"
#include "framework/connection_point.h"
#include "framework/control_site.h"

#include <QMap>
#include <QObject>
#include <QPointer>
#include <QTextStream>

#include <memory>

namespace zq {
class OleControl;
}
class QWidget;

// The test container's command interpreter: it hosts one control created
// through the registry, answers for its site and prints what it fires. One
// command a line; the commands are listed in realinput/README.md.
class ContainerShell : public QObject, public zq::ControlSite, public zq::EventSink
{
    Q_OBJECT

public:
    // `defaultLibrary` is what register/unregister use when no path is given.
    ContainerShell(QTextStream &out, QString defaultLibrary);
    ~ContainerShell() override;

    // Answers false when the command failed or was not understood.
    bool execute(const QString &line);
    bool quitRequested() const { return m_quit; }
    int failures() const { return m_failures; }

    bool ambientUserMode() const override { return m_userMode; }
    void onModalDialog(bool starting) override;
    void handleEvent(int dispid, zq::EventArgs &args) override;

private:
    bool run(const QString &command, const QStringList &args);
    bool requireControl();
    int memberId(const QString &ref) const;
    QString memberName(int dispid) const;
    void print(const QString &line);

    bool cmdServer(const char *symbol, const QStringList &args);
    bool cmdCreate(const QStringList &args);
    bool cmdGet(const QStringList &args);
    bool cmdSet(const QStringList &args);
    bool cmdCall(const QStringList &args);
    bool cmdSave(const QStringList &args);
    bool cmdLoad(const QStringList &args);
    bool cmdAnswer(const QStringList &args);
    bool cmdType(const QStringList &args);
    bool cmdMouse(const QString &command, const QStringList &args);

    QTextStream &m_out;
    QString m_defaultLibrary;
    zq::ControlLoader m_loader;
    std::unique_ptr<QWidget> m_window;
    QPointer<zq::OleControl> m_control;
    int m_sinkCookie = 0;
    bool m_userMode = true;
    bool m_watch = false;
    bool m_quit = false;
    bool m_mouseHeld = false;
    int m_failures = 0;
    // By-reference answers per event name: argument name -> value text.
    QMap<QString, QMap<QString, QString>> m_answers;
};

// Splits a command line into words; double-quoted words keep their blanks and
// take \" and \\ escapes.
QStringList splitCommandLine(const QString &line);
