#include "keyboard_focus.h"

#include <QPointer>
#include <QWidget>

namespace {

// Lives as a child of the window, so it goes when the window goes.
class FocusMemo : public QObject
{
public:
    static inline const QString name = QStringLiteral("orv_focus_memo");

    explicit FocusMemo(QWidget *window)
        : QObject(window)
    {
        setObjectName(name);
    }

    QPointer<QWidget> widget;
};

FocusMemo *memoOf(QWidget *window)
{
    // Without a meta-object of its own the memo is found by name.
    return dynamic_cast<FocusMemo *>(window->findChild<QObject *>(FocusMemo::name, Qt::FindDirectChildrenOnly));
}

} // namespace

void disableKeepingFocus(QWidget *window)
{
    // Already disabled: the focus it had before is the one to keep.
    if (window->isEnabled()) {
        FocusMemo *memo = memoOf(window);
        if (!memo)
            memo = new FocusMemo(window);
        memo->widget = window->focusWidget();
    }
    window->setEnabled(false);
}

void enableRestoringFocus(QWidget *window, bool activate)
{
    window->setEnabled(true);
    if (activate)
        window->activateWindow();
    QWidget *target = nullptr;
    if (FocusMemo *memo = memoOf(window)) {
        target = memo->widget;
        memo->widget = nullptr;
    }
    if (target && target->window() == window->window() && target->isVisibleTo(window) && target->isEnabled())
        target->setFocus(Qt::OtherFocusReason);
    else
        window->setFocus(Qt::OtherFocusReason);
}
