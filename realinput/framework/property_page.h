#pragma once

#include "dispatch.h"

#include <QFont>
#include <QMap>
#include <QRect>
#include <QSet>
#include <QStringList>
#include <QUuid>
#include <QVector>
#include <QWidget>

namespace zq {

// Dialog templates are laid out in dialog units: a quarter of the font's
// average character width across, an eighth of its height down.
QSize dialogBaseUnits(const QFont &font);
QRect dialogUnitsToPixels(const QRect &dialogUnits, const QSize &baseUnits);

enum class FieldKind { CheckBox, Edit, DropDownList, PushButton };

// How a field's text or state becomes the value written to its property.
enum class PageValue { None, Bool, Short, Long, Single };

// One control of a page template; `rect` and `labelRect` are in dialog units.
struct PageField
{
    int id = 0;
    FieldKind kind = FieldKind::Edit;
    QString label;
    QString property;
    PageValue value = PageValue::None;
    QRect rect;
    QRect labelRect;
    QStringList entries;
};

// A property page's dialog template; the fields are listed in exchange order.
struct PageTemplate
{
    QString caption;
    int dialogId = 0;
    QSize size{250, 110};
    QString fontName = QStringLiteral("MS Sans Serif");
    int pointSize = 8;
    bool sortedLists = false;
    // In creation (tab) order.
    QVector<PageField> fields;
    // Field ids in the order their properties are exchanged; empty: the order of `fields`.
    QVector<int> exchangeOrder;

    QVector<const PageField *> exchangeFields() const;
};

// A page of a property sheet. It keeps a value per field, as the page
// exchange does: filled from the first object when the sheet opens, written
// back to every object on Apply, but only for fields the user touched.
class PropertyPage : public QWidget
{
    Q_OBJECT

public:
    explicit PropertyPage(QWidget *parent = nullptr) : QWidget(parent) {}

    virtual QString caption() const = 0;

    void setObjects(const QVector<Dispatch *> &objects);
    const QVector<Dispatch *> &objects() const { return m_objects; }

    // Property values into the page's fields.
    virtual void loadFromObjects() = 0;
    // Validates every touched field and then writes them in exchange order.
    // On failure nothing more is written and errorMessage() says why.
    virtual bool apply() = 0;

    bool isDirty() const { return m_dirty; }
    QString errorMessage() const { return m_error; }
    // The widget the user must correct after a failed apply.
    QWidget *errorWidget() const { return m_errorWidget; }

signals:
    void dirtyChanged(bool dirty);

protected:
    void setDirty(bool dirty);
    void fail(const QString &message, QWidget *where);
    void clearError();

private:
    QVector<Dispatch *> m_objects;
    bool m_dirty = false;
    QString m_error;
    QWidget *m_errorWidget = nullptr;
};

// A page built from a dialog template: check boxes, single-line edits with
// auto-scroll, drop-down lists exchanged by index, push buttons.
class TemplatePage : public PropertyPage
{
    Q_OBJECT

public:
    explicit TemplatePage(PageTemplate dialog, QWidget *parent = nullptr);

    QString caption() const override { return m_template.caption; }
    const PageTemplate &dialogTemplate() const { return m_template; }

    void loadFromObjects() override;
    bool apply() override;

    QWidget *field(int id) const;
    // A field the user changed since the page was last filled or applied.
    bool isFieldDirty(int id) const { return m_dirtyFields.contains(id); }
    // Marks a field as changed, as typing into it does.
    void touchField(int id);

protected:
    // A push button of the template was pressed.
    virtual void buttonClicked(int /*id*/) {}
    // The decimal separator numbers are shown and read with.
    virtual QChar decimalSeparator() const { return QLatin1Char('.'); }

private:
    void build();
    QVariant readField(const PageField &f, QString *error) const;
    void showValue(const PageField &f, const Variant &value);
    Variant toPropertyValue(const PageField &f, const QVariant &pageValue) const;

    PageTemplate m_template;
    QMap<int, QWidget *> m_widgets;
    QSet<int> m_dirtyFields;
    bool m_filling = false;
};

// The framework's text of a field that does not hold a number.
namespace page_message {
inline const QString integer = QStringLiteral("Please enter an integer.");
inline const QString number = QStringLiteral("Please enter a number.");
} // namespace page_message

// A single as the page exchange shows it: up to six significant digits (FLT_DIG).
QString formatSingle(float value, QChar decimal = QLatin1Char('.'));

} // namespace zq
