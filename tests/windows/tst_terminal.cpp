#include "main_fixture.h"
#include "scripted_peer.h"

#include "terminal_accessible.h"
#include "terminal_display.h"
#include "terminal_screen.h"

#include <QFontInfo>
#include <QSignalSpy>
#include <QtTest>

Q_DECLARE_METATYPE(TerminalTextChange)

using namespace orv;
using namespace orv::test;

namespace {

const QByteArray goodVersion = "4.103\r\n";

// The command help as the technician must see it, byte for byte.
QByteArray expectedHelp()
{
    const QList<QByteArray> lines{
        "V-   Firmware version number",
        "S-   Firmware Serial#",
        "I-   Unit ID number",
        "C-   Daily min. and max. of all parameters with rainfall rate, and clears.",
        "c-   Daily min. and max. of all parameters with term rainfall, and clears.",
        "     C,D,E command data is cleared automaticaly at midnight",
        "D-   Same as C command but does not clear memory",
        "d-   Same as c command but does not clear memory",
        "E-   same as D command plus date/time of occurrence.",
        "M-   Daily min/max along with date/time of occurrence. Clears.",
        "m-   Daily min/max along with date/time of occurrence. No clear. ",
        "R-   Current conditions. Rainfall as rate.",
        "r-   Current conditions. Term Rainfall",
        "K-   Current calculated values,dew point, Windchill and heat index",
        " ",
        "The following commands respond if the ZBL has logged data in memory.",
        "T-   Newest logged data, ",
        "N-   Nextlogged record (forward in time)",
        "A-   Repeats last line of logged data",
        "P-   Previous logged record (back in time),",
        "B-   oldest logged record.",
        " ",
        "The text listed above is a description of the command set for the station",
        "You are now in terminal mode. Any keys you press will be sent to station.",
    };
    QByteArray all;
    for (int i = 0; i < lines.size(); ++i)
        all += lines[i] + (i < 23 ? "\r\n" : "\n\r");
    return all;
}

// A station that answers "V" with its version and "R" with current conditions.
ScriptedPeer::Responder consoleStation()
{
    return [](const QByteArray &request) -> QList<ScriptedPeer::Piece> {
        if (request == "V")
            return {{20, goodVersion}};
        if (request == "R")
            return {{30, "OUT 72.5\xB0" "F  HUM 41%\r\n"}};
        return {};
    };
}

} // namespace

class TestTerminal : public QObject
{
    Q_OBJECT

private slots:
    void screenPlacesBytesLikeATerminal_data();
    void screenPlacesBytesLikeATerminal();
    void screenScrollsAndWrapsAtItsEdges();
    void keysBecomeTheBytesTheyType_data();
    void keysBecomeTheBytesTheyType();
    void fontIsBoldFixedPitchAtNineSeventyFive();

    void enteringWritesTheHelpTextExactly();
    void enteringDiscardsPendingInput();
    void typedKeysReachTheStationAndRepliesAreShown();
    void keysAreNotSentWhileTheTerminalIsOff();
    void screenReadersHearEachChange_data();
    void screenReadersHearEachChange();
    void screenReadersReadTheTerminal();
};

void TestTerminal::screenPlacesBytesLikeATerminal_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QPoint>("cursor");

    QTest::newRow("CR LF") << QByteArray("ab\r\ncd") << QStringList{"ab", "cd"} << QPoint(2, 1);
    QTest::newRow("LF CR") << QByteArray("ab\n\rcd") << QStringList{"ab", "cd"} << QPoint(2, 1);
    QTest::newRow("bare LF keeps the column") << QByteArray("ab\ncd") << QStringList{"ab", "  cd"} << QPoint(4, 1);
    QTest::newRow("bare CR overwrites") << QByteArray("abc\rX") << QStringList{"Xbc"} << QPoint(1, 0);
    QTest::newRow("backspace steps back") << QByteArray("abc\bX") << QStringList{"abX"} << QPoint(3, 0);
    QTest::newRow("backspace stops at the edge") << QByteArray("\b\bX") << QStringList{"X"} << QPoint(1, 0);
    QTest::newRow("tab to the next stop") << QByteArray("a\tb") << QStringList{"a       b"} << QPoint(9, 0);
    QTest::newRow("escape is not a sequence") << QByteArray("\x1b[2Jx") << QStringList{"[2Jx"} << QPoint(4, 0);
    QTest::newRow("other controls dropped") << QByteArray("a\x01\x07\x7f" "b") << QStringList{"ab"} << QPoint(2, 0);
    QTest::newRow("degree sign") << QByteArray("72\xB0" "F") << QStringList{QStringLiteral("72\u00B0F")}
                                 << QPoint(4, 0);
    QTest::newRow("high bytes Latin-1") << QByteArray("\xE9\xFF\xA0") << QStringList{QStringLiteral("\u00E9\u00FF\u00A0")}
                                        << QPoint(3, 0);
    QTest::newRow("0x80 as the euro sign") << QByteArray("\x80") << QStringList{QStringLiteral("\u20AC")}
                                           << QPoint(1, 0);
    QTest::newRow("hole in the code page kept") << QByteArray("\x81") << QStringList{QStringLiteral("\u0081")}
                                                << QPoint(1, 0);
}

