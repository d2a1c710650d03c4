#include "vururaz_ctrl.h"

#include "framework/automation_error.h"
#include "vendor/kx32r60.h"
#include "vururaz_typelib.h"

#include <QApplication>
#include <QFocusEvent>
#include <QMouseEvent>
#include <QPainter>

#include <atomic>
#include <climits>
#include <cmath>

namespace {

std::atomic<int> g_liveControls{0};

using zq::Variant;
namespace id = vururaz::dispid;

QByteArray singleByte(const QString &s)
{
    return s.toLatin1();
}

} // namespace

CVururazCtrl::CVururazCtrl(QWidget *parent)
    : CKxControlBase(parent), m_intl(std::make_shared<zq::FileIntlProfile>())
{
    ++g_liveControls;
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    initInput();
    bindAutomation();
    resetState();
}

CVururazCtrl::~CVururazCtrl()
{
    if (qApp)
        QApplication::setCursorFlashTime(m_savedBlinkTime);
    --g_liveControls;
}

int CVururazCtrl::liveCount()
{
    return g_liveControls;
}

const zq::TypeLibrary &CVururazCtrl::typeLibrary() const
{
    return vururaz::typeLibrary();
}

void CVururazCtrl::setIntlProfile(std::shared_ptr<const zq::IntlProfile> profile)
{
    if (profile)
        m_intl = std::move(profile);
}

zq::ValueSettings CVururazCtrl::settings() const
{
    zq::ValueSettings s;
    s.DecimalPlaces = m_decimalPlaces;
    s.MinReal = m_minReal;
    s.MaxReal = m_maxReal;
    s.MoneyFormat = m_moneyFormat != 0;
    s.Separator = m_separator != 0;
    s.EntryStyle = m_entryStyle != 0;
    s.loaded = m_loaded;
    return s;
}

