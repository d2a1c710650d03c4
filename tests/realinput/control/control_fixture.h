#pragma once

#include "control/vururaz_ctrl.h"
#include "control/vururaz_typelib.h"
#include "framework/automation_error.h"

#include <QMap>
#include <QStringList>

#include <memory>

// A container stand-in for the control tests: user or design mode, and a sink
// that records every event and can answer by-reference arguments.
class TestSite : public zq::ControlSite, public zq::EventSink
{
public:
    bool userMode = true;
    QStringList events;
    QMap<QString, zq::Variant> answers; // by-reference argument name -> answer

    bool ambientUserMode() const override { return userMode; }
    void handleEvent(int dispid, zq::EventArgs &args) override
    {
        QString line = QString::number(dispid);
        for (zq::EventArg &a : args) {
            line += QStringLiteral(" %1=%2").arg(a.name, a.value.toDisplayString());
            if (a.byRef && answers.contains(a.name))
                a.value = answers.value(a.name);
        }
        events << line;
    }
};

// A control with a pinned locale (the table's defaults), hosted by a TestSite.
struct HostedControl
{
    TestSite site;
    std::unique_ptr<CVururazCtrl> control = std::make_unique<CVururazCtrl>();

    HostedControl()
    {
        control->setIntlProfile(std::make_shared<zq::FixedIntlProfile>());
        control->setClientSite(&site);
        control->eventConnection().advise(&site);
    }

    // What a container does when it opens a form: the control is loaded, so it formats.
    void loadEmpty() { control->loadFromBag(QByteArray()); }

    zq::Variant get(const QString &name) { return control->getProperty(control->idOfName(name)); }
    void put(const QString &name, const zq::Variant &v) { control->putProperty(control->idOfName(name), v); }

    // The status a put raises, 0 when it succeeds.
    quint32 putStatus(const QString &name, const zq::Variant &v)
    {
        try {
            put(name, v);
            return 0;
        } catch (const zq::AutomationError &e) {
            return e.status();
        }
    }
};
