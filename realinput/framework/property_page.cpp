#include "property_page.h"

#include "automation_error.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRegularExpression>

#include <cfloat>
#include <cmath>
#include <tuple>

namespace zq {

namespace {

int mulDiv(int value, int numerator, int denominator)
{
    // Rounds to the nearest, halves away from zero, as the dialog manager does.
    const qint64 product = qint64(value) * numerator;
    const qint64 half = denominator / 2;
    return int(product >= 0 ? (product + half) / denominator : (product - half) / denominator);
}

bool parseInteger(const QString &text, qint64 lo, qint64 hi, qint64 *out)
{
    static const QRegularExpression integer(QStringLiteral("^\\s*[+-]?\\d{1,18}\\s*$"));
    if (!integer.match(text).hasMatch())
        return false;
    const qint64 v = text.trimmed().toLongLong();
    if (v < lo || v > hi)
        return false;
    *out = v;
    return true;
}

// Whatever the process locale: only the given separator counts as the decimal point.
bool parseSingle(QString text, QChar decimal, float *out)
{
    if (decimal != QLatin1Char('.')) {
        if (text.contains(QLatin1Char('.')))
            return false;
        text.replace(decimal, QLatin1Char('.'));
    }
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    const double v = c.toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(v) || std::fabs(v) > double(FLT_MAX))
        return false;
    *out = float(v);
    return true;
}

} // namespace

QVector<const PageField *> PageTemplate::exchangeFields() const
{
    QVector<const PageField *> order;
    if (exchangeOrder.isEmpty()) {
        for (const PageField &f : fields)
            order.append(&f);
        return order;
    }
    for (int id : exchangeOrder) {
        for (const PageField &f : fields) {
            if (f.id == id)
                order.append(&f);
        }
    }
    return order;
}

QSize dialogBaseUnits(const QFont &font)
{
    const QFontMetrics metrics(font);
    const int width = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return QSize((width / 26 + 1) / 2, metrics.height());
}

QRect dialogUnitsToPixels(const QRect &du, const QSize &base)
{
    const int left = mulDiv(du.left(), base.width(), 4);
    const int top = mulDiv(du.top(), base.height(), 8);
    const int right = mulDiv(du.left() + du.width(), base.width(), 4);
    const int bottom = mulDiv(du.top() + du.height(), base.height(), 8);
    return QRect(left, top, right - left, bottom - top);
}

QString formatSingle(float value, QChar decimal)
{
    return QString::number(double(value), 'g', FLT_DIG).replace(QLatin1Char('.'), decimal);
}

void PropertyPage::setObjects(const QVector<Dispatch *> &objects)
{
    m_objects = objects;
}

void PropertyPage::setDirty(bool dirty)
{
    if (m_dirty == dirty)
        return;
    m_dirty = dirty;
    emit dirtyChanged(dirty);
}

void PropertyPage::fail(const QString &message, QWidget *where)
{
    m_error = message;
    m_errorWidget = where;
}

void PropertyPage::clearError()
{
    m_error.clear();
    m_errorWidget = nullptr;
}

TemplatePage::TemplatePage(PageTemplate dialog, QWidget *parent)
    : PropertyPage(parent), m_template(std::move(dialog))
{
    build();
}

void TemplatePage::build()
{
    QFont font(m_template.fontName);
    font.setPointSize(m_template.pointSize);
    setFont(font);
    const QSize base = dialogBaseUnits(font);
    setFixedSize(dialogUnitsToPixels(QRect(QPoint(0, 0), m_template.size), base).size());

    for (const PageField &f : m_template.fields) {
        QWidget *w = nullptr;
        switch (f.kind) {
        case FieldKind::CheckBox: {
            auto *check = new QCheckBox(f.label, this);
            connect(check, &QCheckBox::toggled, this, [this, id = f.id] { touchField(id); });
            w = check;
            break;
        }
        case FieldKind::Edit: {
            auto *edit = new QLineEdit(QStringLiteral("0"), this);
            connect(edit, &QLineEdit::textChanged, this, [this, id = f.id] { touchField(id); });
            w = edit;
            break;
        }
        case FieldKind::DropDownList: {
            auto *list = new QComboBox(this);
            list->addItems(f.entries);
            if (m_template.sortedLists)
                list->model()->sort(0);
            list->setCurrentIndex(-1);
            connect(list, &QComboBox::currentIndexChanged, this, [this, id = f.id] { touchField(id); });
            w = list;
            break;
        }
        case FieldKind::PushButton: {
            auto *button = new QPushButton(f.label, this);
            connect(button, &QPushButton::clicked, this, [this, id = f.id] { buttonClicked(id); });
            w = button;
            break;
        }
        }
        w->setObjectName(QString::number(f.id));
        w->setGeometry(dialogUnitsToPixels(f.rect, base));
        if (!f.labelRect.isNull()) {
            auto *label = new QLabel(f.label, this);
            label->setBuddy(w);
            label->setGeometry(dialogUnitsToPixels(f.labelRect, base));
        }
        m_widgets.insert(f.id, w);
    }
}

