#include "station_process.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

namespace {

// Reads until `count` bytes have come or `ms` have passed; never more than asked.
QByteArray readBytes(QSerialPort &port, int count, int ms)
{
    QByteArray got;
    QElapsedTimer timer;
    timer.start();
    while (got.size() < count && timer.elapsed() < ms) {
        if (port.bytesAvailable() == 0)
            port.waitForReadyRead(int(qMax<qint64>(1, ms - timer.elapsed())));
        got += port.read(count - got.size());
    }
    return got;
}

} // namespace

// The orv-station program on a real pseudo-terminal, opened like a serial port.
class TestStationPty : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void answersOverThePty();
    void followsABaudChange();
    void linkAndPortRegistration_data();
    void linkAndPortRegistration();
    void simulatorsStartedTogetherKeepEveryLine();

private:
    QString start(const QStringList &arguments);
    bool openPort(QSerialPort &port, const QString &path, int baud);

    QTemporaryDir m_dir;
    std::unique_ptr<orv::test::StationProcess> m_station;
};

void TestStationPty::init()
{
    QVERIFY(m_dir.isValid());
}

void TestStationPty::cleanup()
{
    if (m_station)
        QVERIFY(m_station->stop());
    m_station.reset();
}

QString TestStationPty::start(const QStringList &arguments)
{
    m_station = std::make_unique<orv::test::StationProcess>(QStringLiteral(ORV_STATION_PATH));
    if (!m_station->start(arguments))
        qWarning("%s", qPrintable(m_station->error()));
    return m_station->ptyPath();
}

bool TestStationPty::openPort(QSerialPort &port, const QString &path, int baud)
{
    port.setPortName(path);
    port.setBaudRate(baud);
    port.setDataBits(QSerialPort::Data8);
    port.setParity(QSerialPort::NoParity);
    port.setStopBits(QSerialPort::OneStop);
    port.setFlowControl(QSerialPort::NoFlowControl);
    return port.open(QIODevice::ReadWrite);
}

