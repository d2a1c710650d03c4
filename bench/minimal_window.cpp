// The yardstick for orvcal's start-up: an empty Qt main window, ended the same
// way as orvcal --quit-when-shown, so the difference is what orvcal itself adds.
// With --menu it shows one menu title, the least text a program's window shows:
// what the first text costs (fonts, shaping) is then on both sides.
#include <QApplication>
#include <QCommandLineParser>
#include <QEvent>
#include <QMainWindow>
#include <QMenuBar>
#include <QTimer>

namespace {

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

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption quitOption(QStringLiteral("quit-when-shown"),
                                        QStringLiteral("End as soon as the main window is on screen."));
    const QCommandLineOption menuOption(QStringLiteral("menu"), QStringLiteral("Show one menu title."));
    parser.addOptions({quitOption, menuOption});
    parser.process(app);

    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Minimal window"));
    window.resize(640, 480);
    if (parser.isSet(menuOption))
        window.menuBar()->addMenu(QStringLiteral("&File"));
    QuitWhenPainted quitWhenPainted;
    if (parser.isSet(quitOption))
        window.installEventFilter(&quitWhenPainted);
    window.show();
    return app.exec();
}
