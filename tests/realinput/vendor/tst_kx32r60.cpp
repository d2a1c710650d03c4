#include "vendor/kx32r60.h"

#include <QApplication>
#include <QClipboard>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <cstring>

using namespace kx32r60;

Q_DECLARE_METATYPE(QMargins)

namespace {

constexpr int Guard = 16;

// A text buffer of the documented size with guard bytes behind it.
struct GuardedBuffer
{
    explicit GuardedBuffer(const QByteArray &text, int size = TextBufferSize)
        : bytes(size + Guard, '\0'), size(size)
    {
        std::memcpy(bytes.data(), text.constData(), size_t(qMin(int(text.size()), size - 1)));
        std::memset(bytes.data() + size, '#', Guard);
    }
    char *data() { return bytes.data(); }
    QByteArray text() const { return QByteArray(bytes.constData()); }
    bool guardIntact() const { return bytes.mid(size) == QByteArray(Guard, '#'); }

    QByteArray bytes;
    int size;
};

// Plain RGB OLE colours that cannot be mistaken for each other.
constexpr OleColor Shadow = 0x000000C0;  // red
constexpr OleColor Light = 0x0000C000;   // green
constexpr OleColor Fill = 0x00C00000;    // blue
constexpr OleColor Border = 0x00404040;  // grey
constexpr OleColor Ink = 0x00000000;     // black

QImage frameImage(int borderStyle, int bevelStyle, int bevelSize, QSize size = {40, 30})
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    drawFrame(nullptr, painter, bevelSize, borderStyle != BorderNone ? 1 : 0, borderStyle,
              bevelStyle, bevelStyle == BevelLowered ? 3 : 0, 1, Shadow, Light, Fill, Border, 0,
              0, 1, 0, 0, 0, image.rect());
    return image;
}

QImage textImage(int fontStyle, int flags = TextLeft | TextVCenter | TextSingleLine | TextNoPrefix)
{
    QImage image(80, 30, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    QFont font(QStringLiteral("DejaVu Sans"), 14, QFont::Bold);
    font.setStyleStrategy(QFont::NoAntialias);
    painter.setFont(font);
    drawText3D(painter, "88", -1, image.rect().adjusted(4, 0, -4, 0), flags, fontStyle, Ink, Light,
               Shadow);
    return image;
}

bool containsColour(const QImage &image, OleColor colour)
{
    const QRgb wanted = translateColor(colour).rgb();
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) == wanted)
                return true;
    return false;
}

int leftmostInk(const QImage &image)
{
    for (int x = 0; x < image.width(); ++x)
        for (int y = 0; y < image.height(); ++y)
            if (image.pixel(x, y) != qRgb(255, 255, 255))
                return x;
    return -1;
}

} // namespace

class TestKx32r60 : public QObject
{
    Q_OBJECT
private slots:
    void deletion_data();
    void deletion();
    void replacement_data();
    void replacement();
    void replaceNeverPassesCapacity();
    void clipboardRoundTrip();
    void pasteStaysWithinCapacity_data();
    void pasteStaysWithinCapacity();
    void clearing();
    void colorTranslation_data();
    void colorTranslation();
    void frameAndInsetAgree_data();
    void frameAndInsetAgree();
    void bevelStylesDiffer();
    void roundedCornersLeaveCorner();
    void textStylesDiffer();
    void textAlignment_data();
    void textAlignment();
    void caretShapes_data();
    void caretShapes();
    void caretShowsAndBlinks();
    void createCaretReplaces();
    void aboutBox_data();
    void aboutBox();
};

void TestKx32r60::deletion_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("caret");
    QTest::addColumn<int>("selLength");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("forward") << QByteArray("12345") << 1 << 2 << QByteArray("145");
    QTest::newRow("backward") << QByteArray("12345") << 3 << -2 << QByteArray("145");
    QTest::newRow("past the end") << QByteArray("12345") << 3 << 10 << QByteArray("123");
    QTest::newRow("before the start") << QByteArray("12345") << 1 << -5 << QByteArray("2345");
    QTest::newRow("caret beyond text") << QByteArray("123") << 10 << -1 << QByteArray("12");
    QTest::newRow("empty selection") << QByteArray("123") << 1 << 0 << QByteArray("123");
    QTest::newRow("whole full buffer") << QByteArray(TextCapacity, '7') << 0 << TextCapacity << QByteArray();
}

