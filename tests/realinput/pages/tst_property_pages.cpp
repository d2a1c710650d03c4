#include "modal_answer.h"

#include "control/vururaz_ctrl.h"
#include "control/vururaz_typelib.h"
#include "framework/automation_error.h"

#include "framework/class_factory.h"
#include "framework/property_sheet.h"
#include "framework/registry.h"
#include "pages/about_box.h"
#include "pages/vururaz_pages.h"
#include "vendor/kx32r60.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

extern "C" {
quint32 DllRegisterServer();
quint32 DllCanUnloadNow();
}

using orv::test::onNextModal;

using FieldValues = QMap<int, QString>;

namespace {

const QString generalId = "{243F7622-65F7-11CF-A0DD-00AA0062530E}";
const QString appearanceId = "{243F7626-65F7-11CF-A0DD-00AA0062530E}";
const QString caretId = "{243F7624-65F7-11CF-A0DD-00AA0062530E}";

// A running form holding one loaded control with a pinned locale. Its decimal separator
// is the comma, which the process locale's is not: the pages must show the control's.
struct HostedControl : zq::ControlSite
{
    std::unique_ptr<CVururazCtrl> control = std::make_unique<CVururazCtrl>();

    HostedControl()
    {
        auto profile = std::make_shared<zq::FixedIntlProfile>();
        profile->set(QStringLiteral("sDecimal"), QStringLiteral(",")).set(QStringLiteral("sThousand"), QStringLiteral("."));
        control->setIntlProfile(profile);
        control->setClientSite(this);
    }

    bool ambientUserMode() const override { return true; }
    void loadEmpty() { control->loadFromBag(QByteArray()); }
    zq::Variant get(const QString &name) { return control->getProperty(control->idOfName(name)); }
    void put(const QString &name, const zq::Variant &v) { control->putProperty(control->idOfName(name), v); }
};

// Records the order in which a page reads and writes properties, passing everything on.
class RecordingDispatch : public zq::Dispatch
{
public:
    explicit RecordingDispatch(zq::Dispatch &real) : m_real(real) {}
    QStringList gets;
    QStringList puts;

    const zq::InterfaceInfo &dispatchInterface() const override { return m_real.dispatchInterface(); }
    zq::Variant getProperty(int dispid) override
    {
        gets << dispatchInterface().byId(dispid)->name;
        return m_real.getProperty(dispid);
    }
    void putProperty(int dispid, const zq::Variant &value) override
    {
        puts << dispatchInterface().byId(dispid)->name;
        m_real.putProperty(dispid, value);
    }
    zq::Variant invokeMethod(int dispid, const QVector<zq::Variant> &args) override
    {
        return m_real.invokeMethod(dispid, args);
    }

private:
    zq::Dispatch &m_real;
};

// Types into a field as a user does: an edit's text, a list's index, a check box's state ("1" or "0").
void enter(zq::TemplatePage &page, int id, const QString &input)
{
    QWidget *w = page.field(id);
    if (auto *edit = qobject_cast<QLineEdit *>(w)) {
        edit->clear();
        edit->setText(input);
    } else if (auto *list = qobject_cast<QComboBox *>(w)) {
        list->setCurrentIndex(input.toInt());
    } else if (auto *check = qobject_cast<QCheckBox *>(w)) {
        check->setChecked(input == QLatin1String("1"));
    }
}

// What a field shows: an edit's text, a list's index, a check box's state.
QString shown(zq::TemplatePage &page, int id)
{
    QWidget *w = page.field(id);
    if (auto *edit = qobject_cast<QLineEdit *>(w))
        return edit->text();
    if (auto *list = qobject_cast<QComboBox *>(w))
        return QString::number(list->currentIndex());
    if (auto *check = qobject_cast<QCheckBox *>(w))
        return check->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
    return QString();
}

} // namespace

