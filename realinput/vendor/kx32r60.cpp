#include "kx32r60.h"

#include <QClipboard>
#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPalette>
#include <QPushButton>
#include <QStyleHints>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

#include <cstring>

namespace kx32r60 {

namespace {

int boundedLength(const char *text, int limit)
{
    return int(strnlen(text, size_t(qMax(0, limit))));
}

struct Span
{
    int start = 0;
    int end = 0;
};

// The selection as a half-open range inside a text of `length` characters.
Span selectionSpan(int length, int caretPos, int selLength)
{
    const qint64 caret = qBound(0, caretPos, length);
    const qint64 other = qBound(qint64(0), caret + selLength, qint64(length));
    return {int(qMin(caret, other)), int(qMax(caret, other))};
}

// Writes `result` over a text of `oldLength` characters, zeroing what it no longer uses.
void storeText(char *text, const QByteArray &result, int oldLength)
{
    std::memcpy(text, result.constData(), size_t(result.size()));
    std::memset(text + result.size(), 0, size_t(qMax(oldLength, result.size()) - result.size() + 1));
}

int replaceSpan(char *text, int limit, int caretPos, int selLength, const QByteArray &insert)
{
    const int length = boundedLength(text, limit);
    const Span span = selectionSpan(length, caretPos, selLength);
    QByteArray result(text, span.start);
    result += insert;
    result += QByteArray(text + span.end, length - span.end);
    result.truncate(limit);
    storeText(text, result, length);
    return qMin(span.start + int(insert.size()), int(result.size()));
}

// Latin-1 is our single-byte code page; what it cannot hold arrives as '?'.
QByteArray singleByte(const QString &text)
{
    QByteArray out;
    out.reserve(text.size());
    for (QChar c : text)
        out.append(c.unicode() <= 0xFF ? char(c.unicode()) : '?');
    return out;
}

QPalette desktopPalette()
{
    // Without an application there is no desktop; a classic grey palette stands in.
    return qGuiApp ? QGuiApplication::palette() : QPalette(QColor(0xC0, 0xC0, 0xC0));
}

struct SystemColour
{
    QPalette::ColorGroup group;
    QPalette::ColorRole role;
};

// System colour indexes 0..30 of the OLE convention, each on the palette entry that
// plays the same part on our desktop.
constexpr SystemColour systemColours[] = {
    {QPalette::Active, QPalette::Button},          // 0 scroll bar
    {QPalette::Active, QPalette::Dark},            // 1 desktop
    {QPalette::Active, QPalette::Highlight},       // 2 active caption
    {QPalette::Inactive, QPalette::Mid},           // 3 inactive caption
    {QPalette::Active, QPalette::Window},          // 4 menu
    {QPalette::Active, QPalette::Base},            // 5 window
    {QPalette::Active, QPalette::Shadow},          // 6 window frame
    {QPalette::Active, QPalette::WindowText},      // 7 menu text
    {QPalette::Active, QPalette::Text},            // 8 window text
    {QPalette::Active, QPalette::HighlightedText}, // 9 caption text
    {QPalette::Active, QPalette::Button},          // 10 active border
    {QPalette::Inactive, QPalette::Button},        // 11 inactive border
    {QPalette::Active, QPalette::Mid},             // 12 application workspace
    {QPalette::Active, QPalette::Highlight},       // 13 highlight
    {QPalette::Active, QPalette::HighlightedText}, // 14 highlight text
    {QPalette::Active, QPalette::Button},          // 15 button face
    {QPalette::Active, QPalette::Dark},            // 16 button shadow
    {QPalette::Disabled, QPalette::Text},          // 17 grey text
    {QPalette::Active, QPalette::ButtonText},      // 18 button text
    {QPalette::Disabled, QPalette::WindowText},    // 19 inactive caption text
    {QPalette::Active, QPalette::Light},           // 20 button highlight
    {QPalette::Active, QPalette::Shadow},          // 21 3-D dark shadow
    {QPalette::Active, QPalette::Midlight},        // 22 3-D light
    {QPalette::Active, QPalette::ToolTipText},     // 23 info text
    {QPalette::Active, QPalette::ToolTipBase},     // 24 info background
    {QPalette::Active, QPalette::NoRole},          // 25 unused
    {QPalette::Active, QPalette::Link},            // 26 hot light
    {QPalette::Active, QPalette::Highlight},       // 27 active caption gradient
    {QPalette::Inactive, QPalette::Mid},           // 28 inactive caption gradient
    {QPalette::Active, QPalette::Highlight},       // 29 menu highlight
    {QPalette::Active, QPalette::Window},          // 30 menu bar
};

void drawBevel(QPainter &painter, const QRect &area, int bevelStyle, int size,
               const QColor &light, const QColor &shadow)
{
    if (size <= 0 || area.isEmpty())
        return;
    // One ring per pixel of depth: top-left in `topLeft`, bottom-right in `bottomRight`.
    auto ring = [&](int k, const QColor &topLeft, const QColor &bottomRight) {
        const QRect r = area.adjusted(k, k, -k, -k);
        if (r.isEmpty())
            return;
        painter.fillRect(QRect(r.left(), r.top(), r.width(), 1), topLeft);
        painter.fillRect(QRect(r.left(), r.top(), 1, r.height()), topLeft);
        painter.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), bottomRight);
        painter.fillRect(QRect(r.right(), r.top(), 1, r.height()), bottomRight);
    };
    switch (bevelStyle) {
    case BevelRaised:
        for (int k = 0; k < size; ++k)
            ring(k, light, shadow);
        break;
    case BevelChiselled:
        // A groove: the outer half sinks, the inner half rises.
        for (int k = 0; k < size; ++k)
            k < (size + 1) / 2 ? ring(k, shadow, light) : ring(k, light, shadow);
        break;
    case BevelShadowedRight:
        painter.fillRect(QRect(area.right() - size + 1, area.top() + size, size,
                               area.height() - size), shadow);
        painter.fillRect(QRect(area.left() + size, area.bottom() - size + 1,
                               area.width() - size, size), shadow);
        break;
    case BevelShadowedLeft:
        painter.fillRect(QRect(area.left(), area.top() + size, size, area.height() - size),
                         shadow);
        painter.fillRect(QRect(area.left(), area.bottom() - size + 1, area.width() - size,
                               size), shadow);
        break;
    default:
        for (int k = 0; k < size; ++k)
            ring(k, shadow, light);
        break;
    }
}