void CVururazCtrl::bindAutomation()
{
    // Arguments arrive coerced to the member's type in the type library.
    bindProperty(id::MousePointer, [this] { return Variant::fromI2(m_mousePointer); },
                 [this](const Variant &v) { setMousePointer(v.toI2()); });
    bindProperty(id::Alignment, [this] { return Variant::fromI2(m_alignment); },
                 [this](const Variant &v) { setAlignment(v.toI2()); });
    bindProperty(id::BevelSize, [this] { return Variant::fromI2(m_bevelSize); },
                 [this](const Variant &v) { setBevelSize(v.toI2()); });
    bindProperty(id::BevelStyle, [this] { return Variant::fromI2(m_bevelStyle); },
                 [this](const Variant &v) { setBevelStyle(v.toI2()); });
    bindProperty(id::BorderColor, [this] { return Variant::fromColor(m_borderColor); },
                 [this](const Variant &v) { setBorderColor(v.toColor()); });
    bindProperty(id::BorderStyle, [this] { return Variant::fromI2(m_borderStyle); },
                 [this](const Variant &v) { setBorderStyle(v.toI2()); });
    bindProperty(id::FillColor, [this] { return Variant::fromColor(m_fillColor); },
                 [this](const Variant &v) { setFillColor(v.toColor()); });
    bindProperty(id::LightColor, [this] { return Variant::fromColor(m_lightColor); },
                 [this](const Variant &v) { setLightColor(v.toColor()); });
    bindProperty(id::ShadowColor, [this] { return Variant::fromColor(m_shadowColor); },
                 [this](const Variant &v) { setShadowColor(v.toColor()); });
    bindProperty(id::TextColor, [this] { return Variant::fromColor(m_textColor); },
                 [this](const Variant &v) { setTextColor(v.toColor()); });
    bindProperty(id::SelLength, [this] { return Variant::fromI4(selLength()); },
                 [this](const Variant &v) { setSelLength(v.toI4()); });
    bindProperty(id::SelStart, [this] { return Variant::fromI4(selStart()); },
                 [this](const Variant &v) { setSelStart(v.toI4()); });
    bindProperty(id::SelText, [this] { return Variant::fromString(selText()); },
                 [this](const Variant &v) { setSelText(v.toString()); });
    bindProperty(id::Text, [this] { return Variant::fromString(text()); },
                 [this](const Variant &v) { setText(v.toString()); });
    bindProperty(id::ReadOnly, [this] { return Variant::fromBool(readOnly()); },
                 [this](const Variant &v) { setReadOnly(v.toBool()); });
    bindProperty(id::Spin, [this] { return Variant::fromI2(m_spin); },
                 [this](const Variant &v) { setSpin(v.toI2()); });
    bindProperty(id::SpinChangeReal, [this] { return Variant::fromR4(m_spinChangeReal); },
                 [this](const Variant &v) { setSpinChangeReal(v.toR4()); });
    bindProperty(id::Undo, [this] { return Variant::fromBool(undoRead()); },
                 [this](const Variant &) { undoWrite(); });
    bindProperty(id::SpinDelay, [this] { return Variant::fromI4(m_spinDelay); },
                 [this](const Variant &v) { setSpinDelay(v.toI4()); });
    bindProperty(id::SpinSpeed, [this] { return Variant::fromI4(m_spinSpeed); },
                 [this](const Variant &v) { setSpinSpeed(v.toI4()); });
    bindProperty(id::Indent, [this] { return Variant::fromI2(m_indent); },
                 [this](const Variant &v) { setIndent(v.toI2()); });
    bindProperty(id::AutoHScroll, [this] { return Variant::fromBool(autoHScroll()); },
                 [this](const Variant &v) { setAutoHScroll(v.toBool()); });
    bindProperty(id::CaretHeight, [this] { return Variant::fromI2(m_caretHeight); },
                 [this](const Variant &v) { setCaretHeight(v.toI2()); });
    bindProperty(id::CaretWidth, [this] { return Variant::fromI2(m_caretWidth); },
                 [this](const Variant &v) { setCaretWidth(v.toI2()); });
    bindProperty(id::CaretColor, [this] { return Variant::fromColor(m_caretColor); },
                 [this](const Variant &v) { setCaretColor(v.toColor()); });
    bindProperty(id::CaretStyle, [this] { return Variant::fromI2(m_caretStyle); },
                 [this](const Variant &v) { setCaretStyle(v.toI2()); });
    bindProperty(id::CaretVAlign, [this] { return Variant::fromI2(m_caretVAlign); },
                 [this](const Variant &v) { setCaretVAlign(v.toI2()); });
    bindProperty(id::CaretInterval, [this] { return Variant::fromI2(m_caretInterval); },
                 [this](const Variant &v) { setCaretInterval(v.toI2()); });
    bindProperty(id::CaretVisible, [this] { return Variant::fromBool(caretVisible()); },
                 [this](const Variant &v) { setCaretVisible(v.toBool()); });
    bindProperty(id::MoneyFormat, [this] { return Variant::fromBool(moneyFormat()); },
                 [this](const Variant &v) { setMoneyFormat(v.toBool()); });
    bindProperty(id::DecimalPlaces, [this] { return Variant::fromI2(m_decimalPlaces); },
                 [this](const Variant &v) { setDecimalPlaces(v.toI2()); });
    bindProperty(id::EntryStyle, [this] { return Variant::fromBool(entryStyle()); },
                 [this](const Variant &v) { setEntryStyle(v.toBool()); });
    bindProperty(id::Separator, [this] { return Variant::fromBool(separator()); },
                 [this](const Variant &v) { setSeparator(v.toBool()); });
    bindProperty(id::VAlignment, [this] { return Variant::fromI2(m_vAlignment); },
                 [this](const Variant &v) { setVAlignment(v.toI2()); });
    bindProperty(id::MouseIcon, [this] { return Variant::fromPicture(mouseIcon()); },
                 [this](const Variant &v) { setMouseIcon(v.toPicture()); });
    bindProperty(id::FontStyle, [this] { return Variant::fromI2(m_fontStyle); },
                 [this](const Variant &v) { setFontStyle(v.toI2()); });
    bindProperty(id::FocusSelect, [this] { return Variant::fromBool(focusSelect()); },
                 [this](const Variant &v) { setFocusSelect(v.toBool()); });
    bindProperty(id::FontBold, [this] { return Variant::fromBool(stockFont().bold()); },
                 [this](const Variant &v) { forwardFont([&](zq::FontDesc &f) { f.setBold(v.toBool()); }); });
    bindProperty(id::FontItalic, [this] { return Variant::fromBool(stockFont().italic); },
                 [this](const Variant &v) { forwardFont([&](zq::FontDesc &f) { f.italic = v.toBool(); }); });
    bindProperty(id::FontName, [this] { return Variant::fromString(stockFont().name); },
                 [this](const Variant &v) { forwardFont([&](zq::FontDesc &f) { f.name = v.toString(); }); });
    bindProperty(id::FontStrikeThru, [this] { return Variant::fromBool(stockFont().strikethrough); },
                 [this](const Variant &v) { forwardFont([&](zq::FontDesc &f) { f.strikethrough = v.toBool(); }); });
    bindProperty(id::FontUnderline, [this] { return Variant::fromBool(stockFont().underline); },
                 [this](const Variant &v) { forwardFont([&](zq::FontDesc &f) { f.underline = v.toBool(); }); });
    // The font holds its size as currency; automation sees a float.
    bindProperty(id::FontSize, [this] { return Variant::fromR4(float(double(stockFont().sizeCy) / 10000.0)); },
                 [this](const Variant &v) {
                     const qint64 cy = Variant::fromR4(v.toR4()).toCurrency();
                     forwardFont([&](zq::FontDesc &f) { f.sizeCy = cy; });
                 });
    bindProperty(id::MinReal, [this] { return Variant::fromR8(m_minReal); },
                 [this](const Variant &v) { setMinReal(v.toR8()); });
    bindProperty(id::MaxReal, [this] { return Variant::fromR8(m_maxReal); },
                 [this](const Variant &v) { setMaxReal(v.toR8()); });
    bindProperty(id::ValueReal, [this] { return Variant::fromR8(valueReal()); },
                 [this](const Variant &v) { setValueReal(v.toR8()); });
    bindProperty(id::KXCausesValidation, [this] { return Variant::fromBool(causesValidation()); },
                 [this](const Variant &v) { setCausesValidation(v.toBool()); });
    bindProperty(id::TextRaw, [this] { return Variant::fromString(textRaw()); },
                 [this](const Variant &v) { setTextRaw(v.toString()); });
    bindMethod(zq::dispid::aboutBox, [this](const QVector<Variant> &) {
        aboutBox();
        return Variant();
    });
}

