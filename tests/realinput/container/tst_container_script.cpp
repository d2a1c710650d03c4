#include "container_shell.h"

#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

// The seven locale keys pinned to the table's defaults, so no machine locale leaks in.
const char intlProfile[] = "sDecimal=.\nsThousand=,\nsCurrency=$\niCurrency=0\niNegCurr=0\niCurrDigits=2\niDigits=2\n";

} // namespace

class TstContainerScript : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QFile intl(m_dir.filePath("intl.ini"));
        QVERIFY(intl.open(QIODevice::WriteOnly));
        intl.write(intlProfile);
    }

    void commandLinesSplitIntoWords_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("words");
        QTest::newRow("plain") << "set Text 12" << QStringList{"set", "Text", "12"};
        QTest::newRow("quoted with blanks") << "set Text \"1 234\"" << QStringList{"set", "Text", "1 234"};
        QTest::newRow("escaped quote") << "set Text \"a\\\"b\"" << QStringList{"set", "Text", "a\"b"};
        QTest::newRow("empty quotes are a word") << "set Text \"\"" << QStringList{"set", "Text", ""};
        QTest::newRow("extra blanks") << "  get   #14  " << QStringList{"get", "#14"};
    }

    void commandLinesSplitIntoWords()
    {
        QFETCH(QString, line);
        QFETCH(QStringList, words);
        QCOMPARE(splitCommandLine(line), words);
    }

    // The developer's road: register, create by ProgID, set, read back, save,
    // reload into a new control, unregister.
    void scriptedSessionEndToEnd()
    {
        const QString stream = m_dir.filePath("control.bin");
        const QString bag = m_dir.filePath("control.bag");
        const QString empty = m_dir.filePath("empty.bag");
        QFile(empty).open(QIODevice::WriteOnly);
        const QStringList script = {
            "register",
            "create VURURAZ.VururazCtrl.1",
            "show",
            "load bag " + empty,
            "set Separator TRUE",
            "set DecimalPlaces 2",
            "set Text 1234.5",
            "get Text",
            "get #48",
            "set DecimalPlaces 101",
            "answer InvalidSetText Cancel -1",
            "set Text 12a",
            "get Text",
            "save stream " + stream,
            "save bag " + bag,
            "create {0F1F1505-C40A-101B-AD04-00AA00575482}",
            "get Text",
            "load stream " + stream,
            "get Text",
            "get Separator",
            "get DecimalPlaces",
            "create VURURAZ.VururazCtrl.1",
            "load bag " + bag,
            "get Text",
            "mode design",
            "get SelStart",
            "typeinfo",
            "unregister",
            "create VURURAZ.VururazCtrl.1",
        };
        const QStringList out = run(script.join('\n') + '\n');
        const auto expectInOrder = [&](const QStringList &lines) {
            int from = 0;
            for (const QString &line : lines) {
                const int at = out.indexOf(line, from);
                QVERIFY2(at >= 0, qPrintable("missing after line " + QString::number(from) + ": " + line + "\n"
                                             + out.join('\n')));
                from = at + 1;
            }
        };
        expectInOrder({
            "DllRegisterServer 0x00000000 OK",
            "created ZqRealInput {0F1F1505-C40A-101B-AD04-00AA00575482}",
            "event Change(2)",
            "Text = \"1,234.50\"",
            "TextRaw = \"1234.50\"",
            "error 0x800A017C Invalid property value",
            "event InvalidSetText(4) Cancel=0 InvalidText=\"12a\"",
            "  answered Cancel=\"-1\"",
            "Text = \"1,234.50\"",
            "created ZqRealInput {0F1F1505-C40A-101B-AD04-00AA00575482}",
            "Text = \"0\"",
            "loaded stream",
            // The stored Text string is the last one set, 12a; reloading reformats it.
            "Text = \"12.00\"",
            "Separator = True",
            "DecimalPlaces = 2",
            "loaded bag",
            "Text = \"12.00\"",
            "mode design",
            "error 0x800A018A SelStart cannot be read in design mode",
            "library VururazLib {0F1F1508-C40A-101B-AD04-00AA00575482} version 1.0 lcid 1033 "
            "\"Tarvel ZqRealInput Control\" helpfile \"KXInput.HLP\"",
            "dispinterface _DVururaz {0F1F1506-C40A-101B-AD04-00AA00575482} \"Dispatch interface for Vururaz Control\"",
            "     46 ValueReal As Double [bindable,displaybind,requestedit]",
            "source _DVururazEvents {0F1F1507-C40A-101B-AD04-00AA00575482} \"Event interface for Vururaz Control\"",
            "   -603 KeyPress(ByRef KeyAscii As Integer)",
            "  zqCustom = 99 \"Custom mouse pointer icon specified by the MouseIcon property\"",
            "DllUnregisterServer 0x00000000 OK",
            "error 0x80040154 Class not registered: VURURAZ.VururazCtrl.1",
        });
    }

    void reloadedTextMatchesWhatWasSaved()
    {
        const QString stream = m_dir.filePath("money.bin");
        const QStringList out = run(QStringList{
            "register", "create VURURAZ.VururazCtrl.1", "load bag /dev/null", "set MoneyFormat True",
            "set Text -12", "get Text", "save stream " + stream, "create VURURAZ.VururazCtrl.1",
            "load stream " + stream, "get Text", "get ValueReal"}.join('\n') + '\n');
        QCOMPARE(out.count("Text = \"($12.00)\""), 2);
        QVERIFY(out.contains("ValueReal = -12"));
    }

    // A person's road through the container window: click in, type, select, leave.
    void typingAndLeaving()
    {
        const QString image = m_dir.filePath("typed.png");
        const QStringList out = run(QStringList{
            "register", "create VURURAZ.VururazCtrl.1", "load bag /dev/null", "set Alignment 0",
            "set Text 12.34", "show", "click 2 10", "set SelStart 2", "type 5",
            "get Text", "type <S-Left><S-Left>", "get SelText", "type 7", "get Text",
            "set MaxReal 10", "answer KXValidate Cancel True", "type <Tab>", "get SelStart", "answer KXValidate",
            "type <Tab>", "wait 1", "render " + image + " 2"}.join('\n') + '\n');
        const auto expectInOrder = [&](const QStringList &lines) {
            int from = 0;
            for (const QString &line : lines) {
                const int at = out.indexOf(line, from);
                QVERIFY2(at >= 0, qPrintable("missing: " + line + "\n" + out.join('\n')));
                from = at + 1;
            }
        };
        expectInOrder({"event KeyDown(-602) KeyCode=53 Shift=0", "event KeyPress(-603) KeyAscii=53",
                       "event Change(2)", "event KeyUp(-604) KeyCode=53 Shift=0", "Text = \"125.34\"",
                       "SelText = \"25\"", "Text = \"17.34\"", "event KXValidate(5) Cancel=False",
                       "  answered Cancel=\"True\"", "SelStart = 2", "event KXValidate(5) Cancel=False",
                       "event InvalidEntry(3)"});
        // The control spans the window less the layout's margins, drawn twice the size.
        QCOMPARE(out.filter(QRegularExpression("^rendered 436x\\d+$")).size(), 1);
        QCOMPARE(QImage(image).width(), 436);
    }

private:
    QStringList run(const QString &input)
    {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("ZQ_REGISTRY", m_dir.filePath("registry.ini"));
        env.insert("ZQ_INTL_PROFILE", m_dir.filePath("intl.ini"));
        env.insert("QT_QPA_PLATFORM", "offscreen");
        process.setProcessEnvironment(env);
        process.start(ZQCONTAINER_PATH, {"--library", ZQRINP32_PATH});
        process.write(input.toUtf8());
        process.closeWriteChannel();
        if (!process.waitForFinished(60000)) {
            process.kill();
            process.waitForFinished();
        }
        return QString::fromUtf8(process.readAllStandardOutput()).split('\n');
    }

    QTemporaryDir m_dir;
};

QTEST_MAIN(TstContainerScript)
#include "tst_container_script.moc"
