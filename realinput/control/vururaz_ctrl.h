#pragma once

#include "control/control_painter.h"
#include "control/edit_model.h"
#include "control/intl_profile.h"
#include "control/repeat_clock.h"
#include "control/value_model.h"
#include "kx_control_base.h"
#include "vururaz_accessible.h"
#include "vururaz_properties.h"

#include <memory>

namespace kx32r60 {
class Caret;
}

// The real-number input control: a single-line edit box for a number with
// money and grouping formats, a value range, a bevel and a custom caret. Its
// automation interface and persisted layout are fixed by the ZqRealInput
// type library, so containers' stored forms keep loading.
class CVururazCtrl : public CKxControlBase
{
    Q_OBJECT
    Q_PROPERTY(AlignmentConstants Alignment READ alignment WRITE setAlignment)
    Q_PROPERTY(short BevelSize READ bevelSize WRITE setBevelSize)
    Q_PROPERTY(BevelStyleConstants BevelStyle READ bevelStyle WRITE setBevelStyle)
    Q_PROPERTY(quint32 BorderColor READ borderColor WRITE setBorderColor)
    Q_PROPERTY(BorderStyleConstants BorderStyle READ borderStyle WRITE setBorderStyle)
    Q_PROPERTY(quint32 FillColor READ fillColor WRITE setFillColor)
    Q_PROPERTY(quint32 LightColor READ lightColor WRITE setLightColor)
    Q_PROPERTY(quint32 ShadowColor READ shadowColor WRITE setShadowColor)
    Q_PROPERTY(quint32 TextColor READ textColor WRITE setTextColor)
    Q_PROPERTY(QString Text READ text WRITE setText)
    Q_PROPERTY(QString TextRaw READ textRaw WRITE setTextRaw)
    Q_PROPERTY(double ValueReal READ valueReal WRITE setValueReal)
    Q_PROPERTY(double MinReal READ minReal WRITE setMinReal)
    Q_PROPERTY(double MaxReal READ maxReal WRITE setMaxReal)
    Q_PROPERTY(bool ReadOnly READ readOnly WRITE setReadOnly)
    Q_PROPERTY(SpinStyleConstants Spin READ spin WRITE setSpin)
    Q_PROPERTY(float SpinChangeReal READ spinChangeReal WRITE setSpinChangeReal)
    Q_PROPERTY(qint32 SpinDelay READ spinDelay WRITE setSpinDelay)
    Q_PROPERTY(qint32 SpinSpeed READ spinSpeed WRITE setSpinSpeed)
    Q_PROPERTY(short Indent READ indent WRITE setIndent)
    Q_PROPERTY(bool AutoHScroll READ autoHScroll WRITE setAutoHScroll)
    Q_PROPERTY(short CaretHeight READ caretHeight WRITE setCaretHeight)
    Q_PROPERTY(short CaretWidth READ caretWidth WRITE setCaretWidth)
    Q_PROPERTY(quint32 CaretColor READ caretColor WRITE setCaretColor)
    Q_PROPERTY(CaretStyleConstants CaretStyle READ caretStyle WRITE setCaretStyle)
    Q_PROPERTY(CaretVAlignmentConstants CaretVAlign READ caretVAlign WRITE setCaretVAlign)
    Q_PROPERTY(short CaretInterval READ caretInterval WRITE setCaretInterval)
    Q_PROPERTY(bool CaretVisible READ caretVisible WRITE setCaretVisible)
    Q_PROPERTY(bool MoneyFormat READ moneyFormat WRITE setMoneyFormat)
    Q_PROPERTY(short DecimalPlaces READ decimalPlaces WRITE setDecimalPlaces)
    Q_PROPERTY(bool EntryStyle READ entryStyle WRITE setEntryStyle)
    Q_PROPERTY(bool Separator READ separator WRITE setSeparator)
    Q_PROPERTY(VAlignmentConstants VAlignment READ vAlignment WRITE setVAlignment)
    Q_PROPERTY(FontStyleConstants FontStyle READ fontStyle WRITE setFontStyle)
    Q_PROPERTY(bool FocusSelect READ focusSelect WRITE setFocusSelect)
    Q_PROPERTY(bool KXCausesValidation READ causesValidation WRITE setCausesValidation)
    Q_PROPERTY(MousePointerConstants MousePointer READ mousePointer WRITE setMousePointer)

public:
    // 16-bit like the stored values, so a loaded value outside the constants stays well-defined.
    enum AlignmentConstants : short { zqAlignmentLeft = 0, zqAlignmentRight = 1, zqAlignmentCenter = 2 };
    Q_ENUM(AlignmentConstants)
    enum VAlignmentConstants : short { zqVAlignTop = 0, zqVAlignBottom = 1, zqVAlignCenter = 2 };
    Q_ENUM(VAlignmentConstants)
    enum BevelStyleConstants : short {
        zqBevelStyleLowered = 0, zqBevelStyleRaised, zqBevelStyleChisled, zqBevelStyleShadowedRight,
        zqBevelStyleShadowedLeft
    };
    Q_ENUM(BevelStyleConstants)
    enum BorderStyleConstants : short { zqBorderStyleNone = 0, zqBorderSingleLine, zqBorderRoundedCorners };
    Q_ENUM(BorderStyleConstants)
    enum CaretStyleConstants : short { zqCaretStyleBlock = 0, zqCaretStyleUpArrow, zqCaretStyleDownArrow };
    Q_ENUM(CaretStyleConstants)
    enum CaretVAlignmentConstants : short { zqCaretVAlignmentOvertext = 0, zqCaretVAlignmentBelowtext, zqCaretVAlignmentAbovetext };
    Q_ENUM(CaretVAlignmentConstants)
    enum SpinStyleConstants : short { zqNoSpin = 0, zqLeftSpin, zqRightSpin };
    Q_ENUM(SpinStyleConstants)
    enum FontStyleConstants : short {
        zqFontStyleNone = 0, zqFontStyleRaised, zqFontStyleRaisedShading, zqFontStyleLowered,
        zqFontStyleLoweredShading
    };
    Q_ENUM(FontStyleConstants)
    enum MousePointerConstants : short {
        zqDefault = 0, zqArrow, zqCross, zqIBeam, zqIcon, zqSize, zqSizeNESW, zqSizeNS, zqSizeNWSE, zqSizeEW,
        zqUpArrow, zqHourglass, zqNoDrop, zqArrowHourglass, zqArrowQuestion, zqSizeAll, zqCustom = 99
    };
    Q_ENUM(MousePointerConstants)

