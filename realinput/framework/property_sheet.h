#pragma once

#include "property_page.h"

#include <QDialog>
#include <QUuid>

#include <functional>

class QDialogButtonBox;
class QPushButton;
class QTabWidget;

namespace zq {

// The standard pages every control may list besides its own.
namespace stock_page {
inline const QUuid color = QUuid::fromString(QStringLiteral("{0BE35201-8F91-11CE-9DE3-00AA004BB851}"));
inline const QUuid font = QUuid::fromString(QStringLiteral("{0BE35200-8F91-11CE-9DE3-00AA004BB851}"));
} // namespace stock_page

// Creates one of the standard pages, or answers null for any other class id.
PropertyPage *createStockPage(const QUuid &clsid, QWidget *parent = nullptr);

// The frame around a set of property pages: one tab a page, OK, Cancel and
// Apply. Apply writes the pages the user changed; OK applies and closes;
// Cancel closes and writes nothing. A page that fails to apply keeps the
// sheet open on that page and says why.
class PropertySheet : public QDialog
{
    Q_OBJECT

public:
    // How a page class id becomes a page; null when it cannot.
    using PageCreator = std::function<PropertyPage *(const QUuid &clsid, QWidget *parent)>;
    // Shows a failed apply to the user; a message box by default.
    using MessageHandler = std::function<void(QWidget *sheet, const QString &message)>;

    PropertySheet(const QString &title, const QVector<Dispatch *> &objects, const QVector<QUuid> &pageIds,
                  const PageCreator &creator, QWidget *parent = nullptr);

    // Stock pages first, then the class factory of the library the registry names.
    static PropertyPage *createRegisteredPage(const QUuid &clsid, QWidget *parent);
    static void setMessageHandler(MessageHandler handler);

    QVector<PropertyPage *> pages() const { return m_pages; }
    // Page class ids that could not be created; their tabs are missing.
    QVector<QUuid> missingPages() const { return m_missing; }
    QTabWidget *tabs() const { return m_tabs; }
    QPushButton *applyButton() const;

    // Applies every changed page; false when one refused (the sheet then shows it).
    bool applyAll();

    void accept() override;

private:
    void updateApplyButton();

    QTabWidget *m_tabs = nullptr;
    QDialogButtonBox *m_buttons = nullptr;
    QVector<PropertyPage *> m_pages;
    QVector<QUuid> m_missing;
};

} // namespace zq
