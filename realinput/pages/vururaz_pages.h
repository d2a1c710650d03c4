#pragma once

#include "framework/class_factory.h"
#include "framework/property_page.h"

#include <QUuid>
#include <QVector>

// The control's three property pages and what registration and the class
// factory need to know of them.
namespace vururaz {

struct PageClass
{
    QUuid clsid;
    QString name;   // the registered name
    QString progId;
    zq::ClassFactory *factory;
};

// General, Appearance, Caret.
const QVector<PageClass> &pageClasses();
// Ours, then the standard colour and font pages: the order the control offers them.
QVector<QUuid> propertyPageIds();
// Pages of this library alive in the process; the library stays loaded while any is.
int livePages();

zq::PageTemplate generalTemplate();
zq::PageTemplate appearanceTemplate();
zq::PageTemplate caretTemplate();

} // namespace vururaz

// What the three pages share: each keeps the library loaded while it lives, and its
// numbers show and read the way the control it edits shows its own.
class CVururazPage : public zq::TemplatePage
{
    Q_OBJECT
public:
    CVururazPage(zq::PageTemplate dialog, QWidget *parent);
    ~CVururazPage() override;

protected:
    QChar decimalSeparator() const override;
};

// General: the value, its range and format. Its "&About..." button shows the About box.
class CZqInRealPPg : public CVururazPage
{
    Q_OBJECT
public:
    explicit CZqInRealPPg(QWidget *parent = nullptr);

protected:
    void buttonClicked(int id) override;
};

// Appearance: alignment, bevel, border and spin arrows.
class CAppearPPg : public CVururazPage
{
    Q_OBJECT
public:
    explicit CAppearPPg(QWidget *parent = nullptr);
};

// Caret: its shape, placement, size and blink interval.
class CCaretPPg : public CVururazPage
{
    Q_OBJECT
public:
    explicit CCaretPPg(QWidget *parent = nullptr);
};
