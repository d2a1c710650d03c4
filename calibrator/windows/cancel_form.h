#pragma once

#include "link/connect_station.h"

#include <QWidget>

class QPushButton;
class StatusLine;

// "Connection in Progress": the step a connection attempt is at, or why it
// failed, with a button that stops the attempt.
class cancel_form : public QWidget, public orv::ConnectProgress
{
    Q_OBJECT
    Q_PROPERTY(QString info READ info NOTIFY infoChanged)
public:
    // Not a child of `owner`: the owner is disabled while this shows, and a
    // child window would be greyed out with it. It is only placed over it.
    explicit cancel_form(QWidget *owner = nullptr);

    void show() override;
    void setInfo(const QString &text) override;
    void beep() override;
    void close() override;

    QString info() const;

protected:
    // A close from the window manager counts as Cancel: the window goes once
    // the attempt has stopped.
    void closeEvent(QCloseEvent *event) override;

signals:
    void infoChanged(const QString &text);
    void beeped();
    void unloaded();

private:
    void repaintNow();

    QWidget *m_owner = nullptr;
    StatusLine *m_info = nullptr;
    QPushButton *m_cancel = nullptr;
    bool m_closing = false;
};
