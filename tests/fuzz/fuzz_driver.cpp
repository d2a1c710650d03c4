#include "fuzz_driver.h"

#include <QApplication>

// One driver for every target. The control needs a widget application, on the offscreen
// platform; Qt's messages are dropped unless fatal (a failed assertion is, and so a
// crash libFuzzer keeps). The application is never destroyed: the run ends without it.
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
    static char name[] = "fuzz", *argv[] = {name, nullptr};
    new QApplication(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzInput in(data, size);
    fuzzOne(in);
    return 0;
}
