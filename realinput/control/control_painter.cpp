#include "control_painter.h"

#include "vendor/kx32r60.h"

#include <QBitmap>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QPalette>
#include <QTextLayout>

namespace zq {

namespace {

int borderWidth(const ControlLook &look)
{
    return look.borderStyle != 0 ? 1 : 0;
}

int edgeAt(const QVector<int> &edges, int k)
{
    if (edges.isEmpty())
        return 0;
    return edges.at(qBound(0, k, int(edges.size()) - 1));
}

QRect toRect(const Edges &e)
{
    return QRect(e.left, e.top, e.width(), e.height());
}

Edges grown(const Edges &e, int by)
{
    return {e.left - by, e.top - by, e.right + by, e.bottom + by};
}

// The caret rules put the caret two pixels inside the aligned edge of the text
// rectangle, so the characters keep that margin too and the caret falls on their edges.
constexpr int TextMargin = 2;

QRect drawnTextRect(const TextLayout &l)
{
    return toRect(l.textRect).adjusted(TextMargin, 0, -TextMargin, 0);
}

// The text's left end in client terms, where the drawn characters start.
int textOrigin(const PaintState &state, const TextLayout &l, const QVector<int> &edges)
{
    switch (state.look.alignment) {
    case 1:
        return l.textRect.right - TextMargin - (edgeAt(edges, l.visibleTo) - edgeAt(edges, l.visibleFrom));
    case 2:
        return l.textRect.left + (l.textRect.width() - edgeAt(edges, int(state.text.size()))) / 2;
    default:
        return l.textRect.left + TextMargin;
    }
}

int formatFlags(const ControlLook &look, bool horizontal)
{
    int flags = kx32r60::TextSingleLine | kx32r60::TextNoPrefix;
    if (horizontal) {
        if (look.alignment == 1)
            flags |= kx32r60::TextRight;
        else if (look.alignment == 2)
            flags |= kx32r60::TextCenter;
    }
    if (look.vAlignment == 1)
        flags |= kx32r60::TextBottom;
    else if (look.vAlignment == 2)
        flags |= kx32r60::TextVCenter;
    return flags;
}

void drawArrow(QPainter &p, const QVector<QLine> &lines, const QColor &color)
{
    p.setPen(QPen(color, 1, Qt::SolidLine));
    // A line's end point is not drawn, so the tip row of one pixel stays empty.
    for (const QLine &line : lines) {
        if (line.x2() > line.x1())
            p.drawLine(line.x1(), line.y1(), line.x2() - 1, line.y2());
    }
}

} // namespace

QVector<int> ControlPainter::measureCharEdges(const QByteArray &text, const QFont &font)
{
    // One layout of the whole line: measuring each prefix on its own costs the square of
    // the length, tens of milliseconds a keystroke in a full field.
    QTextLayout layout(QString::fromLatin1(text), font);
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    // A stated direction spares each position a scan of the whole text for one.
    option.setTextDirection(Qt::LeftToRight);
    layout.setTextOption(option);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    line.setLineWidth(1e9);
    layout.endLayout();
    QVector<int> edges(text.size() + 1, 0);
    for (int k = 1; k <= text.size(); ++k)
        edges[k] = qRound(line.cursorToX(k));
    return edges;
}

Edges ControlPainter::innerRect(const PaintState &state)
{
    const ControlLook &look = state.look;
    const int extra = borderWidth(look) + qMax<int>(0, look.indent);
    return Edges::of(kx32r60::inset(state.rect, look.bevelStyle, look.bevelSize, extra));
}

SpinGeometry ControlPainter::spinGeometry(const PaintState &state)
{
    SpinGeometry g;
    if (state.look.spin != 1 && state.look.spin != 2)
        return g;
    const Edges inner = innerRect(state);
    const int h = inner.height();
    g.area = state.look.spin == 1 ? Edges{inner.left, inner.top, inner.left + h, inner.bottom}
                                  : Edges{inner.right - h, inner.top, inner.right, inner.bottom};
    const Edges &a = g.area;
    const int n = (a.right - a.left - 4) / 2;
    const Edges up{a.left + 2, a.top + 2, a.right - 2, a.bottom - h / 2 - 2};
    const Edges down{a.left + 2, a.top + h / 2 - 2, a.right - 2, a.bottom - 2};
    for (int i = 0; i < n; ++i) {
        g.upLines << QLine(up.left + n - i, up.top + i, up.right - n + i, up.top + i);
        g.downLines << QLine(down.left + n - i, down.bottom - i, down.right - n + i, down.bottom - i);
    }
    g.upHit = grown(up, 2);
    g.downHit = grown(down, 2);
    return g;
}

Edges ControlPainter::textRect(const PaintState &state)
{
    Edges r = innerRect(state);
    const SpinGeometry spin = spinGeometry(state);
    if (state.look.spin == 1)
        r.left = spin.area.right;
    else if (state.look.spin == 2)
        r.right = spin.area.left;
    return r;
}

TextLayout ControlPainter::layout(const PaintState &state, const QVector<int> &edges)
{
    const ControlLook &look = state.look;
    TextLayout l;
    l.textRect = textRect(state);
    const int n = int(state.text.size());
    const int caret = qBound(0, state.caret, n);
    const int width = l.textRect.width();
    const int nineTenths = width / 10 * 9;
    l.visibleTo = n;
    if (look.autoHScroll && look.alignment == 0) {
        int s = caret;
        while (s > 0 && edgeAt(edges, caret) - edgeAt(edges, s - 1) <= nineTenths)
            --s;
        l.scrollStart = l.visibleFrom = s;
        int end = s;
        while (end < n && edgeAt(edges, end + 1) - edgeAt(edges, s) <= width)
            ++end;
        l.visibleTo = end;
    } else if (look.autoHScroll && look.alignment == 1) {
        int e = caret;
        while (e < n && edgeAt(edges, e + 1) - edgeAt(edges, caret) <= nineTenths)
            ++e;
        l.scrollStart = l.visibleTo = e;
    }

    // The text is drawn inside the text rectangle already, so the caret goes where its
    // character is drawn; border and Indent are not taken off a second time.
    l.caretX = textOrigin(state, l, edges) + edgeAt(edges, caret) - edgeAt(edges, l.visibleFrom);

    const int fontHeight = QFontMetrics(look.font).height();
    if (look.vAlignment == 1)
        l.lineTop = l.textRect.bottom - fontHeight;
    else if (look.vAlignment == 2)
        l.lineTop = (l.textRect.bottom - l.textRect.top) / 2 + l.textRect.top - fontHeight / 2;
    else
        l.lineTop = l.textRect.top;
    return l;
}

QRect ControlPainter::caretRect(const PaintState &state, const QVector<int> &edges)
{
    const ControlLook &look = state.look;
    const QFontMetrics metrics(look.font);
    const TextLayout l = layout(state, edges);
    const bool arrow = look.caretStyle != 0;
    int h = look.caretHeight > 0 ? look.caretHeight : (arrow ? metrics.height() / 2 : metrics.height());
    int w = look.caretWidth > 0 ? look.caretWidth : 1;
    if (arrow)
        w = h;
    const int x = qMax(0, l.caretX - w / 2);
    int y = l.lineTop;
    if (look.caretVAlign == 1)
        y = l.lineTop + metrics.height() - metrics.descent();
    else if (look.caretVAlign == 2)
        y = l.lineTop - h;
    return QRect(x, y, w, h);
}

int ControlPainter::hitTestChar(const PaintState &state, const QVector<int> &edges, int x)
{
    const int n = int(state.text.size());
    if (n == 0)
        return 0;
    const TextLayout l = layout(state, edges);
    const Edges &tr = l.textRect;
    const int s = l.scrollStart;
    const auto W = [&edges](int k) { return edgeAt(edges, k); };
    const auto fromLeft = [&](int r) {
        if (W(n - 1) - W(s) + 5 < r)
            return n;
        for (int i = n - 1; i >= 0; --i) {
            if (W(i) - W(s) - 4 < r)
                return i;
        }
        return 0;
    };
    int index = 0;
    if (state.look.alignment == 1) {
        index = s > 0 ? 0 : n;
        if (s > 0) {
            for (int i = s + 1; i >= 1; --i) {
                if (tr.right + W(i - 1) - W(s) - 5 < x) {
                    index = i;
                    break;
                }
            }
        } else {
            for (int i = 0; i <= n; ++i) {
                if (x < tr.right + W(i) - W(n - 1) - 5) {
                    index = i;
                    break;
                }
            }
        }
    } else if (state.look.alignment == 2) {
        index = fromLeft(x + W(n - 1) / 2 - (tr.right - tr.left) / 2);
    } else {
        index = fromLeft(x - tr.left);
    }
    index = qBound(0, index, n);
    if (state.look.moneyFormat && index == 0)
        index = 1;
    return index;
}

int ControlPainter::typingRoom(const PaintState &state)
{
    const Edges inner = innerRect(state);
    int room = inner.width() - QFontMetrics(state.look.font).maxWidth();
    if (state.look.spin == 1 || state.look.spin == 2)
        room -= inner.height();
    return room;
}

void ControlPainter::paint(QPainter &painter, const PaintState &target, const kx32r60::Caret *caret,
                           const QVector<int> *measured)
{
    if (target.rect.isEmpty())
        return;
    // Drawn off-screen first and copied in one piece, so the control never flickers.
    PaintState state = target;
    state.rect = QRect(QPoint(0, 0), target.rect.size());
    QImage buffer(state.rect.size(), QImage::Format_ARGB32_Premultiplied);
    buffer.fill(Qt::transparent);
    {
        QPainter p(&buffer);
        const ControlLook &look = state.look;
        const QVector<int> edges = measured ? *measured : measureCharEdges(state.text, look.font);
        kx32r60::drawFrame(nullptr, p, look.bevelSize, borderWidth(look), look.borderStyle, look.bevelStyle,
                           look.bevelStyle == 0 ? 3 : 0, 1, look.shadowColor, look.lightColor, look.fillColor,
                           look.borderColor, 0, 0, 1, 0, 0, 0, state.rect);

        const SpinGeometry spin = spinGeometry(state);
        if (!spin.area.isEmpty()) {
            const QColor border = kx32r60::translateColor(look.borderColor);
            const QColor shadow = kx32r60::translateColor(look.shadowColor);
            drawArrow(p, spin.upLines, state.mouseState == 2 ? shadow : border);
            drawArrow(p, spin.downLines, state.mouseState == 3 ? shadow : border);
        }

        p.setFont(look.font);
        const TextLayout l = layout(state, edges);
        p.setClipRect(toRect(l.textRect));
        if (!state.text.isEmpty()) {
            const QByteArray shown = state.text.mid(l.visibleFrom, l.visibleTo - l.visibleFrom);
            const bool relief = state.enabled || !state.userMode;
            kx32r60::drawText3D(p, shown.constData(), int(shown.size()), drawnTextRect(l),
                                formatFlags(look, true), relief ? look.fontStyle : 0,
                                relief ? look.textColor : 0x808080, look.lightColor, look.shadowColor);
        }

        if (state.focused && state.selLength != 0) {
            const int n = int(state.text.size());
            const int from = qBound(l.visibleFrom, qMin(state.caret, state.caret + state.selLength), l.visibleTo);
            const int to = qBound(l.visibleFrom, qMax(state.caret, state.caret + state.selLength), qMin(n, l.visibleTo));
            if (to > from) {
                const int origin = textOrigin(state, l, edges);
                const int x = origin + edgeAt(edges, from) - edgeAt(edges, l.visibleFrom);
                const QRect box(x, l.textRect.top, edgeAt(edges, to) - edgeAt(edges, from), l.textRect.height());
                const QPalette palette = QGuiApplication::palette();
                p.fillRect(box, palette.color(QPalette::Active, QPalette::Highlight));
                p.setPen(palette.color(QPalette::Active, QPalette::HighlightedText));
                int flags = Qt::TextSingleLine | Qt::AlignLeft;
                flags |= look.vAlignment == 1 ? Qt::AlignBottom : look.vAlignment == 2 ? Qt::AlignVCenter : Qt::AlignTop;
                p.drawText(box, flags, QString::fromLatin1(state.text.mid(from, to - from)));
            }
        }
        p.setClipping(false);
        if (caret && state.focused && look.caretVisible)
            caret->paint(p, caretRect(state, edges).topLeft());
    }
    painter.drawImage(target.rect.topLeft(), buffer);
}

QImage ControlPainter::render(const PaintState &state)
{
    QImage image(state.rect.size().expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter p(&image);
    PaintState at = state;
    at.rect.moveTopLeft(QPoint(0, 0));
    paint(p, at);
    return image;
}

QImage spinCursorImage(bool up)
{
    constexpr int width = 11, height = 14, stemHalf = 2;
    const int left = SpinCursorHotX - width / 2;
    const int top = SpinCursorHotY - height / 2;
    const auto inside = [&](int x, int y) {
        int row = y - top;
        if (x < left || x >= left + width || row < 0 || row >= height)
            return false;
        if (!up)
            row = height - 1 - row;
        const int dx = qAbs(x - SpinCursorHotX);
        return row <= width / 2 ? dx <= row : dx <= stemHalf;
    };
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            if (!inside(x, y))
                continue;
            const bool edge = !inside(x - 1, y) || !inside(x + 1, y) || !inside(x, y - 1) || !inside(x, y + 1);
            image.setPixel(x, y, edge ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
        }
    }
    return image;
}

const QCursor &spinCursor(bool up)
{
    // Built once, like cursor resources loaded when the library starts.
    static const auto make = [](bool isUp) {
        const QImage image = spinCursorImage(isUp);
        // A bitmap's black pixels are its ones: black in the shape, opaque in the mask.
        QImage bits(32, 32, QImage::Format_RGB32);
        QImage mask(32, 32, QImage::Format_RGB32);
        bits.fill(Qt::white);
        mask.fill(Qt::white);
        for (int y = 0; y < 32; ++y) {
            for (int x = 0; x < 32; ++x) {
                const QRgb px = image.pixel(x, y);
                if (qAlpha(px) == 0)
                    continue;
                mask.setPixel(x, y, qRgb(0, 0, 0));
                if (qRed(px) == 0)
                    bits.setPixel(x, y, qRgb(0, 0, 0));
            }
        }
        return QCursor(QBitmap::fromImage(bits), QBitmap::fromImage(mask), SpinCursorHotX, SpinCursorHotY);
    };
    static const QCursor upCursor = make(true);
    static const QCursor downCursor = make(false);
    return up ? upCursor : downCursor;
}

} // namespace zq
