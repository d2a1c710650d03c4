#include "vururaz_pages.h"

#include "about_box.h"
#include "control/vururaz_ctrl.h"
#include "framework/property_sheet.h"

#include <atomic>

namespace vururaz {

namespace {

std::atomic<int> g_livePages{0};

using zq::FieldKind;
using zq::PageField;
using zq::PageValue;

PageField check(int id, const char *label, const char *property, QRect rect)
{
    return {id, FieldKind::CheckBox, QLatin1String(label), QLatin1String(property), PageValue::Bool, rect, {}, {}};
}

// An edit with its label to the left, on one line of the dialog.
PageField edit(int id, const char *label, const char *property, PageValue value, int labelX, int editX, int y,
               int editWidth)
{
    return {id,
            FieldKind::Edit,
            QLatin1String(label),
            QLatin1String(property),
            value,
            QRect(editX, y, editWidth, 12),
            QRect(labelX, y + 2, editX - labelX - 3, 8),
            {}};
}

PageField list(int id, const char *label, const char *property, QStringList entries, int y)
{
    return {id,
            FieldKind::DropDownList,
            QLatin1String(label),
            QLatin1String(property),
            PageValue::Short,
            QRect(62, y, 74, 12),
            QRect(7, y + 2, 52, 8),
            std::move(entries)};
}

zq::PageTemplate pageTemplate(const char *caption, int dialogId)
{
    zq::PageTemplate t;
    t.caption = QLatin1String(caption);
    t.dialogId = dialogId;
    return t;
}

template <class Page>
class PageFactory : public zq::ClassFactory
{
public:
    QWidget *createInstance(QWidget *parent) override { return new Page(parent); }
};

} // namespace

zq::PageTemplate generalTemplate()
{
    zq::PageTemplate t = pageTemplate("General", 110);
    t.fields = {
        check(214, "Auto&HScroll", "AutoHScroll", QRect(7, 7, 70, 10)),
        check(203, "Read&Only", "ReadOnly", QRect(7, 21, 70, 10)),
        check(217, "&Separator", "Separator", QRect(7, 35, 70, 10)),
        check(216, "&MoneyFormat", "MoneyFormat", QRect(7, 49, 70, 10)),
        edit(204, "&DecimalPlaces :", "DecimalPlaces", PageValue::Short, 92, 156, 7, 87),
        edit(207, "&ValueReal :", "ValueReal", PageValue::Single, 92, 156, 25, 87),
        edit(208, "Ma&xReal :", "MaxReal", PageValue::Single, 92, 156, 43, 87),
        edit(209, "Min&Real :", "MinReal", PageValue::Single, 92, 156, 61, 87),
        {215, FieldKind::PushButton, QStringLiteral("&About..."), {}, PageValue::None, QRect(7, 89, 60, 14), {}, {}},
    };
    t.exchangeOrder = {214, 208, 209, 216, 203, 217, 207, 204};
    return t;
}

zq::PageTemplate appearanceTemplate()
{
    zq::PageTemplate t = pageTemplate("Appearance", 108);
    // The entries begin with their value, so sorting keeps index and value together.
    t.sortedLists = true;
    t.fields = {
        list(202, "A&lignment :", "Alignment", {"0 - Left", "1 - Right", "2 - Center"}, 7),
        list(204, "B&evelStyle :", "BevelStyle",
             {"0 - Lowered", "1 - Raised", "2 - Chisled", "3 - ShadowedRight", "4 - ShadowedLeft"}, 24),
        list(205, "B&orderStyle :", "BorderStyle", {"0 - No Border", "1 - Single Line", "2 - Rounded Corners"}, 41),
        list(207, "&Spin :", "Spin", {"0 - No Spin", "1 - Spin on Left", "2 - Spin on Right"}, 58),
        list(203, "VAli&gnment :", "VAlignment", {"0 - Top", "1 - Bottom", "2 - Center"}, 75),
        edit(209, "S&pinChangeReal :", "SpinChangeReal", PageValue::Single, 142, 210, 7, 33),
        edit(208, "Be&velSize :", "BevelSize", PageValue::Short, 142, 210, 24, 33),
        edit(210, "SpinDela&y :", "SpinDelay", PageValue::Long, 142, 210, 41, 33),
        edit(211, "Spi&nSpeed :", "SpinSpeed", PageValue::Long, 142, 210, 58, 33),
    };
    return t;
}

zq::PageTemplate caretTemplate()
{
    zq::PageTemplate t = pageTemplate("Caret", 109);
    t.fields = {
        list(225, "Caret&Style:", "CaretStyle", {"0 - Block", "1 - Up Arrow", "2 - Down Arrow"}, 7),
        list(226, "Caret&VAlign:", "CaretVAlign", {"0 - Top", "1 - Bottom", "2 - Center"}, 24),
        check(202, "CaretVisi&ble", "CaretVisible", QRect(7, 44, 80, 10)),
        edit(223, "Caret&Height:", "CaretHeight", PageValue::Short, 142, 210, 7, 33),
        edit(224, "Caret&Interval:", "CaretInterval", PageValue::Short, 142, 210, 24, 33),
        edit(218, "Caret&Width :", "CaretWidth", PageValue::Short, 142, 210, 41, 33),
    };
    return t;
}

const QVector<PageClass> &pageClasses()
{
    static PageFactory<CZqInRealPPg> general;
    static PageFactory<CAppearPPg> appearance;
    static PageFactory<CCaretPPg> caret;
    static const QVector<PageClass> classes = {
        {QUuid::fromString(QStringLiteral("{243F7622-65F7-11CF-A0DD-00AA0062530E}")),
         QStringLiteral("VuRuRaz Property Page"), QStringLiteral("Zozaru32.CZqInRealPPg"), &general},
        {QUuid::fromString(QStringLiteral("{243F7626-65F7-11CF-A0DD-00AA0062530E}")),
         QStringLiteral("VuRuraz Bevel Property Page"), QStringLiteral("Zozaru32.CAppearPPg"), &appearance},
        {QUuid::fromString(QStringLiteral("{243F7624-65F7-11CF-A0DD-00AA0062530E}")),
         QStringLiteral("VuRuraz Caret Property Page"), QStringLiteral("Zozaru32.CCaretPPg"), &caret},
    };
    return classes;
}

int livePages()
{
    return g_livePages;
}

QVector<QUuid> propertyPageIds()
{
    QVector<QUuid> ids;
    for (const PageClass &page : pageClasses())
        ids.append(page.clsid);
    ids << zq::stock_page::color << zq::stock_page::font;
    return ids;
}

} // namespace vururaz

CVururazPage::CVururazPage(zq::PageTemplate dialog, QWidget *parent) : zq::TemplatePage(std::move(dialog), parent)
{
    ++vururaz::g_livePages;
}

CVururazPage::~CVururazPage()
{
    --vururaz::g_livePages;
}

QChar CVururazPage::decimalSeparator() const
{
    const auto *control = objects().isEmpty() ? nullptr : dynamic_cast<CVururazCtrl *>(objects().first());
    if (control)
        return QLatin1Char(zq::IntlSettings::read(control->intlProfile()).decimalChar());
    return QLatin1Char(zq::IntlSettings::read(zq::FileIntlProfile()).decimalChar());
}

CZqInRealPPg::CZqInRealPPg(QWidget *parent) : CVururazPage(vururaz::generalTemplate(), parent)
{
}

void CZqInRealPPg::buttonClicked(int id)
{
    if (id == 215)
        vururaz::aboutFromPropertyPage();
}

CAppearPPg::CAppearPPg(QWidget *parent) : CVururazPage(vururaz::appearanceTemplate(), parent)
{
}

CCaretPPg::CCaretPPg(QWidget *parent) : CVururazPage(vururaz::caretTemplate(), parent)
{
}

#include "moc_vururaz_pages.cpp"
