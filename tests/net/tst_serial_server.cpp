#include "../calibration/fake_panels.h"
#include "message_capture.h"
#include "pty_peer.h"
#include "serial_server.h"
#include "station_process.h"
#include "virtual_pump.h"

#include "link/com_settings.h"
#include "link/comm_control.h"
#include "link/connect_station.h"
#include "link/link_ui.h"
#include "link/port_device.h"
#include "link/qt_pump.h"
#include "link/station_link.h"
#include "params/baud_change.h"
#include "params/prm_file.h"

#include <QElapsedTimer>
#include <QMutex>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <thread>

#include <poll.h>

using namespace orv;
using namespace orv::test;

Q_DECLARE_METATYPE(orv::test::SerialServer::Mode)

namespace {

struct ClosingRecorder final : LinkUi
{
    void linkClosing() override {}
    void linkClosed() override { ++closed; }
    void lineLost(const QString &reason) override { lost << reason; }
    int closed = 0;
    QStringList lost;
};

struct InfoProgress final : ConnectProgress
{
    void show() override {}
    void setInfo(const QString &text) override { infos << text; }
    void beep() override {}
    void close() override {}
    QStringList infos;
};

// The program's own link with COM2 naming `url`, on real time unless the
// test only needs the waits after a failure to pass.
struct NetRig
{
    explicit NetRig(const QString &url, bool virtualTime = false)
        : pump(virtualTime ? std::unique_ptr<Pump>(std::make_unique<VirtualPump>()) : std::make_unique<QtPump>())
    {
        PortMap ports;
        ports.setDevicePath(2, url);
        auto owned = std::make_unique<PortDevice>();
        device = owned.get();
        comm = std::make_unique<CommControl>(std::move(owned), ports);
        link = std::make_unique<StationLink>(*comm, *pump);
        link->setMessages(&log);
        link->setUi(&ui);
    }
    bool open(int baud)
    {
        comm->setPortOpen(false);
        comm->setUpLine(false);
        comm->setCommPort(2);
        return comm->setSettings(settingsStringForRate(float(baud))) && comm->setPortOpen(true);
    }
    bool versionAnswered()
    {
        return link->request_version().ok();
    }

    std::unique_ptr<Pump> pump;
    MessageCapture log;
    ClosingRecorder ui;
    PortDevice *device = nullptr;
    std::unique_ptr<CommControl> comm;
    std::unique_ptr<StationLink> link;
};

int rawSettingsNotices(const QStringList &notices, const QString &settings)
{
    return int(notices.filter(QStringLiteral("the line settings %1 cannot be set over a raw TCP connection").arg(settings))
                   .size());
}

QByteArray bytesOf(std::initializer_list<int> list)
{
    QByteArray out;
    for (int c : list)
        out.append(char(c));
    return out;
}

// A telnet server of our own on a loopback port, in a thread of its own since
// open() waits for its answers: it says `greeting`, confirms the rate once it
// is asked for one, sends `data` once it has heard `dataAfter` (open() drops
// what came before), and keeps what the client sent.
class ScriptedTelnetServer
{
public:
    ScriptedTelnetServer(QByteArray greeting, QByteArray data, QByteArray dataAfter)
        : m_greeting(std::move(greeting))
        , m_data(std::move(data))
        , m_dataAfter(std::move(dataAfter))
    {
        m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        if (::bind(m_listener, reinterpret_cast<sockaddr *>(&a), sizeof a) == 0 && ::listen(m_listener, 1) == 0
            && ::getsockname(m_listener, reinterpret_cast<sockaddr *>(&a), &len) == 0)
            m_port = ntohs(a.sin_port);
        m_thread = std::thread([this] { serve(); });
    }
    ~ScriptedTelnetServer()
    {
        if (m_thread.joinable())
            m_thread.join();
        ::close(m_listener);
    }
    QString url() const { return QStringLiteral("rfc2217://127.0.0.1:%1").arg(m_port); }
    // Everything the client sent, once it has closed (or after 5 s).
    QByteArray received()
    {
        if (m_thread.joinable())
            m_thread.join();
        return m_received;
    }

private:
    void serve()
    {
        pollfd p{m_listener, POLLIN, 0};
        if (::poll(&p, 1, 5000) <= 0)
            return;
        const int fd = ::accept(m_listener, nullptr, nullptr);
        ::send(fd, m_greeting.constData(), size_t(m_greeting.size()), MSG_NOSIGNAL);
        bool confirmed = false;
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 5000) {
            pollfd q{fd, POLLIN, 0};
            if (::poll(&q, 1, 100) <= 0)
                continue;
            char buffer[512];
            const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0)
                break;
            m_received.append(buffer, n);
            const QByteArray setRate = bytesOf({255, 250, 44, 1});
            const int at = int(m_received.indexOf(setRate));
            if (!confirmed && at >= 0 && m_received.size() >= at + 10) {
                confirmed = true;
                const QByteArray reply = bytesOf({255, 250, 44, 101}) + m_received.mid(at + 4, 4) + bytesOf({255, 240});
                ::send(fd, reply.constData(), size_t(reply.size()), MSG_NOSIGNAL);
            }
            if (confirmed && !m_data.isEmpty() && m_received.mid(at + 10).contains(m_dataAfter)) {
                ::send(fd, m_data.constData(), size_t(m_data.size()), MSG_NOSIGNAL);
                m_data.clear();
            }
        }
        ::close(fd);
    }

    QByteArray m_greeting;
    QByteArray m_data;
    QByteArray m_dataAfter;
    QByteArray m_received;
    int m_listener = -1;
    quint16 m_port = 0;
    std::thread m_thread;
};

} // namespace

