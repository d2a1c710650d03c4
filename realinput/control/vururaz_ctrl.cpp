#include "vururaz_ctrl.h"

#include "framework/automation_error.h"
#include "pages/about_box.h"
#include "pages/vururaz_pages.h"
#include "vendor/kx32r60.h"
#include "vururaz_accessible.h"
#include "vururaz_typelib.h"

#include <QApplication>
#include <QFocusEvent>
#include <QMouseEvent>
#include <QPainter>

#include <atomic>
#include <cmath>
#include <limits>

namespace {

std::atomic<int> g_liveControls{0};

using zq::Variant;
namespace id = vururaz::dispid;

QByteArray singleByte(const QString &s)
{
    return s.toLatin1();
}

} // namespace

CVururazCtrl::CVururazCtrl(QWidget *parent, std::shared_ptr<const zq::IntlProfile> profile)
    : CKxControlBase(parent), m_intl(profile ? std::move(profile) : std::make_shared<zq::FileIntlProfile>())
{
    ++g_liveControls;
    CVururazAccessible::registerFactory();
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    initInput();
    bindAutomation();
    resetState();
    // Every change notification may follow a change of text, caret or value.
    connect(this, &zq::OleControl::propertyChanged, this, &CVururazCtrl::announceChanges);
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

void CVururazCtrl::bindAutomation()
{
    // Arguments arrive coerced to the member's type in the type library.
    for (const vururaz::PropertyDesc &row : properties()) {
        if (!row.automated())
            continue;
        if (!row.stored() || row.get) {
            Setter put;
            if (row.put)
                put = [this, set = row.put](const Variant &v) { set(*this, v); };
            bindProperty(row.dispid, [this, get = row.get] { return get(*this); }, put);
        } else {
            bindProperty(row.dispid, [this, &row] { return row.read(*this); },
                         [this, &row](const Variant &v) { putByRule(row, v); });
        }
    }
    bindMethod(zq::dispid::aboutBox, [this](const QVector<Variant> &) {
        aboutBox();
        return Variant();
    });
}

const vururaz::PropertyDesc &CVururazCtrl::propertyRow(int dispid)
{
    for (const vururaz::PropertyDesc &row : properties()) {
        if (row.dispid == dispid)
            return row;
    }
    throw zq::AutomationError(zq::status::memberNotFound, QStringLiteral("No property %1").arg(dispid));
}

void CVururazCtrl::notifyChange(int dispid)
{
    invalidateControl();
    setModifiedFlag();
    boundPropertyChanged(dispid);
}

const vururaz::PropertyDesc &CVururazCtrl::rowStoredAt(const void *field) const
{
    for (const vururaz::PropertyDesc &row : properties()) {
        if (row.stored() && row.address(*this) == field)
            return row;
    }
    throw zq::AutomationError(zq::status::memberNotFound, QStringLiteral("No property stored there"));
}

void CVururazCtrl::putByRule(const vururaz::PropertyDesc &row, const Variant &given)
{
    using namespace vururaz;
    std::optional<Variant> accepted = row.rule.accept ? row.rule.accept(given) : given;
    if (!accepted)
        ErrorInvalidProperty();
    const Variant value = accepted->convertedTo(row.type);
    const int depends = row.rule.depends;
    // Containers hear of every put that succeeds, even one that keeps the value; only
    // the refreshing is spared then.
    const bool refresh = row.read(*this) != value || depends & (Text | CaretToDecimal);
    row.write(*this, value);
    if (refresh) {
        if (depends & CaretToDecimal) {
            if (zq::ApplyMoneyFormat(m_state, m_value, intl()) && ambientUserMode())
                notifyChange(id::SelStart);
        } else if (depends & Text) {
            reformatText(0);
        }
        if (depends & (Text | CaretToDecimal))
            measureCharEdges();
        if (depends & Caret)
            refreshCaret();
        if (depends & Pointer)
            applyMousePointer(m_mousePointer);
        if (depends & Screen)
            invalidateControl();
    }
    setModifiedFlag();
    boundPropertyChanged(row.rule.notifyId.value_or(row.dispid));
}

void CVururazCtrl::forwardFont(const std::function<void(zq::FontDesc &)> &change)
{
    zq::FontDesc f = stockFont();
    change(f);
    setStockFont(f);
}

// The caret is the focused control's only: it is made anew from the properties,
// and shown unless hidden or the text cannot be edited.
void CVururazCtrl::refreshCaret()
{
    if (!m_focus || !ambientUserMode())
        return;
    if (m_caret)
        m_caret->hide();
    if (!caretVisible())
        return;
    kx32r60::createCaret(this, m_look.caretHeight, m_look.caretWidth, m_caretColor, m_look.caretStyle,
                         m_caretInterval, m_caretTint, m_caret);
    if (!readOnly())
        m_caret->show();
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
    if (m_value.loaded && ambientUserMode())
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
    // Until loaded there is no formatted text to derive it from; the stored string stays.
    if (!m_value.loaded)
        return QString();
    m_textRawString = QString::fromLatin1(zq::TextRawFromText(m_state.text, settings(), intl()));
    return m_textRawString;
}

void CVururazCtrl::setTextRaw(const QString &s)
{
    m_textRawString = s;
    invalidateControl();
    setModifiedFlag();
    boundPropertyChanged(zq::dispid::text);
    boundPropertyChanged(id::TextRaw);
    if (m_value.loaded)
        validatedSetText(zq::TextFromTextRaw(singleByte(s), intl()));
}

double CVururazCtrl::valueReal() const
{
    return zq::ParseDisplayedValue(m_state.text, settings(), intl());
}

void CVururazCtrl::setValueReal(double v)
{
    const zq::SetValueOutcome outcome = zq::SetValueReal(m_state, v, settings(), intl());
    if (outcome.rejected)
        ErrorInvalidProperty();
    m_textString = QString::fromLatin1(outcome.textString);
    boundPropertyChanged(id::Text);
    if (outcome.reformatted && ambientUserMode())
        notifyChange(id::SelStart);
    if (outcome.changed) {
        m_state.selLength = 0;
        invalidateControl();
        measureCharEdges();
        fireSimple(vururaz::event::Change);
    }
    notifyChange(id::ValueReal);
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
    const bool flag = m_tintColor == 0x00FF00FF;
    if (vururaz::aboutBoxesShowing() != 0)
        return vururaz::showAboutDialog(this, flag, clientSite());
    int result = 0;
    {
        vururaz::AboutBoxScope scope;
        CVururazCtrl temporary;
        result = vururaz::showAboutDialog(&temporary, flag, clientSite());
    }
    if (result == CZqAboutDlg::AboutAskProperties)
        doVerb(zq::verb::primary);
    return result;
}

QVector<QUuid> CVururazCtrl::propertyPageIds() const
{
    return vururaz::propertyPageIds();
}

bool CVururazCtrl::displayString(int dispid, QString *text)
{
    if (dispid == zq::dispid::font)
        return false;
    return CKxControlBase::displayString(dispid, text);
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

void CVururazCtrl::exchangeRow(zq::PropertyExchange &px, const vururaz::PropertyDesc &row)
{
    Variant v = row.read(*this);
    try {
        px.exchange(QString::fromLatin1(row.name), row.type, v, row.exchangeDefault);
    } catch (const zq::ArchiveError &) {
        // Only pictures raise it: a damaged one loads as no picture and loading goes on.
        v = Variant::fromPicture(zq::Picture());
    }
    row.write(*this, v);
}

void CVururazCtrl::doPropExchange(zq::PropertyExchange &px)
{
    // Version 1.0; any earlier layout loads through the same named values.
    px.exchangeVersion(1, 0);
    exchangeStockProps(px);
    // Only named values are read here, so this may come before TintColor.
    if (px.isLoading() && px.isConvertingLegacy())
        exchangeLegacyFont(px);
    for (const vururaz::PropertyDesc &row : properties()) {
        if (row.persist == vururaz::Persist::Exchange)
            exchangeRow(px, row);
    }
    applyMousePointer(m_mousePointer);

    if (px.isLoading()) {
        m_value.loaded = true;
        reformatText(0);
        if (ambientUserMode()) {
            measureCharEdges();
            invalidateControl();
        }
    }
    for (const vururaz::PropertyDesc &row : properties()) {
        if (row.persist == vururaz::Persist::AfterLoadStep)
            exchangeRow(px, row);
    }

    m_state.text = zq::BufferText(singleByte(m_textString));
    m_state.caret = qMin(m_state.caret, int(m_state.text.size()));
    m_state.selLength = 0;
    if (moneyFormat())
        setMoneyFormat(true);
    reformatText(m_value.DecimalPlaces == -1 ? 0 : m_value.DecimalPlaces);
}

void CVururazCtrl::onResetState()
{
    for (const vururaz::PropertyDesc &row : properties()) {
        if (!row.resetValue.isEmpty())
            row.write(*this, row.resetValue);
    }
    m_caretTint = 0x00FFFFFF;
    m_state = zq::TextState();
    m_focus = 0;
    m_value.loaded = false;
    m_caret.reset();
    m_savedBlinkTime = QApplication::cursorFlashTime();
    applyMousePointer(m_mousePointer);

    m_state.text = zq::BufferText(singleByte(m_textString));
    m_undoText.clear();
    boundPropertyChanged(id::Text);
    reformatText(0);
}

#include "moc_vururaz_ctrl.cpp"