class TstPropertyPages : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        qputenv("ZQ_REGISTRY", m_dir.filePath(QStringLiteral("registry.ini")).toLocal8Bit());
        QCOMPARE(DllRegisterServer(), 0u);
        zq::PropertySheet::setMessageHandler([this](QWidget *, const QString &m) { m_messages << m; });
    }

    void init()
    {
        m_messages.clear();
        m_host = std::make_unique<HostedControl>();
        m_host->loadEmpty();
    }

    void pagesComeFromTheClassFactory_data();
    void pagesComeFromTheClassFactory();
    void pagesAreLaidOutInDialogUnitsOfTheirFont_data();
    void pagesAreLaidOutInDialogUnitsOfTheirFont();
    void pagesStartWithTheirOwnValues_data();
    void pagesStartWithTheirOwnValues();
    void pagesShowTheControlsProperties_data();
    void pagesShowTheControlsProperties();
    void applyWritesThroughAutomation_data();
    void applyWritesThroughAutomation();
    void exchangeRunsInThePagesOrder_data();
    void exchangeRunsInThePagesOrder();
    void sortedListsSortTheirEntries_data();
    void sortedListsSortTheirEntries();
    void maxRealRoundTripsAsASingle();
    void sheetOffersThePagesInOrder();
    void sheetOkCancelAndApply_data();
    void sheetOkCancelAndApply();
    void sheetStopsAtAnInvalidField();
    void colourPageEditsEveryColour_data();
    void colourPageEditsEveryColour();
    void fontPageEditsTheFont();
    void fontHasNoDisplayString();
    void aboutBoxCountsItsTemporaryControl();
    void aboutBoxWhileAnotherIsShownUsesTheControl();
    void aboutBoxAskingForPropertiesOpensTheSheet();
    void generalPageAboutButton();

private:
    std::unique_ptr<zq::TemplatePage> makePage(const QString &clsid)
    {
        zq::ControlLoader loader;
        std::unique_ptr<zq::TemplatePage> page(qobject_cast<zq::TemplatePage *>(loader.createPage(clsid)));
        if (page) {
            page->setObjects({m_host->control.get()});
            page->loadFromObjects();
        }
        return page;
    }

    QTemporaryDir m_dir;
    QStringList m_messages;
    std::unique_ptr<HostedControl> m_host;
};

void TstPropertyPages::pagesComeFromTheClassFactory_data()
{
    QTest::addColumn<QString>("classRef");
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QList<int>>("ids");
    const QList<int> general{214, 203, 217, 216, 204, 207, 208, 209, 215};
    const QList<int> appearance{202, 204, 205, 207, 203, 209, 208, 210, 211};
    const QList<int> caret{225, 226, 202, 223, 224, 218};
    QTest::newRow("General by class id") << generalId << "CZqInRealPPg" << "General" << general;
    QTest::newRow("General by ProgID") << "Zozaru32.CZqInRealPPg" << "CZqInRealPPg" << "General" << general;
    QTest::newRow("Appearance by class id") << appearanceId << "CAppearPPg" << "Appearance" << appearance;
    QTest::newRow("Appearance by ProgID") << "Zozaru32.CAppearPPg" << "CAppearPPg" << "Appearance" << appearance;
    QTest::newRow("Caret by class id") << caretId << "CCaretPPg" << "Caret" << caret;
    QTest::newRow("Caret by ProgID") << "Zozaru32.CCaretPPg" << "CCaretPPg" << "Caret" << caret;
}

void TstPropertyPages::pagesComeFromTheClassFactory()
{
    QFETCH(QString, classRef);
    QFETCH(QString, className);
    QFETCH(QString, caption);
    QFETCH(QList<int>, ids);
    zq::ControlLoader loader;
    m_host.reset();
    QCOMPARE(DllCanUnloadNow(), 0u);
    std::unique_ptr<zq::PropertyPage> page(loader.createPage(classRef));
    // A live page keeps the library loaded.
    QCOMPARE(DllCanUnloadNow(), 1u);
    QCOMPARE(page->metaObject()->className(), className);
    QCOMPARE(page->caption(), caption);
    for (int id : ids)
        QVERIFY2(page->findChild<QWidget *>(QString::number(id)), qPrintable(QString::number(id)));
    // A page is no control.
    QVERIFY_THROWS_EXCEPTION(zq::AutomationError, loader.create(classRef));
    page.reset();
    QCOMPARE(DllCanUnloadNow(), 0u);
}

