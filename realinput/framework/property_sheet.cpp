#include "property_sheet.h"

#include "automation_error.h"
#include "class_factory.h"

#include <QDialogButtonBox>
#include <QLoggingCategory>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

Q_LOGGING_CATEGORY(lcPages, "zq.pages")

namespace zq {

namespace {

PropertySheet::MessageHandler &messageHandler()
{
    static PropertySheet::MessageHandler handler = [](QWidget *sheet, const QString &message) {
        QMessageBox::warning(sheet, sheet->windowTitle(), message);
    };
    return handler;
}

} // namespace

PropertySheet::PropertySheet(const QString &title, const QVector<Dispatch *> &objects,
                             const QVector<QUuid> &pageIds, const PageCreator &creator, QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(title);
    auto *layout = new QVBoxLayout(this);
    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("pages"));
    layout->addWidget(m_tabs);
    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Apply, this);
    layout->addWidget(m_buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    for (const QUuid &clsid : pageIds) {
        PropertyPage *page = creator ? creator(clsid, this) : nullptr;
        if (!page) {
            qCWarning(lcPages) << "no property page" << uuidText(clsid);
            m_missing.append(clsid);
            continue;
        }
        page->setObjects(objects);
        page->loadFromObjects();
        m_tabs->addTab(page, page->caption());
        m_pages.append(page);
        connect(page, &PropertyPage::dirtyChanged, this, &PropertySheet::updateApplyButton);
    }
    connect(m_buttons, &QDialogButtonBox::accepted, this, &PropertySheet::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &PropertySheet::reject);
    connect(applyButton(), &QPushButton::clicked, this, &PropertySheet::applyAll);
    updateApplyButton();
}

PropertyPage *PropertySheet::createRegisteredPage(const QUuid &clsid, QWidget *parent)
{
    if (PropertyPage *page = createStockPage(clsid, parent))
        return page;
    // The loader keeps no state worth sharing: libraries stay loaded by the process anyway.
    ControlLoader loader;
    try {
        return loader.createPage(uuidText(clsid), parent);
    } catch (const AutomationError &e) {
        qCWarning(lcPages) << uuidText(clsid) << e.description();
        return nullptr;
    }
}

void PropertySheet::setMessageHandler(MessageHandler handler)
{
    messageHandler() = std::move(handler);
}

QPushButton *PropertySheet::applyButton() const
{
    return m_buttons->button(QDialogButtonBox::Apply);
}

void PropertySheet::updateApplyButton()
{
    bool dirty = false;
    for (const PropertyPage *page : m_pages)
        dirty = dirty || page->isDirty();
    applyButton()->setEnabled(dirty);
}

bool PropertySheet::applyAll()
{
    for (PropertyPage *page : m_pages) {
        if (!page->isDirty())
            continue;
        if (!page->apply()) {
            m_tabs->setCurrentWidget(page);
            if (messageHandler())
                messageHandler()(this, page->errorMessage());
            if (QWidget *w = page->errorWidget())
                w->setFocus();
            updateApplyButton();
            return false;
        }
    }
    updateApplyButton();
    return true;
}

void PropertySheet::accept()
{
    if (applyAll())
        QDialog::accept();
}

} // namespace zq

#include "moc_property_sheet.cpp"