void CVururazCtrl::notifyChange(int dispid)
{
    invalidateControl();
    setModifiedFlag();
    boundPropertyChanged(dispid);
}

void CVururazCtrl::setShortInRange(short &member, short v, short lo, short hi, int dispid)
{
    if (v < lo || v > hi)
        ErrorInvalidProperty();
    member = v;
    notifyChange(dispid);
}

void CVururazCtrl::setColor(quint32 &member, quint32 v, int dispid)
{
    member = v;
    notifyChange(dispid);
}

void CVururazCtrl::setFlag(qint32 &member, bool v, int dispid)
{
    member = v ? -1 : 0;
    notifyChange(dispid);
}

void CVururazCtrl::setAlignment(short v) { setShortInRange(m_alignment, v, 0, 2, id::Alignment); }
void CVururazCtrl::setBevelSize(short v) { setShortInRange(m_bevelSize, v, 0, SHRT_MAX, id::BevelSize); }
void CVururazCtrl::setBevelStyle(short v) { setShortInRange(m_bevelStyle, v, 0, 4, id::BevelStyle); }
void CVururazCtrl::setBorderColor(quint32 v) { setColor(m_borderColor, v, id::BorderColor); }
void CVururazCtrl::setBorderStyle(short v) { setShortInRange(m_borderStyle, v, 0, 2, id::BorderStyle); }
void CVururazCtrl::setFillColor(quint32 v) { setColor(m_fillColor, v, id::FillColor); }
void CVururazCtrl::setLightColor(quint32 v) { setColor(m_lightColor, v, id::LightColor); }
void CVururazCtrl::setShadowColor(quint32 v) { setColor(m_shadowColor, v, id::ShadowColor); }
void CVururazCtrl::setTextColor(quint32 v) { setColor(m_textColor, v, id::TextColor); }
void CVururazCtrl::setReadOnly(bool v) { setFlag(m_readOnly, v, id::ReadOnly); }
void CVururazCtrl::setSpin(short v) { setShortInRange(m_spin, v, 0, 2, id::Spin); }
void CVururazCtrl::setIndent(short v) { setShortInRange(m_indent, v, 0, SHRT_MAX, id::Indent); }
void CVururazCtrl::setAutoHScroll(bool v) { setFlag(m_autoHScroll, v, id::AutoHScroll); }
void CVururazCtrl::setCaretVAlign(short v) { setShortInRange(m_caretVAlign, v, 0, 2, id::CaretVAlign); }
void CVururazCtrl::setVAlignment(short v) { setShortInRange(m_vAlignment, v, 0, 2, id::VAlignment); }
void CVururazCtrl::setFontStyle(short v) { setShortInRange(m_fontStyle, v, 0, 4, id::FontStyle); }

