#include "input_rig.h"

#include <QAccessible>
#include <QLabel>

using zq::Variant;

namespace {

// What the control told assistive technology, one line per event.
QStringList g_told;

void record(QAccessibleEvent *e)
{
    if (!qobject_cast<CVururazCtrl *>(e->object()))
        return;
    switch (e->type()) {
    case QAccessible::TextInserted: {
        auto *t = static_cast<QAccessibleTextInsertEvent *>(e);
        g_told << QStringLiteral("insert %1 %2").arg(t->changePosition()).arg(t->textInserted());
        break;
    }
    case QAccessible::TextRemoved: {
        auto *t = static_cast<QAccessibleTextRemoveEvent *>(e);
        g_told << QStringLiteral("remove %1 %2").arg(t->changePosition()).arg(t->textRemoved());
        break;
    }
    case QAccessible::TextUpdated: {
        auto *t = static_cast<QAccessibleTextUpdateEvent *>(e);
        g_told << QStringLiteral("update %1 %2 %3").arg(t->changePosition()).arg(t->textRemoved(), t->textInserted());
        break;
    }
    case QAccessible::ValueChanged:
        g_told << QStringLiteral("value %1").arg(static_cast<QAccessibleValueChangeEvent *>(e)->value().toDouble());
        break;
    case QAccessible::TextCaretMoved:
        g_told << QStringLiteral("caret %1").arg(static_cast<QAccessibleTextCursorEvent *>(e)->cursorPosition());
        break;
    case QAccessible::StateChanged:
        g_told << QStringLiteral("state");
        break;
    case QAccessible::TextSelectionChanged: {
        auto *t = static_cast<QAccessibleTextSelectionEvent *>(e);
        g_told << QStringLiteral("selection %1-%2").arg(t->selectionStart()).arg(t->selectionEnd());
        break;
    }
    default: break;
    }
}

QByteArray bag(const QByteArray &text, const QByteArray &extra = QByteArray())
{
    return "Text = \"" + text + "\"\n" + extra;
}

} // namespace

class TstVururazAccessible : public QObject
{
    Q_OBJECT

private slots:
    void roleActionsAndState_data()
    {
        QTest::addColumn<QByteArray>("settings");
        QTest::addColumn<int>("role");
        QTest::addColumn<bool>("canStep");
        QTest::addColumn<bool>("editable");
        QTest::newRow("no spin arrows: editable text") << bag("5") << int(QAccessible::EditableText) << false << true;
        QTest::newRow("right arrows: spin box") << bag("5", "Spin = 2\n") << int(QAccessible::SpinBox) << true << true;
        QTest::newRow("left arrows: spin box") << bag("5", "Spin = 1\n") << int(QAccessible::SpinBox) << true << true;
        QTest::newRow("read-only spin box offers no steps")
            << bag("5", "Spin = 2\nReadOnly = -1\n") << int(QAccessible::SpinBox) << false << false;
    }
    void roleActionsAndState()
    {
        QFETCH(QByteArray, settings);
        QFETCH(int, role);
        QFETCH(bool, canStep);
        QFETCH(bool, editable);
        InputRig rig(settings);
        QAccessibleInterface *a = QAccessible::queryAccessibleInterface(rig.control);
        QVERIFY(a && a->valueInterface() && a->textInterface() && a->editableTextInterface());
        QCOMPARE(int(a->role()), role);
        const QStringList actions = a->actionInterface()->actionNames();
        QCOMPARE(actions.contains(QAccessibleActionInterface::increaseAction()), canStep);
        QCOMPARE(actions.contains(QAccessibleActionInterface::decreaseAction()), canStep);
        QCOMPARE(bool(a->state().editable), editable);
        QCOMPARE(bool(a->state().readOnly), !editable);
    }