void TstPropertyPages::pagesAreLaidOutInDialogUnitsOfTheirFont_data()
{
    QTest::addColumn<QString>("clsid");
    QTest::newRow("General") << generalId;
    QTest::newRow("Appearance") << appearanceId;
    QTest::newRow("Caret") << caretId;
}

void TstPropertyPages::pagesAreLaidOutInDialogUnitsOfTheirFont()
{
    QFETCH(QString, clsid);
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPointSize(8);
    const QSize base = zq::dialogBaseUnits(font);
    QVERIFY(base.width() > 0 && base.height() > 0);
    // 250 x 110 dialog units: 62.5 average characters across, 13.75 lines down.
    const QRect page = zq::dialogUnitsToPixels(QRect(0, 0, 250, 110), base);
    QCOMPARE(page.width(), (250 * base.width() + 2) / 4);
    QCOMPARE(page.height(), (110 * base.height() + 4) / 8);
    auto dialog = makePage(clsid);
    QCOMPARE(dialog->size(), page.size());
    // Every field lies inside the page, its caption fits, and no two overlap.
    QList<QWidget *> placed;
    for (QLabel *label : dialog->findChildren<QLabel *>()) {
        QVERIFY2(label->fontMetrics().horizontalAdvance(label->text().remove('&')) <= label->width(),
                 qPrintable(label->text()));
        placed << label;
    }
    for (const zq::PageField &f : dialog->dialogTemplate().fields) {
        QWidget *w = dialog->field(f.id);
        if (auto *check = qobject_cast<QCheckBox *>(w))
            QVERIFY2(check->sizeHint().width() <= check->width(), qPrintable(check->text()));
        placed << w;
    }
    for (QWidget *w : placed) {
        QVERIFY(dialog->rect().contains(w->geometry()));
        for (QWidget *other : placed)
            QVERIFY2(w == other || !w->geometry().intersects(other->geometry()), qPrintable(w->objectName()));
    }
}

void TstPropertyPages::pagesStartWithTheirOwnValues_data()
{
    QTest::addColumn<QString>("clsid");
    QTest::addColumn<FieldValues>("values");
    QTest::newRow("General") << generalId
                             << FieldValues{{214, "0"}, {203, "0"}, {217, "0"}, {216, "0"},
                                                   {204, "0"}, {207, "0"}, {208, "0"}, {209, "0"}};
    QTest::newRow("Appearance") << appearanceId
                                << FieldValues{{202, "-1"}, {204, "-1"}, {205, "-1"}, {207, "-1"}, {203, "-1"},
                                                      {209, "0"}, {208, "0"}, {210, "0"}, {211, "0"}};
    QTest::newRow("Caret") << caretId
                           << FieldValues{{225, "-1"}, {226, "-1"}, {202, "0"},
                                                 {223, "0"}, {224, "0"}, {218, "0"}};
}

void TstPropertyPages::pagesStartWithTheirOwnValues()
{
    QFETCH(QString, clsid);
    QFETCH(FieldValues, values);
    zq::ControlLoader loader;
    std::unique_ptr<zq::TemplatePage> page(qobject_cast<zq::TemplatePage *>(loader.createPage(clsid)));
    QVERIFY(page);
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        QCOMPARE(shown(*page, it.key()), it.value());
    QVERIFY(!page->isDirty());
}

