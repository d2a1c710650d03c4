#include "fuzz_driver.h"

#include <QApplication>

// One driver for every target. The control needs a widget application; it runs on the
// offscreen platform, and Qt's messages are dropped unless fatal (a failed assertion
// is fatal, and so a crash libFuzzer keeps).
extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &message) {
        if (type == QtFatalMsg) {
            std::fprintf(stderr, "%s\n", qPrintable(message));
            std::abort();
        }
    });
    static int argc = 1;
    static char name[] = "fuzz";
    static char *argv[] = {name, nullptr};
    // Never destroyed: the process ends without tearing down what targets keep alive.
    new QApplication(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzInput in(data, size);
    fuzzOne(in);
    return 0;
}
