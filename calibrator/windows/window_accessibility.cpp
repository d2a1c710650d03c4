#include "window_accessibility.h"

#include "terminal_accessible.h"
#include "terminal_display.h"

#include <QHash>

namespace {

class StatusLineAccessible : public ReadOnlyTextAccessible
{
public:
    explicit StatusLineAccessible(QWidget *w) : ReadOnlyTextAccessible(w, QAccessible::StatusBar) {}

    QString plainText() const override { return static_cast<QLabel *>(widget())->text(); }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
            return plainText();
        return QAccessibleWidget::text(t);
    }
    using ReadOnlyTextAccessible::text;

    QRect characterRect(int offset) const override
    {
        const QString line = plainText();
        if (offset < 0 || offset >= line.size())
            return {};
        const QFontMetrics fm(widget()->font());
        const QRect box = widget()->contentsRect();
        const QRect cell(box.left() + fm.horizontalAdvance(line.left(offset)), box.center().y() - fm.height() / 2,
                         fm.horizontalAdvance(line.at(offset)), fm.height());
        return cell.translated(widget()->mapToGlobal(QPoint(0, 0)));
    }

    int offsetAtPoint(const QPoint &point) const override
    {
        const QString line = plainText();
        const int x = widget()->mapFromGlobal(point).x() - widget()->contentsRect().left();
        const QFontMetrics fm(widget()->font());
        for (int i = 0; i < line.size(); ++i) {
            if (x < fm.horizontalAdvance(line.left(i + 1)))
                return x < 0 ? -1 : i;
        }
        return -1;
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
    if (className == QLatin1String(TerminalDisplay::staticMetaObject.className()))
        return new TerminalAccessible(static_cast<TerminalDisplay *>(widget));
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

void *ReadOnlyTextAccessible::interface_cast(QAccessible::InterfaceType t)
{
    if (t == QAccessible::TextInterface)
        return static_cast<QAccessibleTextInterface *>(this);
    return QAccessibleWidget::interface_cast(t);
}

QString ReadOnlyTextAccessible::text(int startOffset, int endOffset) const
{
    const QString all = plainText();
    startOffset = qBound(0, startOffset, int(all.size()));
    endOffset = endOffset < 0 ? int(all.size()) : qBound(startOffset, endOffset, int(all.size()));
    return all.mid(startOffset, endOffset - startOffset);
}

QString ReadOnlyTextAccessible::attributes(int offset, int *startOffset, int *endOffset) const
{
    // One run of plain text: no styles to tell of.
    Q_UNUSED(offset);
    *startOffset = 0;
    *endOffset = characterCount();
    return {};
}

StatusLine::StatusLine(const QString &text, QWidget *parent) : QLabel(text, parent)
{
    setAccessibleDescription(QStringLiteral("Status"));
}

void StatusLine::setStatus(const QString &status)
{
    const QString before = text();
    if (before == status)
        return;
    setText(status);
    if (QAccessible::isActive()) {
        QAccessibleTextUpdateEvent event(this, 0, before, status);
        QAccessible::updateAccessibility(&event);
    }
}

#include "moc_window_accessibility.cpp"