// A station on a pseudo-terminal served by ser2net: what a technician gets
// when the cable ends at an Ethernet-to-serial box.
class TestSerialServer : public QObject
{
    Q_OBJECT

private slots:
    void cliCarriesEveryByteAndTheRate_data();
    void cliCarriesEveryByteAndTheRate();
    void baudChangeMovesTheServersPort();
    void rawServerSaysOnceWhatItCannotSet();
    void serverKilledMidExchange_data();
    void serverKilledMidExchange();
    void serverThatCannotBeUsed_data();
    void serverThatCannotBeUsed();
    void telnetOptionsAndEscapes_data();
    void telnetOptionsAndEscapes();
    void serverThatNeverAnswersLeavesWindowsLive_data();
    void serverThatNeverAnswersLeavesWindowsLive();

private:
    bool startStation(StationProcess &station, const QStringList &options)
    {
        const bool ok = station.start(options);
        if (!ok)
            qWarning() << station.error();
        return ok;
    }
};

void TestSerialServer::cliCarriesEveryByteAndTheRate_data()
{
    QTest::addColumn<SerialServer::Mode>("mode");
    QTest::addColumn<int>("stationBaudIndex");
    QTest::addColumn<bool>("notice");
    // The server's port starts at 2400 in both; the program asks for 9600.
    QTest::newRow("raw: the server keeps its rate, and says so") << SerialServer::Raw << 4 << true;
    QTest::newRow("telnet: the rate reaches the server's port") << SerialServer::Telnet << 2 << false;
}

void TestSerialServer::cliCarriesEveryByteAndTheRate()
{
    QFETCH(SerialServer::Mode, mode);
    QFETCH(int, stationBaudIndex);
    QFETCH(bool, notice);
    QTemporaryDir dir;
    // Address and value 0xFF put the telnet escape byte into the request and into the reply.
    QFile params(dir.filePath(QStringLiteral("params.txt")));
    QVERIFY(params.open(QIODevice::WriteOnly));
    params.write("0xff=0xffff\n");
    params.close();
    StationProcess station(QStringLiteral(ORV_STATION_PATH));
    QVERIFY(startStation(station, {QStringLiteral("--params"), params.fileName(), QStringLiteral("--baud-index"),
                                   QString::number(stationBaudIndex)}));
    SerialServer server;
    QVERIFY2(server.start(station.ptyPath(), mode, QStringLiteral("2400n81")), qPrintable(server.error()));

    const ProgramRun run = runProgram(QStringLiteral(ORVCAL_CLI_PATH),
                                      {QStringLiteral("--data-dir"), dir.path(), QStringLiteral("--device"), server.url(),
                                       QStringLiteral("--baud"), QStringLiteral("9600"), QStringLiteral("read"),
                                       QStringLiteral("0xff")},
                                      20000);
    QVERIFY2(run.exitCode == 0, run.err.constData());
    QCOMPARE(run.out.trimmed(), QByteArray("65535"));
    QCOMPARE(rawSettingsNotices(QString::fromLocal8Bit(run.err).split(QLatin1Char('\n')), QStringLiteral("9600,N,8,1")),
             notice ? 1 : 0);
}

