#include "ORV_Main.h"
#include "message_capture.h"
#include "station_process.h"
#include "terminal_display.h"

#include "link/comm_control.h"
#include "link/qserial_device.h"
#include "link/qt_pump.h"

#include <QAction>
#include <QMenu>
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

private:
    orv::test::StationProcess m_station{QStringLiteral(ORV_STATION_PATH)};
    QString m_pty;
};

void TestTerminalPty::initTestCase()
{
    QVERIFY2(m_station.start(), qPrintable(m_station.error()));
    m_pty = m_station.ptyPath();
}

void TestTerminalPty::cleanupTestCase()
{
    QVERIFY(m_station.stop());
}

void TestTerminalPty::typedCommandsGetTheStationsReplies()
{
    orv::test::MessageCapture log;
    QTemporaryDir dataDir;
    PortMap map;
    map.setDevicePath(2, m_pty);
    QtPump pump;
    ORV_Main window(pump, std::make_unique<CommControl>(std::make_unique<QSerialDevice>(), map), dataDir.path(), &log);
    window.setEndAction([] {});
    window.show();

    window.findChild<QAction *>(QStringLiteral("port_only_menu"))->trigger();
    QVERIFY2(log.isEmpty(), qPrintable(log.texts().join('\n')));
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
}

QTEST_MAIN(TestTerminalPty)
#include "tst_terminal_pty.moc"