// Rounded corners leave out the corner pixel of each ring, so that the corner never
// reaches into the area that inset() hands to the text.
void drawBorder(QPainter &painter, const QRect &rect, int width, int borderStyle,
                const QColor &colour)
{
    const int cut = borderStyle == BorderRoundedCorners ? 1 : 0;
    for (int k = 0; k < width; ++k) {
        const QRect r = rect.adjusted(k, k, -k, -k);
        if (r.width() <= 2 * cut || r.height() <= 2 * cut)
            break;
        painter.fillRect(QRect(r.left() + cut, r.top(), r.width() - 2 * cut, 1), colour);
        painter.fillRect(QRect(r.left() + cut, r.bottom(), r.width() - 2 * cut, 1), colour);
        painter.fillRect(QRect(r.left(), r.top() + cut, 1, r.height() - 2 * cut), colour);
        painter.fillRect(QRect(r.right(), r.top() + cut, 1, r.height() - 2 * cut), colour);
    }
}

Qt::Alignment alignmentOf(int formatFlags)
{
    Qt::Alignment align = Qt::AlignLeft;
    if (formatFlags & TextRight)
        align = Qt::AlignRight;
    else if (formatFlags & TextCenter)
        align = Qt::AlignHCenter;
    if (formatFlags & TextBottom)
        align |= Qt::AlignBottom;
    else if (formatFlags & TextVCenter)
        align |= Qt::AlignVCenter;
    else
        align |= Qt::AlignTop;
    return align;
}

struct Relief
{
    QPoint offset;
    bool light;
};

QList<Relief> reliefOf(int fontStyle)
{
    switch (fontStyle) {
    case FontStyleRaised:
        return {{{-1, -1}, true}, {{1, 1}, false}};
    case FontStyleRaisedShading:
        return {{{-1, -1}, true}, {{2, 2}, false}, {{1, 1}, false}};
    case FontStyleLowered:
        return {{{-1, -1}, false}, {{1, 1}, true}};
    case FontStyleLoweredShading:
        return {{{-2, -2}, false}, {{-1, -1}, false}, {{1, 1}, true}};
    default:
        return {};
    }
}

// Keeps a caret bitmap of a 16-bit size within what a text line can need.
constexpr int MaxCaretExtent = 1024;