void TestSerialServer::baudChangeMovesTheServersPort()
{
    StationProcess station(QStringLiteral(ORV_STATION_PATH));
    QVERIFY(startStation(station, {QStringLiteral("--baud-index"), QStringLiteral("4")}));
    SerialServer server;
    QVERIFY2(server.start(station.ptyPath(), SerialServer::Telnet, QStringLiteral("2400n81")), qPrintable(server.error()));

    NetRig rig(server.url());
    QVERIFY2(rig.open(2400), qPrintable(rig.comm->lastOpenErrorString()));
    QCOMPARE(rig.device->network().serverBaud(), 2400);
    QVERIFY(rig.versionAnswered());

    ParamRecords records;
    QFile prm(QString::fromLocal8Bit(qgetenv("ORV_PRM_DIR")) + QStringLiteral("/4103.prm"));
    QVERIFY(prm.open(QIODevice::ReadOnly));
    applyPrmText(prm.readAll(), records);
    ComSettings settings = ComSettings::defaults();
    FakePanels panels;
    QCOMPARE(change_station_baud(*rig.link, records, settings, nullptr, panels, 9600), BaudChange::Changed);

    QCOMPARE(rig.comm->settings(), QStringLiteral("9600,N,8,1"));
    QCOMPARE(rig.device->network().serverBaud(), 9600);
    // The station now listens at 9600 only: an answer proves the server's port moved with us.
    QVERIFY(rig.versionAnswered());
    QVERIFY2(rig.log.isEmpty(), qPrintable(rig.log.texts().join(QLatin1Char('\n'))));
    QVERIFY(rig.device->network().notices().isEmpty());
}

void TestSerialServer::rawServerSaysOnceWhatItCannotSet()
{
    StationProcess station(QStringLiteral(ORV_STATION_PATH));
    QVERIFY(startStation(station, {}));
    SerialServer server;
    QVERIFY2(server.start(station.ptyPath(), SerialServer::Raw, QStringLiteral("2400n81")), qPrintable(server.error()));

    NetRig rig(server.url());
    QSignalSpy notices(rig.device, &PortDevice::notice);
    for (int baud : {2400, 2400, 9600, 2400})
        QVERIFY2(rig.open(baud), qPrintable(rig.comm->lastOpenErrorString()));
    const QStringList said = rig.device->network().notices();
    QCOMPARE(rawSettingsNotices(said, QStringLiteral("2400,N,8,1")), 1);
    QCOMPARE(rawSettingsNotices(said, QStringLiteral("9600,N,8,1")), 1);
    QCOMPARE(notices.size(), said.size());
    // Bytes still pass at the server's own rate.
    QVERIFY(rig.versionAnswered());
}

void TestSerialServer::serverKilledMidExchange_data()
{
    QTest::addColumn<SerialServer::Mode>("mode");
    QTest::addColumn<bool>("idle");
    QTest::newRow("raw, during a request: the request fails at once") << SerialServer::Raw << false;
    QTest::newRow("telnet, during a request: the request fails at once") << SerialServer::Telnet << false;
    QTest::newRow("telnet, idle: the link reports it and closes") << SerialServer::Telnet << true;
}