void TstPropertyPages::pagesShowTheControlsProperties_data()
{
    QTest::addColumn<QString>("clsid");
    QTest::addColumn<QString>("property");
    QTest::addColumn<QString>("value");
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("shows");
    QTest::newRow("check box") << generalId << "AutoHScroll" << "-1" << 214 << "1";
    QTest::newRow("integer") << generalId << "DecimalPlaces" << "5" << 204 << "5";
    QTest::newRow("single") << generalId << "MinReal" << "-0.125" << 209 << "-0,125";
    QTest::newRow("single of a double") << generalId << "ValueReal" << "2.5" << 207 << "2,5";
    QTest::newRow("single, six digits") << generalId << "MaxReal" << "1234.56789" << 208 << "1234,57";
    QTest::newRow("sorted list") << appearanceId << "BevelStyle" << "3" << 204 << "3";
    QTest::newRow("long") << appearanceId << "SpinDelay" << "750" << 210 << "750";
    QTest::newRow("unsorted list") << caretId << "CaretVAlign" << "2" << 226 << "2";
    QTest::newRow("check box off") << caretId << "CaretVisible" << "0" << 202 << "0";
    QTest::newRow("caret size") << caretId << "CaretWidth" << "-3" << 218 << "-3";
}

void TstPropertyPages::pagesShowTheControlsProperties()
{
    QFETCH(QString, clsid);
    QFETCH(QString, property);
    QFETCH(QString, value);
    QFETCH(int, field);
    QFETCH(QString, shows);
    m_host->put(property, zq::Variant::fromString(value));
    auto page = makePage(clsid);
    QCOMPARE(shown(*page, field), shows);
    QVERIFY(!page->isDirty());
}

void TstPropertyPages::applyWritesThroughAutomation_data()
{
    QTest::addColumn<QString>("clsid");
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("property");
    QTest::addColumn<QString>("expected"); // the property afterwards, as displayed
    QTest::addColumn<QString>("message");  // empty when the apply succeeds
    QTest::newRow("check box") << generalId << 217 << "1" << "Separator" << "True" << "";
    QTest::newRow("decimal places kept to 12") << generalId << 204 << "50" << "DecimalPlaces" << "12" << "";
    QTest::newRow("decimal places out of range: error 380")
        << generalId << 204 << "101" << "DecimalPlaces" << "-1" << "Invalid property value";
    QTest::newRow("not an integer") << generalId << 204 << "2x" << "DecimalPlaces" << "-1"
                                    << "Please enter an integer.";
    QTest::newRow("integer beyond 16 bits") << generalId << 204 << "40000" << "DecimalPlaces" << "-1"
                                            << "Please enter an integer.";
    QTest::newRow("not a number") << generalId << 208 << "1e" << "MaxReal" << "3.3e+38" << "Please enter a number.";
    QTest::newRow("beyond a single") << generalId << 209 << "-1e39" << "MinReal" << "-1.1e+38"
                                     << "Please enter a number.";
    QTest::newRow("single") << generalId << 207 << "12,5" << "ValueReal" << "12.5" << "";
    QTest::newRow("list index") << appearanceId << 202 << "2" << "Alignment" << "2" << "";
    QTest::newRow("negative bevel: error 380") << appearanceId << 208 << "-2" << "BevelSize" << "0"
                                               << "Invalid property value";
    QTest::newRow("long") << appearanceId << 211 << "70000" << "SpinSpeed" << "70000" << "";
    QTest::newRow("a fraction is no integer") << appearanceId << 210 << "2.5" << "SpinDelay" << "500"
                                              << "Please enter an integer.";
    QTest::newRow("spin step") << appearanceId << 209 << "0,25" << "SpinChangeReal" << "0.25" << "";
    QTest::newRow("caret style") << caretId << 225 << "1" << "CaretStyle" << "1" << "";
    QTest::newRow("caret interval") << caretId << 224 << "250" << "CaretInterval" << "250" << "";
}

void TstPropertyPages::applyWritesThroughAutomation()
{
    QFETCH(QString, clsid);
    QFETCH(int, field);
    QFETCH(QString, input);
    QFETCH(QString, property);
    QFETCH(QString, expected);
    QFETCH(QString, message);
    auto page = makePage(clsid);
    QSignalSpy changes(m_host->control.get(), &zq::OleControl::propertyChanged);
    enter(*page, field, input);
    QVERIFY(changes.isEmpty());
    QVERIFY(page->isFieldDirty(field));
    QCOMPARE(page->apply(), message.isEmpty());
    QCOMPARE(page->errorMessage(), message);
    QCOMPARE(m_host->get(property).toDisplayString(), expected);
    if (message.isEmpty()) {
        QVERIFY(!page->isDirty());
    } else {
        QVERIFY(changes.isEmpty());
        QCOMPARE(page->errorWidget(), page->field(field));
        QVERIFY(page->isDirty());
    }
}

