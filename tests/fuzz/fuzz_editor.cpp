#include "fuzz_driver.h"

#include "control/vururaz_ctrl.h"
#include "control/vururaz_typelib.h"
#include "framework/automation_error.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QLineEdit>

#include <cfloat>
#include <cmath>

using zq::Variant;

namespace {

// A container that counts Change and answers InvalidSetText as the input says.
class Site final : public zq::ControlSite, public zq::EventSink
{
public:
    bool ambientUserMode() const override { return userMode; }
    void handleEvent(int dispid, zq::EventArgs &args) override
    {
        changes += dispid == vururaz::event::Change;
        if (dispid == vururaz::event::InvalidSetText) {
            args[0].value = Variant::fromI2(cancel);
            if (!correction.isNull())
                args[1].value = Variant::fromString(QString::fromLatin1(correction));
        }
    }
    bool userMode = true;
    int changes = 0;
    short cancel = 0;
    QByteArray correction;
};

// One shown, active window for the whole run, with a second field to take the focus.
struct Host
{
    QWidget window;
    QLineEdit *other = new QLineEdit(&window);
    Host()
    {
        window.resize(320, 80);
        other->setGeometry(10, 50, 100, 20);
        window.show();
        window.activateWindow();
        for (int i = 0; i < 20 && !window.isActiveWindow(); ++i)
            QApplication::processEvents();
    }
};

void press(QWidget *w, int key, Qt::KeyboardModifiers mods, const QString &text)
{
    QKeyEvent down(QEvent::KeyPress, key, mods, text);
    QApplication::sendEvent(w, &down);
    QKeyEvent up(QEvent::KeyRelease, key, mods, text);
    QApplication::sendEvent(w, &up);
}

void mouse(QWidget *w, QEvent::Type type, int x, Qt::MouseButton button, Qt::MouseButtons held)
{
    const QPointF at(x, w->height() / 2);
    QMouseEvent e(type, at, w->mapToGlobal(at), button, held, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

zq::ValueSettings settingsOf(const CVururazCtrl &c)
{
    zq::ValueSettings s;
    s.DecimalPlaces = c.decimalPlaces();
    s.MoneyFormat = c.moneyFormat();
    s.Separator = c.separator();
    s.MinReal = c.minReal();
    s.MaxReal = c.maxReal();
    s.loaded = c.isLoaded();
    return s;
}

const double reals[] = {0, 1, -1, 12.5, 100, -100, 3.3e38, -1.1e38, 1e300, -1e300, DBL_MAX, HUGE_VAL, NAN, 1e-300};
const char *const switches[] = {"MoneyFormat", "Separator", "AutoHScroll", "ReadOnly", "EntryStyle", "FocusSelect"};
const char *const numbers[] = {"DecimalPlaces", "Alignment", "Spin", "Indent", "SelStart", "SelLength", "BorderStyle"};
const char *const limits[] = {"MinReal", "MaxReal", "SpinChangeReal", "ValueReal"};
const char *const texts[] = {"Text", "TextRaw", "SelText"};

// How a step's Change events must relate to the text: a key fires Change exactly when
// it changed the text; a paste (ValidatedSetText) and a spin step fire it at least then.
enum class Kind { Key, AtLeast, Free };

} // namespace

// The input control's editor: a byte string read as key presses, clipboard pastes,
// clicks and drags, focus changes and property sets on a control in a shown window.
void fuzzOne(FuzzInput &in)
{
    static Host &host = *new Host;
    const int setup = in.byte();
    auto profile = std::make_shared<zq::FixedIntlProfile>();
    if (setup & 2)
        profile->set("sDecimal", ",").set("sThousand", ".").set("sCurrency", "EUR");
    const zq::IntlSettings intl = zq::IntlSettings::read(*profile);
    Site site;
    auto control = std::make_unique<CVururazCtrl>(&host.window);
    control->setIntlProfile(profile);
    control->setClientSite(&site);
    control->eventConnection().advise(&site);
    if (setup & 1)
        control->loadFromBag(QByteArray());
    control->setGeometry(10, 10, 30 + in.below(260), 12 + in.below(24));
    control->show();
    control->setFocus();

    const auto step = [&](int op) {
        const zq::TextState before = control->textState();
        const int changes = site.changes;
        const bool readOnly = control->readOnly();
        Kind kind = Kind::Key;
        if (op < 4) {
            static const char typed[] = "0123456789-+.,()$e ";
            const char c = typed[in.below(sizeof typed - 1)];
            press(control.get(), QChar(c).toUpper().unicode(), Qt::NoModifier, QString(QLatin1Char(c)));
        } else if (op < 6) {
            static const int keys[] = {Qt::Key_Left, Qt::Key_Right, Qt::Key_Up, Qt::Key_Down, Qt::Key_Home, Qt::Key_End,
                                       Qt::Key_Backspace, Qt::Key_Delete, Qt::Key_Insert, Qt::Key_C, Qt::Key_X, Qt::Key_V};
            const int key = keys[in.below(std::size(keys))];
            const int m = in.byte();
            const bool ctrl = m & 2;
            const Qt::KeyboardModifiers mods = (m & 1 ? Qt::ShiftModifier : Qt::NoModifier) | (ctrl ? Qt::ControlModifier : Qt::NoModifier);
            if ((key == Qt::Key_V && ctrl) || (key == Qt::Key_Insert && (m & 1) && !ctrl)
                || ((key == Qt::Key_Up || key == Qt::Key_Down) && control->spin() != 0))
                kind = Kind::AtLeast;
            const bool letter = key >= Qt::Key_A && key <= Qt::Key_Z;
            press(control.get(), key, mods, ctrl && letter ? QString(QChar(key - Qt::Key_A + 1)) : QString());
        } else if (op == 6) {
            const int run = in.byte();
            const QByteArray pasted = run & 1 ? QByteArray(in.below(4096), "0123456789.,-"[in.below(13)]) : in.text(1100);
            QGuiApplication::clipboard()->setText(QString::fromLatin1(pasted));
            press(control.get(), run & 2 ? Qt::Key_Insert : Qt::Key_V, run & 2 ? Qt::ShiftModifier : Qt::ControlModifier,
                  QString());
            kind = Kind::AtLeast;
        } else if (op == 7) {
            // A click lands on the text or on a spin arrow, which steps the value.
            mouse(control.get(), QEvent::MouseButtonPress, in.below(control->width() + 20) - 10, Qt::LeftButton, Qt::LeftButton);
            if (in.byte() & 1)
                mouse(control.get(), QEvent::MouseMove, in.below(control->width() + 20) - 10, Qt::NoButton, Qt::LeftButton);
            mouse(control.get(), QEvent::MouseButtonRelease, in.below(control->width()), Qt::LeftButton, Qt::NoButton);
            kind = Kind::AtLeast;
        } else {
            kind = Kind::Free;
            const int which = in.below(11);
            try {
                if (which == 0) {
                    (in.byte() & 1 ? static_cast<QWidget *>(host.other) : control.get())->setFocus();
                    QApplication::processEvents();
                } else if (which == 1) {
                    control->putProperty(control->idOfName(switches[in.below(std::size(switches))]), Variant::fromBool(in.byte() & 1));
                } else if (which == 2) {
                    control->putProperty(control->idOfName(numbers[in.below(std::size(numbers))]), Variant::fromI4(in.below(120) - 10));
                } else if (which == 3) {
                    site.cancel = short(in.below(3) - 1);
                    site.correction = in.byte() & 1 ? in.text(1100) : QByteArray();
                    control->putProperty(control->idOfName(texts[in.below(std::size(texts))]), Variant::fromString(QString::fromLatin1(in.text(1100))));
                } else if (which == 4) {
                    if (in.byte() & 1)
                        control->undoWrite();
                    else
                        control->undoRead();
                } else if (which == 5) {
                    control->grab();
                } else if (which == 6) {
                    // Any property, read or written with a value of any type, as scripts do.
                    const auto &members = control->dispatchInterface().members;
                    const zq::MemberInfo &m = members[in.below(int(members.size()))];
                    if (m.kind != zq::MemberKind::Property || m.name == "MouseIcon" || m.name == "Font")
                        return;
                    const int type = in.below(6);
                    const Variant v = type == 0   ? Variant::fromI4(in.below(65536) - 32768)
                                      : type == 1 ? Variant::fromR8(reals[in.below(std::size(reals))])
                                      : type == 2 ? Variant::fromBool(in.byte() & 1)
                                      : type == 3 ? Variant::fromI2(short(in.below(20) - 3))
                                      : type == 4 ? Variant::fromString(QString::fromLatin1(in.text(40)))
                                                  : Variant();
                    if (v.isEmpty())
                        control->getProperty(m.dispid);
                    else
                        control->putProperty(m.dispid, v);
                } else if (which == 7) {
                    const int what = in.below(3);
                    if (what == 0) {
                        site.userMode = !site.userMode;
                    } else if (what == 1) {
                        control->resetState();
                    } else {
                        // A stored form, damaged as a disk or a container may damage it.
                        QByteArray saved = control->saveToStream();
                        saved.truncate(in.below(int(saved.size()) + 1));
                        if (!saved.isEmpty())
                            saved[in.below(int(saved.size()))] = char(in.byte());
                        control->loadFromStream(saved);
                    }
                } else {
                    const char *name = limits[in.below(std::size(limits))];
                    const double v = in.byte() & 1 ? reals[in.below(std::size(reals))] : (in.below(65536) - 32768) / 64.0;
                    control->putProperty(control->idOfName(name), Variant::fromR8(v));
                    const zq::ValueSettings s = settingsOf(*control);
                    // The text reads back as the value set, to the decimals it shows.
                    if (qstrcmp(name, "ValueReal") == 0 && s.loaded && std::fabs(v) <= s.MaxReal) {
                        const int places = s.DecimalPlaces == -1 ? 2 : s.DecimalPlaces > 6 ? 6 : s.DecimalPlaces;
                        const double tolerance = 0.5 * std::pow(10.0, -places) + 0.75e-6 + std::fabs(v) * 1e-15;
                        check(std::fabs(control->valueReal() - v) <= tolerance, "Text reads back as ValueReal",
                              control->textState().text);
                    }
                }
            } catch (const zq::AutomationError &) {
                // Refusals (error 380) are part of the interface; the invariants hold all the same.
            }
        }
        const zq::TextState &s = control->textState();
        const bool changed = s.text != before.text;
        check(s.text.size() <= zq::MaxTextLength && !s.text.contains('\0'), "the text fits the buffer", s.text);
        check(s.caret >= 0 && s.caret <= s.text.size(), "the caret stays inside the text", s.text);
        check(s.caret + s.selLength >= 0 && s.caret + s.selLength <= s.text.size(), "the selection stays inside the text",
              s.text);
        if (kind != Kind::Free && readOnly)
            check(!changed, "a read-only control keeps its value", s.text);
        if (kind == Kind::Key)
            check((site.changes != changes) == changed, "a key fires Change exactly when it changes the text", s.text);
        if (kind == Kind::AtLeast && changed)
            check(site.changes != changes, "a changed text fires Change", s.text);
        if (kind != Kind::Free && changed && control->isLoaded())
            check(zq::FormatText(s.text, settingsOf(*control), intl) == s.text, "every edit leaves a formatted number",
                  s.text);
    };
    for (int steps = 0; steps < 64 && !in.atEnd(); ++steps) {
        const int op = in.below(10);
        for (int repeat = op == 0 ? in.below(48) : 1; repeat > 0; --repeat)
            step(op);
    }
}