    void name_data()
    {
        QTest::addColumn<QString>("buddy");
        QTest::addColumn<QString>("property");
        QTest::addColumn<QString>("name");
        QTest::newRow("from its buddy label") << "Set &To" << QString() << "Set To";
        QTest::newRow("the property before the label") << "Set To" << "Power Setting, Set To" << "Power Setting, Set To";
    }
    void name()
    {
        QFETCH(QString, buddy);
        QFETCH(QString, property);
        QFETCH(QString, name);
        InputRig rig(bag("5"));
        auto *label = new QLabel(buddy, &rig.window);
        label->setBuddy(rig.control);
        rig.control->setAccessibleName(property);
        QCOMPARE(QAccessible::queryAccessibleInterface(rig.control)->text(QAccessible::Name), name);
    }

    void readsTextValueRangeCaretAndSelection()
    {
        InputRig rig(bag("12.34", "MinReal = -5\nMaxReal = 50\nSpinChangeReal = 0.25\n"));
        QVERIFY(rig.show());
        rig.focusAt(4, -3);
        QAccessibleInterface *a = QAccessible::queryAccessibleInterface(rig.control);
        QAccessibleTextInterface *t = a->textInterface();
        QCOMPARE(a->text(QAccessible::Value), QStringLiteral("12.34"));
        QCOMPARE(t->text(0, t->characterCount()), QStringLiteral("12.34"));
        QCOMPARE(a->valueInterface()->currentValue().toDouble(), 12.34);
        QCOMPARE(a->valueInterface()->minimumValue().toDouble(), -5.0);
        QCOMPARE(a->valueInterface()->maximumValue().toDouble(), 50.0);
        QCOMPARE(a->valueInterface()->minimumStepSize().toDouble(), 0.25);
        QCOMPARE(t->cursorPosition(), 4);
        int start = -1, end = -1;
        t->selection(0, &start, &end);
        QCOMPARE(QPoint(start, end), QPoint(1, 4));
        // The characters lie left to right where they are drawn, and a point finds its character.
        const QRect one = t->characterRect(1), two = t->characterRect(2);
        QVERIFY(one.isValid() && two.left() >= one.right() && rig.control->rect().contains(rig.control->mapFromGlobal(one.center())));
        QCOMPARE(t->offsetAtPoint(two.center() + QPoint(1, 0)), 2);
    }

    // Changes made from outside go the user's way: limits, read-only and Change all hold.
    void changesFromAssistiveTechnology_data()
    {
        QTest::addColumn<QByteArray>("settings");
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("events");
        const QByteArray t1234 = bag("12.34", "MaxReal = 50\n");
        const QStringList change{"Change"}, none;
        QTest::newRow("value in range") << t1234 << "value 7.5" << "7.50" << change;
        QTest::newRow("value above MaxReal is refused") << t1234 << "value 60" << "12.34" << none;
        QTest::newRow("value on a read-only control is refused")
            << bag("12.34", "ReadOnly = -1\n") << "value 7.5" << "12.34" << none;
        QTest::newRow("increase steps by SpinChangeReal")
            << bag("5", "Spin = 2\nSpinChangeReal = 0.25\n") << "increase" << "5.25" << change;
        QTest::newRow("decrease stops at MinReal")
            << bag("5", "Spin = 1\nMinReal = 4.9\n") << "decrease" << "4.90" << change;
        QTest::newRow("no steps without spin arrows") << bag("5") << "increase" << "5.00" << none;
        QTest::newRow("inserted minus toggles the sign") << bag("5") << "insert 0 -" << "-5.00" << change;
        QTest::newRow("inserted digits go where typed ones go") << t1234 << "insert 2 56" << "1256.34" << QStringList{"Change", "Change"};
        QTest::newRow("deleted digit") << t1234 << "delete 0 1" << "2.34" << change;
        QTest::newRow("replaced text") << t1234 << "replace 0 5 7" << "7.00" << change;
        QTest::newRow("insert on a read-only control is refused")
            << bag("12.34", "ReadOnly = -1\n") << "insert 0 9" << "12.34" << none;
    }
    void changesFromAssistiveTechnology()
    {
        QFETCH(QByteArray, settings);
        QFETCH(QString, change);
        QFETCH(QString, text);
        QFETCH(QStringList, events);
        InputRig rig(settings);
        QVERIFY(rig.show());
        rig.focusAt(0);
        QAccessibleInterface *a = QAccessible::queryAccessibleInterface(rig.control);
        const QStringList w = change.split(QLatin1Char(' '));
        if (w[0] == "value")
            a->valueInterface()->setCurrentValue(w[1].toDouble());
        else if (w[0] == "insert")
            a->editableTextInterface()->insertText(w[1].toInt(), w[2]);
        else if (w[0] == "delete")
            a->editableTextInterface()->deleteText(w[1].toInt(), w[2].toInt());
        else if (w[0] == "replace")
            a->editableTextInterface()->replaceText(w[1].toInt(), w[2].toInt(), w[3]);
        else
            a->actionInterface()->doAction(w[0] == "increase" ? QAccessibleActionInterface::increaseAction()
                                                              : QAccessibleActionInterface::decreaseAction());
        QCOMPARE(rig.control->text(), text);
        QCOMPARE(rig.fired(), events);
    }

