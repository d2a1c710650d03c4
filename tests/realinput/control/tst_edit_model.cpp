#include "input_rig.h"

#include <QClipboard>

namespace {

// Stands in for the control: records the events, beeps, spin steps and pasted texts an
// edit asks for, and takes a pasted text the way the control does.
class RecordingSink final : public zq::EditSink
{
public:
    RecordingSink(zq::TextState &state, const zq::EditContext &ctx) : m_state(state), m_ctx(ctx) {}

    QStringList calls;
    bool room = true;

    void notifyText() override {}
    void fireChange() override { calls << QStringLiteral("Change"); }
    void fireAutoTerminate() override { calls << QStringLiteral("AutoTerminate"); }
    void markModified() override {}
    void invalidate() override {}
    void measure() override {}
    void beep() override { calls << QStringLiteral("beep"); }
    void invalidEntry() override { calls << QStringLiteral("InvalidEntry"); }
    void reformatted() override {}
    void setText(const QByteArray &text) override
    {
        calls << QStringLiteral("setText ") + QString::fromLatin1(text);
        zq::ValidatedSetText(m_state, text, m_ctx.settings, *m_ctx.profile, [](short &, QByteArray &) {});
    }
    void spinStep(bool up) override { calls << (up ? QStringLiteral("spin up") : QStringLiteral("spin down")); }
    bool roomToInsert(const zq::TextState &) override { return room; }

private:
    zq::TextState &m_state;
    const zq::EditContext &m_ctx;
};

// "1|2^.34": the text with the caret at '|' and the selection's other end at '^'.
zq::TextState parseMarked(QString marked)
{
    zq::TextState s;
    const int end = int(marked.indexOf(QLatin1Char('^')));
    int caret = int(marked.indexOf(QLatin1Char('|')));
    if (end >= 0) {
        marked.remove(end, 1);
        caret -= end < caret ? 1 : 0;
        s.selLength = (end < caret ? end : end - 1) - caret;
    }
    marked.remove(caret, 1);
    s.text = marked.toLatin1();
    s.caret = caret;
    return s;
}

QString marked(const zq::TextState &s)
{
    QString out = QString::fromLatin1(s.text);
    const int end = s.caret + s.selLength;
    if (s.selLength != 0)
        out.insert(end, QLatin1Char('^'));
    out.insert(s.caret + (s.selLength < 0 ? 1 : 0), QLatin1Char('|'));
    return out;
}

// Runs a key script the way the control splits key presses: a character takes the
// character path, a key the key-down path (Ctrl+letter then also sends its control code).
void run(zq::TextState &state, const QString &script, const zq::EditContext &ctx, zq::EditSink &sink)
{
    static const QMap<QString, int> keys{{"Left", zq::vk::Left}, {"Right", zq::vk::Right}, {"Up", zq::vk::Up},
                                         {"Down", zq::vk::Down}, {"Home", zq::vk::Home},   {"End", zq::vk::End},
                                         {"BS", zq::vk::Back},   {"Del", zq::vk::Delete},  {"Ins", zq::vk::Insert},
                                         {"c", zq::vk::C},       {"v", zq::vk::V},         {"x", zq::vk::X}};
    forEachKey(script, [&](QChar c, const QString &name, Qt::KeyboardModifiers m) {
        const zq::KeyModifiers mods{(m & Qt::ShiftModifier) != 0, (m & Qt::ControlModifier) != 0};
        if (name.isEmpty())
            return zq::TypeCharacter(state, c.toLatin1(), mods, ctx, sink);
        QVERIFY2(keys.contains(name), qPrintable(name));
        zq::KeyDown(state, keys.value(name), mods, ctx, sink);
        if (mods.ctrl && name.size() == 1)
            zq::TypeCharacter(state, name.at(0).toLatin1() - 'a' + 1, mods, ctx, sink);
    });
}

} // namespace

