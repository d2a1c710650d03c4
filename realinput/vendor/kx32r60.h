#pragma once

#include <QColor>
#include <QDialog>
#include <QImage>
#include <QMargins>
#include <QObject>
#include <QPoint>
#include <QRect>
#include <QSize>

#include <memory>

class QPainter;
class QTimer;
class QWidget;

// Our own KX32R60: the text-buffer editing, frame and 3-D text drawing, caret and
// About box that the real-number input control leaves to its vendor layer. Each
// operation keeps the argument order of the control's call; the comment above it
// names the ordinal the control was bound to.
namespace kx32r60 {

// Longest text the editing operations produce; a text buffer must hold one more
// byte for the terminating zero.
constexpr int TextCapacity = 1024;
constexpr int TextBufferSize = TextCapacity + 1;

// OLE colour: 0x00BBGGRR, or 0x800000nn for system colour nn.
using OleColor = quint32;

enum BorderStyle { BorderNone = 0, BorderSingleLine = 1, BorderRoundedCorners = 2 };

enum BevelStyle {
    BevelLowered = 0,
    BevelRaised = 1,
    BevelChiselled = 2,
    BevelShadowedRight = 3,
    BevelShadowedLeft = 4
};

enum FontStyle {
    FontStyleNone = 0,
    FontStyleRaised = 1,
    FontStyleRaisedShading = 2,
    FontStyleLowered = 3,
    FontStyleLoweredShading = 4
};

enum CaretStyle { CaretBlock = 0, CaretUpArrow = 1, CaretDownArrow = 2 };

// Text-format flags of draw 3-D text, with the values the control passes.
enum TextFormat {
    TextLeft = 0x0,
    TextCenter = 0x1,
    TextRight = 0x2,
    TextVCenter = 0x4,
    TextBottom = 0x8,
    TextSingleLine = 0x20,
    TextNoPrefix = 0x800
};

// The selection runs from caretPos to caretPos + selLength (a negative length selects
// to the left of the caret); both ends are cut to the text. `text` is a zero-terminated
// buffer of at least TextBufferSize bytes; no operation reads or writes past it.

// Ordinal 10. The caret is left where it was; the caller moves it.
void deleteSelection(char *text, int caretPos, int selLength);

// Ordinal 8. Answers the new caret position, just behind the inserted string. The result
// is cut to TextCapacity characters.
int replaceSelection(char *text, int caretPos, int selLength, const char *replacement);

// Ordinal 12. Puts the selected characters on the clipboard as text; `window` may be null.
void copySelection(QWidget *window, const char *text, int caretPos, int selLength);

// Ordinal 11. The clipboard text (up to its first line break) replaces the selection;
// the result holds at most `capacity` characters (never more than TextCapacity), so
// `text` must hold capacity + 1 bytes. Answers the caret position behind the pasted text.
int paste(QWidget *window, char *text, int caretPos, int selLength, int capacity);

// Ordinal 14. Sets `size` bytes to zero.
void clearText(char *text, int size);

// Ordinal 1. System colours map to the application's palette; unknown system colour
// indexes answer black.
QColor translateColor(OleColor color);

// The part of a rectangle that a bevel of this style and size takes on each side.
QMargins bevelMargins(int bevelStyle, int bevelSize);

// Ordinal 4. Fills `rect` with fillColor (when `fill` is nonzero), draws the border of
// `borderWidth` pixels at its edge and the bevel just inside the border. The arguments
// marked reserved are passed by the control but carry no meaning here.
void drawFrame(QWidget *window, QPainter &painter, int bevelSize, int borderWidth,
               int borderStyle, int bevelStyle, int reservedDepth, int fill,
               OleColor shadowColor, OleColor lightColor, OleColor fillColor,
               OleColor borderColor, int reserved1, int reserved2, int reserved3,
               int reserved4, int reserved5, int reserved6, const QRect &rect);

// Ordinal 9. The area inside the bevel that drawFrame paints, reduced further by
// extraInset on every side; the control counts the border in extraInset.
QRect inset(const QRect &rect, int bevelStyle, int bevelSize, int extraInset);

// Ordinal 2. Draws `length` characters of the single-byte text (-1: up to its zero) in
// `rect` aligned by `formatFlags`; font styles 1 to 4 add a relief in the light and
// shadow colours, 2 and 4 with a deeper shading.
void drawText3D(QPainter &painter, const char *text, int length, const QRect &rect,
                int formatFlags, int fontStyle, OleColor textColor, OleColor lightColor,
                OleColor shadowColor);

// A caret the owning widget paints itself, since Qt has no system caret. It blinks on
// its own timer and asks the owner to repaint its rectangle at each phase change.
class Caret : public QObject
{
    Q_OBJECT
public:
    // Height or width 0 take the owner's font height (half of it for the arrows) and a
    // one-pixel width; arrows are as wide as they are high. Interval 0 takes the
    // platform's blink rate, a negative interval never blinks.
    Caret(QWidget *owner, int height, int width, QColor color, int style, int interval);

    QSize size() const { return m_image.size(); }
    QColor color() const { return m_color; }
    int style() const { return m_style; }
    int interval() const { return m_interval; }
    // The bitmap the caret paints: the shape in the caret colour on transparency.
    const QImage &image() const { return m_image; }

    void show();
    void hide();
    bool isShown() const { return m_shown; }
    // False during the dark half of a blink.
    bool isLit() const { return m_lit; }

    void setPosition(QPoint topLeft);
    QPoint position() const { return m_position; }
    QRect rect() const { return QRect(m_position, size()); }

    // Paints the caret with its top left at `topLeft` when shown and lit.
    void paint(QPainter &painter, QPoint topLeft) const;
    // Paints at the last position set.
    void paint(QPainter &painter) const { paint(painter, m_position); }

signals:
    // The caret's appearance changed (blink phase, shown, moved): repaint `area`.
    void needsRepaint(const QRect &area);

private:
    void toggleLit();

    QColor m_color;
    int m_style = CaretBlock;
    int m_interval = 0;
    QImage m_image;
    QTimer *m_timer = nullptr;
    QPoint m_position;
    bool m_shown = false;
    bool m_lit = true;
};

// Ordinal 15. Creates the window's caret in `caretMember`, replacing (and deleting) any
// earlier one; the control frees it at focus loss by resetting the member. The tint is
// accepted for the control's call and not used. An interval above 0 also becomes the
// application's cursor flash time (both phases), as the system blink time would.
void createCaret(QWidget *window, int height, int width, OleColor color, int style,
                 int interval, OleColor tint, std::unique_ptr<Caret> &caretMember);

} // namespace kx32r60

// The vendor's About box: a small modal dialog that answers an integer. With the flag
// set it offers a "Properties..." button that closes it with AboutAskProperties (the
// control then runs its primary verb); OK answers QDialog::Accepted, Escape Rejected.
class CZqAboutDlg : public QDialog
{
    Q_OBJECT
public:
    static constexpr int AboutAskProperties = 0xCAC0;

    CZqAboutDlg(QWidget *parent, bool flag);
};