void TestSerialServer::serverKilledMidExchange()
{
    QFETCH(SerialServer::Mode, mode);
    QFETCH(bool, idle);
    StationProcess station(QStringLiteral(ORV_STATION_PATH));
    // The reply would come after 3 s; the server is gone long before.
    QVERIFY(startStation(station, {QStringLiteral("--turnaround"), QStringLiteral("3000")}));
    SerialServer server;
    QVERIFY2(server.start(station.ptyPath(), mode, QStringLiteral("2400n81")), qPrintable(server.error()));

    NetRig rig(server.url());
    QVERIFY2(rig.open(2400), qPrintable(rig.comm->lastOpenErrorString()));
    QSignalSpy lost(rig.comm.get(), &CommControl::lineLost);
    double cpuAtLoss = 0;
    QElapsedTimer sinceLoss;
    const auto killServer = [&] {
        cpuAtLoss = processCpuSeconds();
        sinceLoss.start();
        server.kill();
    };
    if (idle) {
        killServer();
        QTRY_COMPARE_WITH_TIMEOUT(rig.ui.closed, 1, 2000);
        QCOMPARE(rig.log.texts().size(), 1);
        QVERIFY2(rig.log.texts().first().contains(server.url()),
                 qPrintable(rig.log.texts().first()));
    } else {
        QTimer::singleShot(300, killServer);
        QVERIFY(!rig.versionAnswered());
        QVERIFY2(sinceLoss.isValid() && sinceLoss.elapsed() < 1000, qPrintable(QString::number(sinceLoss.elapsed())));
        // The caller of a failed request reports it, not the link.
        QVERIFY(rig.log.isEmpty());
    }
    QCOMPARE(lost.size(), 1);
    // Closed or reset, depending on what the server had in flight.
    QVERIFY2(lost.first().first().toString().contains(server.url()),
             qPrintable(lost.first().first().toString()));
    QVERIFY(rig.comm->lost() || idle);
    QVERIFY(!rig.comm->portOpen());
    QTest::qWait(300); // idle on the dead connection
    const double cpu = processCpuSeconds() - cpuAtLoss;
    QVERIFY2(cpu < 0.1, qPrintable(QString::number(cpu)));
}

void TestSerialServer::serverThatCannotBeUsed_data()
{
    QTest::addColumn<bool>("rawServer");
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("reason");
    const QString nobody = QStringLiteral("127.0.0.1:%1").arg(SerialServer::freePort());
    QTest::newRow("nothing listens") << false << (QStringLiteral("tcp://") + nobody)
                                      << QStringLiteral("the server refused the connection");
    QTest::newRow("no port number") << false << QStringLiteral("rfc2217://127.0.0.1")
                                     << QStringLiteral("not tcp://host:port or rfc2217://host:port");
    // A raw server passes our telnet offer to the station and never answers it.
    QTest::newRow("telnet to a raw server") << true << QString() << QStringLiteral("does not offer COM port control");
}

void TestSerialServer::serverThatCannotBeUsed()
{
    QFETCH(bool, rawServer);
    QFETCH(QString, url);
    QFETCH(QString, reason);
    StationProcess station(QStringLiteral(ORV_STATION_PATH));
    SerialServer server;
    if (rawServer) {
        QVERIFY(startStation(station, {}));
        QVERIFY2(server.start(station.ptyPath(), SerialServer::Raw, QStringLiteral("2400n81")), qPrintable(server.error()));
        url = server.url().replace(QLatin1String("tcp://"), QLatin1String("rfc2217://"));
    }

    NetRig rig(url, true);
    ComSettings settings = ComSettings::defaults();
    settings.com_port[0] = 2;
    settings.baud_rate[0] = 2400;
    InfoProgress progress;
    connect_station(*rig.link, settings, progress);
    QVERIFY(!progress.infos.isEmpty());
    const QStringList lines = progress.infos.last().split(QLatin1Char('\n'));
    QCOMPARE(lines.first(), ConnectText::portUnavailable);
    QVERIFY2(lines.size() == 2 && lines.last().contains(reason), qPrintable(progress.infos.last()));
    QVERIFY(!rig.comm->portOpen());
}

