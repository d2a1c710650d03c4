// Looks at the X display from outside the program under test, so the
// real-window test needs no other package: saves the screen as a PNG, or
// prints the clipboard text the program under test holds.
#include <QClipboard>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

#include <cstdio>
#include <cstdlib>

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    const QString command = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    // An optional rectangle "x y w h" is saved four times enlarged, for small controls.
    if (command == QLatin1String("shot") && (argc == 3 || argc == 7)) {
        QScreen *screen = QGuiApplication::primaryScreen();
        QPixmap shot;
        if (screen && argc == 7) {
            const int w = std::atoi(argv[5]);
            const int h = std::atoi(argv[6]);
            shot = screen->grabWindow(0, std::atoi(argv[3]), std::atoi(argv[4]), w, h).scaled(w * 4, h * 4);
        } else if (screen) {
            shot = screen->grabWindow(0);
        }
        if (!shot.isNull() && shot.save(QString::fromLocal8Bit(argv[2])))
            return 0;
        std::fprintf(stderr, "orv-x-probe: could not save %s\n", argv[2]);
        return 1;
    }
    if (command == QLatin1String("clipboard") && argc == 2) {
        std::printf("%s\n", qPrintable(QGuiApplication::clipboard()->text()));
        return 0;
    }
    std::fprintf(stderr, "usage: orv-x-probe shot FILE.png [X Y W H] | orv-x-probe clipboard\n");
    return 2;
}
