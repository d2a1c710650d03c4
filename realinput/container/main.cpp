#include "container_shell.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QSocketNotifier>
#include <QTextStream>

#include <cstdio>
#include <unistd.h>

// zqcontainer: reads commands from stdin (or a script file) and runs them
// against a control created through the registry.
int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("zqcontainer"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Test container for the ZqRealInput control"));
    parser.addHelpOption();
    QCommandLineOption libraryOption(QStringLiteral("library"),
                                     QStringLiteral("Library that register/unregister use by default."),
                                     QStringLiteral("path"));
    QCommandLineOption stayOption(QStringLiteral("stay"), QStringLiteral("Keep the window open after the input ends."));
    parser.addOption(libraryOption);
    parser.addOption(stayOption);
    parser.addPositionalArgument(QStringLiteral("script"), QStringLiteral("Script file; stdin when absent."));
    parser.process(app);

    QString library = parser.value(libraryOption);
    if (library.isEmpty())
        library = qEnvironmentVariable("ZQ_LIBRARY");
    if (library.isEmpty())
        library = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("../control/libzqrinp32.so"));

    QTextStream out(stdout);
    ContainerShell shell(out, library);

    const QStringList scripts = parser.positionalArguments();
    if (!scripts.isEmpty()) {
        QFile file(scripts.first());
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
            out << "cannot read " << scripts.first() << '\n';
            return 2;
        }
        while (!file.atEnd() && !shell.quitRequested())
            shell.execute(QString::fromLocal8Bit(file.readLine()));
        if (parser.isSet(stayOption) && !shell.quitRequested())
            return app.exec();
        return shell.failures() ? 1 : 0;
    }

    // stdin is read as lines arrive so the window stays live between commands.
    QSocketNotifier notifier(STDIN_FILENO, QSocketNotifier::Read);
    QByteArray pending;
    const bool stay = parser.isSet(stayOption);
    QObject::connect(&notifier, &QSocketNotifier::activated, &app, [&] {
        char buffer[4096];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n > 0)
            pending.append(buffer, int(n));
        // A modal dialog runs its own event loop; the next command waits for it to end.
        notifier.setEnabled(false);
        qsizetype eol;
        while ((eol = pending.indexOf('\n')) >= 0 && !shell.quitRequested()) {
            const QByteArray line = pending.left(eol);
            pending.remove(0, eol + 1);
            shell.execute(QString::fromLocal8Bit(line));
        }
        notifier.setEnabled(true);
        if (n <= 0 || shell.quitRequested()) {
            if (n <= 0 && !pending.isEmpty() && !shell.quitRequested())
                shell.execute(QString::fromLocal8Bit(pending));
            notifier.setEnabled(false);
            if (!stay || shell.quitRequested())
                QCoreApplication::exit(shell.failures() ? 1 : 0);
        }
    });
    return app.exec();
}
