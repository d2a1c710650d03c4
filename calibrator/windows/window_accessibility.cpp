#include "window_accessibility.h"

#include <QAccessibleWidget>
#include <QHash>

namespace {

class StatusLineAccessible : public QAccessibleWidget
{
public:
    explicit StatusLineAccessible(QWidget *w) : QAccessibleWidget(w, QAccessible::StatusBar) {}

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
            return static_cast<QLabel *>(widget())->text();
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface *windowInterface(const QString &className, QObject *object)
{
    static const QHash<QString, QAccessible::Role> windows{
        {QStringLiteral("Cal_form"), QAccessible::Window},
        {QStringLiteral("LineMonitor"), QAccessible::Window},
        {QStringLiteral("Com_form"), QAccessible::Dialog},
        {QStringLiteral("COM_Detect_frm"), QAccessible::Dialog},
        {QStringLiteral("cancel_form"), QAccessible::Dialog},
    };
    auto *widget = qobject_cast<QWidget *>(object);
    if (!widget)
        return nullptr;
    if (className == QLatin1String(StatusLine::staticMetaObject.className()))
        return new StatusLineAccessible(widget);
    const auto role = windows.constFind(className);
    if (role != windows.cend() && widget->isWindow())
        return new QAccessibleWidget(widget, *role);
    return nullptr;
}

} // namespace

void installWindowAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(windowInterface);
        return true;
    }();
    Q_UNUSED(installed);
}

StatusLine::StatusLine(const QString &text, QWidget *parent) : QLabel(text, parent)
{
    setAccessibleDescription(QStringLiteral("Status"));
}