void TestSerialServer::telnetOptionsAndEscapes_data()
{
    const int IAC = 255, WILL = 251, WONT = 252, DO = 253, DONT = 254, SB = 250, SE = 240;
    QTest::addColumn<QByteArray>("greeting");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QByteArray>("write");
    QTest::addColumn<QByteArray>("expectedInput");
    QTest::addColumn<QList<QByteArray>>("expectedSent");
    QTest::addColumn<QList<QByteArray>>("neverSent");
    const QByteArray comPort = bytesOf({IAC, DO, 44});
    const QByteArray none;
    QTest::newRow("options it cannot do are refused")
        << comPort + bytesOf({IAC, DO, 24, IAC, WILL, 1}) << none << none << none
        << QList<QByteArray>{bytesOf({IAC, WONT, 24}), bytesOf({IAC, DONT, 1})} << QList<QByteArray>{};
    QTest::newRow("suppress-go-ahead is taken, once however often offered")
        << comPort + bytesOf({IAC, WILL, 3, IAC, WILL, 3, IAC, DO, 3}) << none << none << none
        << QList<QByteArray>{bytesOf({IAC, DO, 3, IAC, WILL, 3})} << QList<QByteArray>{bytesOf({IAC, DO, 3, IAC, DO, 3})};
    QTest::newRow("binary asked for is not asked again when granted")
        << comPort + bytesOf({IAC, DO, 0, IAC, WILL, 0}) << none << none << none
        << QList<QByteArray>{bytesOf({IAC, WILL, 0}), bytesOf({IAC, DO, 0})}
        << QList<QByteArray>{bytesOf({IAC, WILL, 0, IAC, DO, 0, IAC, WILL, 44, IAC, WILL, 0})};
    QTest::newRow("0xFF is doubled going out and undoubled coming in; commands amid data are not data")
        << comPort << bytesOf({0x41, IAC, IAC, 0x42, IAC, 241, IAC, SB, 44, 107, 0x30, IAC, SE, 0x00, IAC, IAC})
        << bytesOf({IAC, 0x02, IAC}) << bytesOf({0x41, IAC, 0x42, 0x00, IAC})
        << QList<QByteArray>{bytesOf({IAC, IAC, 0x02, IAC, IAC})} << QList<QByteArray>{};
    QTest::newRow("the line settings reach the server")
        << comPort << none << none << none
        << QList<QByteArray>{bytesOf({IAC, SB, 44, 1, 0x00, 0x00, 0x25, 0x80, IAC, SE}), bytesOf({IAC, SB, 44, 2, 8, IAC, SE}),
                             bytesOf({IAC, SB, 44, 3, 1, IAC, SE}), bytesOf({IAC, SB, 44, 4, 1, IAC, SE}),
                             bytesOf({IAC, SB, 44, 5, 8, IAC, SE})}
        << QList<QByteArray>{};
}

void TestSerialServer::telnetOptionsAndEscapes()
{
    QFETCH(QByteArray, greeting);
    QFETCH(QByteArray, data);
    QFETCH(QByteArray, write);
    QFETCH(QByteArray, expectedInput);
    QFETCH(QList<QByteArray>, expectedSent);
    QFETCH(QList<QByteArray>, neverSent);
    ScriptedTelnetServer server(greeting, data, expectedSent.value(0));
    NetSerialDevice device;
    device.setDtr(true);
    QElapsedTimer clock;
    clock.start();
    QVERIFY2(device.open(server.url(), LineSettings{9600, 'N', 8, 1}, false), qPrintable(device.errorString()));
    QVERIFY2(clock.elapsed() < 1000, "the rate was not confirmed at once");
    QCOMPARE(device.serverBaud(), 9600);
    device.write(write);
    QByteArray input = device.readAll();
    QTRY_VERIFY_WITH_TIMEOUT((input += device.readAll()).size() >= expectedInput.size(), 2000);
    QCOMPARE(input.toHex(' '), expectedInput.toHex(' '));
    device.close();
    const QByteArray sent = server.received();
    for (const QByteArray &expected : expectedSent)
        QVERIFY2(sent.contains(expected), qPrintable(sent.toHex(' ') + " lacks " + expected.toHex(' ')));
    for (const QByteArray &unwanted : neverSent)
        QVERIFY2(!sent.contains(unwanted), qPrintable(sent.toHex(' ') + " has " + unwanted.toHex(' ')));
    QVERIFY(device.notices().isEmpty());
}

