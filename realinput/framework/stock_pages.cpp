#include "automation_error.h"
#include "property_sheet.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFontComboBox>
#include <QHBoxLayout>
#include <QFontDialog>
#include <QFormLayout>
#include <QGuiApplication>
#include <QColorDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>

namespace zq {

namespace {

struct SystemColor
{
    const char *name;
    QPalette::ColorGroup group;
    QPalette::ColorRole role;
};

// OLE system colours 0x80000000 + index, named as users know them.
const SystemColor systemColors[] = {
    {"Scroll Bars", QPalette::Active, QPalette::Button},
    {"Desktop", QPalette::Active, QPalette::Dark},
    {"Active Title Bar", QPalette::Active, QPalette::Highlight},
    {"Inactive Title Bar", QPalette::Inactive, QPalette::Mid},
    {"Menu Bar", QPalette::Active, QPalette::Window},
    {"Window Background", QPalette::Active, QPalette::Base},
    {"Window Frame", QPalette::Active, QPalette::Shadow},
    {"Menu Text", QPalette::Active, QPalette::WindowText},
    {"Window Text", QPalette::Active, QPalette::Text},
    {"Active Title Bar Text", QPalette::Active, QPalette::HighlightedText},
    {"Active Border", QPalette::Active, QPalette::Button},
    {"Inactive Border", QPalette::Inactive, QPalette::Button},
    {"Application Workspace", QPalette::Active, QPalette::Mid},
    {"Highlight", QPalette::Active, QPalette::Highlight},
    {"Highlight Text", QPalette::Active, QPalette::HighlightedText},
    {"Button Face", QPalette::Active, QPalette::Button},
    {"Button Shadow", QPalette::Active, QPalette::Dark},
    {"Disabled Text", QPalette::Disabled, QPalette::Text},
    {"Button Text", QPalette::Active, QPalette::ButtonText},
    {"Inactive Title Bar Text", QPalette::Inactive, QPalette::Text},
    {"Button Highlight", QPalette::Active, QPalette::Light},
    {"Button Dark Shadow", QPalette::Active, QPalette::Shadow},
    {"Button Light Shadow", QPalette::Active, QPalette::Midlight},
    {"ToolTip Text", QPalette::Active, QPalette::ToolTipText},
    {"ToolTip", QPalette::Active, QPalette::ToolTipBase},
};
constexpr int systemColorCount = int(sizeof systemColors / sizeof systemColors[0]);
constexpr quint32 systemBit = 0x80000000u;

QColor screenColor(quint32 ole)
{
    if (ole & systemBit) {
        const int index = int(ole & 0xFF);
        if (index >= systemColorCount)
            return Qt::black;
        const SystemColor &s = systemColors[index];
        return QGuiApplication::palette().color(s.group, s.role);
    }
    return QColor(int(ole & 0xFF), int((ole >> 8) & 0xFF), int((ole >> 16) & 0xFF));
}

// GCC under the sanitizers takes the variant's move for a read of its unset
// string alternative; the value held is a number or a font.
#pragma GCC diagnostic push
#ifndef __clang__
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
Variant colorValue(const quint32 &color)
{
    return Variant::fromColor(color);
}

Variant fontValue(const FontDesc &font)
{
    return Variant::fromFont(font);
}
#pragma GCC diagnostic pop

QString oleColorText(quint32 ole)
{
    return QStringLiteral("&H%1&").arg(ole, 8, 16, QLatin1Char('0')).toUpper();
}

// The properties of one type an object offers for writing: stock ones first,
// then the object's own in dispatch-id order, as the type library lists them.
QStringList propertiesOfType(const Dispatch &object, VarType type)
{
    QStringList stock;
    QStringList own;
    for (const MemberInfo &m : object.dispatchInterface().members) {
        if (m.kind != MemberKind::Property || m.type != type || m.has(ReadOnly))
            continue;
        (m.has(Stock) ? stock : own) << m.name;
    }
    return stock + own;
}

// A stock page that edits every property of one type, chosen from a list: the
// values are read once, edited on the page and written back only where changed.
template <typename Value>
class TypedStockPage : public PropertyPage
{
public:
    using ReadValue = Value (Variant::*)() const;
    using WriteValue = Variant (*)(const Value &);

    TypedStockPage(QWidget *parent, VarType type, ReadValue read, WriteValue write)
        : PropertyPage(parent), m_type(type), m_read(read), m_write(write)
    {
    }

    void loadFromObjects() override
    {
        m_values.clear();
        m_changed.clear();
        m_property->clear();
        if (!objects().isEmpty()) {
            Dispatch *first = objects().first();
            for (const QString &name : propertiesOfType(*first, m_type)) {
                try {
                    m_values.insert(name, (first->getProperty(first->idOfName(name)).*m_read)());
                    m_property->addItem(name);
                } catch (const AutomationError &) {
                }
            }
        }
        setDirty(false);
        showCurrent();
    }