class TstEditModel : public QObject
{
    Q_OBJECT

private slots:
    void keys_data()
    {
        // Flags: unloaded, dp=N (DecimalPlaces), entry (EntryStyle), sep (Separator), comma (a decimal
        // comma), ro (ReadOnly), spin, autoh (AutoHScroll), noroom (no room for a digit);
        // clip=TEXT is the clipboard before the keys, "copied X" what it holds after.
        QTest::addColumn<QString>("flags");
        QTest::addColumn<QString>("given");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QStringList>("calls");
        const auto row = [](const char *name, const char *flags, const QString &given, const char *keys,
                            const QString &expected, const QStringList &calls = {}) {
            QTest::newRow(name) << flags << given << keys << expected << calls;
        };
        const QStringList change{"Change"}, twice{"Change", "Change"};
        row("digit at the separator inserts", "", "12|.34", "5", "125|.34", change);
        row("digit after the separator overwrites", "", "12.|34", "9", "12.9|4", change);
        row("last decimal digit fires AutoTerminate", "", "12.|34", "97", "12.97|",
            {"Change", "AutoTerminate", "Change"});
        row("last integer digit returns to the separator", "", "1|2.34", "5", "15|.34", change);
        row("without room the integer part stops growing", "noroom", "12|.34", "5", "12|.34", {"beep"});
        row("with AutoHScroll room is not asked", "noroom autoh", "12|.34", "5", "125|.34", change);
        row("separator key jumps behind the separator", "", "|12.34", ".", "12.|34");
        row("separator key with EntryStyle stays", "entry", "|12.34", ".", "|12.34");
        row("the locale's separator key jumps", "comma", "|12,34", ",", "12,|34");
        row("a full stop is no separator there", "comma", "|12,34", ".", "|12,34");
        row("separator over a selection fires Change twice", "", "12.|34^", ".", "12.|00", twice);
        row("minus makes negative", "", "5|.00", "-", "-5|.00", change);
        row("minus twice gives it back", "", "5|.00", "--", "5|.00", twice);
        row("plus makes positive", "", "-5|.00", "+", "5|.00", change);
        row("plus on a positive value changes nothing", "", "5|.00", "+", "5|.00");
        row("digit over a selection replaces it", "", "|12.34^", "7", "7|.00", change);
        row("digit on a grouping separator beeps", "sep", "1|,234.00", "7", "1|,234.00", {"beep"});
        row("a foreign character does nothing", "", "12|.34", "a", "12|.34");
        row("Backspace before the separator of 5.00", "", "5|.00", "<BS>", "0|.00", change);
        row("Backspace over a selection", "", "|12^.34", "<BS>", "0|.34", change);
        row("Delete on a digit", "", "|12.34", "<Del>", "|2.34", change);
        row("Delete on the separator keeps it", "", "12|.34", "<Del>", "12|.34");
        row("Home and End move", "", "12|.34", "<End><Home>", "|12.34");
        row("Left stops at 0", "", "|12.34", "<Left><Left>", "|12.34");
        row("Right stops at the end", "", "12.3|4", "<Right><Right>", "12.34|");
        row("Up without spin arrows moves left", "", "12|.34", "<Up>", "1|2.34");
        row("Down without spin arrows moves right", "", "12|.34", "<Down>", "12.|34");
        row("Up and Down with spin arrows step", "spin", "|5.00", "<Up><Down>", "|5.00", {"spin up", "spin down"});
        row("Shift+Left twice", "", "12.34|", "<S-Left><S-Left>", "12.|34^");
        row("Shift+Right then back", "", "|12.34", "<S-Right><S-Right><S-Right><S-Left>", "^12|.34");
        row("Shift+Home", "", "12|.34", "<S-Home>", "|12^.34");
        row("Shift+End", "", "12|.34", "<S-End>", "12^.34|");
        row("a plain arrow ends the selection", "", "12.34|", "<S-Left><Left>", "12.|34");
        row("ReadOnly blocks typing but not moving", "ro", "12|.34", "5<BS><Del>-<Left>", "1|2.34");
        row("Ctrl+C copies", "", "|12^.34", "<C-c>", "|12^.34", {"copied 12"});
        row("Ctrl+Insert copies", "", "^12.|34", "<C-Ins>", "^12.|34", {"copied 12."});
        row("Ctrl+V pastes over the selection", "clip=9", "|12^.34", "<C-v>", "9|.34", {"setText 9.34", "Change"});
        row("Shift+Insert pastes", "clip=345.5", "|12.34^", "<S-Ins>", "345|.50", {"setText 345.5", "Change"});
        row("Shift+Delete cuts", "", "12.|34^", "<S-Del>", "12.|00", {"Change", "copied 34"});
        row("Ctrl+X cuts the selection", "", "12.|34^", "<C-x>", "12.|00", {"Change", "copied 34"});
        row("cut and paste back", "", "|12^.34", "<C-x><Home><C-v>", "120|.34",
            {"Change", "setText 120.34", "Change", "copied 12"});
        row("ReadOnly Ctrl+X only copies", "ro", "12.|34^", "<C-x>", "12.|34^", {"copied 34"});
        row("ReadOnly does not paste", "ro clip=9", "|12^.34", "<C-v><S-Ins>", "|12^.34");
        row("DecimalPlaces 0: a digit at the end of 1.5 goes behind it", "unloaded dp=0", "1.5|", "7", "1.57|",
            {"AutoTerminate", "Change"});
        row("DecimalPlaces 0: a digit behind a text with a separator", "dp=0", "12.34|", "7", "12|",
            {"AutoTerminate", "Change"});
        row("unloaded: a sign taken away keeps the caret inside the text", "unloaded", "0|", "-<End>-", "0|", twice);
        row("unloaded: a full text takes no digit", "unloaded autoh", QString(1022, '0') + "|.5", "7",
            QString(1022, '0') + "|.5", {"beep"});
        const QString huge = QString::number(0x1p1023, 'f', 0);
        row("a digit past the double range is refused", "dp=0 autoh", huge + "|", "9", huge + "|",
            {"beep", "InvalidEntry"});
        row("a Delete joining digits past the double range is refused", "dp=0", huge + "|.^5", "<Del>",
            huge + "|.^5", {"beep", "InvalidEntry"});
    }

