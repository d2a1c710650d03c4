#include "link/qt_pump.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QtTest>

#include <ctime>

using namespace orv;

namespace {

double processCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec + ts.tv_nsec / 1e9;
}

} // namespace

// The production clock in a real event loop, with short real waits only.
class TestQtPump : public QObject
{
    Q_OBJECT

private slots:
    void waitNeverEndsEarly_data();
    void waitNeverEndsEarly();
    void wakeEndsWaitOnceConditionHolds();
    void nestedWaitLetsOuterWaiterSeeItsCondition();
    void waitingCostsNoCpu();
};

void TestQtPump::waitNeverEndsEarly_data()
{
    QTest::addColumn<int>("ms");
    QTest::newRow("10 ms") << 10;
    QTest::newRow("120 ms") << 120;
    QTest::newRow("already past") << -50;
}

void TestQtPump::waitNeverEndsEarly()
{
    QFETCH(int, ms);
    QtPump pump;
    const QDateTime until = pump.now().addMSecs(ms);
    QElapsedTimer clock;
    clock.start();
    QVERIFY(!pump.waitUntil(until, [] { return false; }));
    QVERIFY(pump.now() >= until);
    QVERIFY2(clock.elapsed() < qMax(ms, 0) + 200, qPrintable(QString::number(clock.elapsed())));
}

void TestQtPump::wakeEndsWaitOnceConditionHolds()
{
    QtPump pump;
    int wakes = 0;
    QTimer ticker;
    ticker.setInterval(5);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        ++wakes;
        pump.wake();
    });
    ticker.start();
    QElapsedTimer clock;
    clock.start();
    // Wakes that do not satisfy the condition must not end the wait.
    QVERIFY(pump.waitUntil(pump.now().addSecs(5), [&] { return wakes >= 4; }));
    QVERIFY(wakes >= 4);
    QVERIFY2(clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed())));
}

void TestQtPump::nestedWaitLetsOuterWaiterSeeItsCondition()
{
    QtPump pump;
    bool outerReady = false;
    bool innerRan = false;
    // An event handled inside the outer wait starts a wait of its own, during
    // which the outer condition becomes true and is announced.
    QTimer::singleShot(10, [&] {
        QTimer::singleShot(10, [&] {
            outerReady = true;
            pump.wake();
        });
        pump.waitUntil(pump.now().addMSecs(50));
        innerRan = true;
    });
    QElapsedTimer clock;
    clock.start();
    QVERIFY(pump.waitUntil(pump.now().addSecs(5), [&] { return outerReady; }));
    QVERIFY(innerRan);
    QVERIFY2(clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed())));
}

void TestQtPump::waitingCostsNoCpu()
{
    QtPump pump;
    const double before = processCpuSeconds();
    pump.waitUntil(pump.now().addMSecs(500), [] { return false; });
    const double spent = processCpuSeconds() - before;
    // A loop spinning on processEvents would spend the whole half second.
    QVERIFY2(spent < 0.05, qPrintable(QString::number(spent)));
}

QTEST_GUILESS_MAIN(TestQtPump)
#include "tst_qt_pump.moc"
