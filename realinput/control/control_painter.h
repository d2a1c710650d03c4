#pragma once

#include <QByteArray>
#include <QCursor>
#include <QFont>
#include <QImage>
#include <QLine>
#include <QRect>
#include <QVector>

class QPainter;

namespace kx32r60 {
class Caret;
}

namespace zq {

// Everything the input control's drawing and geometry depend on, as plain values. The
// control stores these properties here; only moneyFormat and the font are copied in.
struct ControlLook
{
    short alignment = 1;  // 0 left, 1 right, 2 centre
    short vAlignment = 0; // 0 top, 1 bottom, 2 centre
    short bevelSize = 0;
    short bevelStyle = 0;
    short borderStyle = 1;
    short indent = 2;
    short spin = 0; // 0 none, 1 left, 2 right
    short fontStyle = 0;
    quint32 borderColor = 0x80000006;
    quint32 fillColor = 0x8000000F;
    quint32 lightColor = 0x80000005;
    quint32 shadowColor = 0x80000010;
    quint32 textColor = 0x80000008;
    bool autoHScroll = false;
    bool moneyFormat = false;
    short caretHeight = 0;
    short caretWidth = 0;
    short caretStyle = 0;
    short caretVAlign = 0;
    bool caretVisible = true;
    QFont font;
};

struct PaintState
{
    ControlLook look;
    QRect rect; // the client rectangle (or the drawing bounds)
    QByteArray text;
    int caret = 0;
    int selLength = 0;
    bool focused = false;
    bool enabled = true;
    bool userMode = true;
    int mouseState = 0; // 2 spin-up held, 3 spin-down held
};

// Edges are in window terms: right and bottom lie just outside the area.
struct Edges
{
    int left = 0, top = 0, right = 0, bottom = 0;
    static Edges of(const QRect &r) { return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()}; }
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    // Inclusive of all four edges, as the spin hit test wants it.
    bool containsInclusive(QPoint p) const
    {
        return p.x() >= left && p.x() <= right && p.y() >= top && p.y() <= bottom;
    }
    bool isEmpty() const { return right <= left || bottom <= top; }
    bool operator==(const Edges &o) const
    {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
};

struct SpinGeometry
{
    Edges area;             // empty without spin arrows
    Edges upHit, downHit;   // the arrow boxes grown by 2
    QVector<QLine> upLines; // one line per row, ends exclusive
    QVector<QLine> downLines;
};

// What part of the text is shown and where.
struct TextLayout
{
    Edges textRect;
    int scrollStart = 0; // first visible character (left), last visible (right), 0 otherwise
    int visibleFrom = 0;
    int visibleTo = 0; // exclusive
    int caretX = 0;
    int lineTop = 0;
};

// Lays out and paints the input control from a plain state, so the widget stays
// thin and the geometry is testable without a window.
class ControlPainter
{
public:
    // W(k) for k = 0..n: the width of the first k characters in the font.
    static QVector<int> measureCharEdges(const QByteArray &text, const QFont &font);

    // The client rectangle inside the border, bevel and Indent.
    static Edges innerRect(const PaintState &state);
    static SpinGeometry spinGeometry(const PaintState &state);
    // The inner rectangle without the spin area.
    static Edges textRect(const PaintState &state);
    static TextLayout layout(const PaintState &state, const QVector<int> &edges);
    // Where the caret goes and how big it is (position before the blink phase).
    static QRect caretRect(const PaintState &state, const QVector<int> &edges);
    // The character index for a click at client x.
    static int hitTestChar(const PaintState &state, const QVector<int> &edges, int x);
    // The width typing may fill without AutoHScroll: the inner rectangle less the widest
    // character and the spin area.
    static int typingRoom(const PaintState &state);

    // Paints the whole control into `painter` at (0, 0); the caret is drawn when given, and
    // `edges` are measureCharEdges() of the state's text when the caller has them already.
    static void paint(QPainter &painter, const PaintState &state, const kx32r60::Caret *caret = nullptr,
                      const QVector<int> *edges = nullptr);
    // The control drawn into an image of its own size, for printing and embedding.
    static QImage render(const PaintState &state);
};

// The two spin cursors: 32 x 32, monochrome, hot spot (15, 16), a white block arrow
// with a black outline, 11 pixels wide and 14 high. The image shows black, white and
// transparent pixels as the cursor would.
QImage spinCursorImage(bool up);
const QCursor &spinCursor(bool up);
constexpr int SpinCursorHotX = 15;
constexpr int SpinCursorHotY = 16;

} // namespace zq