    void keys()
    {
        QFETCH(QString, flags);
        QFETCH(QString, given);
        QFETCH(QString, keys);
        QFETCH(QString, expected);
        QFETCH(QStringList, calls);
        // GIVEN a loaded control's text, caret and selection, in the default locale
        zq::FixedIntlProfile profile;
        zq::EditContext ctx;
        ctx.profile = &profile;
        ctx.settings.loaded = true;
        zq::TextState state = parseMarked(given);
        RecordingSink sink(state, ctx);
        QGuiApplication::clipboard()->setText(QStringLiteral("clipboard before"));
        for (const QString &flag : flags.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            const QString arg = flag.section(QLatin1Char('='), 1);
            ctx.settings.loaded &= flag != QLatin1String("unloaded");
            ctx.settings.EntryStyle |= flag == QLatin1String("entry");
            ctx.settings.Separator |= flag == QLatin1String("sep");
            ctx.readOnly |= flag == QLatin1String("ro");
            ctx.autoHScroll |= flag == QLatin1String("autoh");
            ctx.spin = flag == QLatin1String("spin") ? 2 : ctx.spin;
            sink.room &= flag != QLatin1String("noroom");
            if (flag == QLatin1String("comma"))
                profile.set(QStringLiteral("sDecimal"), QStringLiteral(","))
                    .set(QStringLiteral("sThousand"), QStringLiteral("."));
            if (flag.startsWith(QLatin1String("dp=")))
                ctx.settings.DecimalPlaces = arg.toShort();
            if (flag.startsWith(QLatin1String("clip=")))
                QGuiApplication::clipboard()->setText(arg);
        }
        const QString clipboard = QGuiApplication::clipboard()->text();
        // WHEN the keys are pressed
        run(state, keys, ctx, sink);
        // THEN
        QCOMPARE(marked(state), expected);
        if (QGuiApplication::clipboard()->text() != clipboard)
            sink.calls << QStringLiteral("copied ") + QGuiApplication::clipboard()->text();
        QCOMPARE(sink.calls, calls);
    }
};

QTEST_MAIN(TstEditModel)
#include "tst_edit_model.moc"
