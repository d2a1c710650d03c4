#pragma once

#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace orv::test {

// Answers the next modal dialog from inside its own event loop: waits (on
// zero-time timers, no real-time sleeps) until a modal widget other than
// `except` is up, then hands it to `answer`, which must close it.
inline void onNextModal(std::function<void(QWidget *)> answer, QWidget *except = nullptr)
{
    QPointer<QWidget> skip(except);
    QTimer::singleShot(0, qApp, [answer = std::move(answer), skip]() mutable {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || (skip && modal == skip.data()))
            onNextModal(std::move(answer), skip.data());
        else
            answer(modal);
    });
}

} // namespace orv::test