    // Rows give the control before and after as "text caret selStart-selEnd value [ro]".
    void announces_data()
    {
        QTest::addColumn<QString>("was");
        QTest::addColumn<QString>("now");
        QTest::addColumn<QStringList>("told");
        QTest::newRow("digit inserted") << "12.34 2 2-2 12.34" << "125.34 3 3-3 125.34"
                                        << QStringList{"insert 2 5", "value 125.34", "caret 3"};
        QTest::newRow("digit overwritten") << "12.34 3 3-3 12.34" << "12.94 4 4-4 12.94"
                                           << QStringList{"update 3 3 9", "value 12.94", "caret 4"};
        QTest::newRow("repeated digit removed") << "112.00 1 1-1 112" << "12.00 1 1-1 12"
                                                << QStringList{"remove 1 1", "value 12"};
        QTest::newRow("caret moved") << "12.34 2 2-2 12.34" << "12.34 3 3-3 12.34" << QStringList{"caret 3"};
        QTest::newRow("selection grown") << "12.34 2 2-2 12.34" << "12.34 1 1-2 12.34" << QStringList{"selection 1-2"};
        QTest::newRow("selection replaced") << "12.34 0 0-5 12.34" << "7.00 1 1-1 7"
                                            << QStringList{"update 0 12.34 7.00", "value 7", "selection 1-1"};
        QTest::newRow("same text, another value") << "1,234 0 0-0 1234" << "1,234 0 0-0 1.234"
                                                  << QStringList{"value 1.234"};
        QTest::newRow("value unknown until someone listened") << "5 0 0-0 nan" << "6 0 0-0 6"
                                                              << QStringList{"update 0 5 6"};
        QTest::newRow("made read-only") << "5 0 0-0 5" << "5 0 0-0 5 ro" << QStringList{"state"};
        QTest::newRow("nothing changed") << "5 1 0-1 5" << "5 1 0-1 5" << QStringList{};
    }
    void announces()
    {
        QFETCH(QString, was);
        QFETCH(QString, now);
        QFETCH(QStringList, told);
        const auto snapshot = [](const QString &row) {
            const QStringList f = row.split(QLatin1Char(' '));
            VururazSnapshot s;
            s.text = f[0].toLatin1();
            s.caret = f[1].toInt();
            s.selStart = f[2].section(QLatin1Char('-'), 0, 0).toInt();
            s.selEnd = f[2].section(QLatin1Char('-'), 1, 1).toInt();
            s.value = f[3].toDouble();
            s.readOnly = f.size() > 4;
            return s;
        };
        HostedControl h;
        g_told.clear();
        for (const auto &e : CVururazAccessible::changeEvents(h.control.get(), snapshot(was), snapshot(now)))
            record(e.get());
        QCOMPARE(g_told, told);
    }
};

QTEST_MAIN(TstVururazAccessible)
#include "tst_vururaz_accessible.moc"