void TestStationPty::answersOverThePty()
{
    const QString tracePath = m_dir.filePath(QStringLiteral("wire.txt"));
    const QString path = start({QStringLiteral("--trace"), tracePath});
    QVERIFY(!path.isEmpty());

    QSerialPort port;
    QVERIFY2(openPort(port, path, 2400), qPrintable(port.errorString()));
    port.write("V");
    QCOMPARE(readBytes(port, 7, 3000), QByteArray("4.103\r\n"));
    port.write(QByteArray::fromHex("02034750105603"));
    QCOMPARE(readBytes(port, 2, 3000).toHex(), QByteArray("0021"));
    // Current conditions carry a degree sign: bytes above 0x7F pass the pty.
    port.write("R");
    QByteArray text;
    while (text.count('\n') < 4) {
        const QByteArray more = readBytes(port, 1, 3000);
        QVERIFY(!more.isEmpty());
        text += more;
    }
    QVERIFY(text.contains('\xb0'));
    port.close();

    QFile trace(tracePath);
    QVERIFY(trace.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = trace.readAll().split('\n');
    const QRegularExpression shape(QStringLiteral("^\\d+ [<>]( [0-9a-f]{2})+$"));
    QByteArray toStation, fromStation;
    for (const QByteArray &line : lines) {
        if (line.isEmpty())
            continue;
        QVERIFY2(shape.match(QString::fromLatin1(line)).hasMatch(), line.constData());
        const QByteArray bytes = QByteArray::fromHex(line.mid(line.indexOf(' ', 0) + 3));
        (line.contains(" > ") ? toStation : fromStation) += bytes;
    }
    QCOMPARE(toStation.toHex(), (QByteArray("V") + QByteArray::fromHex("02034750105603") + "R").toHex());
    QVERIFY(fromStation.startsWith(QByteArray("4.103\r\n") + QByteArray::fromHex("0021")));
    QVERIFY(fromStation.endsWith(text));
}

void TestStationPty::followsABaudChange()
{
    const QString path = start({QStringLiteral("--turnaround"), QStringLiteral("10")});
    QVERIFY(!path.isEmpty());
    QSerialPort port;
    QVERIFY(openPort(port, path, 9600));
    // A station at 2400 never understands 9600.
    port.write("V");
    QVERIFY(readBytes(port, 1, 300).isEmpty());

    QVERIFY(port.setBaudRate(2400));
    port.write(QByteArray::fromHex("02055350060002 5003")); // baud index 2: 9600
    QCOMPARE(readBytes(port, 2, 3000).toHex(), QByteArray("0002"));
    QVERIFY(port.setBaudRate(9600));
    port.write("V");
    QCOMPARE(readBytes(port, 7, 3000), QByteArray("4.103\r\n"));
}

void TestStationPty::linkAndPortRegistration_data()
{
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGTERM") << SIGTERM;
    QTest::newRow("Ctrl+C") << SIGINT;
    QTest::newRow("its terminal closed (SIGHUP)") << SIGHUP;
}

void TestStationPty::linkAndPortRegistration()
{
    QFETCH(int, signal);
    const QString link = m_dir.filePath(QStringLiteral("ttyORV"));
    const QString dataDir = m_dir.filePath(QStringLiteral("data"));
    const QString path = start({QStringLiteral("--link"), link, QStringLiteral("--register-com"), QStringLiteral("3"),
                                QStringLiteral("--data-dir"), dataDir, QStringLiteral("--version"),
                                QStringLiteral("3.201\\r\\n")});
    QVERIFY(!path.isEmpty());
    QCOMPARE(QFileInfo(link).symLinkTarget(), path);
    QFile ports(QDir(dataDir).filePath(QStringLiteral("ports.conf")));
    QVERIFY(ports.open(QIODevice::ReadOnly));
    QVERIFY(ports.readAll().contains(QStringLiteral("COM3=%1").arg(path).toUtf8()));
    ports.close();

    QSerialPort port;
    QVERIFY(openPort(port, link, 2400));
    port.write("V");
    QCOMPARE(readBytes(port, 7, 3000), QByteArray("3.201\r\n"));
    port.close();

    // Whatever ends it, it takes its link and its COM3 line along: the next
    // simulator may be given that terminal, and COM3 must not lead there.
    ::kill(pid_t(m_station->process().processId()), signal);
    QVERIFY(m_station->process().waitForFinished(3000) && m_station->process().exitCode() == 0);
    QVERIFY(!QFileInfo::exists(link) && !QFileInfo(link).isSymLink());
    QVERIFY(ports.open(QIODevice::ReadOnly));
    QVERIFY2(!ports.readAll().contains("COM3="), qPrintable(ports.fileName()));
}

void TestStationPty::simulatorsStartedTogetherKeepEveryLine()
{
    // Each simulator rewrites the ports file with its own line; started at
    // once, as a script starts a fleet's, none may lose another's.
    const QString dataDir = m_dir.filePath(QStringLiteral("fleet"));
    std::vector<std::unique_ptr<QProcess>> stations;
    for (int port = 1; port <= 8; ++port) {
        stations.push_back(std::make_unique<QProcess>());
        stations.back()->start(QStringLiteral(ORV_STATION_PATH), {QStringLiteral("--register-com"), QString::number(port),
                                                                  QStringLiteral("--data-dir"), dataDir});
    }
    QStringList paths;
    for (const auto &station : stations) {
        QVERIFY(station->waitForReadyRead(5000));
        paths << QString::fromLocal8Bit(station->readLine().trimmed().mid(4));
    }
    QFile ports(QDir(dataDir).filePath(QStringLiteral("ports.conf")));
    QVERIFY(ports.open(QIODevice::ReadOnly));
    const QByteArray text = ports.readAll();
    for (int port = 1; port <= 8; ++port)
        QVERIFY2(text.contains(QStringLiteral("COM%1=%2\n").arg(port).arg(paths[port - 1]).toUtf8()), text.constData());
    for (const auto &station : stations) {
        station->terminate();
        QVERIFY(station->waitForFinished(3000));
    }
}

QTEST_GUILESS_MAIN(TestStationPty)
#include "tst_station_pty.moc"