void TstPropertyPages::exchangeRunsInThePagesOrder_data()
{
    QTest::addColumn<QString>("clsid");
    QTest::addColumn<QStringList>("order");
    QTest::newRow("General") << generalId
                             << QStringList{"AutoHScroll", "MaxReal", "MinReal", "MoneyFormat", "ReadOnly",
                                            "Separator", "ValueReal", "DecimalPlaces"};
    QTest::newRow("Appearance") << appearanceId
                                << QStringList{"Alignment", "BevelStyle", "BorderStyle", "Spin", "VAlignment",
                                               "SpinChangeReal", "BevelSize", "SpinDelay", "SpinSpeed"};
    QTest::newRow("Caret") << caretId
                           << QStringList{"CaretStyle", "CaretVAlign", "CaretVisible", "CaretHeight",
                                          "CaretInterval", "CaretWidth"};
}

void TstPropertyPages::exchangeRunsInThePagesOrder()
{
    QFETCH(QString, clsid);
    QFETCH(QStringList, order);
    RecordingDispatch recorder(*m_host->control);
    zq::ControlLoader loader;
    std::unique_ptr<zq::TemplatePage> page(qobject_cast<zq::TemplatePage *>(loader.createPage(clsid)));
    page->setObjects({&recorder});
    page->loadFromObjects();
    QCOMPARE(recorder.gets, order);
    for (const zq::PageField &f : page->dialogTemplate().fields)
        page->touchField(f.id);
    QVERIFY(page->apply());
    QCOMPARE(recorder.puts, order);
    // Applied fields are clean: a second apply writes nothing.
    recorder.puts.clear();
    QVERIFY(page->apply());
    QVERIFY(recorder.puts.isEmpty());
}

void TstPropertyPages::sortedListsSortTheirEntries_data()
{
    QTest::addColumn<bool>("sorted");
    QTest::addColumn<QStringList>("shown");
    QTest::newRow("sorted") << true << QStringList{"0 - Zero", "1 - One", "2 - Two"};
    QTest::newRow("unsorted") << false << QStringList{"2 - Two", "0 - Zero", "1 - One"};
}

void TstPropertyPages::sortedListsSortTheirEntries()
{
    QFETCH(bool, sorted);
    QFETCH(QStringList, shown);
    zq::PageTemplate t;
    t.sortedLists = sorted;
    t.fields = {{300, zq::FieldKind::DropDownList, "&List", "Spin", zq::PageValue::Short, QRect(7, 7, 60, 12), {},
                 QStringList{"2 - Two", "0 - Zero", "1 - One"}}};
    zq::TemplatePage page(t);
    auto *list = qobject_cast<QComboBox *>(page.field(300));
    QStringList entries;
    for (int i = 0; i < list->count(); ++i)
        entries << list->itemText(i);
    QCOMPARE(entries, shown);
    QCOMPARE(list->currentIndex(), -1);
    // Our pages: the Appearance lists sorted, the Caret lists not; the order is the same.
    QVERIFY(vururaz::appearanceTemplate().sortedLists);
    QVERIFY(!vururaz::caretTemplate().sortedLists);
    auto appearance = makePage(appearanceId);
    QCOMPARE(qobject_cast<QComboBox *>(appearance->field(204))->itemText(3), QStringLiteral("3 - ShadowedRight"));
}

void TstPropertyPages::maxRealRoundTripsAsASingle()
{
    QCOMPARE(m_host->get("MaxReal").toR8(), 3.3e38);
    auto page = makePage(generalId);
    QCOMPARE(shown(*page, 208), QStringLiteral("3,3e+38"));
    enter(*page, 208, QStringLiteral("3,3e+38"));
    QVERIFY(page->apply());
    const double written = m_host->get("MaxReal").toR8();
    QCOMPARE(written, double(3.3e38f));
    QVERIFY(written != 3.3e38);
}