void TestTerminal::screenPlacesBytesLikeATerminal()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, lines);
    QFETCH(QPoint, cursor);
    TerminalScreen screen(20, 5);
    screen.feed(bytes);
    QCOMPARE(screen.text(), lines);
    QCOMPARE(screen.cursor(), cursor);
}

void TestTerminal::screenScrollsAndWrapsAtItsEdges()
{
    TerminalScreen screen(4, 3);
    screen.feed("abcd\r\nefghi\r\n1\r\n2");
    // "abcd" fills its row without an empty row after it; "i" wraps; two rows scroll off.
    QCOMPARE(screen.text(), (QStringList{"i", "1", "2"}));
    screen.clear();
    QVERIFY(screen.text().isEmpty());
    QCOMPARE(screen.cursor(), QPoint(0, 0));

    screen.feed("a\r\nb\r\nc");
    screen.resize(4, 2);
    QCOMPARE(screen.text(), (QStringList{"b", "c"}));
    QCOMPARE(screen.cursor(), QPoint(1, 1));
}

void TestTerminal::keysBecomeTheBytesTheyType_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("Return") << int(Qt::Key_Return) << "\r" << QByteArray("\r");
    QTest::newRow("Enter on the keypad") << int(Qt::Key_Enter) << "" << QByteArray("\r");
    QTest::newRow("Backspace") << int(Qt::Key_Backspace) << "" << QByteArray("\b");
    QTest::newRow("upper case") << int(Qt::Key_R) << "R" << QByteArray("R");
    QTest::newRow("lower case") << int(Qt::Key_R) << "r" << QByteArray("r");
    QTest::newRow("Escape") << int(Qt::Key_Escape) << "\x1b" << QByteArray("\x1b");
    QTest::newRow("Latin-1 letter") << int(Qt::Key_Eacute) << QStringLiteral("\u00E9") << QByteArray("\xE9");
    QTest::newRow("beyond one byte") << 0 << QStringLiteral("\u20AC") << QByteArray();
    QTest::newRow("a shift key alone") << int(Qt::Key_Shift) << "" << QByteArray();
}

void TestTerminal::keysBecomeTheBytesTheyType()
{
    QFETCH(int, key);
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(TerminalDisplay::bytesForKey(key, text), bytes);
}

void TestTerminal::fontIsBoldFixedPitchAtNineSeventyFive()
{
    const QFont font = TerminalDisplay::terminalFont();
    QVERIFY(font.bold());
    QCOMPARE(font.pointSizeF(), 9.75);
    QVERIFY(QFontInfo(font).fixedPitch());
}

void TestTerminal::enteringWritesTheHelpTextExactly()
{
    ScriptedPeer station(consoleStation());
    MainFixture f(&station);
    f.action("open_port_menu")->trigger();
    QSignalSpy shown(&f.window->comm(), &CommControl::terminalShow);
    QSignalSpy cleared(&f.window->comm(), &CommControl::terminalCleared);

    f.action("Terminal_menu")->trigger();

    QCOMPARE(cleared.size(), 1);
    QCOMPARE(shown.size(), 24);
    QByteArray all;
    for (const auto &args : shown)
        all += args.at(0).toByteArray();
    QCOMPARE(all, expectedHelp());
    const QStringList screen = f.window->terminal()->screen().text();
    QCOMPARE(screen.first(), QStringLiteral("V-   Firmware version number"));
    QVERIFY(screen.contains(QStringLiteral("You are now in terminal mode. Any keys you press will be sent to station.")));
    QCOMPARE(f.window->focusWidget(), f.window->terminal());
    QCOMPARE(f.window->terminal()->geometry(), QRect(0, 0, 634, 428));
    // Entering again writes the help again on a cleared display.
    f.action("Terminal_menu")->trigger();
    QCOMPARE(cleared.size(), 2);
    QCOMPARE(shown.size(), 48);
}