    // Without a profile the control reads the user's profile file; a program that pins the
    // format passes its own, and the first text is formatted with it.
    explicit CVururazCtrl(QWidget *parent = nullptr, std::shared_ptr<const zq::IntlProfile> profile = nullptr);
    ~CVururazCtrl() override;

    // Controls alive in this process; the library may be unloaded when none is.
    static int liveCount();

    // Every property of the control, persisted ones first in stream order.
    static const std::vector<vururaz::PropertyDesc> &properties();
    static const vururaz::PropertyDesc &propertyRow(int dispid);

    const zq::TypeLibrary &typeLibrary() const override;
    // Where the number formats come from; production reads the user's profile file.
    void setIntlProfile(std::shared_ptr<const zq::IntlProfile> profile);
    const zq::IntlProfile &intlProfile() const { return *m_intl; }

    // Setters throw zq::AutomationError (error 380) and leave the property as it was. All
    // but the text, value and selection ones take the shape of putByRule().
    AlignmentConstants alignment() const { return AlignmentConstants(m_look.alignment); }
    void setAlignment(short v) { put(m_look.alignment, v); }
    short bevelSize() const { return m_look.bevelSize; }
    void setBevelSize(short v) { put(m_look.bevelSize, v); }
    BevelStyleConstants bevelStyle() const { return BevelStyleConstants(m_look.bevelStyle); }
    void setBevelStyle(short v) { put(m_look.bevelStyle, v); }
    quint32 borderColor() const { return m_look.borderColor; }
    void setBorderColor(quint32 v) { put(m_look.borderColor, v); }
    BorderStyleConstants borderStyle() const { return BorderStyleConstants(m_look.borderStyle); }
    void setBorderStyle(short v) { put(m_look.borderStyle, v); }
    quint32 fillColor() const { return m_look.fillColor; }
    void setFillColor(quint32 v) { put(m_look.fillColor, v); }
    quint32 lightColor() const { return m_look.lightColor; }
    void setLightColor(quint32 v) { put(m_look.lightColor, v); }
    quint32 shadowColor() const { return m_look.shadowColor; }
    void setShadowColor(quint32 v) { put(m_look.shadowColor, v); }
    quint32 textColor() const { return m_look.textColor; }
    void setTextColor(quint32 v) { put(m_look.textColor, v); }

    QString text() const;
    void setText(const QString &s);
    QString textRaw();
    void setTextRaw(const QString &s);
    double valueReal() const;
    void setValueReal(double v);
    double minReal() const { return m_value.MinReal; }
    void setMinReal(double v) { put(m_value.MinReal, v); }
    double maxReal() const { return m_value.MaxReal; }
    void setMaxReal(double v) { put(m_value.MaxReal, v); }