QWidget *TemplatePage::field(int id) const
{
    return m_widgets.value(id);
}

void TemplatePage::touchField(int id)
{
    if (m_filling)
        return;
    m_dirtyFields.insert(id);
    setDirty(true);
}

void TemplatePage::showValue(const PageField &f, const Variant &value)
{
    QWidget *w = field(f.id);
    switch (f.kind) {
    case FieldKind::CheckBox: static_cast<QCheckBox *>(w)->setChecked(value.toBool()); break;
    case FieldKind::DropDownList: {
        auto *list = static_cast<QComboBox *>(w);
        const int index = value.toI4();
        list->setCurrentIndex(index >= 0 && index < list->count() ? index : -1);
        break;
    }
    case FieldKind::Edit: {
        QString text;
        if (f.value == PageValue::Single) {
            try {
                text = formatSingle(value.toR4(), decimalSeparator());
            } catch (const AutomationError &) {
                // Beyond a single: show the value itself rather than nothing.
                text = QString::number(value.toR8(), 'g', FLT_DIG).replace(QLatin1Char('.'), decimalSeparator());
            }
        } else {
            text = QString::number(value.toI4());
        }
        static_cast<QLineEdit *>(w)->setText(text);
        break;
    }
    case FieldKind::PushButton: break;
    }
}

void TemplatePage::loadFromObjects()
{
    if (objects().isEmpty())
        return;
    Dispatch *first = objects().first();
    m_filling = true;
    for (const PageField *f : m_template.exchangeFields()) {
        if (f->property.isEmpty())
            continue;
        try {
            showValue(*f, first->getProperty(first->idOfName(f->property)));
        } catch (const AutomationError &) {
            // A property the object cannot give keeps the page's own value.
        }
    }
    m_filling = false;
    m_dirtyFields.clear();
    setDirty(false);
}

QVariant TemplatePage::readField(const PageField &f, QString *error) const
{
    QWidget *w = field(f.id);
    switch (f.kind) {
    case FieldKind::CheckBox: return static_cast<QCheckBox *>(w)->isChecked();
    case FieldKind::DropDownList: return static_cast<QComboBox *>(w)->currentIndex();
    case FieldKind::PushButton: return QVariant();
    case FieldKind::Edit: break;
    }
    const QString text = static_cast<QLineEdit *>(w)->text();
    qint64 integer = 0;
    float single = 0;
    switch (f.value) {
    case PageValue::Short:
        if (parseInteger(text, -32768, 32767, &integer))
            return integer;
        *error = page_message::integer;
        return QVariant();
    case PageValue::Long:
        if (parseInteger(text, INT32_MIN, INT32_MAX, &integer))
            return integer;
        *error = page_message::integer;
        return QVariant();
    case PageValue::Single:
        if (parseSingle(text, decimalSeparator(), &single))
            return single;
        *error = page_message::number;
        return QVariant();
    case PageValue::Bool: case PageValue::None: break;
    }
    return text;
}

Variant TemplatePage::toPropertyValue(const PageField &f, const QVariant &v) const
{
    if (f.kind == FieldKind::CheckBox)
        return Variant::fromBool(v.toBool());
    if (f.kind == FieldKind::DropDownList)
        return Variant::fromI2(short(v.toInt()));
    switch (f.value) {
    case PageValue::Short: return Variant::fromI2(short(v.toLongLong()));
    case PageValue::Long: return Variant::fromI4(qint32(v.toLongLong()));
    case PageValue::Single: return Variant::fromR4(v.toFloat());
    case PageValue::Bool: return Variant::fromBool(v.toBool());
    case PageValue::None: break;
    }
    return Variant::fromString(v.toString());
}

bool TemplatePage::apply()
{
    clearError();
    QVector<QPair<const PageField *, Variant>> writes;
    for (const PageField *f : m_template.exchangeFields()) {
        if (f->property.isEmpty() || !m_dirtyFields.contains(f->id))
            continue;
        QString error;
        const QVariant v = readField(*f, &error);
        if (!error.isEmpty()) {
            fail(error, field(f->id));
            return false;
        }
        writes.append({f, toPropertyValue(*f, v)});
    }
    // A page applies as a whole: a refused write takes back the ones made before it.
    QVector<std::tuple<Dispatch *, int, Variant>> written;
    for (const auto &[f, value] : writes) {
        for (Dispatch *object : objects()) {
            try {
                const int id = object->idOfName(f->property);
                const Variant before = object->getProperty(id);
                object->putProperty(id, value);
                written.append({object, id, before});
            } catch (const AutomationError &e) {
                for (auto it = written.crbegin(); it != written.crend(); ++it) {
                    try {
                        std::get<0>(*it)->putProperty(std::get<1>(*it), std::get<2>(*it));
                    } catch (const AutomationError &) {
                        // The value it had was its own; nothing better can be put back.
                    }
                }
                fail(e.description(), field(f->id));
                return false;
            }
        }
    }
    for (const auto &write : writes)
        m_dirtyFields.remove(write.first->id);
    setDirty(!m_dirtyFields.isEmpty());
    return true;
}

} // namespace zq

#include "moc_property_page.cpp"