void TestSerialServer::serverThatNeverAnswersLeavesWindowsLive_data()
{
    QTest::addColumn<QString>("scheme");
    QTest::addColumn<bool>("queueFull");
    QTest::addColumn<int>("closeAtMs");
    QTest::addColumn<bool>("destroy");
    QTest::addColumn<int>("timeoutMs");
    QTest::addColumn<QString>("reason");
    const QString closed = QStringLiteral("the connection was closed");
    // A listener whose accept queue is full drops the handshake, so the connect stays pending.
    QTest::newRow("the connect never completes")
        << QStringLiteral("tcp") << true << 0 << false << NetSerialDevice::connectTimeoutMs
        << QStringLiteral("the server did not answer in time");
    QTest::newRow("the telnet offer is never answered")
        << QStringLiteral("rfc2217") << false << 0 << false << NetSerialDevice::negotiateTimeoutMs
        << QStringLiteral("does not offer COM port control");
    QTest::newRow("closed while connecting") << QStringLiteral("tcp") << true << 300 << false << 300 << closed;
    QTest::newRow("closed while negotiating") << QStringLiteral("rfc2217") << false << 300 << false << 300 << closed;
    QTest::newRow("destroyed while connecting") << QStringLiteral("tcp") << true << 300 << true << 300 << QString();
    QTest::newRow("destroyed while negotiating") << QStringLiteral("rfc2217") << false << 300 << true << 300 << QString();
}

void TestSerialServer::serverThatNeverAnswersLeavesWindowsLive()
{
    QFETCH(QString, scheme);
    QFETCH(bool, queueFull);
    QFETCH(int, closeAtMs);
    QFETCH(bool, destroy);
    QFETCH(int, timeoutMs);
    QFETCH(QString, reason);
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    QVERIFY(::bind(listener, reinterpret_cast<sockaddr *>(&a), sizeof a) == 0 && ::listen(listener, 0) == 0
            && ::getsockname(listener, reinterpret_cast<sockaddr *>(&a), &len) == 0);
    const auto closeListener = qScopeGuard([listener] { ::close(listener); });
    int filler = -1;
    const auto closeFiller = qScopeGuard([&filler] {
        if (filler >= 0)
            ::close(filler);
    });
    if (queueFull) {
        filler = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        QVERIFY(::connect(filler, reinterpret_cast<sockaddr *>(&a), sizeof a) == 0);
    }

    QPointer<NetSerialDevice> device = new NetSerialDevice;
    const auto deleteDevice = qScopeGuard([&device] { delete device; });
    int ticks = 0;
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, [&ticks] { ++ticks; });
    ticker.start(50);
    if (closeAtMs > 0)
        QTimer::singleShot(closeAtMs, &ticker, [&device, destroy] {
            if (destroy)
                delete device;
            else
                device->close();
        });
    QElapsedTimer clock;
    clock.start();
    QVERIFY(!device->open(QStringLiteral("%1://127.0.0.1:%2").arg(scheme).arg(ntohs(a.sin_port)),
                          LineSettings{9600, 'N', 8, 1}, false));
    const qint64 elapsed = clock.elapsed();
    QVERIFY2(elapsed >= timeoutMs - 50 && elapsed < timeoutMs + 1500, qPrintable(QString::number(elapsed)));
    // A blocking wait would let none of them through.
    QVERIFY2(ticks >= timeoutMs / 50 / 2, qPrintable(QString::number(ticks)));
    if (destroy) {
        QVERIFY(!device);
        return;
    }
    QVERIFY2(device->errorString().contains(reason), qPrintable(device->errorString()));
    QVERIFY(!device->isOpen());
}

QTEST_MAIN(TestSerialServer)
#include "tst_serial_server.moc"