void CVururazCtrl::setSpinChangeReal(float v)
{
    m_spinChangeReal = v;
    notifyChange(id::SpinChangeReal);
}

void CVururazCtrl::setSpinDelay(qint32 v)
{
    if (v < 0)
        ErrorInvalidProperty();
    m_spinDelay = v;
    notifyChange(id::SpinDelay);
}

void CVururazCtrl::setSpinSpeed(qint32 v)
{
    if (v < 0)
        ErrorInvalidProperty();
    m_spinSpeed = v;
    notifyChange(id::SpinSpeed);
}

void CVururazCtrl::setMinReal(double v)
{
    m_minReal = v;
    notifyChange(id::MinReal);
}

void CVururazCtrl::setMaxReal(double v)
{
    m_maxReal = v;
    notifyChange(id::MaxReal);
}

void CVururazCtrl::setFocusSelect(bool v)
{
    // Only the focus handling reads it, so nothing needs repainting.
    m_focusSelect = v ? -1 : 0;
    setModifiedFlag();
    boundPropertyChanged(id::FocusSelect);
}

void CVururazCtrl::setCausesValidation(bool v)
{
    m_causesValidation = v ? -1 : 0;
    notifyChange(id::KXCausesValidation);
}

void CVururazCtrl::setMousePointer(short v)
{
    if (!((v >= 0 && v <= 15) || v == 99))
        ErrorInvalidProperty();
    m_mousePointer = v;
    applyMousePointer(v);
    // Containers have always been told about this one under the value's identifier.
    setModifiedFlag();
    boundPropertyChanged(zq::dispid::value);
}

void CVururazCtrl::forwardFont(const std::function<void(zq::FontDesc &)> &change)
{
    zq::FontDesc f = stockFont();
    change(f);
    setStockFont(f);
}

void CVururazCtrl::setCaretHeight(short v) { m_caretHeight = v; rebuildCaret(id::CaretHeight); }
void CVururazCtrl::setCaretWidth(short v) { m_caretWidth = v; rebuildCaret(id::CaretWidth); }
void CVururazCtrl::setCaretColor(quint32 v) { m_caretColor = v; rebuildCaret(id::CaretColor); }
void CVururazCtrl::setCaretInterval(short v) { m_caretInterval = v; rebuildCaret(id::CaretInterval); }

void CVururazCtrl::setCaretStyle(short v)
{
    if (v < 0 || v > 2)
        ErrorInvalidProperty();
    m_caretStyle = v;
    rebuildCaret(id::CaretStyle);
}

void CVururazCtrl::rebuildCaret(int dispid)
{
    if (!ambientUserMode()) {
        boundPropertyChanged(dispid);
        return;
    }
    if (!m_loaded || !m_focus)
        return;
    if (m_caret)
        m_caret->hide();
    if (!caretVisible())
        return;
    kx32r60::createCaret(this, m_caretHeight, m_caretWidth, m_caretColor, m_caretStyle, m_caretInterval, m_caretTint,
                         m_caret);
    connect(m_caret.get(), &kx32r60::Caret::needsRepaint, this, qOverload<const QRect &>(&QWidget::update));
    notifyChange(dispid);
    if (!readOnly())
        m_caret->show();
}

void CVururazCtrl::setCaretVisible(bool v)
{
    m_caretVisible = v ? -1 : 0;
    if (m_caret) {
        if (v && !readOnly())
            m_caret->show();
        else
            m_caret->hide();
    }
    notifyChange(id::CaretVisible);
}

void CVururazCtrl::reformatText(int caretOffset)
{
    if (zq::ReformatText(m_state, caretOffset, settings(), intl()) && ambientUserMode())
        notifyChange(id::SelStart);
}

void CVururazCtrl::fireSimple(int dispid)
{
    zq::EventArgs none;
    fireEvent(dispid, none);
}

