#include "ORV_Main.h"
#include "pty_peer.h"
#include "terminal_display.h"

#include "link/comm_control.h"
#include "link/message.h"
#include "link/qserial_device.h"
#include "link/qt_pump.h"

#include <QAction>
#include <QMenu>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace orv;

// The program's terminal against the station simulator program on a real
// pseudo-terminal, in real time: port-only mode needs no protocol delays.
class TestTerminalPty : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void typedCommandsGetTheStationsReplies();
    void lineThatHangsUpEndsTerminalMode();

private:
    QProcess m_station;
    QString m_pty;
};

void TestTerminalPty::initTestCase()
{
    m_station.start(QStringLiteral(ORV_STATION_PROGRAM), {});
    QVERIFY2(m_station.waitForStarted(5000), qPrintable(m_station.errorString()));
    QByteArray first;
    while (!first.contains('\n') && m_station.waitForReadyRead(5000))
        first += m_station.readAllStandardOutput();
    QVERIFY2(first.startsWith("PTY "), first.constData());
    m_pty = QString::fromLocal8Bit(first.mid(4, first.indexOf('\n') - 4)).trimmed();
}

void TestTerminalPty::cleanupTestCase()
{
    m_station.terminate();
    QVERIFY(m_station.waitForFinished(5000));
}

void TestTerminalPty::typedCommandsGetTheStationsReplies()
{
    QStringList messages;
    const MessageHandler previous = setMessageHandler(
        [&messages](const QString &text, MessageIcon, const QString &) { messages << text; });
    QTemporaryDir dataDir;
    PortMap map;
    map.setDevicePath(2, m_pty);
    QtPump pump;
    ORV_Main window(pump, std::make_unique<CommControl>(std::make_unique<QSerialDevice>(), map), dataDir.path());
    window.setEndAction([] {});
    window.show();

    window.findChild<QAction *>(QStringLiteral("port_only_menu"))->trigger();
    QVERIFY2(messages.isEmpty(), qPrintable(messages.join('\n')));
    QVERIFY(window.comm().portOpen());
    TerminalDisplay *terminal = window.terminal();
    const auto screenText = [terminal] { return terminal->screen().text().join('\n'); };

    QTest::keyClicks(terminal, QStringLiteral("V"));
    QTRY_VERIFY_WITH_TIMEOUT(screenText().contains(QStringLiteral("4.103")), 5000);
    QTest::keyClicks(terminal, QStringLiteral("R"));
    QTRY_VERIFY_WITH_TIMEOUT(screenText().contains(QChar(0x00B0)), 5000);

    window.findChild<QAction *>(QStringLiteral("port_close_menu"))->trigger();
    QVERIFY(!window.comm().portOpen());
    QVERIFY(window.findChild<QAction *>(QStringLiteral("open_port_menu"))->isEnabled());
    setMessageHandler(previous);
}

void TestTerminalPty::lineThatHangsUpEndsTerminalMode()
{
    QStringList messages;
    const MessageHandler previous = setMessageHandler(
        [&messages](const QString &text, MessageIcon, const QString &) { messages << text; });
    test::PtyPeer peer;
    QVERIFY(peer.isOpen());
    QTemporaryDir dataDir;
    PortMap map;
    map.setDevicePath(2, peer.path());
    QtPump pump;
    ORV_Main window(pump, std::make_unique<CommControl>(std::make_unique<QSerialDevice>(), map), dataDir.path());
    window.setEndAction([] {});
    window.show();
    auto *openPort = window.findChild<QAction *>(QStringLiteral("open_port_menu"));
    window.findChild<QAction *>(QStringLiteral("port_only_menu"))->trigger();
    QVERIFY(window.comm().portOpen());
    QVERIFY(!openPort->isEnabled());

    const double cpuAtLoss = test::processCpuSeconds();
    QElapsedTimer sinceLoss;
    sinceLoss.start();
    peer.hangUp();
    QTRY_VERIFY_WITH_TIMEOUT(openPort->isEnabled(), 5000);
    const qint64 toStartUpMenus = sinceLoss.elapsed();
    QTest::qWait(500); // idle on the dead line
    const double cpu = test::processCpuSeconds() - cpuAtLoss;

    QVERIFY2(toStartUpMenus < 2000, qPrintable(QString::number(toStartUpMenus)));
    QVERIFY2(cpu < 0.1, qPrintable(QString::number(cpu)));
    QVERIFY(!window.comm().portOpen());
    QVERIFY(window.terminal()->screen().text().join('\n').contains(QStringLiteral("*** Line lost: ")));
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages[0].startsWith(QStringLiteral("The line to the weather station was lost: ")),
             qPrintable(messages[0]));
    qInfo("line lost to start-up menus: %lld ms, %.1f ms CPU up to 0.5 s after", toStartUpMenus, cpu * 1000);
    setMessageHandler(previous);
}

QTEST_MAIN(TestTerminalPty)
#include "tst_terminal_pty.moc"
