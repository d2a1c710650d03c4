#include "power_input.h"

#include "framework/automation_error.h"
#include "framework/class_factory.h"
#include "framework/control_site.h"
#include "framework/ole_control.h"
#include "framework/registry.h"
#include "framework/type_library.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>

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

QString canonical(const QString &path)
{
    const QString c = QFileInfo(path).canonicalFilePath();
    return c.isEmpty() ? path : c;
}

QString registeredLibrary(const zq::ControlLoader &loader)
{
    zq::Registry registry;
    if (!registry.load())
        return QString();
    const QUuid clsid = loader.resolveClass(registry, progId);
    if (clsid.isNull())
        return QString();
    return registry.value(QStringLiteral("CLSID\\%1\\InprocServer32").arg(zq::uuidText(clsid)));
}

zq::OleControl *create(zq::ControlLoader &loader, QWidget *parent)
{
    // The program's own library wins over whatever another copy registered,
    // so an installed ORV CAL never relies on a build folder's library.
    const QString own = powerInputLibrary();
    const QString registered = registeredLibrary(loader);
    if (!own.isEmpty() && canonical(registered) != canonical(own)) {
        const quint32 status = loader.callServer(own, zq::entry::registerServer);
        if (status != zq::status::ok)
            throw zq::AutomationError(status, zq::statusText(status));
    }
    return loader.create(progId, parent);
}

} // namespace

QString powerInputLibrary()
{
    if (qEnvironmentVariableIsSet("ORV_ZQRINP32")) {
        const QString forced = qEnvironmentVariable("ORV_ZQRINP32");
        return QFileInfo::exists(forced) ? QFileInfo(forced).absoluteFilePath() : QString();
    }
    const QDir programDir(QCoreApplication::applicationDirPath());
    // Beside the program, the installed library folder, then the build tree's layout.
    for (const char *relative : {"libzqrinp32.so", "../lib/libzqrinp32.so", "../lib/orvcal/libzqrinp32.so",
                                 "../../realinput/control/libzqrinp32.so"}) {
        const QString path = programDir.absoluteFilePath(QLatin1String(relative));
        if (QFileInfo::exists(path))
            return QFileInfo(path).canonicalFilePath();
    }
    return QString();
}

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

QWidget *createPowerInputPlaceholder(QWidget *parent, const QString &error)
{
    auto *label = new QLabel(QStringLiteral("Control unavailable"), parent);
    label->setObjectName(QStringLiteral("ZqRealInput1_slot"));
    label->setFrameShape(QFrame::Box);
    label->setFrameShadow(QFrame::Sunken);
    label->setToolTip(error.isEmpty() ? QStringLiteral("The real-number input control is not available")
                                      : QStringLiteral("The real-number input control is not available: ") + error);
    return label;
}
