#include "link/settings_file.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <unistd.h>

using namespace orv;

namespace {

QByteArray fileBytes(const QString &dir)
{
    QFile f(dir + QStringLiteral("/COM Settings.Dat"));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString &dir, const QByteArray &bytes)
{
    QFile f(dir + QStringLiteral("/COM Settings.Dat"));
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

QByteArray padded(const char *text, int width)
{
    return QByteArray(text).leftJustified(width, ' ', true);
}

// Gives up root's right to write any file while it lives (root may write a
// read-only file); the saved user id lets it take the right back.
struct WithoutRoot
{
    // The group too: a root-owned file's group bits would apply otherwise.
    WithoutRoot() { m_dropped = ::geteuid() == 0 && ::setegid(65534) == 0 && ::seteuid(65534) == 0; }
    ~WithoutRoot()
    {
        if (m_dropped)
            QVERIFY(::seteuid(0) == 0 && ::setegid(0) == 0);
    }
    WithoutRoot(const WithoutRoot &) = delete;
    WithoutRoot &operator=(const WithoutRoot &) = delete;

private:
    bool m_dropped = false;
};

} // namespace

class TestSettingsFile : public QObject
{
    Q_OBJECT

private slots:
    void firstRunCreatesDefaults();
    void wrongLengthIsReplacedByDefaults_data();
    void wrongLengthIsReplacedByDefaults();
    void rightLengthIsUsedUnchecked();
    void savedSlotLandsAtItsOffsets();
    void textIsPaddedCutAndSingleByte_data();
    void textIsPaddedCutAndSingleByte();
    void emptyNameBecomesSlotDefault();
    void unwritableFolderIsReported();
    void readOnlyFileIsReadAndOnlySavingFails_data();
    void readOnlyFileIsReadAndOnlySavingFails();
    void dataFolderFollowsWhereTheProgramRuns_data();
    void dataFolderFollowsWhereTheProgramRuns();
};

void TestSettingsFile::firstRunCreatesDefaults()
{
    QTemporaryDir dir;
    SettingsFile file;
    ComSettings s;
    QVERIFY2(file.load(dir.path(), s), qPrintable(file.error()));

    const QByteArray bytes = fileBytes(dir.path());
    QCOMPARE(bytes.size(), 3140);
    QCOMPARE(bytes.mid(0, 2), QByteArray::fromHex("0200"));
    QCOMPARE(bytes.mid(40, 4), QByteArray::fromHex("00001645")); // 2400.0f little-endian
    QCOMPARE(bytes.at(120), '\0');
    QCOMPARE(bytes.mid(140, 30), padded("1-555-555-5555", 30));
    QCOMPARE(bytes.mid(740, 100), padded("&F0", 100));
    QCOMPARE(bytes.mid(2740, 20), padded("ORV Station 1", 20));
    QCOMPARE(bytes.mid(2740 + 19 * 20, 20), padded("ORV Station 20", 20));

    QCOMPARE(s.com_port[0], 2);
    QCOMPARE(s.baud_rate[0], 2400.0f);
    QVERIFY(!s.hasModem(0));
    QCOMPARE(s.stationName(0), QStringLiteral("ORV Station 1"));
    QCOMPARE(s.modemSetup(0), QStringLiteral("&F0"));
}

void TestSettingsFile::wrongLengthIsReplacedByDefaults_data()
{
    QTest::addColumn<int>("length");
    QTest::newRow("empty") << 0;
    QTest::newRow("one short") << 3139;
    QTest::newRow("one long") << 3141;
    QTest::newRow("much longer") << 10000;
}

void TestSettingsFile::wrongLengthIsReplacedByDefaults()
{
    QFETCH(int, length);
    QTemporaryDir dir;
    writeFile(dir.path(), QByteArray(length, 'x'));
    SettingsFile file;
    ComSettings s;
    QVERIFY(file.load(dir.path(), s));
    const QByteArray bytes = fileBytes(dir.path());
    QCOMPARE(bytes.left(3140), ComSettings::defaults().toBytes());
    // Whatever lies beyond the record is left alone.
    QCOMPARE(bytes.size(), qMax(length, 3140));
    if (length > 3140)
        QCOMPARE(bytes.mid(3140), QByteArray(length - 3140, 'x'));
    QCOMPARE(s.stationName(7), QStringLiteral("ORV Station 8"));
}

void TestSettingsFile::rightLengthIsUsedUnchecked()
{
    QTemporaryDir dir;
    QByteArray bytes = ComSettings::defaults().toBytes();
    qToLittleEndian<qint16>(42, bytes.data() + 2 * 3);          // port 42 in slot 3
    qToLittleEndian<float>(1234.5f, bytes.data() + 40 + 4 * 3); // a rate not in the list
    writeFile(dir.path(), bytes);
    SettingsFile file;
    ComSettings s;
    QVERIFY(file.load(dir.path(), s));
    QCOMPARE(s.com_port[3], 42);
    QCOMPARE(s.baud_rate[3], 1234.5f);
    QCOMPARE(fileBytes(dir.path()), bytes);
}

void TestSettingsFile::savedSlotLandsAtItsOffsets()
{
    QTemporaryDir dir;
    SettingsFile file;
    ComSettings s;
    QVERIFY(file.load(dir.path(), s));
    const QByteArray before = fileBytes(dir.path());

    s.com_port[5] = 7;
    s.baud_rate[5] = 9600;
    s.modem_flag[5] = 255;
    s.setPhoneNumber(5, QStringLiteral("555-0199"));
    s.setModemSetup(5, QStringLiteral("&F0E0"));
    s.setStationName(3, QStringLiteral("  Ridge Top  "));
    QVERIFY(file.save(s));

    QByteArray expected = before;
    expected.replace(10, 2, QByteArray::fromHex("0700"));
    expected.replace(60, 4, QByteArray::fromHex("00001646")); // 9600.0f
    expected[125] = char(0xFF);
    expected.replace(140 + 150, 30, padded("555-0199", 30));
    expected.replace(740 + 500, 100, padded("&F0E0", 100));
    expected.replace(2800, 20, padded("Ridge Top", 20));
    QCOMPARE(fileBytes(dir.path()), expected);

    // A second load reads back what was saved.
    SettingsFile again;
    ComSettings reread;
    QVERIFY(again.load(dir.path(), reread));
    QCOMPARE(reread.toBytes(), s.toBytes());
}

void TestSettingsFile::textIsPaddedCutAndSingleByte_data()
{
    QTest::addColumn<QString>("phone");
    QTest::addColumn<QByteArray>("stored");
    QTest::newRow("short is padded") << "123" << padded("123", 30);
    QTest::newRow("35 characters cut to 30") << "12345678901234567890123456789012345"
                                             << QByteArray("123456789012345678901234567890");
    QTest::newRow("Latin-1 kept") << QString::fromUtf8("Müller") << padded("M\xfcller", 30);
    QTest::newRow("outside Latin-1 is ?") << QString::fromUtf8("Ω-1") << padded("?-1", 30);
}

void TestSettingsFile::textIsPaddedCutAndSingleByte()
{
    QFETCH(QString, phone);
    QFETCH(QByteArray, stored);
    ComSettings s = ComSettings::defaults();
    s.setPhoneNumber(0, phone);
    QCOMPARE(s.toBytes().mid(140, 30), stored);
}

void TestSettingsFile::emptyNameBecomesSlotDefault()
{
    ComSettings s = ComSettings::defaults();
    s.setStationName(4, QStringLiteral("   "));
    QCOMPARE(s.toBytes().mid(2740 + 4 * 20, 20), padded("ORV Station 5", 20));
}

void TestSettingsFile::unwritableFolderIsReported()
{
    QTemporaryDir dir;
    // A folder below a plain file can be neither created nor written, even as root.
    QFile blocker(dir.filePath(QStringLiteral("plain-file")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    SettingsFile file;
    ComSettings s;
    QVERIFY(!file.load(dir.filePath(QStringLiteral("plain-file/sub")), s));
    QVERIFY(file.error().contains(QStringLiteral("COM Settings.Dat")));
    QVERIFY(!file.save(s));
}

void TestSettingsFile::readOnlyFileIsReadAndOnlySavingFails_data()
{
    QTest::addColumn<int>("length");
    QTest::newRow("valid") << 3140;
    QTest::newRow("wrong length: defaults cannot be written") << 100;
}

void TestSettingsFile::readOnlyFileIsReadAndOnlySavingFails()
{
    QFETCH(int, length);
    QTemporaryDir dir;
    ComSettings stored = ComSettings::defaults();
    stored.setStationName(0, QStringLiteral("Ridge Top"));
    const QByteArray bytes = stored.toBytes().left(length);
    writeFile(dir.path(), bytes);
    const QString path = dir.filePath(SettingsFile::fileName());
    QVERIFY(QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                                                  | QFileDevice::ReadOther | QFileDevice::ExeOther));
    QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadOther));