bool CVururazCtrl::validatedSetText(const QByteArray &text)
{
    const auto ask = [this](short &cancel, QByteArray &invalidText) {
        zq::EventArgs args{{QStringLiteral("Cancel"), Variant::fromI2(cancel), true},
                           {QStringLiteral("InvalidText"), Variant::fromString(QString::fromLatin1(invalidText)), true}};
        fireEvent(vururaz::event::InvalidSetText, args);
        try {
            cancel = args[0].value.toI2();
        } catch (const zq::AutomationError &) {
            cancel = -1; // a sink answering nonsense is taken as a refusal
        }
        invalidText = singleByte(args[1].value.toString());
    };
    const zq::SetTextOutcome outcome = zq::ValidatedSetText(m_state, text, settings(), intl(), ask);
    if (outcome.cancelled)
        return false;
    boundPropertyChanged(id::Text);
    if (m_loaded && ambientUserMode())
        notifyChange(id::SelStart);
    measureCharEdges();
    invalidateControl();
    fireSimple(vururaz::event::Change);
    return true;
}

QString CVururazCtrl::text() const
{
    return QString::fromLatin1(m_state.text);
}

void CVururazCtrl::setText(const QString &s)
{
    validatedSetText(singleByte(s));
    m_textString = s;
    invalidateControl();
    setModifiedFlag();
    boundPropertyChanged(zq::dispid::text);
    boundPropertyChanged(id::Text);
}

QString CVururazCtrl::textRaw()
{
    const QByteArray raw = zq::TextRawFromText(m_state.text, settings(), intl());
    m_textRawString = raw.isNull() ? QString() : QString::fromLatin1(raw);
    return m_textRawString;
}

void CVururazCtrl::setTextRaw(const QString &s)
{
    m_textRawString = s;
    invalidateControl();
    setModifiedFlag();
    boundPropertyChanged(zq::dispid::text);
    boundPropertyChanged(id::TextRaw);
    if (m_loaded)
        validatedSetText(zq::TextFromTextRaw(singleByte(s), intl()));
}

double CVururazCtrl::valueReal()
{
    m_valueCache = zq::ParseDisplayedValue(m_state.text, settings(), intl());
    return m_valueCache;
}

void CVururazCtrl::setValueReal(double v)
{
    m_valueCache = v;
    const zq::SetValueOutcome outcome = zq::SetValueReal(m_state, v, settings(), intl());
    if (outcome.rejected)
        ErrorInvalidProperty();
    m_textString = QString::fromLatin1(outcome.textString);
    boundPropertyChanged(id::Text);
    if (outcome.changed) {
        m_state.selLength = 0;
        invalidateControl();
        measureCharEdges();
        fireSimple(vururaz::event::Change);
    }
    notifyChange(id::ValueReal);
}

void CVururazCtrl::setMoneyFormat(bool v)
{
    m_moneyFormat = v ? -1 : 0;
    if (zq::ApplyMoneyFormat(m_state, settings(), intl()) && ambientUserMode())
        notifyChange(id::SelStart);
    measureCharEdges();
    notifyChange(id::MoneyFormat);
}

void CVururazCtrl::setDecimalPlaces(int v)
{
    const std::optional<short> stored = zq::StoredDecimalPlaces(v);
    if (!stored)
        throwError(zq::status::invalidPropertyValue, QStringLiteral("Invalid property value"));
    m_decimalPlaces = *stored;
    reformatText(0);
    measureCharEdges();
    notifyChange(id::DecimalPlaces);
}

void CVururazCtrl::setEntryStyle(bool v)
{
    m_entryStyle = v ? -1 : 0;
    reformatText(0);
    if (ambientUserMode()) {
        measureCharEdges();
        notifyChange(id::EntryStyle);
    }
}

void CVururazCtrl::setSeparator(bool v)
{
    // The grouping shows at the next reformatting, not now.
    setFlag(m_separator, v, id::Separator);
}

qint32 CVururazCtrl::selStart() const
{
    return m_state.selLength < 0 ? m_state.caret + m_state.selLength : m_state.caret;
}

void CVururazCtrl::setSelStart(qint32 v)
{
    m_state.selLength = 0;
    // A negative start would put the caret before the text; it goes to the start.
    m_state.caret = qBound(0, v, int(m_state.text.size()));
    if (ambientUserMode())
        notifyChange(id::SelStart);
}

void CVururazCtrl::setSelLength(qint32 v)
{
    const qint64 end = qint64(m_state.caret) + v;
    if (end > m_state.text.size())
        m_state.selLength = int(m_state.text.size()) - m_state.caret;
    else if (end < 0)
        m_state.selLength = -m_state.caret;
    else
        m_state.selLength = v;
    if (ambientUserMode())
        notifyChange(id::SelLength);
}