QImage caretImage(QSize size, const QColor &colour, int style)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    if (style != CaretUpArrow && style != CaretDownArrow) {
        image.fill(colour);
        return image;
    }
    const int w = size.width();
    const int h = size.height();
    const QRgb pixel = colour.rgba();
    // Each row is a centred run that widens from the tip to the full width at the base.
    for (int row = 0; row < h; ++row) {
        const int depth = style == CaretUpArrow ? row : h - 1 - row;
        const int run = h > 1 ? 1 + (depth * (w - 1)) / (h - 1) : w;
        const int left = (w - run) / 2;
        for (int x = left; x < left + run; ++x)
            image.setPixel(x, row, pixel);
    }
    return image;
}

} // namespace

void deleteSelection(char *text, int caretPos, int selLength)
{
    if (!text)
        return;
    replaceSpan(text, TextCapacity, caretPos, selLength, QByteArray());
}

int replaceSelection(char *text, int caretPos, int selLength, const char *replacement)
{
    if (!text)
        return 0;
    const QByteArray insert = replacement
                                  ? QByteArray(replacement, boundedLength(replacement, TextCapacity))
                                  : QByteArray();
    return replaceSpan(text, TextCapacity, caretPos, selLength, insert);
}

void copySelection(QWidget *, const char *text, int caretPos, int selLength)
{
    if (!text || !qGuiApp)
        return;
    const int length = boundedLength(text, TextCapacity);
    const Span span = selectionSpan(length, caretPos, selLength);
    if (span.start == span.end)
        return;
    QGuiApplication::clipboard()->setText(
        QString::fromLatin1(text + span.start, span.end - span.start));
}

int paste(QWidget *, char *text, int caretPos, int selLength, int capacity)
{
    if (!text)
        return 0;
    const int limit = qBound(0, capacity, TextCapacity);
    if (!qGuiApp)
        return qBound(0, caretPos, boundedLength(text, limit));
    // A single-line text takes the clipboard up to its first line break.
    QByteArray insert = singleByte(QGuiApplication::clipboard()->text());
    for (qsizetype i = 0; i < insert.size(); ++i) {
        if (insert.at(i) == '\n' || insert.at(i) == '\r' || insert.at(i) == '\0') {
            insert.truncate(i);
            break;
        }
    }
    return replaceSpan(text, limit, caretPos, selLength, insert);
}

void clearText(char *text, int size)
{
    if (text && size > 0)
        std::memset(text, 0, size_t(size));
}

QColor translateColor(OleColor color)
{
    if ((color & 0xFF000000u) == 0x80000000u) {
        const quint32 index = color & 0x00FFFFFFu;
        constexpr quint32 count = sizeof(systemColours) / sizeof(systemColours[0]);
        if (index >= count || systemColours[index].role == QPalette::NoRole)
            return QColor(Qt::black);
        const SystemColour entry = systemColours[index];
        return desktopPalette().color(entry.group, entry.role);
    }
    // Plain and palette-relative colours alike carry 0x00BBGGRR in their low bytes.
    return QColor(int(color & 0xFF), int((color >> 8) & 0xFF), int((color >> 16) & 0xFF));
}

QMargins bevelMargins(int bevelStyle, int bevelSize)
{
    const int s = qMax(0, bevelSize);
    switch (bevelStyle) {
    case BevelShadowedRight:
        return QMargins(0, 0, s, s);
    case BevelShadowedLeft:
        return QMargins(s, 0, 0, s);
    default:
        return QMargins(s, s, s, s);
    }
}

void drawFrame(QWidget *, QPainter &painter, int bevelSize, int borderWidth, int borderStyle,
               int bevelStyle, int, int fill, OleColor shadowColor, OleColor lightColor,
               OleColor fillColor, OleColor borderColor, int, int, int, int, int, int,
               const QRect &rect)
{
    if (rect.isEmpty())
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    if (fill)
        painter.fillRect(rect, translateColor(fillColor));
    QRect inner = rect;
    if (borderStyle != BorderNone && borderWidth > 0) {
        drawBorder(painter, rect, borderWidth, borderStyle, translateColor(borderColor));
        inner = rect.adjusted(borderWidth, borderWidth, -borderWidth, -borderWidth);
    }
    drawBevel(painter, inner, bevelStyle, bevelSize, translateColor(lightColor),
              translateColor(shadowColor));
    painter.restore();
}