void TestTerminal::enteringDiscardsPendingInput()
{
    ScriptedPeer station([](const QByteArray &request) -> QList<ScriptedPeer::Piece> {
        // The version, then unasked-for text long after the connection is up.
        if (request == "V")
            return {{20, goodVersion}, {5000, "STALE\r\n"}};
        return {};
    });
    MainFixture f(&station);
    f.action("open_port_menu")->trigger();
    f.pump.advance(6000);
    QVERIFY(f.line->trace().back().bytes == "STALE\r\n");

    QSignalSpy shown(&f.window->comm(), &CommControl::terminalShow);
    f.action("Terminal_menu")->trigger();
    f.pump.advance(1000);

    // Not even shown for a moment before the display is cleared.
    for (const auto &args : shown)
        QVERIFY(!args.at(0).toByteArray().contains("STALE"));
    QVERIFY(!f.window->terminal()->screen().text().join('\n').contains(QStringLiteral("STALE")));
    QVERIFY(f.window->comm().input().isEmpty());
}

void TestTerminal::typedKeysReachTheStationAndRepliesAreShown()
{
    ScriptedPeer station(consoleStation());
    MainFixture f(&station);
    f.action("open_port_menu")->trigger();
    f.action("Terminal_menu")->trigger();
    f.line->clearTrace();

    QTest::keyClicks(f.window->terminal(), QStringLiteral("R"));
    f.pump.advance(500);

    QCOMPARE(f.line->sentBytes(), QByteArray("R"));
    QCOMPARE(f.window->terminal()->screen().text().last(), QStringLiteral("OUT 72.5\u00B0F  HUM 41%"));

    QTest::keyClick(f.window->terminal(), Qt::Key_Return);
    QTest::keyClick(f.window->terminal(), Qt::Key_Backspace);
    QCOMPARE(f.line->sentBytes(), QByteArray("R\r\b"));
}

void TestTerminal::keysAreNotSentWhileTheTerminalIsOff()
{
    ScriptedPeer station(consoleStation());
    MainFixture f(&station);
    f.action("open_port_menu")->trigger();
    f.line->clearTrace();

    QTest::keyClicks(f.window->terminal(), QStringLiteral("R"));

    QVERIFY(f.line->sentBytes().isEmpty());
}

void TestTerminal::screenReadersHearEachChange_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<int>("scrolled");
    QTest::addColumn<QString>("after");
    QTest::addColumn<TerminalTextChange>("change");
    QTest::newRow("appended") << "ab" << 0 << "ab\ncd" << TerminalTextChange{{}, 2, {}, "\ncd"};
    QTest::newRow("scrolled") << "a\nb\nc" << 1 << "b\nc\nd" << TerminalTextChange{"a\n", 3, {}, "\nd"};
    QTest::newRow("more scrolled than shown") << "a" << 3 << "x\ny" << TerminalTextChange{"a", 0, {}, "x\ny"};
    QTest::newRow("overwritten after CR") << "ab\ncd" << 0 << "ab\nXd" << TerminalTextChange{{}, 3, "cd", "Xd"};
    QTest::newRow("cleared") << "ab\ncd" << 0 << "" << TerminalTextChange{{}, 0, "ab\ncd", {}};
}

void TestTerminal::screenReadersHearEachChange()
{
    QFETCH(QString, before);
    QFETCH(int, scrolled);
    QFETCH(QString, after);
    QFETCH(TerminalTextChange, change);
    QCOMPARE(terminalTextChange(before, scrolled, after), change);
}

void TestTerminal::screenReadersReadTheTerminal()
{
    installWindowAccessibility();
    ScriptedPeer station(consoleStation());
    MainFixture f(&station);
    f.action("open_port_menu")->trigger();
    f.action("Terminal_menu")->trigger();
    QTest::keyClicks(f.window->terminal(), QStringLiteral("R"));
    f.pump.advance(500);

    QAccessibleInterface *a = QAccessible::queryAccessibleInterface(f.window->terminal());
    QCOMPARE(a->role(), QAccessible::Terminal);
    QAccessibleTextInterface *text = a->textInterface();
    QVERIFY(text);
    const QString shown = f.window->terminal()->screen().text().join('\n');
    QCOMPARE(text->text(0, text->characterCount()), shown);
    QVERIFY(shown.endsWith(QStringLiteral("\nOUT 72.5\u00B0F  HUM 41%")));
    // The reply ended its line: the cursor waits on the blank row below, the end of the text.
    QCOMPARE(text->cursorPosition(), text->characterCount());
    const int reply = int(shown.lastIndexOf(QLatin1Char('\n'))) + 1;
    QCOMPARE(text->offsetAtPoint(text->characterRect(reply + 4).center()), reply + 4);
}

QTEST_MAIN(TestTerminal)
#include "tst_terminal.moc"