    bool apply() override
    {
        clearError();
        for (int i = 0; i < m_property->count(); ++i) {
            const QString name = m_property->itemText(i);
            if (!m_changed.contains(name))
                continue;
            const Variant value = m_write(m_values.value(name));
            for (Dispatch *object : objects()) {
                try {
                    object->putProperty(object->idOfName(name), value);
                } catch (const AutomationError &e) {
                    fail(e.description(), m_property);
                    return false;
                }
            }
            m_changed.remove(name);
        }
        setDirty(false);
        return true;
    }

protected:
    virtual void showCurrent() = 0;

    QComboBox *m_property = nullptr;
    QMap<QString, Value> m_values;
    QSet<QString> m_changed;

private:
    VarType m_type;
    ReadValue m_read;
    WriteValue m_write;
};

// Edits every colour property of the object: a system colour by name, or
// any colour through the colour dialog or as "&H00BBGGRR&".
class ColorPage : public TypedStockPage<quint32>
{
public:
    explicit ColorPage(QWidget *parent) : TypedStockPage(parent, VarType::Color, &Variant::toColor, colorValue)
    {
        auto *form = new QFormLayout(this);
        m_property = new QComboBox(this);
        m_property->setObjectName(QStringLiteral("colorProperty"));
        m_system = new QComboBox(this);
        m_system->setObjectName(QStringLiteral("systemColor"));
        m_system->addItem(QStringLiteral("(Custom)"));
        for (const SystemColor &s : systemColors)
            m_system->addItem(QLatin1String(s.name));
        m_value = new QLineEdit(this);
        m_value->setObjectName(QStringLiteral("colorValue"));
        m_sample = new QLabel(this);
        m_sample->setObjectName(QStringLiteral("colorSample"));
        m_sample->setMinimumSize(120, 36);
        m_sample->setAutoFillBackground(true);
        m_sample->setFrameShape(QFrame::Box);
        auto *custom = new QPushButton(QStringLiteral("&Edit Custom Color..."), this);
        custom->setObjectName(QStringLiteral("customColor"));
        form->addRow(QStringLiteral("&Property Name:"), m_property);
        form->addRow(QStringLiteral("&System Color:"), m_system);
        form->addRow(QStringLiteral("&Value:"), m_value);
        form->addRow(QString(), custom);
        form->addRow(QStringLiteral("Sample:"), m_sample);

        connect(m_property, &QComboBox::currentIndexChanged, this, [this] { showCurrent(); });
        connect(m_system, &QComboBox::activated, this, [this](int index) {
            if (index > 0)
                setCurrent(systemBit | quint32(index - 1));
        });
        connect(m_value, &QLineEdit::editingFinished, this, [this] {
            double v = 0;
            if (parseNumber(m_value->text(), &v) && v >= 0 && v <= 0xFFFFFFFFu)
                setCurrent(quint32(v));
            else
                showCurrent();
        });
        connect(custom, &QPushButton::clicked, this, [this] {
            const QColor c = QColorDialog::getColor(screenColor(current()), this);
            if (c.isValid())
                setCurrent(quint32(c.red()) | quint32(c.green()) << 8 | quint32(c.blue()) << 16);
        });
    }

    QString caption() const override { return QStringLiteral("Color"); }


private:
    quint32 current() const { return m_values.value(m_property->currentText()); }

    void setCurrent(quint32 color)
    {
        const QString name = m_property->currentText();
        if (name.isEmpty())
            return;
        if (m_values.value(name) != color) {
            m_values[name] = color;
            m_changed.insert(name);
            setDirty(true);
        }
        showCurrent();
    }

    void showCurrent() override
    {
        const quint32 color = current();
        const bool system = (color & systemBit) && int(color & 0xFF) < systemColorCount;
        m_system->setCurrentIndex(system ? int(color & 0xFF) + 1 : 0);
        m_value->setText(oleColorText(color));
        QPalette p = m_sample->palette();
        p.setColor(QPalette::Window, screenColor(color));
        m_sample->setPalette(p);
    }