QString CVururazCtrl::selText() const
{
    if (!ambientUserMode())
        return QString();
    return QString::fromLatin1(m_state.text.mid(selStart(), selLength()));
}

void CVururazCtrl::setSelText(const QString &s)
{
    QByteArray copy(zq::MaxTextLength + 1, '\0');
    std::copy(m_state.text.cbegin(), m_state.text.cend(), copy.begin());
    kx32r60::deleteSelection(copy.data(), m_state.caret, m_state.selLength);
    const int start = selStart();
    QByteArray rest = QByteArray(copy.constData());
    const QByteArray insert = singleByte(s).left(zq::MaxTextLength - int(rest.size()));
    rest.insert(start, insert);
    if (!validatedSetText(rest))
        return;
    const int caret = qMin(start + int(insert.size()), int(m_state.text.size()));
    reformatText(zq::DecimalPosition(m_state.text, zq::IntlSettings::read(intl())) - caret);
    if (ambientUserMode())
        notifyChange(id::SelText);
}

bool CVururazCtrl::undoRead()
{
    m_state.text = zq::BufferText(m_undoText);
    boundPropertyChanged(id::Text);
    m_state.caret = int(m_state.text.size());
    m_state.selLength = 0;
    return false;
}

void CVururazCtrl::undoWrite()
{
    m_state.text = zq::BufferText(m_undoText);
    boundPropertyChanged(id::Text);
    m_state.caret = int(m_state.text.size());
    m_state.selLength = 0;
    if (ambientUserMode())
        notifyChange(id::Undo);
}

int CVururazCtrl::aboutBox()
{
    zq::ControlSite *site = clientSite();
    CZqAboutDlg dialog(this, m_tintColor == 0x00FF00FF);
    if (site)
        site->onModalDialog(true);
    const int result = dialog.exec();
    if (site)
        site->onModalDialog(false);
    return result;
}

void CVururazCtrl::exchangeLegacyFont(zq::PropertyExchange &px)
{
    zq::FontDesc f = stockFont();
    Variant v;
    if (px.readIfPresent(QStringLiteral("FontName"), zq::VarType::String, &v))
        f.name = v.toString();
    if (px.readIfPresent(QStringLiteral("FontSize"), zq::VarType::Currency, &v))
        f.sizeCy = v.toCurrency();
    if (px.readIfPresent(QStringLiteral("FontBold"), zq::VarType::Bool, &v))
        f.setBold(v.toBool());
    if (px.readIfPresent(QStringLiteral("FontItalic"), zq::VarType::Bool, &v))
        f.italic = v.toBool();
    if (px.readIfPresent(QStringLiteral("FontUnderline"), zq::VarType::Bool, &v))
        f.underline = v.toBool();
    if (px.readIfPresent(QStringLiteral("FontStrikethru"), zq::VarType::Bool, &v))
        f.strikethrough = v.toBool();
    setStockFont(f);
}

