#include "input_rig.h"

#include <QAccessible>
#include <QLabel>

namespace {

// One line for what an event tells assistive technology.
QString told(QAccessibleEvent *e)
{
    switch (e->type()) {
    case QAccessible::TextInserted:
        return QStringLiteral("insert %1 %2").arg(static_cast<QAccessibleTextInsertEvent *>(e)->changePosition())
            .arg(static_cast<QAccessibleTextInsertEvent *>(e)->textInserted());
    case QAccessible::TextRemoved:
        return QStringLiteral("remove %1 %2").arg(static_cast<QAccessibleTextRemoveEvent *>(e)->changePosition())
            .arg(static_cast<QAccessibleTextRemoveEvent *>(e)->textRemoved());
    case QAccessible::TextUpdated: {
        const auto *u = static_cast<QAccessibleTextUpdateEvent *>(e);
        return QStringLiteral("update %1 %2 %3").arg(u->changePosition()).arg(u->textRemoved(), u->textInserted());
    }
    case QAccessible::ValueChanged:
        return QStringLiteral("value %1").arg(static_cast<QAccessibleValueChangeEvent *>(e)->value().toDouble());
    case QAccessible::TextSelectionChanged:
        return QStringLiteral("selection %1-%2").arg(static_cast<QAccessibleTextSelectionEvent *>(e)->selectionStart())
            .arg(static_cast<QAccessibleTextSelectionEvent *>(e)->selectionEnd());
    case QAccessible::TextCaretMoved:
        return QStringLiteral("caret %1").arg(static_cast<QAccessibleTextCursorEvent *>(e)->cursorPosition());
    default: return QStringLiteral("state");
    }
}

} // namespace

Q_DECLARE_METATYPE(VururazSnapshot)

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
        (new QLabel(QStringLiteral("Set &To"), &rig.window))->setBuddy(rig.control);
        QAccessibleInterface *a = QAccessible::queryAccessibleInterface(rig.control);
        QVERIFY(a && a->valueInterface() && a->textInterface() && a->editableTextInterface());
        QCOMPARE(a->text(QAccessible::Name), QStringLiteral("Set To"));
        QCOMPARE(int(a->role()), role);
        const QStringList actions = a->actionInterface()->actionNames();
        QCOMPARE(actions.contains(QAccessibleActionInterface::increaseAction()), canStep);
        QCOMPARE(actions.contains(QAccessibleActionInterface::decreaseAction()), canStep);
        QCOMPARE(bool(a->state().editable), editable);
        QCOMPARE(bool(a->state().readOnly), !editable);
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
        const QAccessibleValueInterface *v = a->valueInterface();
        QCOMPARE((QVariantList{v->currentValue(), v->minimumValue(), v->maximumValue(), v->minimumStepSize()}),
                 (QVariantList{12.34, -5.0, 50.0, 0.25}));
        QCOMPARE(t->cursorPosition(), 4);
        int start = -1, end = -1;
        t->selection(0, &start, &end);
        QCOMPARE(QPoint(start, end), QPoint(1, 4));
        // The characters lie left to right where they are drawn, and a point finds its character.
        const QRect one = t->characterRect(1), two = t->characterRect(2);
        QVERIFY(one.isValid() && two.left() >= one.right()
                && rig.control->rect().contains(rig.control->mapFromGlobal(one.center())));
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
            << bag("5", "Spin = 2\nSpinChangeReal = 0.25\n") << "Increase" << "5.25" << change;
        QTest::newRow("decrease stops at MinReal")
            << bag("5", "Spin = 1\nMinReal = 4.9\n") << "Decrease" << "4.90" << change;
        QTest::newRow("no steps without spin arrows") << bag("5") << "Increase" << "5.00" << none;
        QTest::newRow("inserted minus toggles the sign") << bag("5") << "insert 0 -" << "-5.00" << change;
        QTest::newRow("inserted digits go where typed ones go")
            << t1234 << "insert 2 56" << "1256.34" << QStringList{"Change", "Change"};
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
            a->actionInterface()->doAction(w[0]); // QAccessibleActionInterface's Increase or Decrease
        QCOMPARE(rig.control->text(), text);
        QCOMPARE(rig.fired(), events);
    }

    void announces_data()
    {
        QTest::addColumn<VururazSnapshot>("was");
        QTest::addColumn<VururazSnapshot>("now");
        QTest::addColumn<QStringList>("told");
        using S = VururazSnapshot; // text, caret, selection start and end, value, read-only
        QTest::newRow("digit inserted") << S{"12.34", 2, 2, 2, 12.34} << S{"125.34", 3, 3, 3, 125.34}
                                        << QStringList{"insert 2 5", "value 125.34", "caret 3"};
        QTest::newRow("digit overwritten") << S{"12.34", 3, 3, 3, 12.34} << S{"12.94", 4, 4, 4, 12.94}
                                           << QStringList{"update 3 3 9", "value 12.94", "caret 4"};
        QTest::newRow("repeated digit removed") << S{"112.00", 1, 1, 1, 112} << S{"12.00", 1, 1, 1, 12}
                                                << QStringList{"remove 1 1", "value 12"};
        QTest::newRow("caret moved") << S{"12.34", 2, 2, 2, 12.34} << S{"12.34", 3, 3, 3, 12.34} << QStringList{"caret 3"};
        QTest::newRow("selection grown") << S{"12.34", 2, 2, 2, 12.34} << S{"12.34", 1, 1, 2, 12.34}
                                         << QStringList{"selection 1-2"};
        QTest::newRow("selection replaced") << S{"12.34", 0, 0, 5, 12.34} << S{"7.00", 1, 1, 1, 7}
                                            << QStringList{"update 0 12.34 7.00", "value 7", "selection 1-1"};
        QTest::newRow("same text, another value") << S{"1,234", 0, 0, 0, 1234} << S{"1,234", 0, 0, 0, 1.234}
                                                  << QStringList{"value 1.234"};
        QTest::newRow("value unknown until someone listened") << S{"5", 0, 0, 0, qQNaN()} << S{"6", 0, 0, 0, 6}
                                                              << QStringList{"update 0 5 6"};
        QTest::newRow("made read-only") << S{"5", 0, 0, 0, 5} << S{"5", 0, 0, 0, 5, true} << QStringList{"state"};
        QTest::newRow("nothing changed") << S{"5", 1, 0, 1, 5} << S{"5", 1, 0, 1, 5} << QStringList{};
    }
    void announces()
    {
        QFETCH(VururazSnapshot, was);
        QFETCH(VururazSnapshot, now);
        QFETCH(QStringList, told);
        HostedControl h;
        QStringList heard;
        for (const auto &e : CVururazAccessible::changeEvents(h.control.get(), was, now))
            heard << ::told(e.get());
        QCOMPARE(heard, told);
    }
};

QTEST_MAIN(TstVururazAccessible)
#include "tst_vururaz_accessible.moc"
