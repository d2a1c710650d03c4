#pragma once

#include "control_fixture.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QWidget>

#include <functional>

// A repeat clock that moves only when the test says so; due calls run in time order.
class ManualClock final : public RepeatClock
{
public:
    qint64 now() const override { return m_now; }
    void callIn(qint64 ms, std::function<void()> due) override
    {
        m_dueAt = m_now + qMax<qint64>(0, ms);
        m_due = std::move(due);
    }
    void cancel() override
    {
        m_dueAt = -1;
        m_due = nullptr;
    }
    void advance(qint64 ms)
    {
        const qint64 end = m_now + ms;
        for (int guard = 0; m_due && m_dueAt <= end && guard < 100000; ++guard) {
            m_now = m_dueAt;
            std::function<void()> due = std::move(m_due);
            m_due = nullptr;
            due();
        }
        m_now = end;
    }

private:
    qint64 m_now = 0;
    qint64 m_dueAt = -1;
    std::function<void()> m_due;
};

// A shown, active window with the control and a second focusable field, so focus,
// key and mouse input take the same path as in a container. The locale is pinned.
struct InputRig
{
    TestSite site;
    QWidget window;
    CVururazCtrl *control = nullptr;
    QLineEdit *other = nullptr;
    ManualClock *clock = nullptr;

    explicit InputRig(const QByteArray &bag = QByteArray(), QSize size = QSize(120, 20),
                      std::shared_ptr<const zq::IntlProfile> profile = std::make_shared<zq::FixedIntlProfile>())
    {
        control = new CVururazCtrl(&window);
        control->setIntlProfile(std::move(profile));
        control->setClientSite(&site);
        control->eventConnection().advise(&site);
        auto manual = std::make_unique<ManualClock>();
        clock = manual.get();
        control->setRepeatClock(std::move(manual));
        if (!bag.isNull()) // a null bag leaves the control unloaded: it does not format
            control->loadFromBag(bag);
        control->setGeometry(QRect(QPoint(10, 10), size));
        other = new QLineEdit(&window);
        other->setGeometry(10, 50, 100, 20);
        window.resize(200, 90);
    }

    bool show()
    {
        window.show();
        window.activateWindow();
        if (!QTest::qWaitForWindowActive(&window))
            return false;
        control->repaint();
        return true;
    }

    // Focus without selecting (FocusSelect aside), the caret and selection where asked.
    void focusAt(int caret, int selLength = 0)
    {
        control->setFocus(Qt::OtherFocusReason);
        control->setSelStart(caret);
        control->setSelLength(selLength);
        site.events.clear();
    }

    // The names of the control's own events fired so far (key and mouse events left out).
    QStringList fired() const
    {
        static const QStringList own{QStringLiteral("AutoTerminate"), QStringLiteral("Change"),
                                     QStringLiteral("InvalidEntry"), QStringLiteral("InvalidSetText"),
                                     QStringLiteral("KXValidate")};
        QStringList names;
        for (const QString &line : site.events) {
            const int dispid = line.section(QLatin1Char(' '), 0, 0).toInt();
            for (const zq::MemberInfo &m : control->typeLibrary().events.members) {
                if (m.dispid == dispid && own.contains(m.name))
                    names << m.name;
            }
        }
        return names;
    }
};

// Key scripts: plain characters are typed, <Name> presses a key, with S- (Shift) or
// C- (Ctrl) in front for modifiers: "12<S-Left><C-c>". `step` gets a character with
// no name, or a key's name and its modifiers.
template<typename Step> void forEachKey(const QString &script, Step step)
{
    for (int i = 0; i < script.size(); ++i) {
        if (script.at(i) != QLatin1Char('<')) {
            step(script.at(i), QString(), Qt::NoModifier);
            continue;
        }
        const int close = int(script.indexOf(QLatin1Char('>'), i));
        QString name = script.mid(i + 1, close - i - 1);
        i = close;
        Qt::KeyboardModifiers mods;
        for (; name.size() > 2 && name.at(1) == QLatin1Char('-'); name = name.mid(2))
            mods |= name.at(0) == QLatin1Char('S') ? Qt::ShiftModifier : Qt::ControlModifier;
        step(QChar(), name, mods);
    }
}

inline void typeKeys(QWidget *w, const QString &script)
{
    static const QMap<QString, Qt::Key> keys{
        {"Left", Qt::Key_Left}, {"Right", Qt::Key_Right}, {"Up", Qt::Key_Up}, {"Down", Qt::Key_Down},
        {"Home", Qt::Key_Home}, {"End", Qt::Key_End}, {"BS", Qt::Key_Backspace}, {"Del", Qt::Key_Delete},
        {"Ins", Qt::Key_Insert}, {"c", Qt::Key_C}, {"v", Qt::Key_V}, {"x", Qt::Key_X}};
    QTestEventList events;
    forEachKey(script, [&](QChar c, const QString &name, Qt::KeyboardModifiers mods) {
        if (name.isEmpty())
            events.addKeyClick(c.toLatin1());
        else
            events.addKeyClick(keys.value(name), mods);
    });
    events.simulate(w);
}