void TestKx32r60::deletion()
{
    QFETCH(QByteArray, text);
    QFETCH(int, caret);
    QFETCH(int, selLength);
    QFETCH(QByteArray, expected);
    GuardedBuffer buffer(text);
    kx32r60::deleteSelection(buffer.data(), caret, selLength);
    QCOMPARE(buffer.text(), expected);
    // Bytes freed by the deletion are zero again.
    QCOMPARE(buffer.bytes.mid(expected.size(), text.size() - expected.size() + 1),
             QByteArray(text.size() - expected.size() + 1, '\0'));
    QVERIFY(buffer.guardIntact());
}

void TestKx32r60::replacement_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("caret");
    QTest::addColumn<int>("selLength");
    QTest::addColumn<QByteArray>("replacement");
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<int>("newCaret");
    QTest::newRow("insert") << QByteArray("12.34") << 2 << 0 << QByteArray("5") << QByteArray("125.34") << 3;
    QTest::newRow("replace all") << QByteArray("12.34") << 0 << 5 << QByteArray("7") << QByteArray("7") << 1;
    QTest::newRow("backward selection") << QByteArray("12.34") << 5 << -2 << QByteArray("9") << QByteArray("12.9") << 4;
    QTest::newRow("into empty") << QByteArray() << 0 << 0 << QByteArray(".") << QByteArray(".") << 1;
    QTest::newRow("empty replacement") << QByteArray("123") << 1 << 1 << QByteArray() << QByteArray("13") << 1;
}

void TestKx32r60::replacement()
{
    QFETCH(QByteArray, text);
    QFETCH(int, caret);
    QFETCH(int, selLength);
    QFETCH(QByteArray, replacement);
    QFETCH(QByteArray, expected);
    QFETCH(int, newCaret);
    GuardedBuffer buffer(text);
    QCOMPARE(kx32r60::replaceSelection(buffer.data(), caret, selLength, replacement.constData()), newCaret);
    QCOMPARE(buffer.text(), expected);
    QVERIFY(buffer.guardIntact());
}

void TestKx32r60::replaceNeverPassesCapacity()
{
    GuardedBuffer buffer(QByteArray(TextCapacity, '1'));
    const int caret = kx32r60::replaceSelection(buffer.data(), TextCapacity, 0, "2");
    QCOMPARE(buffer.text(), QByteArray(TextCapacity, '1'));
    QCOMPARE(caret, TextCapacity);
    QVERIFY(buffer.guardIntact());

    const int middle = kx32r60::replaceSelection(buffer.data(), 10, 0, "22");
    QCOMPARE(middle, 12);
    QCOMPARE(buffer.text().size(), TextCapacity);
    QCOMPARE(buffer.text().mid(10, 3), QByteArray("221"));
    QVERIFY(buffer.guardIntact());
}

void TestKx32r60::clipboardRoundTrip()
{
    GuardedBuffer source("1,234.50");
    copySelection(nullptr, source.data(), 5, -3);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("234"));
    copySelection(nullptr, source.data(), 2, 0);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("234"));

    GuardedBuffer target("9.00");
    QCOMPARE(paste(nullptr, target.data(), 0, 1, TextCapacity), 3);
    QCOMPARE(target.text(), QByteArray("234.00"));

    QGuiApplication::clipboard()->setText(QString::fromUtf8("7\u20ac8\nsecond line"));
    GuardedBuffer lines("");
    QCOMPARE(paste(nullptr, lines.data(), 0, 0, TextCapacity), 3);
    QCOMPARE(lines.text(), QByteArray("7?8"));
}

void TestKx32r60::pasteStaysWithinCapacity_data()
{
    QTest::addColumn<int>("capacity");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("clipboardLength");
    QTest::newRow("full buffer") << TextCapacity << QByteArray(1000, '1') << 200;
    QTest::newRow("small capacity") << 8 << QByteArray("123") << 50;
    QTest::newRow("capacity above the buffer") << 5000 << QByteArray("1") << 3000;
}

void TestKx32r60::pasteStaysWithinCapacity()
{
    QFETCH(int, capacity);
    QFETCH(QByteArray, text);
    QFETCH(int, clipboardLength);
    QGuiApplication::clipboard()->setText(QString(clipboardLength, QLatin1Char('5')));
    GuardedBuffer buffer(text, qMin(capacity, TextCapacity) + 1);
    const int caret = paste(nullptr, buffer.data(), 1, 0, capacity);
    QCOMPARE(buffer.text().size(), qMin(capacity, TextCapacity));
    QVERIFY(caret <= buffer.text().size());
    QCOMPARE(buffer.text().at(0), '1');
    QCOMPARE(buffer.text().at(1), '5');
    QVERIFY(buffer.guardIntact());
}

