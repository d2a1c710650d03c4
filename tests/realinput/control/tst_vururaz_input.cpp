#include "input_rig.h"

#include "vendor/kx32r60.h"

#include <QDir>
#include <QPainter>
#include <QRegularExpression>
#include <QStyleHints>

using zq::Variant;

namespace {

QByteArray bag(const QByteArray &text, const QByteArray &extra = QByteArray())
{
    return "Text = \"" + text + "\"\n" + extra;
}

// Synthetic edges: every character 10 pixels wide.
QVector<int> evenEdges(int n)
{
    QVector<int> edges;
    for (int k = 0; k <= n; ++k)
        edges << 10 * k;
    return edges;
}

zq::PaintState geometryState(short alignment, const QByteArray &text = "12.34")
{
    zq::PaintState s;
    s.rect = QRect(0, 0, 100, 20);
    s.text = text;
    s.look.alignment = alignment;
    return s; // border 1 + Indent 2: text rectangle (3, 3, 97, 17)
}

QString artefactDir()
{
    const QString dir = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("render-artefacts"));
    QDir().mkpath(dir);
    return dir;
}

} // namespace

class TstVururazInput : public QObject
{
    Q_OBJECT

private slots:
    // What the control adds to the edit model's keys: Up and Down step the value through
    // ValueReal, and Undo gives back the text the focus found, caret at its end.
    void keysReachTheControlsOwnSteps()
    {
        InputRig rig(bag("5", "Spin = 2\nAlignment = 0\n"));
        QVERIFY(rig.show());
        rig.focusAt(0);
        typeKeys(rig.control, QStringLiteral("<Up><Up><Down>"));
        QCOMPARE(rig.control->text(), QStringLiteral("6.00"));
        QCOMPARE(rig.fired(), (QStringList{"Change", "Change", "Change"}));

        InputRig undo(bag("12.34", "Alignment = 0\n"));
        QVERIFY(undo.show());
        undo.focusAt(5);
        undo.control->setDecimalPlaces(0);
        undo.control->undoWrite();
        typeKeys(undo.control, QStringLiteral("7"));
        QCOMPARE(undo.control->text(), QStringLiteral("12"));
        QCOMPARE(undo.control->textState().caret, 2);
        QCOMPARE(undo.fired(), (QStringList{"AutoTerminate", "Change"}));
    }

    void keyPressAnswerDecides()
    {
        InputRig rig(bag("12.34"));
        QVERIFY(rig.show());
        rig.focusAt(2);
        // GIVEN a container that turns every key into '7', then one that drops keys
        rig.site.answers.insert(QStringLiteral("KeyAscii"), Variant::fromI2('7'));
        typeKeys(rig.control, QStringLiteral("5"));
        QCOMPARE(rig.control->text(), QStringLiteral("127.34"));
        rig.site.answers.insert(QStringLiteral("KeyAscii"), Variant::fromI2(0));
        typeKeys(rig.control, QStringLiteral("5"));
        QCOMPARE(rig.control->text(), QStringLiteral("127.34"));
        // THEN KeyDown came before KeyPress and KeyUp last, with Windows key codes
        QStringList order;
        for (const QString &line : rig.site.events)
            order << line.section(QLatin1Char(' '), 0, 1);
        QCOMPARE(order.mid(0, 3), (QStringList{"-602 KeyCode=53", "-603 KeyAscii=53", "2"}));
        QCOMPARE(order.at(3), QStringLiteral("-604 KeyCode=53"));
    }

