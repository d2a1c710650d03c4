#include "power_input.h"

#include "framework/automation_error.h"
#include "framework/class_factory.h"
#include "framework/control_site.h"
#include "framework/ole_control.h"

namespace {

const QString progId = QStringLiteral("VURURAZ.VururazCtrl.1");

// The panel's design-time settings: shadowed-right bevel of size 0, centred
// vertically, white fill and background, button-text colour, value 0.
const QByteArray storedSettings = "BevelStyle = 3\n"
                                  "BevelSize = 0\n"
                                  "VAlignment = 2\n"
                                  "FillColor = &H00FFFFFF&\n"
                                  "BackColor = &H00FFFFFF&\n"
                                  "ForeColor = &H80000012&\n"
                                  "Text = \"0\"\n"
                                  "TextRaw = \"0\"\n";

// The calibration window is always running, never being designed.
class RunningForm final : public zq::ControlSite
{
public:
    bool ambientUserMode() const override { return true; }
};

RunningForm runningForm;

zq::OleControl *create(zq::ControlLoader &loader, QWidget *parent)
{
    try {
        return loader.create(progId, parent);
    } catch (const zq::AutomationError &error) {
        if (error.status() != zq::status::classNotRegistered)
            throw;
    }
#ifdef ORV_ZQRINP32_LIBRARY
    const quint32 registered = loader.callServer(QStringLiteral(ORV_ZQRINP32_LIBRARY), zq::entry::registerServer);
    if (registered != zq::status::ok)
        throw zq::AutomationError(registered, zq::statusText(registered));
#endif
    return loader.create(progId, parent);
}

} // namespace

QWidget *createPowerInput(zq::ControlLoader &loader, QWidget *parent, QString *error)
{
    try {
        zq::OleControl *control = create(loader, parent);
        control->setObjectName(QStringLiteral("ZqRealInput1"));
        control->setClientSite(&runningForm);
        control->loadFromBag(storedSettings);
        // 630 × 255 twips at 15 twips a pixel.
        control->setFixedSize(42, 17);
        return control;
    } catch (const zq::AutomationError &e) {
        if (error)
            *error = e.description();
        return nullptr;
    }
}