void TestKx32r60::clearing()
{
    GuardedBuffer buffer(QByteArray(TextCapacity, 'x'));
    kx32r60::clearText(buffer.data(), TextCapacity);
    QCOMPARE(buffer.bytes.left(TextBufferSize), QByteArray(TextBufferSize, '\0'));
    QVERIFY(buffer.guardIntact());
}

void TestKx32r60::colorTranslation_data()
{
    QTest::addColumn<quint32>("ole");
    QTest::addColumn<QColor>("expected");
    const QPalette palette = QGuiApplication::palette();
    QTest::newRow("red") << 0x000000FFu << QColor(255, 0, 0);
    QTest::newRow("blue") << 0x00FF0000u << QColor(0, 0, 255);
    QTest::newRow("byte order") << 0x00123456u << QColor(0x56, 0x34, 0x12);
    QTest::newRow("palette relative") << 0x02123456u << QColor(0x56, 0x34, 0x12);
    QTest::newRow("window") << 0x80000005u << palette.color(QPalette::Active, QPalette::Base);
    QTest::newRow("window frame") << 0x80000006u << palette.color(QPalette::Active, QPalette::Shadow);
    QTest::newRow("window text") << 0x80000008u << palette.color(QPalette::Active, QPalette::Text);
    QTest::newRow("button face") << 0x8000000Fu << palette.color(QPalette::Active, QPalette::Button);
    QTest::newRow("button shadow") << 0x80000010u << palette.color(QPalette::Active, QPalette::Dark);
    QTest::newRow("highlight") << 0x8000000Du << palette.color(QPalette::Active, QPalette::Highlight);
    QTest::newRow("unused index") << 0x80000019u << QColor(Qt::black);
    QTest::newRow("unknown index") << 0x800000FFu << QColor(Qt::black);
}

void TestKx32r60::colorTranslation()
{
    QFETCH(quint32, ole);
    QFETCH(QColor, expected);
    QCOMPARE(kx32r60::translateColor(ole), expected);
}

void TestKx32r60::frameAndInsetAgree_data()
{
    QTest::addColumn<int>("borderStyle");
    QTest::addColumn<int>("bevelStyle");
    QTest::addColumn<int>("bevelSize");
    QTest::addColumn<QMargins>("expected"); // inset from each edge with the border counted
    QTest::newRow("border only") << 1 << 0 << 0 << QMargins(1, 1, 1, 1);
    QTest::newRow("lowered 2") << 1 << 0 << 2 << QMargins(3, 3, 3, 3);
    QTest::newRow("raised 3 no border") << 0 << 1 << 3 << QMargins(3, 3, 3, 3);
    QTest::newRow("chiselled 4") << 1 << 2 << 4 << QMargins(5, 5, 5, 5);
    QTest::newRow("shadowed right 3") << 1 << 3 << 3 << QMargins(1, 1, 4, 4);
    QTest::newRow("shadowed left 2") << 2 << 4 << 2 << QMargins(3, 1, 1, 3);
}

void TestKx32r60::frameAndInsetAgree()
{
    QFETCH(int, borderStyle);
    QFETCH(int, bevelStyle);
    QFETCH(int, bevelSize);
    QFETCH(QMargins, expected);
    const QImage image = frameImage(borderStyle, bevelStyle, bevelSize);
    const int border = borderStyle != BorderNone ? 1 : 0;
    const QRect inner = inset(image.rect(), bevelStyle, bevelSize, border);
    QCOMPARE(inner, image.rect().marginsRemoved(expected));

    const QRgb fill = translateColor(Fill).rgb();
    // Everything inside the inset area is plain fill ...
    for (int y = inner.top(); y <= inner.bottom(); ++y)
        for (int x = inner.left(); x <= inner.right(); ++x)
            QCOMPARE(image.pixel(x, y), fill);
    // ... and the frame reaches right up to it on every side it takes room on.
    const QPoint mid = inner.center();
    if (expected.left() > 0)
        QVERIFY(image.pixel(inner.left() - 1, mid.y()) != fill);
    if (expected.top() > 0)
        QVERIFY(image.pixel(mid.x(), inner.top() - 1) != fill);
    if (expected.right() > 0)
        QVERIFY(image.pixel(inner.right() + 1, mid.y()) != fill);
    if (expected.bottom() > 0)
        QVERIFY(image.pixel(mid.x(), inner.bottom() + 1) != fill);
}

