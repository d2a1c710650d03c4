// The yardstick for orvcal's start-up: an empty Qt main window, ended the same
// way as orvcal --quit-when-shown, so the difference is what orvcal itself adds.
#include <QApplication>
#include <QCommandLineParser>
#include <QEvent>
#include <QMainWindow>
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
    parser.addOption(quitOption);
    parser.process(app);

    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Minimal window"));
    window.resize(640, 480);
    QuitWhenPainted quitWhenPainted;
    if (parser.isSet(quitOption))
        window.installEventFilter(&quitWhenPainted);
    window.show();
    return app.exec();
}