    bool readOnly() const { return m_readOnly; }
    void setReadOnly(bool v) { put(m_readOnly, v); }
    SpinStyleConstants spin() const { return SpinStyleConstants(m_look.spin); }
    void setSpin(short v) { put(m_look.spin, v); }
    float spinChangeReal() const { return m_spinChangeReal; }
    void setSpinChangeReal(float v) { put(m_spinChangeReal, v); }
    qint32 spinDelay() const { return m_spinDelay; }
    void setSpinDelay(qint32 v) { put(m_spinDelay, v); }
    qint32 spinSpeed() const { return m_spinSpeed; }
    void setSpinSpeed(qint32 v) { put(m_spinSpeed, v); }
    short indent() const { return m_look.indent; }
    void setIndent(short v) { put(m_look.indent, v); }
    bool autoHScroll() const { return m_look.autoHScroll; }
    void setAutoHScroll(bool v) { put(m_look.autoHScroll, v); }

    short caretHeight() const { return m_look.caretHeight; }
    void setCaretHeight(short v) { put(m_look.caretHeight, v); }
    short caretWidth() const { return m_look.caretWidth; }
    void setCaretWidth(short v) { put(m_look.caretWidth, v); }
    quint32 caretColor() const { return m_caretColor; }
    void setCaretColor(quint32 v) { put(m_caretColor, v); }
    CaretStyleConstants caretStyle() const { return CaretStyleConstants(m_look.caretStyle); }
    void setCaretStyle(short v) { put(m_look.caretStyle, v); }
    CaretVAlignmentConstants caretVAlign() const { return CaretVAlignmentConstants(m_look.caretVAlign); }
    void setCaretVAlign(short v) { put(m_look.caretVAlign, v); }
    short caretInterval() const { return m_caretInterval; }
    void setCaretInterval(short v) { put(m_caretInterval, v); }
    bool caretVisible() const { return m_look.caretVisible; }
    void setCaretVisible(bool v) { put(m_look.caretVisible, v); }

    bool moneyFormat() const { return m_value.MoneyFormat; }
    void setMoneyFormat(bool v) { put(m_value.MoneyFormat, v); }
    short decimalPlaces() const { return m_value.DecimalPlaces; }
    // Wider than the stored 16 bits: -1 to 100 are taken, and kept as at most 12.
    void setDecimalPlaces(int v) { put(m_value.DecimalPlaces, v); }
    bool entryStyle() const { return m_value.EntryStyle; }
    void setEntryStyle(bool v) { put(m_value.EntryStyle, v); }
    bool separator() const { return m_value.Separator; }
    void setSeparator(bool v) { put(m_value.Separator, v); }
    VAlignmentConstants vAlignment() const { return VAlignmentConstants(m_look.vAlignment); }
    void setVAlignment(short v) { put(m_look.vAlignment, v); }
    FontStyleConstants fontStyle() const { return FontStyleConstants(m_look.fontStyle); }
    void setFontStyle(short v) { put(m_look.fontStyle, v); }
    bool focusSelect() const { return m_focusSelect; }
    void setFocusSelect(bool v) { put(m_focusSelect, v); }
    bool causesValidation() const { return m_causesValidation; }
    void setCausesValidation(bool v) { put(m_causesValidation, v); }
    MousePointerConstants mousePointer() const { return MousePointerConstants(m_mousePointer); }
    void setMousePointer(short v) { put(m_mousePointer, v); }

    qint32 selStart() const;
    void setSelStart(qint32 v);
    qint32 selLength() const { return m_state.selLength < 0 ? -m_state.selLength : m_state.selLength; }
    void setSelLength(qint32 v);
    QString selText() const;
    void setSelText(const QString &s);
    bool undoRead();
    void undoWrite();

    // The text buffer's current text and caret, as the value model sees them.
    const zq::TextState &textState() const { return m_state; }
    bool isLoaded() const { return m_value.loaded; }
    // What the text is formatted and read with.
    const zq::ValueSettings &settings() const { return m_value; }
    // The stored properties the drawing depends on (the font is the stock font).
    const zq::ControlLook &look() const { return m_look; }
    // Shows the vendor's About box modally and answers its result.
    int aboutBox();
    QVector<QUuid> propertyPageIds() const override;
    // The font page shows the font itself, so Font has no display string.
    bool displayString(int dispid, QString *text) override;