    // The keypad's decimal key types the locale's separator, whatever its own text says.
    void keypadDecimalKeyFollowsTheLocale()
    {
        auto profile = std::make_shared<zq::FixedIntlProfile>();
        profile->set(QStringLiteral("sDecimal"), QStringLiteral(","))
            .set(QStringLiteral("sThousand"), QStringLiteral("."));
        InputRig rig(bag("12,34", "Alignment = 0\n"), QSize(120, 20), profile);
        QVERIFY(rig.show());
        rig.focusAt(0);
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Period, Qt::KeypadModifier, QStringLiteral("."));
        QApplication::sendEvent(rig.control, &press);
        QCOMPARE(rig.control->textState().caret, 3);
        QCOMPARE(rig.control->text(), QStringLiteral("12,34"));
    }

    void navigationKeysStayWithTheControl()
    {
        InputRig rig(bag("12.34"));
        QVERIFY(rig.show());
        rig.focusAt(2);
        QKeyEvent override(QEvent::ShortcutOverride, Qt::Key_Left, Qt::NoModifier);
        QApplication::sendEvent(rig.control, &override);
        QVERIFY(override.isAccepted());
        QKeyEvent tab(QEvent::ShortcutOverride, Qt::Key_Tab, Qt::NoModifier);
        tab.ignore();
        QApplication::sendEvent(rig.control, &tab);
        QVERIFY(!tab.isAccepted());
        // Enter and Escape are left to the container's default and cancel buttons.
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
        QApplication::sendEvent(rig.control, &enter);
        QVERIFY(!enter.isAccepted());
        QTest::keyClick(rig.control, Qt::Key_Tab);
        QVERIFY(rig.other->hasFocus());
    }

    void focus_data()
    {
        QTest::addColumn<QByteArray>("settings");
        QTest::addColumn<bool>("cancel");
        QTest::addColumn<bool>("keepsFocus");
        QTest::addColumn<QStringList>("atFocusLoss");
        QTest::addColumn<QStringList>("afterPosted");
        const QByteArray outOfRange = bag("5", "MaxReal = 1\n");
        QTest::newRow("in range") << bag("0.5", "MaxReal = 1\n") << false << false << QStringList{"KXValidate"}
                                  << QStringList{"KXValidate"};
        QTest::newRow("out of range posts InvalidEntry") << outOfRange << false << false << QStringList{"KXValidate"}
                                                         << QStringList{"KXValidate", "InvalidEntry"};
        QTest::newRow("Cancel keeps the focus, no InvalidEntry")
            << outOfRange << true << true << QStringList{"KXValidate"} << QStringList{"KXValidate"};
        QTest::newRow("no validation without KXCausesValidation")
            << outOfRange + "KXCausesValidation = 0\n" << true << false << QStringList{}
            << QStringList{"InvalidEntry"};
    }

    void focus()
    {
        QFETCH(QByteArray, settings);
        QFETCH(bool, cancel);
        QFETCH(bool, keepsFocus);
        QFETCH(QStringList, atFocusLoss);
        QFETCH(QStringList, afterPosted);
        InputRig rig(settings);
        QVERIFY(rig.show());
        rig.focusAt(0);
        if (cancel)
            rig.site.answers.insert(QStringLiteral("Cancel"), Variant::fromBool(true));
        rig.other->setFocus(Qt::TabFocusReason);
        QCOMPARE(rig.control->hasFocus(), keepsFocus);
        QCOMPARE(rig.fired(), atFocusLoss);
        QCoreApplication::processEvents();
        QCOMPARE(rig.fired(), afterPosted);
    }

    void focusSelect_data()
    {
        QTest::addColumn<bool>("byMouse");
        QTest::newRow("tabbing in") << false;
        QTest::newRow("clicking in") << true;
    }

    void focusSelect()
    {
        QFETCH(bool, byMouse);
        InputRig rig(bag("12.34", "FocusSelect = -1\n"));
        QVERIFY(rig.show());
        rig.other->setFocus();
        if (byMouse)
            QTest::mouseClick(rig.control, Qt::LeftButton, {}, QPoint(40, 10));
        else
            rig.control->setFocus(Qt::TabFocusReason);
        QVERIFY(rig.control->hasFocus());
        QCOMPARE(rig.control->selText(), QStringLiteral("12.34"));
        typeKeys(rig.control, QStringLiteral("7"));
        QCOMPARE(rig.control->text(), QStringLiteral("7.00"));
        // A second click, with the focus already there, places the caret.
        QTest::mouseClick(rig.control, Qt::LeftButton, {}, QPoint(1, 10));
        QCOMPARE(rig.control->selLength(), 0);
    }

    void mouseDragSelects_data()
    {
        QTest::addColumn<short>("alignment");
        QTest::newRow("left") << short(0);
        QTest::newRow("right") << short(1);
        QTest::newRow("centre") << short(2);
    }

    void mouseDragSelects()
    {
        QFETCH(short, alignment);
        InputRig rig(bag("12.34", "Alignment = " + QByteArray::number(alignment) + "\n"));
        QVERIFY(rig.show());
        // GIVEN the pointer pressed left of the text and dragged past its end
        QTest::mousePress(rig.control, Qt::LeftButton, {}, QPoint(0, 10));
        QCOMPARE(rig.control->textState().caret, 0);
        QVERIFY(QWidget::mouseGrabber() == rig.control);
        QMouseEvent move(QEvent::MouseMove, QPointF(119, 10), rig.control->mapToGlobal(QPointF(119, 10)),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(rig.control, &move);
        QTest::mouseRelease(rig.control, Qt::LeftButton, {}, QPoint(119, 10));
        // THEN the whole text is selected, to the left of the caret, and the capture is gone
        QCOMPARE(rig.control->textState().caret, 5);
        QCOMPARE(rig.control->selText(), QStringLiteral("12.34"));
        QVERIFY(QWidget::mouseGrabber() != rig.control);
    }

    void spinArrowsRepeat_data()
    {
        QTest::addColumn<QByteArray>("settings");
        QTest::addColumn<bool>("up");
        QTest::addColumn<int>("holdMs");
        QTest::addColumn<QString>("text");
        const QByteArray spin = bag("0", "Spin = 2\nSpinDelay = 500\nSpinSpeed = 100\n");
        QTest::newRow("a click steps once") << spin << true << 0 << "1.00";
        QTest::newRow("held through the delay steps again") << spin << true << 500 << "2.00";
        QTest::newRow("held one second steps six times") << spin << true << 999 << "6.00";
        QTest::newRow("down arrow steps down") << spin << false << 650 << "-3.00";
        QTest::newRow("by SpinChangeReal") << spin + "SpinChangeReal = 0.25\n" << false << 0 << "-0.25";
        QTest::newRow("clamped at MinReal") << spin + "MinReal = -1.5\n" << false << 999 << "-1.50";
        QTest::newRow("clamped at MaxReal") << spin + "MaxReal = 2.5\n" << true << 999 << "2.50";
        QTest::newRow("left arrows") << bag("0", "Spin = 1\n") << true << 999 << "6.00";
        QTest::newRow("ReadOnly arrows do nothing") << spin + "ReadOnly = -1\n" << true << 999 << "0.00";
    }

    void spinArrowsRepeat()
    {
        QFETCH(QByteArray, settings);
        QFETCH(bool, up);
        QFETCH(int, holdMs);
        QFETCH(QString, text);
        InputRig rig(settings);
        QVERIFY(rig.show());
        const zq::SpinGeometry g = zq::ControlPainter::spinGeometry(rig.control->paintState());
        const zq::Edges &hit = up ? g.upHit : g.downHit;
        const QPoint arrow((hit.left + hit.right) / 2, (hit.top + hit.bottom) / 2);
        QTest::mousePress(rig.control, Qt::LeftButton, {}, arrow);
        rig.clock->advance(holdMs);
        QTest::mouseRelease(rig.control, Qt::LeftButton, {}, arrow);
        rig.clock->advance(1000);
        QCOMPARE(rig.control->text(), text);
    }

    void spinCursorShowsOverTheArrows()
    {
        InputRig rig(bag("0", "Spin = 2\n"));
        QVERIFY(rig.show());
        const zq::SpinGeometry g = zq::ControlPainter::spinGeometry(rig.control->paintState());
        QTest::mouseMove(rig.control, QPoint(g.upHit.left + 2, g.upHit.top + 2));
        QCOMPARE(rig.control->cursor().shape(), Qt::BitmapCursor);
        QCOMPARE(rig.control->cursor().hotSpot(), QPoint(zq::SpinCursorHotX, zq::SpinCursorHotY));
        QTest::mouseMove(rig.control, QPoint(5, 10));
        // MousePointer 0 is the framework's default: the control sets no pointer of its own.
        QVERIFY(!rig.control->testAttribute(Qt::WA_SetCursor));
        rig.control->setMousePointer(2);
        QCOMPARE(rig.control->cursor().shape(), Qt::CrossCursor);
        // Leaving the arrows gives back the pointer chosen, also one chosen over them.
        QTest::mouseMove(rig.control, QPoint(g.downHit.right - 2, g.downHit.bottom - 2));
        QCOMPARE(rig.control->cursor().shape(), Qt::BitmapCursor);
        rig.control->setMousePointer(9);
        QTest::mouseMove(rig.control, QPoint(5, 10));
        QCOMPARE(rig.control->cursor().shape(), Qt::SizeHorCursor);
    }

    void doubleClickPlacesTheCaret()
    {
        InputRig rig(bag("12.34", "Alignment = 0\n"));
        QVERIFY(rig.show());
        rig.focusAt(2, 2);
        QTest::mouseDClick(rig.control, Qt::LeftButton, {}, QPoint(118, 10));
        QCOMPARE(rig.control->textState().caret, 5);
        QCOMPARE(rig.control->selLength(), 0);
        QVERIFY(rig.site.events.filter(QRegularExpression(QStringLiteral("^-601"))).size() == 1);
    }

    void caretDrawnWhereTheGeometrySays_data()
    {
        QTest::addColumn<QByteArray>("settings");
        QTest::newRow("block, one pixel") << QByteArray();
        QTest::newRow("block, two pixels") << QByteArray("CaretWidth = 2\n");
        QTest::newRow("up arrow below the text") << QByteArray("CaretStyle = 1\nCaretVAlign = 1\n");
        QTest::newRow("down arrow, right aligned") << QByteArray("CaretStyle = 2\nAlignment = 1\n");
        QTest::newRow("hidden at the focus, shown after") << QByteArray("CaretVisible = 0\n");
    }

    void caretDrawnWhereTheGeometrySays()
    {
        QFETCH(QByteArray, settings);
        InputRig rig(bag("12.34", "CaretColor = &H000000FF&\nAlignment = 0\n" + settings));
        QVERIFY(rig.show());
        rig.focusAt(2);
        rig.control->setCaretVisible(true);
        const QImage image = rig.control->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QRect expected = zq::ControlPainter::caretRect(rig.control->paintState(), rig.control->charEdges());
        QRect drawn;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (image.pixel(x, y) == qRgb(255, 0, 0))
                    drawn |= QRect(x, y, 1, 1);
        QVERIFY(!drawn.isEmpty());
        QVERIFY2(expected.contains(drawn), qPrintable(QStringLiteral("drawn %1,%2 %3x%4").arg(drawn.x()).arg(drawn.y()).arg(drawn.width()).arg(drawn.height())));
        // Leaving the control takes the caret away.
        rig.other->setFocus();
        const QImage after = rig.control->grab().toImage().convertToFormat(QImage::Format_RGB32);
        QVERIFY(after.pixel(drawn.center()) != qRgb(255, 0, 0));
    }

    void blinkTimeRestoredOnFocusLoss()
    {
        QStyleHints *hints = QGuiApplication::styleHints();
        hints->setCursorFlashTime(1000);
        InputRig rig(bag("1", "CaretInterval = 200\n"));
        QVERIFY(rig.show());
        rig.focusAt(0);
        QCOMPARE(hints->cursorFlashTime(), 400);
        rig.other->setFocus();
        QCOMPARE(hints->cursorFlashTime(), 1000);
    }

    void noRoomWithoutAutoHScroll_data()
    {
        QTest::addColumn<bool>("autoHScroll");
        QTest::newRow("without AutoHScroll the integer part stops growing") << false;
        QTest::newRow("with AutoHScroll it grows") << true;
    }

    void noRoomWithoutAutoHScroll()
    {
        QFETCH(bool, autoHScroll);
        InputRig rig(bag("1", autoHScroll ? "AutoHScroll = -1\n" : ""), QSize(60, 20));
        QVERIFY(rig.show());
        rig.focusAt(1);
        typeKeys(rig.control, QStringLiteral("11111111111111111111"));
        const int width = QFontMetrics(rig.control->font()).horizontalAdvance(rig.control->text());
        QCOMPARE(width > 60, autoHScroll);
    }

    // Geometry without a window: the text rectangle is (3, 3)-(97, 17), each character 10 wide.
    void caretGeometry_data()
    {
        QTest::addColumn<short>("alignment");
        QTest::addColumn<short>("indent");
        QTest::addColumn<short>("caretStyle");
        QTest::addColumn<short>("caretHeight");
        QTest::addColumn<short>("caretVAlign");
        QTest::addColumn<int>("x");
        QTest::addColumn<QString>("size");
        QTest::addColumn<QString>("y");
        const short two = 2;
        QTest::newRow("left block") << short(0) << two << short(0) << short(0) << short(0) << 25 << "1 x font" << "top";
        QTest::newRow("right block") << short(1) << two << short(0) << short(0) << short(0) << 65 << "1 x font" << "top";
        QTest::newRow("centre block") << short(2) << two << short(0) << short(0) << short(0) << 45 << "1 x font" << "top";
        // The text lies inside border and Indent already: the caret stays on its character.
        QTest::newRow("right block, Indent 12") << short(1) << short(12) << short(0) << short(0) << short(0) << 55
                                                << "1 x font" << "top";
        QTest::newRow("centre block, Indent 12") << short(2) << short(12) << short(0) << short(0) << short(0) << 45
                                                 << "1 x font" << "top";
        QTest::newRow("up arrow is half the font, square") << short(0) << two << short(1) << short(0) << short(0) << 0
                                                           << "half square" << "top";
        QTest::newRow("given height below the text") << short(0) << two << short(0) << short(6) << short(1) << 25
                                                     << "1 x 6" << "below";
        QTest::newRow("given height above the text") << short(0) << two << short(2) << short(6) << short(2) << 0
                                                     << "6 x 6" << "above";
    }

    void caretGeometry()
    {
        QFETCH(short, alignment);
        QFETCH(short, indent);
        QFETCH(short, caretStyle);
        QFETCH(short, caretHeight);
        QFETCH(short, caretVAlign);
        QFETCH(int, x);
        QFETCH(QString, size);
        QFETCH(QString, y);
        zq::PaintState s = geometryState(alignment);
        s.caret = 2;
        s.look.indent = indent;
        s.look.caretStyle = caretStyle;
        s.look.caretHeight = caretHeight;
        s.look.caretVAlign = caretVAlign;
        const QFontMetrics fm(s.look.font);
        const QRect r = zq::ControlPainter::caretRect(s, evenEdges(5));
        if (size == QLatin1String("1 x font"))
            QCOMPARE(r.size(), QSize(1, fm.height()));
        else if (size == QLatin1String("half square"))
            QCOMPARE(r.size(), QSize(fm.height() / 2, fm.height() / 2));
        else if (size == QLatin1String("1 x 6"))
            QCOMPARE(r.size(), QSize(1, 6));
        else
            QCOMPARE(r.size(), QSize(6, 6));
        // An arrow is centred on the caret position: 23 - width / 2 + 2.
        QCOMPARE(r.x(), x ? x : 23 - r.width() / 2 + 2);
        const int top = 1 + indent; // inside the border
        if (y == QLatin1String("top"))
            QCOMPARE(r.y(), top);
        else if (y == QLatin1String("below"))
            QCOMPARE(r.y(), top + fm.height() - fm.descent());
        else
            QCOMPARE(r.y(), top - 6);
    }

    void hitTestChar_data()
    {
        QTest::addColumn<short>("alignment");
        QTest::addColumn<bool>("money");
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("index");
        QTest::newRow("left, inside the third character") << short(0) << false << 24 << 2;
        QTest::newRow("left, start") << short(0) << false << 3 << 0;
        QTest::newRow("left, beyond the end") << short(0) << false << 96 << 5;
        QTest::newRow("left, money format never 0") << short(0) << true << 3 << 1;
        QTest::newRow("right, left of the text") << short(1) << false << 0 << 0;
        QTest::newRow("right, second character") << short(1) << false << 60 << 1;
        QTest::newRow("right, at the end") << short(1) << false << 96 << 5;
        QTest::newRow("centre") << short(2) << false << 50 << 2;
        QTest::newRow("centre, money format") << short(2) << true << 0 << 1;
    }

    void hitTestChar()
    {
        QFETCH(short, alignment);
        QFETCH(bool, money);
        QFETCH(int, x);
        QFETCH(int, index);
        zq::PaintState s = geometryState(alignment);
        s.look.moneyFormat = money;
        QCOMPARE(zq::ControlPainter::hitTestChar(s, evenEdges(5), x), index);
    }

    void autoHScroll_data()
    {
        QTest::addColumn<short>("alignment");
        QTest::addColumn<int>("caret");
        QTest::addColumn<int>("scrollStart");
        QTest::addColumn<int>("visibleFrom");
        QTest::addColumn<int>("visibleTo");
        QTest::newRow("left, caret at the end of 20") << short(0) << 20 << 12 << 12 << 20;
        QTest::newRow("left, caret near the start") << short(0) << 5 << 0 << 0 << 9;
        QTest::newRow("right, caret at the start") << short(1) << 0 << 8 << 0 << 8;
        QTest::newRow("right, caret near the end") << short(1) << 15 << 20 << 0 << 20;
        QTest::newRow("centre never scrolls") << short(2) << 20 << 0 << 0 << 20;
    }

    void autoHScroll()
    {
        QFETCH(short, alignment);
        QFETCH(int, caret);
        QFETCH(int, scrollStart);
        QFETCH(int, visibleFrom);
        QFETCH(int, visibleTo);
        zq::PaintState s = geometryState(alignment, QByteArray(20, '1'));
        s.look.autoHScroll = true;
        s.caret = caret;
        const zq::TextLayout l = zq::ControlPainter::layout(s, evenEdges(20));
        QCOMPARE(l.scrollStart, scrollStart);
        QCOMPARE(l.visibleFrom, visibleFrom);
        QCOMPARE(l.visibleTo, visibleTo);
        if (alignment == 0) // the caret stays within the left nine tenths
            QVERIFY(l.caretX <= l.textRect.left + l.textRect.width() * 9 / 10);
    }

    void spinGeometry_data()
    {
        QTest::addColumn<short>("spin");
        QTest::addColumn<QByteArray>("frame"); // border, indent, bevel size
        QTest::addColumn<QRect>("area");
        QTest::addColumn<QRect>("upHit");
        QTest::addColumn<QRect>("downHit");
        QTest::addColumn<int>("lines");
        // Rectangles as (left, top, right, bottom) edges.
        QTest::newRow("20 high, right") << short(2) << QByteArray("0 0 0") << QRect(QPoint(80, 0), QPoint(100, 20))
                                        << QRect(QPoint(80, 0), QPoint(100, 10)) << QRect(QPoint(80, 6), QPoint(100, 20)) << 8;
        QTest::newRow("20 high, left") << short(1) << QByteArray("0 0 0") << QRect(QPoint(0, 0), QPoint(20, 20))
                                       << QRect(QPoint(0, 0), QPoint(20, 10)) << QRect(QPoint(0, 6), QPoint(20, 20)) << 8;
        QTest::newRow("inside border, indent and bevel") << short(2) << QByteArray("1 2 1")
                                                         << QRect(QPoint(84, 4), QPoint(96, 16))
                                                         << QRect(QPoint(84, 4), QPoint(96, 10))
                                                         << QRect(QPoint(84, 6), QPoint(96, 16)) << 4;
    }

    void spinGeometry()
    {
        QFETCH(short, spin);
        QFETCH(QByteArray, frame);
        QFETCH(QRect, area);
        QFETCH(QRect, upHit);
        QFETCH(QRect, downHit);
        QFETCH(int, lines);
        zq::PaintState s = geometryState(0);
        const QList<QByteArray> f = frame.split(' ');
        s.look.spin = spin;
        s.look.borderStyle = short(f[0].toInt());
        s.look.indent = short(f[1].toInt());
        s.look.bevelSize = short(f[2].toInt());
        const auto edges = [](const zq::Edges &e) { return QRect(QPoint(e.left, e.top), QPoint(e.right, e.bottom)); };
        const zq::SpinGeometry g = zq::ControlPainter::spinGeometry(s);
        QCOMPARE(edges(g.area), area);
        QCOMPARE(edges(g.upHit), upHit);
        QCOMPARE(edges(g.downHit), downHit);
        QCOMPARE(g.upLines.size(), lines);
        QCOMPARE(g.downLines.size(), lines);
        // Triangles: each row one pixel wider on both sides, up pointing up, down pointing down.
        for (int i = 1; i < lines; ++i) {
            QCOMPARE(g.upLines[i].y1(), g.upLines[i - 1].y1() + 1);
            QCOMPARE(g.upLines[i].x1(), g.upLines[i - 1].x1() - 1);
            QCOMPARE(g.downLines[i].y1(), g.downLines[i - 1].y1() - 1);
            QCOMPARE(g.downLines[i].x2(), g.downLines[i - 1].x2() + 1);
        }
    }

    void spinCursorImages_data()
    {
        QTest::addColumn<bool>("up");
        QTest::newRow("up") << true;
        QTest::newRow("down") << false;
    }

    void spinCursorImages()
    {
        QFETCH(bool, up);
        const QImage image = zq::spinCursorImage(up);
        QCOMPARE(image.size(), QSize(32, 32));
        QVERIFY(image.save(QDir(artefactDir()).filePath(up ? "spin-cursor-up.png" : "spin-cursor-down.png")));
        QRect box;
        int white = 0;
        for (int y = 0; y < 32; ++y) {
            for (int x = 0; x < 32; ++x) {
                const QRgb px = image.pixel(x, y);
                if (qAlpha(px) == 0)
                    continue;
                QVERIFY(px == qRgb(0, 0, 0) || px == qRgb(255, 255, 255));
                box |= QRect(x, y, 1, 1);
                white += px == qRgb(255, 255, 255);
            }
        }
        QCOMPARE(box.size(), QSize(11, 14));
        QVERIFY(white > 20);
        // The tip row is one black pixel at the top (up) or the bottom (down).
        const int tipRow = up ? box.top() : box.bottom();
        int tip = 0;
        for (int x = 0; x < 32; ++x)
            tip += qAlpha(image.pixel(x, tipRow)) != 0;
        QCOMPARE(tip, 1);
        // The widest row is the arrow head's base, the full 11 pixels.
        const int base = up ? box.top() + 5 : box.bottom() - 5;
        QCOMPARE(image.pixel(box.left(), base), qRgb(0, 0, 0));
        QCOMPARE(image.pixel(box.right(), base), qRgb(0, 0, 0));
    }

    void rendering_data()
    {
        QTest::addColumn<QByteArray>("settings");
        QTest::addColumn<QString>("check");
        const QByteArray base = "Text = \"12.34\"\nBorderColor = &H000000FF&\nFillColor = &H00FFFFFF&\n"
                                "TextColor = &H00000000&\nShadowColor = &H00808000&\nLightColor = &H0000FF00&\n";
        QTest::newRow("border none") << base + "BorderStyle = 0\n" << "no border";
        QTest::newRow("border single line") << base + "BorderStyle = 1\n" << "border";
        QTest::newRow("border rounded") << base + "BorderStyle = 2\n" << "border";
        QTest::newRow("bevel lowered") << base + "BevelSize = 2\nBevelStyle = 0\n" << "shadow left";
        QTest::newRow("bevel raised") << base + "BevelSize = 2\nBevelStyle = 1\n" << "light left";
        QTest::newRow("bevel chiselled") << base + "BevelSize = 2\nBevelStyle = 2\n" << "shadow left";
        QTest::newRow("bevel shadowed right") << base + "BevelSize = 2\nBevelStyle = 3\n" << "shadow right";
        QTest::newRow("bevel shadowed left") << base + "BevelSize = 2\nBevelStyle = 4\n" << "shadow left";
        QTest::newRow("align left") << base + "Alignment = 0\n" << "ink left";
        QTest::newRow("align right") << base + "Alignment = 1\n" << "ink right";
        QTest::newRow("align centre") << base + "Alignment = 2\n" << "ink centre";
        QTest::newRow("spin right") << base + "Spin = 2\n" << "arrows right";
        QTest::newRow("spin left") << base + "Spin = 1\nAlignment = 0\n" << "arrows left";
        QTest::newRow("disabled") << base + "FontStyle = 1\n" << "grey text";
        QTest::newRow("raised font") << base + "FontStyle = 1\n" << "relief";
        QTest::newRow("selection focused") << base + "Alignment = 0\n" << "highlight";
        QTest::newRow("selection unfocused") << base + "Alignment = 0\n" << "no highlight";
    }

    void rendering()
    {
        QFETCH(QByteArray, settings);
        QFETCH(QString, check);
        HostedControl h;
        h.control->loadFromBag(settings);
        h.control->resize(100, 24);
        QFont font = h.control->font();
        font.setStyleStrategy(QFont::NoAntialias);
        h.control->setFont(font);
        if (check == QLatin1String("grey text"))
            h.control->setEnabled(false);
        h.control->setSelStart(0);
        h.control->setSelLength(2);
        zq::PaintState state = h.control->paintState();
        state.focused = check == QLatin1String("highlight");
        const QImage image = zq::ControlPainter::render(state).convertToFormat(QImage::Format_RGB32);
        QVERIFY(image.save(QDir(artefactDir()).filePath(QString::fromLatin1(QTest::currentDataTag()).replace(' ', '-') + ".png")));

        const QRgb red = qRgb(255, 0, 0), shadow = qRgb(0, 128, 128), light = qRgb(0, 255, 0);
        const QRgb highlight = QGuiApplication::palette().color(QPalette::Active, QPalette::Highlight).rgb();
        const int w = image.width(), h2 = image.height() / 2;
        const auto count = [&](QRgb colour, QRect area = QRect()) {
            area = area.isNull() ? image.rect() : area;
            int n = 0;
            for (int y = area.top(); y <= area.bottom(); ++y)
                for (int x = area.left(); x <= area.right(); ++x)
                    n += image.pixel(x, y) == colour;
            return n;
        };
        // Ink: the text's dark pixels, away from the frame.
        const auto ink = [&](QRgb colour) {
            QRect box;
            for (int y = 4; y < image.height() - 4; ++y)
                for (int x = 4; x < w - 4; ++x)
                    if (image.pixel(x, y) == colour)
                        box |= QRect(x, y, 1, 1);
            return box;
        };
        const QRect black = ink(qRgb(0, 0, 0));
        if (check == QLatin1String("no border")) {
            QVERIFY(count(red) == 0);
        } else if (check == QLatin1String("border")) {
            QCOMPARE(image.pixel(0, h2), red);
            QCOMPARE(image.pixel(w / 2, 0), red);
        } else if (check == QLatin1String("shadow left")) {
            QCOMPARE(image.pixel(1, h2), shadow);
        } else if (check == QLatin1String("light left")) {
            QCOMPARE(image.pixel(1, h2), light);
        } else if (check == QLatin1String("shadow right")) {
            QCOMPARE(image.pixel(w - 2, h2), shadow);
            QCOMPARE(image.pixel(1, h2), qRgb(255, 255, 255));
        } else if (check == QLatin1String("ink left")) {
            QVERIFY(black.left() < w / 4);
        } else if (check == QLatin1String("ink right")) {
            QVERIFY(black.right() > w * 3 / 4);
        } else if (check == QLatin1String("ink centre")) {
            QVERIFY(qAbs(black.left() - (w - 1 - black.right())) <= 4);
        } else if (check == QLatin1String("arrows right") || check == QLatin1String("arrows left")) {
            const zq::SpinGeometry g = zq::ControlPainter::spinGeometry(state);
            const QRect area(g.area.left, g.area.top, g.area.width(), g.area.height());
            QVERIFY(area.left() > w / 2 ? check.endsWith(QLatin1String("right")) : check.endsWith(QLatin1String("left")));
            QVERIFY(count(red, area) >= 2 * 8);
            QVERIFY(black.isEmpty() || !black.intersects(area));
        } else if (check == QLatin1String("grey text")) {
            QVERIFY(black.isEmpty());
            QVERIFY(!ink(qRgb(128, 128, 128)).isEmpty());
            QCOMPARE(count(light, QRect(3, 3, w - 6, image.height() - 6)), 0);
        } else if (check == QLatin1String("relief")) {
            QVERIFY(!black.isEmpty());
            QVERIFY(count(light, QRect(3, 3, w - 6, image.height() - 6)) > 0);
        } else if (check == QLatin1String("highlight")) {
            QVERIFY(count(highlight) > 0);
        } else if (check == QLatin1String("no highlight")) {
            QCOMPARE(count(highlight), 0);
        }
    }

    // One sheet of all rendered variants, four times enlarged, for a person to look at.
    void cleanupTestCase()
    {
        const QDir dir(artefactDir());
        const QStringList files = dir.entryList({QStringLiteral("*.png")}, QDir::Files, QDir::Name)
                                      .filter(QRegularExpression(QStringLiteral("^(?!sheet)")));
        if (files.isEmpty())
            return;
        QImage sheet(2 * (400 + 160), ((files.size() + 1) / 2) * 104, QImage::Format_RGB32);
        sheet.fill(Qt::lightGray);
        QPainter p(&sheet);
        for (int i = 0; i < files.size(); ++i) {
            QImage image = QImage(dir.filePath(files[i])).convertToFormat(QImage::Format_ARGB32);
            // A cursor's transparent pixels show the sheet's grey; its aspect is kept.
            image = image.scaled(QSize(400, 96), Qt::KeepAspectRatio, Qt::FastTransformation);
            const QPoint at((i % 2) * 560, (i / 2) * 104);
            p.drawText(QRect(at.x() + 4, at.y(), 150, 96), Qt::AlignVCenter, files[i]);
            p.drawImage(at + QPoint(160, 0), image);
        }
        p.end();
        sheet.save(dir.filePath(QStringLiteral("sheet.png")));
    }

    void renderToImageHasTheControlsSize()
    {
        HostedControl h;
        h.loadEmpty();
        h.control->resize(42, 17);
        QCOMPARE(h.control->renderToImage().size(), QSize(42, 17));
    }
};

QTEST_MAIN(TstVururazInput)
#include "tst_vururaz_input.moc"
