#include "control/vururaz_ctrl.h"
#include "framework/property_sheet.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QScreen>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

extern "C" quint32 DllRegisterServer();

// Screenshots of the control's property sheet, one a page, taken from the
// screen of a real display (Xvfb will do). Usage: shoot_pages OUTPUT_DIR
int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/tmp/shots");
    QDir().mkpath(out);
    QTemporaryDir registry;
    qputenv("ZQ_REGISTRY", registry.filePath(QStringLiteral("registry.ini")).toLocal8Bit());
    if (DllRegisterServer() != 0)
        return 1;

    CVururazCtrl control;
    control.loadFromBag(QByteArray());
    control.setDecimalPlaces(2);
    control.setValueReal(1234.5);
    zq::PropertySheet sheet(QStringLiteral("ZqRealInput Properties"), {&control}, control.propertyPageIds(),
                            &zq::PropertySheet::createRegisteredPage);
    sheet.move(40, 40);
    sheet.show();
    if (!QTest::qWaitForWindowExposed(&sheet))
        return 1;
    int failures = 0;
    for (int i = 0; i < sheet.tabs()->count(); ++i) {
        sheet.tabs()->setCurrentIndex(i);
        if (i == 0) {
            // An edited field, so Apply lights up as it does for a user.
            if (auto *edit = sheet.tabs()->widget(0)->findChild<QLineEdit *>(QStringLiteral("209")))
                edit->setText(QStringLiteral("-500"));
        }
        for (int k = 0; k < 5; ++k)
            QTest::qWait(60);
        const QRect frame = sheet.frameGeometry();
        const QPixmap shot = sheet.screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
        const QString path = QStringLiteral("%1/page%2-%3.png").arg(out).arg(i).arg(sheet.tabs()->tabText(i));
        const bool ok = shot.save(path);
        failures += ok ? 0 : 1;
        std::printf("%s %s (%dx%d)\n", ok ? "saved" : "FAILED", qPrintable(path), shot.width(), shot.height());
    }
    return failures;
}