    QComboBox *m_system = nullptr;
    QLineEdit *m_value = nullptr;
    QLabel *m_sample = nullptr;
};

QFont toQFont(const FontDesc &d)
{
    QFont f(d.name);
    f.setPointSizeF(d.sizeCy > 0 ? double(d.sizeCy) / 10000.0 : 8.25);
    f.setWeight(QFont::Weight(qBound(1, int(d.weight), 1000)));
    f.setItalic(d.italic);
    f.setUnderline(d.underline);
    f.setStrikeOut(d.strikethrough);
    return f;
}

FontDesc toFontDesc(const QFont &f, const FontDesc &was)
{
    FontDesc d = was;
    d.name = f.family();
    d.sizeCy = qRound64(f.pointSizeF() * 10000.0);
    d.weight = short(f.weight());
    d.italic = f.italic();
    d.underline = f.underline();
    d.strikethrough = f.strikeOut();
    return d;
}

// Edits the object's font properties: family, size and effects, with the
// toolkit's font dialog for browsing.
class FontPage : public TypedStockPage<FontDesc>
{
public:
    explicit FontPage(QWidget *parent) : TypedStockPage(parent, VarType::Font, &Variant::toFont, fontValue)
    {
        auto *form = new QFormLayout(this);
        m_property = new QComboBox(this);
        m_property->setObjectName(QStringLiteral("fontProperty"));
        m_family = new QFontComboBox(this);
        m_family->setObjectName(QStringLiteral("fontName"));
        m_size = new QDoubleSpinBox(this);
        m_size->setObjectName(QStringLiteral("fontSize"));
        m_size->setRange(1, 1638);
        m_size->setDecimals(2);
        auto *effects = new QHBoxLayout;
        for (const auto &[name, text] : {std::pair{"fontBold", "&Bold"}, std::pair{"fontItalic", "&Italic"},
                                         std::pair{"fontUnderline", "&Underline"},
                                         std::pair{"fontStrikeout", "Stri&keout"}}) {
            auto *box = new QCheckBox(QLatin1String(text), this);
            box->setObjectName(QLatin1String(name));
            effects->addWidget(box);
            m_effects.append(box);
            connect(box, &QCheckBox::toggled, this, [this] { edited(); });
        }
        auto *browse = new QPushButton(QStringLiteral("&Choose..."), this);
        browse->setObjectName(QStringLiteral("fontDialog"));
        m_sample = new QLabel(QStringLiteral("AaBbYyZz"), this);
        m_sample->setObjectName(QStringLiteral("fontSample"));
        m_sample->setFrameShape(QFrame::Box);
        m_sample->setMinimumHeight(48);
        m_sample->setAlignment(Qt::AlignCenter);
        form->addRow(QStringLiteral("&Property Name:"), m_property);
        form->addRow(QStringLiteral("&Font:"), m_family);
        form->addRow(QStringLiteral("&Size:"), m_size);
        form->addRow(QStringLiteral("Effects:"), effects);
        form->addRow(QString(), browse);
        form->addRow(QStringLiteral("Sample:"), m_sample);
        connect(m_family, &QFontComboBox::currentFontChanged, this, [this](const QFont &f) {
            if (m_filling)
                return;
            m_familyName = f.family();
            edited();
        });
        connect(m_size, &QDoubleSpinBox::valueChanged, this, [this] { edited(); });
        connect(m_property, &QComboBox::currentIndexChanged, this, [this] { showCurrent(); });
        connect(browse, &QPushButton::clicked, this, [this] {
            bool ok = false;
            const QFont f = QFontDialog::getFont(&ok, chosenFont(), this);
            if (ok)
                showFont(f, true);
        });
    }

    QString caption() const override { return QStringLiteral("Font"); }


private:
    QFont chosenFont() const
    {
        // The family as stored, even when the list has no entry of that name.
        QFont f(m_familyName);
        f.setPointSizeF(m_size->value());
        f.setBold(m_effects[0]->isChecked());
        f.setItalic(m_effects[1]->isChecked());
        f.setUnderline(m_effects[2]->isChecked());
        f.setStrikeOut(m_effects[3]->isChecked());
        return f;
    }

    void showFont(const QFont &f, bool byUser)
    {
        m_filling = true;
        m_familyName = f.family();
        m_family->setCurrentFont(f);
        m_filling = !byUser;
        m_size->setValue(f.pointSizeF());
        // Bold from demi-bold up, as the automation font counts it (Qt counts from medium).
        m_effects[0]->setChecked(f.weight() >= QFont::DemiBold);
        m_effects[1]->setChecked(f.italic());
        m_effects[2]->setChecked(f.underline());
        m_effects[3]->setChecked(f.strikeOut());
        m_filling = false;
        m_sample->setFont(chosenFont());
    }

    void edited()
    {
        const QString name = m_property->currentText();
        if (m_filling || name.isEmpty())
            return;
        const FontDesc was = m_values.value(name);
        FontDesc d = toFontDesc(chosenFont(), was);
        // Only what the page shows changes; a weight between the two stays unless bold was toggled.
        if (d.bold() == was.bold())
            d.weight = was.weight;
        m_sample->setFont(chosenFont());
        if (d == was)
            return;
        m_values[name] = d;
        m_changed.insert(name);
        setDirty(true);
    }

    void showCurrent() override
    {
        const QString name = m_property->currentText();
        setEnabled(!name.isEmpty());
        if (!name.isEmpty())
            showFont(toQFont(m_values.value(name)), false);
    }

    QFontComboBox *m_family = nullptr;
    QString m_familyName;
    QDoubleSpinBox *m_size = nullptr;
    QVector<QCheckBox *> m_effects;
    QLabel *m_sample = nullptr;
    bool m_filling = false;
};

} // namespace

PropertyPage *createStockPage(const QUuid &clsid, QWidget *parent)
{
    if (clsid == stock_page::color)
        return new ColorPage(parent);
    if (clsid == stock_page::font)
        return new FontPage(parent);
    return nullptr;
}

} // namespace zq