void TstPropertyPages::sheetOffersThePagesInOrder()
{
    zq::PropertySheet sheet("ZqRealInput Properties", {m_host->control.get()}, m_host->control->propertyPageIds(),
                            &zq::PropertySheet::createRegisteredPage);
    QStringList captions;
    for (int i = 0; i < sheet.tabs()->count(); ++i)
        captions << sheet.tabs()->tabText(i);
    QCOMPARE(captions, (QStringList{"General", "Appearance", "Caret", "Color", "Font"}));
    QVERIFY(sheet.missingPages().isEmpty());
    QVERIFY(!sheet.applyButton()->isEnabled());
}

void TstPropertyPages::sheetOkCancelAndApply_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("applied");
    QTest::addColumn<bool>("open");
    QTest::newRow("OK") << "ok" << true << false;
    QTest::newRow("Apply") << "apply" << true << true;
    QTest::newRow("Cancel") << "cancel" << false << false;
}

void TstPropertyPages::sheetOkCancelAndApply()
{
    QFETCH(QString, button);
    QFETCH(bool, applied);
    QFETCH(bool, open);
    zq::PropertySheet sheet("ZqRealInput Properties", {m_host->control.get()}, m_host->control->propertyPageIds(),
                            &zq::PropertySheet::createRegisteredPage);
    sheet.show();
    auto *general = qobject_cast<zq::TemplatePage *>(sheet.pages().at(0));
    auto *caret = qobject_cast<zq::TemplatePage *>(sheet.pages().at(2));
    enter(*general, 216, "1");
    enter(*caret, 223, "9");
    QVERIFY(sheet.applyButton()->isEnabled());
    if (button == "ok")
        sheet.accept();
    else if (button == "apply")
        sheet.applyButton()->click();
    else
        sheet.reject();
    QCOMPARE(m_host->get("MoneyFormat").toBool(), applied);
    QCOMPARE(m_host->get("CaretHeight").toI2(), short(applied ? 9 : 0));
    QCOMPARE(sheet.isVisible(), open);
    QCOMPARE(sheet.applyButton()->isEnabled(), !applied);
    QVERIFY(m_messages.isEmpty());
}

void TstPropertyPages::sheetStopsAtAnInvalidField()
{
    zq::PropertySheet sheet("ZqRealInput Properties", {m_host->control.get()}, m_host->control->propertyPageIds(),
                            &zq::PropertySheet::createRegisteredPage);
    sheet.show();
    auto *appearance = qobject_cast<zq::TemplatePage *>(sheet.pages().at(1));
    auto *caret = qobject_cast<zq::TemplatePage *>(sheet.pages().at(2));
    enter(*appearance, 209, "fast");
    enter(*caret, 224, "300");
    sheet.accept();
    QVERIFY(sheet.isVisible());
    QCOMPARE(m_messages, QStringList{"Please enter a number."});
    QCOMPARE(sheet.tabs()->currentWidget(), appearance);
    QCOMPARE(m_host->get("CaretInterval").toI2(), short(0));
    enter(*appearance, 209, "2");
    sheet.accept();
    QVERIFY(!sheet.isVisible());
    QCOMPARE(m_host->get("SpinChangeReal").toR4(), 2.0f);
    QCOMPARE(m_host->get("CaretInterval").toI2(), short(300));
    // A page applies as a whole: the ValueReal refused takes back the MaxReal written before it.
    auto *general = qobject_cast<zq::TemplatePage *>(sheet.pages().at(0));
    enter(*general, 208, "100");
    enter(*general, 207, "500");
    QVERIFY(!sheet.applyAll());
    QCOMPARE(m_host->get("MaxReal").toR8(), 3.3e38);
}