void CVururazCtrl::doPropExchange(zq::PropertyExchange &px)
{
    // Version 1.0; any earlier layout loads through the same named values.
    px.exchangeVersion(1, 0);
    exchangeStockProps(px);
    qint32 tint = qint32(m_tintColor);
    px.exLong(QStringLiteral("TintColor"), tint, 0x0000FFFF);
    m_tintColor = quint32(tint);
    if (px.isLoading() && px.isConvertingLegacy())
        exchangeLegacyFont(px);

    px.exShort(QStringLiteral("Alignment"), m_alignment, 1);
    px.exShort(QStringLiteral("BevelSize"), m_bevelSize, 0);
    px.exShort(QStringLiteral("BevelStyle"), m_bevelStyle, 0);
    px.exColor(QStringLiteral("BorderColor"), m_borderColor, 0x80000006);
    px.exShort(QStringLiteral("BorderStyle"), m_borderStyle, 1);
    px.exColor(QStringLiteral("FillColor"), m_fillColor, 0x8000000F);
    px.exColor(QStringLiteral("LightColor"), m_lightColor, 0x80000005);
    px.exColor(QStringLiteral("ShadowColor"), m_shadowColor, 0x80000010);
    px.exColor(QStringLiteral("TextColor"), m_textColor, 0x80000008);
    px.exString(QStringLiteral("Text"), m_textString, QStringLiteral("0.00"));
    px.exDouble(QStringLiteral("MaxReal"), m_maxReal, 3.3e38);
    px.exDouble(QStringLiteral("MinReal"), m_minReal, -1.1e38);
    px.exBool(QStringLiteral("ReadOnly"), m_readOnly, false);
    px.exShort(QStringLiteral("Spin"), m_spin, 0);
    px.exFloat(QStringLiteral("SpinChangeReal"), m_spinChangeReal, 1.0f);
    px.exLong(QStringLiteral("SpinDelay"), m_spinDelay, 500);
    px.exLong(QStringLiteral("SpinSpeed"), m_spinSpeed, 100);
    px.exShort(QStringLiteral("Indent"), m_indent, 2);
    px.exBool(QStringLiteral("AutoHScroll"), m_autoHScroll, false);
    px.exShort(QStringLiteral("FontStyle"), m_fontStyle, 0);
    px.exShort(QStringLiteral("CaretHeight"), m_caretHeight, 0);
    px.exShort(QStringLiteral("CaretWidth"), m_caretWidth, 0);
    px.exColor(QStringLiteral("CaretColor"), m_caretColor, 0x80000008);
    px.exShort(QStringLiteral("CaretStyle"), m_caretStyle, 0);
    px.exShort(QStringLiteral("CaretVAlign"), m_caretVAlign, 0);
    px.exShort(QStringLiteral("CaretInterval"), m_caretInterval, 0);
    px.exBool(QStringLiteral("CaretVisible"), m_caretVisible, true);
    px.exBool(QStringLiteral("MoneyFormat"), m_moneyFormat, false);
    px.exShort(QStringLiteral("DecimalPlaces"), m_decimalPlaces, -1);
    px.exBool(QStringLiteral("EntryStyle"), m_entryStyle, false);
    px.exBool(QStringLiteral("Separator"), m_separator, false);
    px.exShort(QStringLiteral("VAlignment"), m_vAlignment, 0);
    px.exBool(QStringLiteral("FocusSelect"), m_focusSelect, false);
    px.exBool(QStringLiteral("KXCausesValidation"), m_causesValidation, true);

    try {
        px.exPicture(QStringLiteral("MouseIcon"), m_mouseIcon, zq::Picture());
    } catch (const zq::ArchiveError &) {
        m_mouseIcon = zq::Picture();
    }
    px.exShort(QStringLiteral("MousePointer"), m_mousePointer, 0);
    applyMousePointer(m_mousePointer);

    if (px.isLoading()) {
        m_loaded = true;
        reformatText(0);
        if (ambientUserMode()) {
            measureCharEdges();
            invalidateControl();
        }
    }
    px.exString(QStringLiteral("TextRaw"), m_textRawString, QStringLiteral("0.00"));

    m_state.text = zq::BufferText(singleByte(m_textString));
    m_state.caret = qMin(m_state.caret, int(m_state.text.size()));
    m_state.selLength = 0;
    if (moneyFormat())
        setMoneyFormat(true);
    reformatText(m_decimalPlaces == -1 ? 0 : m_decimalPlaces);
}

void CVururazCtrl::onResetState()
{
    m_alignment = 1;
    m_borderStyle = 1;
    m_indent = 2;
    m_decimalPlaces = -1;
    m_spinDelay = 500;
    m_spinSpeed = 100;
    m_spinChangeReal = 1.0f;
    m_maxReal = 3.3e38;
    m_minReal = -1.1e38;
    m_caretVisible = -1;
    m_bevelSize = m_bevelStyle = m_spin = m_fontStyle = 0;
    m_caretHeight = m_caretWidth = m_caretStyle = m_caretVAlign = m_caretInterval = 0;
    m_vAlignment = m_mousePointer = 0;
    m_readOnly = m_autoHScroll = m_moneyFormat = m_entryStyle = m_separator = m_focusSelect = 0;
    m_fillColor = 0x8000000F;
    m_textColor = 0x80000008;
    m_lightColor = 0x80000005;
    m_shadowColor = 0x80000010;
    m_borderColor = 0x80000006;
    m_caretColor = 0x80000006;
    m_caretTint = 0x00FFFFFF;
    m_textString = QStringLiteral("0");
    m_textRawString = QStringLiteral("0");
    m_state = zq::TextState();
    m_focus = 0;
    m_loaded = false;
    m_caret.reset();
    m_savedBlinkTime = QApplication::cursorFlashTime();
    applyMousePointer(0);

    m_state.text = zq::BufferText(singleByte(m_textString));
    m_undoText.clear();
    boundPropertyChanged(id::Text);
    reformatText(0);
}