QRect inset(const QRect &rect, int bevelStyle, int bevelSize, int extraInset)
{
    return rect.marginsRemoved(bevelMargins(bevelStyle, bevelSize))
        .adjusted(extraInset, extraInset, -extraInset, -extraInset);
}

void drawText3D(QPainter &painter, const char *text, int length, const QRect &rect,
                int formatFlags, int fontStyle, OleColor textColor, OleColor lightColor,
                OleColor shadowColor)
{
    if (!text)
        return;
    const int count = length < 0 ? boundedLength(text, TextCapacity)
                                 : boundedLength(text, qMin(length, TextCapacity));
    const QString s = QString::fromLatin1(text, count);
    int flags = int(alignmentOf(formatFlags));
    if (formatFlags & TextSingleLine)
        flags |= Qt::TextSingleLine;
    if (!(formatFlags & TextNoPrefix))
        flags |= Qt::TextShowMnemonic;

    painter.save();
    const QColor light = translateColor(lightColor);
    const QColor shadow = translateColor(shadowColor);
    for (const Relief &relief : reliefOf(fontStyle)) {
        painter.setPen(relief.light ? light : shadow);
        painter.drawText(rect.translated(relief.offset), flags, s);
    }
    painter.setPen(translateColor(textColor));
    painter.drawText(rect, flags, s);
    painter.restore();
}

Caret::Caret(QWidget *owner, int height, int width, QColor color, int style, int interval)
    : m_color(color), m_style(style)
{
    const QFontMetrics metrics = owner ? owner->fontMetrics() : QFontMetrics(QGuiApplication::font());
    const bool arrow = style == CaretUpArrow || style == CaretDownArrow;
    int h = height > 0 ? height : (arrow ? metrics.height() / 2 : metrics.height());
    h = qBound(1, h, MaxCaretExtent);
    const int w = arrow ? h : qBound(1, width > 0 ? width : 1, MaxCaretExtent);
    m_image = caretImage(QSize(w, h), color, style);

    m_interval = interval == 0 ? QGuiApplication::styleHints()->cursorFlashTime() / 2 : interval;
    m_timer = new QTimer(this);
    m_timer->setInterval(qMax(1, m_interval));
    connect(m_timer, &QTimer::timeout, this, &Caret::toggleLit);
}

void Caret::show()
{
    m_shown = true;
    m_lit = true;
    if (m_interval > 0)
        m_timer->start();
    emit needsRepaint(rect());
}

void Caret::hide()
{
    m_shown = false;
    m_timer->stop();
    emit needsRepaint(rect());
}

void Caret::setPosition(QPoint topLeft)
{
    if (topLeft == m_position)
        return;
    const QRect old = rect();
    m_position = topLeft;
    if (m_shown) {
        emit needsRepaint(old);
        emit needsRepaint(rect());
    }
}

void Caret::paint(QPainter &painter, QPoint topLeft) const
{
    if (m_shown && m_lit)
        painter.drawImage(topLeft, m_image);
}

void Caret::toggleLit()
{
    m_lit = !m_lit;
    emit needsRepaint(rect());
}

void createCaret(QWidget *window, int height, int width, OleColor color, int style,
                 int interval, OleColor, std::unique_ptr<Caret> &caretMember)
{
    caretMember = std::make_unique<Caret>(window, height, width, translateColor(color), style,
                                          interval);
    // Like the system caret, a given interval becomes the blink time of the whole
    // session; the control sets the saved one back when it loses the focus.
    if (interval > 0)
        QGuiApplication::styleHints()->setCursorFlashTime(2 * interval);
    if (window) {
        QObject::connect(caretMember.get(), &Caret::needsRepaint, window,
                         [window](const QRect &area) { window->update(area); });
    }
}

} // namespace kx32r60

CZqAboutDlg::CZqAboutDlg(QWidget *parent, bool flag) : QDialog(parent)
{
    setWindowTitle(tr("About ZqRealInput"));
    setModal(true);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("Tarvel ZqRealInput Control"), this));
    layout->addWidget(new QLabel(tr("Real Input OLE Control, version 6.50.00.03"), this));
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    if (flag) {
        QPushButton *properties = buttons->addButton(tr("Properties..."), QDialogButtonBox::ActionRole);
        properties->setObjectName(QStringLiteral("properties"));
        connect(properties, &QPushButton::clicked, this, [this] { done(AboutAskProperties); });
    }
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
}

#include "moc_kx32r60.cpp"