void TstPropertyPages::colourPageEditsEveryColour_data()
{
    QTest::addColumn<QString>("property");
    QTest::addColumn<int>("systemIndex"); // entry of the system colour list, 0 for none
    QTest::addColumn<QString>("typed");
    QTest::addColumn<quint32>("expected");
    QTest::newRow("BackColor, Button Face by name") << "BackColor" << 16 << "" << 0x8000000Fu;
    QTest::newRow("ForeColor as RGB") << "ForeColor" << 0 << "&H000000FF&" << 0x000000FFu;
    QTest::newRow("BorderColor, Highlight") << "BorderColor" << 14 << "" << 0x8000000Du;
    QTest::newRow("FillColor as RGB") << "FillColor" << 0 << "&H00C0FFEE&" << 0x00C0FFEEu;
    QTest::newRow("LightColor, Window Background") << "LightColor" << 6 << "" << 0x80000005u;
    QTest::newRow("ShadowColor, Button Shadow") << "ShadowColor" << 17 << "" << 0x80000010u;
    QTest::newRow("TextColor, Window Text") << "TextColor" << 9 << "" << 0x80000008u;
    QTest::newRow("CaretColor, a system colour as a number") << "CaretColor" << 0 << "&H80000012&" << 0x80000012u;
}

void TstPropertyPages::colourPageEditsEveryColour()
{
    QFETCH(QString, property);
    QFETCH(int, systemIndex);
    QFETCH(QString, typed);
    QFETCH(quint32, expected);
    m_host->put(property, zq::Variant::fromColor(0x00123456));
    std::unique_ptr<zq::PropertyPage> page(zq::createStockPage(zq::stock_page::color));
    page->setObjects({m_host->control.get()});
    page->loadFromObjects();
    auto *names = page->findChild<QComboBox *>("colorProperty");
    QStringList offered;
    for (int i = 0; i < names->count(); ++i)
        offered << names->itemText(i);
    QCOMPARE(offered, (QStringList{"BackColor", "ForeColor", "BorderColor", "FillColor", "LightColor",
                                   "ShadowColor", "TextColor", "CaretColor"}));
    names->setCurrentText(property);
    auto *value = page->findChild<QLineEdit *>("colorValue");
    QCOMPARE(value->text(), QStringLiteral("&H00123456&"));
    if (systemIndex > 0) {
        auto *system = page->findChild<QComboBox *>("systemColor");
        system->setCurrentIndex(systemIndex);
        emit system->activated(systemIndex);
    } else {
        value->setText(typed);
        emit value->editingFinished();
    }
    QVERIFY(page->isDirty());
    QCOMPARE(m_host->get(property).toColor(), 0x00123456u);
    QVERIFY(page->apply());
    QCOMPARE(m_host->get(property).toColor(), expected);
}

void TstPropertyPages::fontPageEditsTheFont()
{
    zq::FontDesc font;
    font.name = QStringLiteral("Liberation Serif");
    font.weight = 550;
    m_host->put("Font", zq::Variant::fromFont(font));
    std::unique_ptr<zq::PropertyPage> page(zq::createStockPage(zq::stock_page::font));
    page->setObjects({m_host->control.get()});
    page->loadFromObjects();
    QCOMPARE(page->findChild<QComboBox *>("fontProperty")->currentText(), QStringLiteral("Font"));
    QCOMPARE(page->findChild<QDoubleSpinBox *>("fontSize")->value(), 8.25);
    QVERIFY(!page->isDirty());
    page->findChild<QDoubleSpinBox *>("fontSize")->setValue(14);
    page->findChild<QCheckBox *>("fontItalic")->setChecked(true);
    QVERIFY(page->isDirty());
    QCOMPARE(m_host->get("Font").toFont(), font);
    QVERIFY(page->apply());
    zq::FontDesc expected = font;
    expected.sizeCy = 140000;
    expected.italic = true;
    // The family and an in-between weight stay as they were.
    QCOMPARE(m_host->get("Font").toFont(), expected);
    page->findChild<QCheckBox *>("fontBold")->setChecked(true);
    QVERIFY(page->apply());
    QCOMPARE(m_host->get("Font").toFont().weight, short(700));
}

void TstPropertyPages::fontHasNoDisplayString()
{
    QString text = "unchanged";
    QVERIFY(!m_host->control->displayString(zq::dispid::font, &text));
    QVERIFY(m_host->control->displayString(vururaz::dispid::Text, &text));
    QCOMPARE(text, QStringLiteral("0,00"));
}