void TestKx32r60::bevelStylesDiffer()
{
    QList<QImage> images;
    for (int style = BevelLowered; style <= BevelShadowedLeft; ++style)
        images.append(frameImage(BorderSingleLine, style, 2));
    for (int a = 0; a < images.size(); ++a)
        for (int b = a + 1; b < images.size(); ++b)
            QVERIFY2(images[a] != images[b], qPrintable(QStringLiteral("%1 vs %2").arg(a).arg(b)));

    const QImage lowered = images[BevelLowered];
    QCOMPARE(lowered.pixel(1, 15), translateColor(Shadow).rgb());
    QCOMPARE(lowered.pixel(38, 15), translateColor(Light).rgb());
    const QImage raised = images[BevelRaised];
    QCOMPARE(raised.pixel(1, 15), translateColor(Light).rgb());
    QCOMPARE(raised.pixel(38, 15), translateColor(Shadow).rgb());
}

void TestKx32r60::roundedCornersLeaveCorner()
{
    const QImage single = frameImage(BorderSingleLine, BevelLowered, 0);
    const QImage rounded = frameImage(BorderRoundedCorners, BevelLowered, 0);
    const QRgb border = translateColor(Border).rgb();
    QCOMPARE(single.pixel(0, 0), border);
    QVERIFY(rounded.pixel(0, 0) != border);
    QCOMPARE(rounded.pixel(0, 15), border);
    QCOMPARE(rounded.pixel(20, 29), border);
}

void TestKx32r60::textStylesDiffer()
{
    QList<QImage> images;
    for (int style = FontStyleNone; style <= FontStyleLoweredShading; ++style)
        images.append(textImage(style));
    for (int a = 0; a < images.size(); ++a)
        for (int b = a + 1; b < images.size(); ++b)
            QVERIFY2(images[a] != images[b], qPrintable(QStringLiteral("%1 vs %2").arg(a).arg(b)));

    QVERIFY(containsColour(images[FontStyleNone], Ink));
    QVERIFY(!containsColour(images[FontStyleNone], Light));
    QVERIFY(!containsColour(images[FontStyleNone], Shadow));
    for (int style = FontStyleRaised; style <= FontStyleLoweredShading; ++style) {
        QVERIFY(containsColour(images[style], Light));
        QVERIFY(containsColour(images[style], Shadow));
    }
}

void TestKx32r60::textAlignment_data()
{
    QTest::addColumn<int>("flags");
    QTest::addColumn<int>("minLeft");
    QTest::addColumn<int>("maxLeft");
    QTest::newRow("left") << int(TextLeft) << 0 << 10;
    QTest::newRow("centre") << int(TextCenter) << 15 << 40;
    QTest::newRow("right") << int(TextRight) << 30 << 80;
}

void TestKx32r60::textAlignment()
{
    QFETCH(int, flags);
    QFETCH(int, minLeft);
    QFETCH(int, maxLeft);
    const int left = leftmostInk(textImage(FontStyleNone, flags | TextVCenter | TextSingleLine));
    QVERIFY2(left >= minLeft && left <= maxLeft, qPrintable(QString::number(left)));
}

void TestKx32r60::caretShapes_data()
{
    QTest::addColumn<int>("style");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("width");
    QTest::addColumn<QSize>("expected"); // an empty size: from the font
    QTest::newRow("block sized") << int(CaretBlock) << 12 << 3 << QSize(3, 12);
    QTest::newRow("up arrow square") << int(CaretUpArrow) << 9 << 2 << QSize(9, 9);
    QTest::newRow("down arrow square") << int(CaretDownArrow) << 9 << 0 << QSize(9, 9);
    QTest::newRow("huge capped") << int(CaretBlock) << 32767 << 32767 << QSize(1024, 1024);
    QTest::newRow("block from font") << int(CaretBlock) << 0 << 0 << QSize();
    QTest::newRow("arrow from font") << int(CaretUpArrow) << 0 << 0 << QSize();
}

