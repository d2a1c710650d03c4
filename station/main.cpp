#include "hayes_modem.h"
#include "param_table.h"
#include "pty_server.h"
#include "station_model.h"
#include "station_options.h"
#include "wire_trace.h"

#include "link/port_map.h"

#include <QCoreApplication>
#include <QFile>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <memory>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

void handleSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &byte, 1);
}

// The signals that end a simulator (a kill, Ctrl+C, a closed terminal) end
// the event loop through a socket, the one thing a signal handler may safely
// touch, so the program tidies up after itself as on any other ending.
bool quitOnSignals(QCoreApplication &app)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0)
        return false;
    auto *notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
    struct sigaction action = {};
    action.sa_handler = handleSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGTERM, SIGINT, SIGHUP, SIGQUIT})
        if (::sigaction(signal, &action, nullptr) != 0)
            return false;
    return true;
}

int fail(const QString &message)
{
    std::fprintf(stderr, "orv-station: %s\n", qPrintable(message));
    return 1;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    station::ProgramOptions options;
    QString error;
    if (!station::parseProgramOptions(app.arguments().mid(1), &options, &error))
        return fail(error);
    if (options.help) {
        std::fputs(qPrintable(station::usage()), stdout);
        return 0;
    }
    if (!quitOnSignals(app))
        return fail(QStringLiteral("cannot catch signals"));

    station::PtyServer server;
    station::StationModel model(options.station, 0);
    if (!options.paramsFile.isEmpty() && !model.loadParams(options.paramsFile, 0, &error))
        return fail(error);
    if (options.baudIndex >= 0)
        model.setParam(station::paramAddress("Baud Rate index"), std::uint16_t(options.baudIndex), 0);
    if (!server.open(model.ownRate(), &error))
        return fail(error);

    station::Peer *peer = &model;
    std::unique_ptr<station::HayesModem> modem;
    if (options.modem) {
        modem = std::make_unique<station::HayesModem>(model, options.modemOptions);
        peer = modem.get();
    }
    QFile traceFile(options.tracePath);
    std::unique_ptr<station::WireTrace> trace;
    if (!options.tracePath.isEmpty()) {
        if (!traceFile.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return fail(QStringLiteral("%1: %2").arg(options.tracePath, traceFile.errorString()));
        trace = std::make_unique<station::WireTrace>(*peer, traceFile);
        peer = trace.get();
    }

    if (!options.linkPath.isEmpty()) {
        QFile::remove(options.linkPath);
        if (!QFile::link(server.slavePath(), options.linkPath))
            return fail(QStringLiteral("cannot create the link %1").arg(options.linkPath));
    }
    if (options.registerCom
        && !orv::PortMap::registerPort(options.dataDir, options.registerCom, server.slavePath(), &error))
        return fail(error);

    std::printf("PTY %s\n", qPrintable(server.slavePath()));
    std::fflush(stdout);

    server.serve(*peer);
    const int status = app.exec();
    if (!options.linkPath.isEmpty())
        QFile::remove(options.linkPath);
    // The terminal goes with us, and the next one may go to someone else:
    // COMn must not name it any more (unless another simulator took COMn since).
    if (options.registerCom
        && !orv::PortMap::unregisterPort(options.dataDir, options.registerCom, server.slavePath(), &error))
        return fail(error);
    return status;
}