void TstPropertyPages::aboutBoxCountsItsTemporaryControl()
{
    const int controls = CVururazCtrl::liveCount();
    bool overTemporary = false;
    int showing = -1;
    int alive = -1;
    onNextModal([&](QWidget *dialog) {
        overTemporary = qobject_cast<CVururazCtrl *>(dialog->parentWidget())
            && dialog->parentWidget() != m_host->control.get();
        showing = vururaz::aboutBoxesShowing();
        alive = CVururazCtrl::liveCount();
        static_cast<QDialog *>(dialog)->accept();
    });
    QCOMPARE(m_host->control->aboutBox(), int(QDialog::Accepted));
    QVERIFY(overTemporary);
    QCOMPARE(showing, 1);
    QCOMPARE(alive, controls + 1);
    QCOMPARE(vururaz::aboutBoxesShowing(), 0);
    QCOMPARE(CVururazCtrl::liveCount(), controls);
}

void TstPropertyPages::aboutBoxWhileAnotherIsShownUsesTheControl()
{
    vururaz::AboutBoxScope another;
    const int controls = CVururazCtrl::liveCount();
    QWidget *parent = nullptr;
    onNextModal([&](QWidget *dialog) {
        parent = dialog->parentWidget();
        static_cast<QDialog *>(dialog)->done(CZqAboutDlg::AboutAskProperties);
    });
    // Only the first About box acts on the request for properties.
    QCOMPARE(m_host->control->aboutBox(), CZqAboutDlg::AboutAskProperties);
    QCOMPARE(parent, static_cast<QWidget *>(m_host->control.get()));
    QCOMPARE(CVururazCtrl::liveCount(), controls);
    QCOMPARE(vururaz::aboutBoxesShowing(), 1);
    QVERIFY(!QApplication::activeModalWidget());
}

void TstPropertyPages::aboutBoxAskingForPropertiesOpensTheSheet()
{
    QString sheetTitle;
    QStringList tabs;
    onNextModal([&](QWidget *about) {
        onNextModal(
            [&](QWidget *sheet) {
                sheetTitle = sheet->windowTitle();
                auto *pages = sheet->findChild<QTabWidget *>("pages");
                for (int i = 0; pages && i < pages->count(); ++i)
                    tabs << pages->tabText(i);
                static_cast<QDialog *>(sheet)->reject();
            },
            about);
        static_cast<QDialog *>(about)->done(CZqAboutDlg::AboutAskProperties);
    });
    QCOMPARE(m_host->control->aboutBox(), CZqAboutDlg::AboutAskProperties);
    QCOMPARE(sheetTitle, QStringLiteral("ZqRealInput Properties"));
    QCOMPARE(tabs, (QStringList{"General", "Appearance", "Caret", "Color", "Font"}));
}

void TstPropertyPages::generalPageAboutButton()
{
    const int controls = CVururazCtrl::liveCount();
    auto page = makePage(generalId);
    bool overTemporary = false;
    int showing = -1;
    onNextModal([&](QWidget *dialog) {
        overTemporary = qobject_cast<CVururazCtrl *>(dialog->parentWidget())
            && dialog->parentWidget() != m_host->control.get();
        showing = vururaz::aboutBoxesShowing();
        static_cast<QDialog *>(dialog)->done(CZqAboutDlg::AboutAskProperties);
    });
    auto *about = qobject_cast<QPushButton *>(page->field(215));
    QCOMPARE(about->text(), QStringLiteral("&About..."));
    about->click();
    // Shown over a temporary control of its own, counted once; no sheet follows.
    QVERIFY(overTemporary);
    QCOMPARE(showing, 1);
    QCOMPARE(vururaz::aboutBoxesShowing(), 0);
    QCOMPARE(CVururazCtrl::liveCount(), controls);
    QVERIFY(!QApplication::activeModalWidget());
}

QTEST_MAIN(TstPropertyPages)
#include "tst_property_pages.moc"
