#include "control/intl_profile.h"
#include "control/vururaz_ctrl.h"
#include "control/vururaz_typelib.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <numeric>
#include <vector>

// Timing of the real-number input control as a person uses it.
//   orv-bench-input keys [N]            key press to repainted control, N edits (1000)
//   orv-bench-input spin [STEPS] [MS]   spin auto-repeat against SpinSpeed MS (100 steps, 100 ms)
namespace {

// Notes when each Change arrives, on the same clock as the bench.
struct ChangeClock final : zq::EventSink
{
    QElapsedTimer clock;
    std::vector<double> at;
    void handleEvent(int dispid, zq::EventArgs &) override
    {
        if (dispid == vururaz::event::Change)
            at.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
};

struct PaintCounter final : QObject
{
    int paints = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        paints += event->type() == QEvent::Paint;
        return false;
    }
};

struct Site final : zq::ControlSite
{
    bool ambientUserMode() const override { return true; }
};

void summary(const char *what, std::vector<double> v, const char *unit)
{
    std::sort(v.begin(), v.end());
    const double mean = std::accumulate(v.begin(), v.end(), 0.0) / double(v.size());
    std::printf("%s: n=%zu mean=%.3f median=%.3f p99=%.3f max=%.3f %s\n", what, v.size(), mean, v[v.size() / 2],
                v[std::min(v.size() - 1, v.size() * 99 / 100)], v.back(), unit);
}

int keys(CVururazCtrl &control, ChangeClock &changes, int edits)
{
    control.setFocus();
    control.setSelStart(2);
    changes.at.clear();
    PaintCounter counter;
    control.installEventFilter(&counter);
    std::vector<double> ms;
    QElapsedTimer timer;
    for (int i = 0; i < edits; ++i) {
        // A digit inserted in the integer part, then taken back: every press changes the text.
        const bool insert = i % 2 == 0;
        timer.start();
        if (insert)
            QTest::keyClick(&control, Qt::Key_5);
        else
            QTest::keyClick(&control, Qt::Key_Backspace);
        control.repaint();
        ms.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    summary("key press to repainted control", ms, "ms");
    // Every edit must have changed the text, or the figure measures nothing.
    std::printf("changes %zu and paints %d for %d edits, text %s\n", changes.at.size(), counter.paints, edits,
                qPrintable(control.text()));
    return int(changes.at.size()) == edits && counter.paints >= edits ? 0 : 1;
}

int spin(CVururazCtrl &control, ChangeClock &changes, int steps, int speed)
{
    control.setSpinDelay(speed);
    control.setSpinSpeed(speed);
    control.repaint();
    const zq::SpinGeometry g = zq::ControlPainter::spinGeometry(control.paintState());
    const QPoint arrow((g.upHit.left + g.upHit.right) / 2, (g.upHit.top + g.upHit.bottom) / 2);
    changes.at.clear();
    changes.clock.start();
    QTest::mousePress(&control, Qt::LeftButton, {}, arrow);
    while (int(changes.at.size()) < steps + 1)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    QTest::mouseRelease(&control, Qt::LeftButton, {}, arrow);
    std::vector<double> error;
    for (size_t i = 1; i < changes.at.size(); ++i)
        error.push_back(std::abs(changes.at[i] - changes.at[i - 1] - speed));
    summary("spin step timing error against SpinSpeed", error, "ms");
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("keys");
    Site site;
    ChangeClock changes;
    QWidget window;
    auto *control = new CVururazCtrl(&window);
    control->setIntlProfile(std::make_shared<zq::FixedIntlProfile>());
    control->setClientSite(&site);
    control->eventConnection().advise(&changes);
    control->loadFromBag("Text = \"12.34\"\nSpin = 2\n");
    control->setGeometry(10, 10, 120, 20);
    window.resize(140, 40);
    window.show();
    window.activateWindow();
    if (!QTest::qWaitForWindowActive(&window))
        return 1;
    if (mode == QLatin1String("keys"))
        return keys(*control, changes, argc > 2 ? atoi(argv[2]) : 1000);
    if (mode == QLatin1String("spin"))
        return spin(*control, changes, argc > 2 ? atoi(argv[2]) : 100, argc > 3 ? atoi(argv[3]) : 100);
    std::fprintf(stderr, "usage: orv-bench-input keys [N] | spin [STEPS] [MS]\n");
    return 2;
}
