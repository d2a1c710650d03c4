#include "ORV_Main.h"
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

private:
    QProcess m_station;
    QString m_pty;
};

void TestTerminalPty::initTestCase()
{
    m_station.start(QStringLiteral(ORV_STATION_PATH), {});
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

QTEST_MAIN(TestTerminalPty)
#include "tst_terminal_pty.moc"