    // Editing, drawing and the spin arrows (vururaz_input.cpp).
    // The spin auto-repeat's time source; the system clock unless a test hands in its own.
    void setRepeatClock(std::unique_ptr<RepeatClock> clock);
    zq::PaintState paintState() const;
    // The control drawn into an image of its own size, for printing and embedding.
    QImage renderToImage() const;
    // The edge table of the last measuring: W(k) for k = 0..text length.
    const QVector<int> &charEdges() const { return m_charEdges; }

protected:
    void doPropExchange(zq::PropertyExchange &px) override;
    void onResetState() override;

    bool event(QEvent *event) override;
    void changeEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    friend class CVururazAccessible;

    void bindAutomation();
    const zq::IntlProfile &intl() const { return *m_intl; }

    void notifyChange(int dispid);
    static zq::Variant variantOf(short v) { return zq::Variant::fromI2(v); }
    static zq::Variant variantOf(qint32 v) { return zq::Variant::fromI4(v); }
    static zq::Variant variantOf(quint32 v) { return zq::Variant::fromColor(v); }
    static zq::Variant variantOf(bool v) { return zq::Variant::fromBool(v); }
    static zq::Variant variantOf(float v) { return zq::Variant::fromR4(v); }
    static zq::Variant variantOf(double v) { return zq::Variant::fromR8(v); }
    // The setter of the row that stores its value in `field`.
    template<typename T, typename V> void put(const T &field, V v) { putByRule(rowStoredAt(&field), variantOf(v)); }
    const vururaz::PropertyDesc &rowStoredAt(const void *field) const;
    // The one shape of a setter: error 380 for a value the row does not accept, store,
    // refresh what depends on the value, then mark modified and tell the container.
    void putByRule(const vururaz::PropertyDesc &row, const zq::Variant &given);
    void refreshCaret();
    void exchangeRow(zq::PropertyExchange &px, const vururaz::PropertyDesc &row);
    void exchangeLegacyFont(zq::PropertyExchange &px);
    void forwardFont(const std::function<void(zq::FontDesc &)> &change);

    void reformatText(int caretOffset);
    // Answers false when InvalidSetText cancelled.
    bool validatedSetText(const QByteArray &text);
    void measureCharEdges();
    void fireSimple(int dispid);
    void fireMouse(int dispid, QMouseEvent *event);

    class EditAdapter;
    void initInput();
    zq::EditContext editContext();
    void fireKey(int dispid, int keyCode, Qt::KeyboardModifiers mods);
    // One key as the keyboard sends it: its virtual-key code (0 for none) and the
    // character it types (-1 for none), events first, then the edit.
    void typeKey(int key, int character, Qt::KeyboardModifiers modifiers);
    int hitTestChar(int x);
    void leftButtonDown(QMouseEvent *event);
    void updateSpinHover(QPoint pos);
    void spinPress(bool up);
    void scheduleSpinRepeat();
    void spinRepeat();
    void applySpinStep(double step);
    // Tells assistive technology what changed since it was last told (vururaz_accessible.cpp).
    void announceChanges();

    std::shared_ptr<const zq::IntlProfile> m_intl;
    zq::TextState m_state;
    QByteArray m_undoText;
    QVector<int> m_charEdges;
    // What m_charEdges were measured for: a keystroke asks for them several times, and a
    // long text costs a layout each time.
    QByteArray m_edgesText;
    QFont m_edgesFont;

    // Property values; reset and loading fill them from properties(). Those the drawing
    // and the formatting read live in the structs they read.
    zq::ControlLook m_look;
    zq::ValueSettings m_value;
    bool m_readOnly = false;
    float m_spinChangeReal{};
    qint32 m_spinDelay{};
    qint32 m_spinSpeed{};
    quint32 m_caretColor{};
    short m_caretInterval{};
    bool m_focusSelect = false;
    bool m_causesValidation = false;
    short m_mousePointer{};
    QString m_textString;
    QString m_textRawString;

    qint32 m_focus = 0;
    std::unique_ptr<kx32r60::Caret> m_caret;
    int m_savedBlinkTime = 0;
    quint32 m_caretTint = 0x00FFFFFF;

    int m_mouseState = 0; // 1 selecting, 2 spin-up held, 3 spin-down held
    int m_hoverState = 0; // 2 over the spin-up arrow, 3 over spin-down: their cursor shows
    zq::Edges m_spinUp, m_spinDown; // hit rectangles of the last painting
    qint64 m_nextRepeatTick = 0;
    std::unique_ptr<RepeatClock> m_repeatClock;
    bool m_focusByPress = false;
    bool m_validating = false;

    VururazSnapshot m_announced;
};
