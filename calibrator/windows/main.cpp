#include "ORV_Main.h"
#include "deferred_icon_style.h"
#include "message_box.h"
#include "version_info.h"
#include "window_accessibility.h"
#include "window_icon_pixels.h"

#include "link/comm_control.h"
#include "link/connect_station.h"
#include "link/port_map.h"
#include "link/port_device.h"
#include "link/qt_pump.h"
#include "link/settings_file.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QEvent>
#include <QFile>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QStatusBar>
#include <QThread>
#include <QTimer>

#include <cstdlib>

namespace {

// Ends the program once the window has been painted on screen, for measuring start-up.
class QuitWhenPainted : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        return QObject::eventFilter(watched, event);
    }
};

// The port slot 0 names in the settings file, without creating or changing it.
int storedPortOfFirstSlot(const QString &dataDir)
{
    QFile file(dataDir + QLatin1Char('/') + orv::SettingsFile::fileName());
    if (file.open(QIODevice::ReadOnly) && file.size() == orv::ComSettings::fileSize)
        return orv::ComSettings::fromBytes(file.readAll()).com_port[0];
    return orv::ComSettings::defaults().com_port[0];
}

struct ProgramOptions
{
    QCommandLineOption port{QStringLiteral("port"), QStringLiteral("Use COM<n> for slot 0 in this run."),
                            QStringLiteral("n")};
    QCommandLineOption device{QStringLiteral("device"), QStringLiteral("Map slot 0's COM port to <path> in this run."),
                              QStringLiteral("path")};
    QCommandLineOption dataDir{QStringLiteral("data-dir"), QStringLiteral("Folder of the settings and ports files."),
                               QStringLiteral("dir")};
    QCommandLineOption quit{QStringLiteral("quit-when-shown"),
                            QStringLiteral("End as soon as the main window is on screen.")};

    void addTo(QCommandLineParser &parser) const
    {
        parser.setApplicationDescription(QStringLiteral("Weather station calibration and configuration utility"));
        parser.addHelpOption();
        parser.addVersionOption();
        parser.addOptions({port, device, dataDir, quit});
    }
};

// --help and --version print and end before any window exists, so they work
// on a text console too, where making the window application would abort.
// (--help-all is left to it: the window system's own options are its point.)
void answerTextOptions(int &argc, char **argv)
{
    const QStringList textOnly{QStringLiteral("--help"), QStringLiteral("-h"), QStringLiteral("-?"),
                               QStringLiteral("--version"), QStringLiteral("-v")};
    bool asked = false;
    for (int i = 1; i < argc && !asked; ++i)
        asked = textOnly.contains(QString::fromLocal8Bit(argv[i]));
    if (!asked)
        return;
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("ORV CAL"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ORV_VERSION));
    QCommandLineParser parser;
    ProgramOptions().addTo(parser);
    // The window system's own options (-platform ...) are not known here; the real parse judges them.
    parser.parse(QCoreApplication::arguments());
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp();
}

} // namespace

int main(int argc, char *argv[])
{
    answerTextOptions(argc, argv);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ORV CAL"));
    QApplication::setApplicationVersion(QStringLiteral(ORV_VERSION));
    // Ties the windows to the installed desktop entry, whose icon docks and task switchers show.
    QGuiApplication::setDesktopFileName(QStringLiteral("orvcal"));
    // The window's own icon is the same picture, built in: no theme to search, no image to decode.
    const QImage icon(windowIconPixels, windowIconSize, windowIconSize, QImage::Format_RGBA8888);
    QApplication::setWindowIcon(QIcon(QPixmap::fromImage(icon)));
    installDeferredIconStyle();
    installWindowAccessibility();

    QCommandLineParser parser;
    const ProgramOptions options;
    options.addTo(parser);
    parser.process(app);

    const QString dataDir = orv::dataDirectory(parser.value(options.dataDir));
    std::optional<int> port;
    if (parser.isSet(options.port)) {
        bool ok = false;
        const int n = parser.value(options.port).toInt(&ok);
        if (!ok || n < orv::PortMap::firstPort || n > orv::PortMap::lastPort) {
            std::fprintf(stderr, "orvcal: --port takes a number from 1 to 8\n");
            return 2;
        }
        port = n;
    }

    orv::PortMap ports = orv::PortMap::load(dataDir);
    if (parser.isSet(options.device))
        ports.setDevicePath(port.value_or(storedPortOfFirstSlot(dataDir)), parser.value(options.device));

    // Set up before the window exists: loading it may already have something to say.
    ORV_Main *mainWindow = nullptr;
    MessageBoxes messageBoxes;
    messageBoxes.detailFor = [&mainWindow](const QString &text) {
        if (!mainWindow || text != orv::ConnectText::portUnavailable)
            return QString();
        return mainWindow->comm().lastOpenFailureText();
    };
    orv::QtPump pump;
    auto device = std::make_unique<orv::PortDevice>();
    const orv::PortDevice *portDevice = device.get();
    ORV_Main window(pump, std::make_unique<orv::CommControl>(std::move(device), ports), dataDir, &messageBoxes);
    mainWindow = &window;
    // What a raw serial server cannot apply is said on stderr; the technician looks here.
    QObject::connect(portDevice, &orv::PortDevice::notice, &window,
                     [&window](const QString &text) { window.statusBar()->showMessage(text, 15000); });
    if (port)
        window.settings().com_port[0] = std::int16_t(*port);
    window.setEndAction([&window] {
        // Inside a wait on the station the main loop cannot return yet; the
        // program ends at once all the same, with the line dropped first.
        if (QThread::currentThread()->loopLevel() > 1) {
            window.comm().setPortOpen(false);
            std::_Exit(0);
        }
        QCoreApplication::quit();
    });
    QuitWhenPainted quitWhenPainted;
    if (parser.isSet(options.quit))
        window.installEventFilter(&quitWhenPainted);
    window.show();
    return app.exec();
}