    WithoutRoot unprivileged;
    SettingsFile file;
    ComSettings s;
    const bool loaded = file.load(dir.path(), s);
    if (length == ComSettings::fileSize) {
        QVERIFY2(loaded, qPrintable(file.error()));
        QCOMPARE(s.stationName(0), QStringLiteral("Ridge Top"));
        QVERIFY(file.isReadOnly());
        s.setStationName(1, QStringLiteral("Changed"));
        QVERIFY(!file.save(s));
    } else {
        QVERIFY(!loaded);
        QCOMPARE(s.stationName(0), QStringLiteral("ORV Station 1"));
    }
    QVERIFY2(file.error().contains(QStringLiteral("may be read but not written")), qPrintable(file.error()));
    QCOMPARE(fileBytes(dir.path()), bytes);
}

void TestSettingsFile::dataFolderFollowsWhereTheProgramRuns_data()
{
    QTest::addColumn<QString>("programDir");
    QTest::addColumn<QString>("optionDir");
    QTest::addColumn<QString>("envDir");
    QTest::addColumn<QString>("expected");
    // Paths are relative to a scratch root; "user" is the per-user data folder.
    QTest::newRow("build folder keeps its own files") << "build/windows" << "" << "" << "build/windows";
    QTest::newRow("installed program uses the user's folder") << "usr/bin" << "" << "" << "user";
    QTest::newRow("missing program folder uses the user's folder") << "gone/bin" << "" << "" << "user";
    QTest::newRow("environment beats an installed program") << "usr/bin" << "" << "env" << "env";
    QTest::newRow("option beats the environment") << "usr/bin" << "opt" << "env" << "opt";
}

void TestSettingsFile::dataFolderFollowsWhereTheProgramRuns()
{
    QFETCH(QString, programDir);
    QFETCH(QString, optionDir);
    QFETCH(QString, envDir);
    QFETCH(QString, expected);
    QTemporaryDir root;
    QVERIFY(QDir(root.path()).mkpath(QStringLiteral("build/windows")));
    QVERIFY(QDir(root.path()).mkpath(QStringLiteral("usr/bin")));
    QVERIFY(QDir(root.path()).mkpath(QStringLiteral("usr/share/orvcal/PRM")));
    const auto at = [&root](const QString &relative) {
        return relative.isEmpty() ? QString() : root.filePath(relative);
    };
    const QByteArray savedEnv = qgetenv("ORV_DATA_DIR");
    qputenv("ORV_DATA_DIR", at(envDir).toLocal8Bit());
    const QString chosen = dataDirectory(at(optionDir), at(programDir));
    qputenv("ORV_DATA_DIR", savedEnv);
    const QString user = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/orvcal");
    QCOMPARE(chosen, expected == QLatin1String("user") ? user : at(expected));
}

QTEST_GUILESS_MAIN(TestSettingsFile)
#include "tst_settings_file.moc"