void TestKx32r60::caretShapes()
{
    QFETCH(int, style);
    QFETCH(int, height);
    QFETCH(int, width);
    QFETCH(QSize, expected);
    QWidget owner;
    const int fontHeight = owner.fontMetrics().height();
    if (expected.isEmpty()) {
        const int h = style == CaretBlock ? fontHeight : fontHeight / 2;
        expected = QSize(style == CaretBlock ? 1 : h, h);
    }
    Caret caret(&owner, height, width, Qt::red, style, -1);
    QCOMPARE(caret.size(), expected);

    const QImage &image = caret.image();
    auto rowInk = [&](int y) {
        int n = 0;
        for (int x = 0; x < image.width(); ++x)
            n += qAlpha(image.pixel(x, y)) != 0;
        return n;
    };
    const int top = rowInk(0);
    const int bottom = rowInk(image.height() - 1);
    if (style == CaretBlock) {
        QCOMPARE(top, image.width());
        QCOMPARE(bottom, image.width());
    } else if (image.height() > 2) {
        // The tip is narrow and the base spans the caret.
        QVERIFY(style == CaretUpArrow ? top < bottom : top > bottom);
        QCOMPARE(qMax(top, bottom), image.width());
    }
}

void TestKx32r60::caretShowsAndBlinks()
{
    QWidget owner;
    Caret caret(&owner, 10, 2, Qt::blue, CaretBlock, 20);
    QImage canvas(20, 20, QImage::Format_ARGB32_Premultiplied);
    auto paintAt = [&](QPoint p) {
        canvas.fill(Qt::white);
        QPainter painter(&canvas);
        caret.paint(painter, p);
        return canvas.pixel(p.x(), p.y());
    };

    QCOMPARE(paintAt({5, 5}), qRgb(255, 255, 255));
    QSignalSpy repaints(&caret, &Caret::needsRepaint);
    caret.show();
    QVERIFY(caret.isShown() && caret.isLit());
    QCOMPARE(paintAt({5, 5}), QColor(Qt::blue).rgb());

    // The blink timer turns it dark and lit again on its own.
    QVERIFY(repaints.wait(2000));
    QVERIFY(QTest::qWaitFor([&] { return !caret.isLit(); }, 2000));
    QCOMPARE(paintAt({5, 5}), qRgb(255, 255, 255));
    QVERIFY(QTest::qWaitFor([&] { return caret.isLit(); }, 2000));

    caret.hide();
    QCOMPARE(paintAt({5, 5}), qRgb(255, 255, 255));

    Caret steady(&owner, 10, 2, Qt::blue, CaretBlock, -1);
    steady.show();
    QSignalSpy steadyRepaints(&steady, &Caret::needsRepaint);
    QVERIFY(!steadyRepaints.wait(100));
    QVERIFY(steady.isLit());
}

void TestKx32r60::createCaretReplaces()
{
    QWidget owner;
    std::unique_ptr<Caret> member;
    createCaret(&owner, 8, 2, 0x000000FF, CaretBlock, 0, 0x00FFFFFF, member);
    QVERIFY(member);
    QCOMPARE(member->color(), QColor(255, 0, 0));
    QPointer<Caret> first = member.get();
    createCaret(&owner, 8, 0, 0x00FF0000, CaretDownArrow, 0, 0x00FFFFFF, member);
    QVERIFY(first.isNull());
    QCOMPARE(member->style(), int(CaretDownArrow));
    QCOMPARE(member->color(), QColor(0, 0, 255));
    QCOMPARE(member->size(), QSize(8, 8));
    member.reset();
}

void TestKx32r60::aboutBox_data()
{
    QTest::addColumn<bool>("flag");
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("result");
    QTest::newRow("ok") << false << "accept" << int(QDialog::Accepted);
    QTest::newRow("escape") << false << "reject" << int(QDialog::Rejected);
    QTest::newRow("properties") << true << "properties" << int(CZqAboutDlg::AboutAskProperties);
}

void TestKx32r60::aboutBox()
{
    QFETCH(bool, flag);
    QFETCH(QString, action);
    QFETCH(int, result);
    CZqAboutDlg dialog(nullptr, flag);
    QCOMPARE(dialog.findChild<QPushButton *>(QStringLiteral("properties")) != nullptr, flag);
    QTimer::singleShot(0, &dialog, [&] {
        if (action == QLatin1String("accept"))
            dialog.accept();
        else if (action == QLatin1String("reject"))
            QTest::keyClick(&dialog, Qt::Key_Escape);
        else
            dialog.findChild<QPushButton *>(QStringLiteral("properties"))->click();
    });
    QCOMPARE(dialog.exec(), result);
}

QTEST_MAIN(TestKx32r60)
#include "tst_kx32r60.moc"
