#include "fuzz_driver.h"

#include "control/vururaz_ctrl.h"
#include "control/vururaz_typelib.h"
#include "framework/automation_error.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>

#include <cfloat>
#include <cmath>

using zq::Variant;

namespace {

// A container that counts Change and answers InvalidSetText as the input says.
struct Site final : zq::ControlSite, zq::EventSink
{
    bool ambientUserMode() const override { return userMode; }
    void handleEvent(int dispid, zq::EventArgs &args) override
    {
        changes += dispid == vururaz::event::Change;
        if (dispid == vururaz::event::InvalidSetText)
            args[0].value = Variant::fromI2(cancel);
    }
    bool userMode = true;
    int changes = 0;
    short cancel = 0;
};

void send(QWidget *w, QEvent &&event)
{
    QApplication::sendEvent(w, &event);
}

const double reals[] = {0, 1, -1, 12.5, 100, -100, 3.3e38, -1.1e38, 1e300, -1e300, DBL_MAX, HUGE_VAL, NAN, 1e-300};
const int keys[] = {Qt::Key_Left, Qt::Key_Right, Qt::Key_Up,        Qt::Key_Down, Qt::Key_Home, Qt::Key_End,
                    Qt::Key_Insert, Qt::Key_Delete, Qt::Key_Backspace, Qt::Key_C, Qt::Key_X, Qt::Key_V};

Variant valueFrom(FuzzInput &in)
{
    switch (in.below(5)) {
    case 0: return Variant::fromI4(in.below(120) - 10);
    case 1: return Variant::fromR8(reals[in.below(std::size(reals))]);
    case 2: return Variant::fromR8((in.below(65536) - 32768) / 64.0);
    case 3: return Variant::fromBool(in.byte() & 1);
    default: return Variant::fromString(QString::fromLatin1(in.text(1100)));
    }
}

} // namespace

// The input control's editor: bytes read as key presses, clipboard pastes, clicks and
// drags, focus changes and property sets, as scripts make them, on a control in a window.
void fuzzOne(FuzzInput &in)
{
    static QWidget &window = *[] {
        auto *w = new QWidget;
        w->resize(320, 60);
        w->show();
        w->activateWindow();
        QApplication::processEvents();
        return w;
    }();
    const int setup = in.byte();
    auto profile = std::make_shared<zq::FixedIntlProfile>();
    if (setup & 2)
        profile->set("sDecimal", ",").set("sThousand", ".").set("sCurrency", "EUR");
    const zq::IntlSettings intl = zq::IntlSettings::read(*profile);
    Site site;
    site.cancel = short((setup >> 3) % 3 - 1);
    // The profile given at construction, or swapped in after the first text was formatted.
    const auto c = std::make_unique<CVururazCtrl>(
        &window, setup & 4 ? std::make_shared<zq::FixedIntlProfile>() : profile);
    c->setIntlProfile(profile);
    c->setClientSite(&site);
    c->eventConnection().advise(&site);
    if (setup & 1)
        c->loadFromBag(QByteArray());
    c->setGeometry(10, 10, 30 + in.below(260), 12 + in.below(24));
    c->show();
    c->setFocus();
    const auto mouse = [&](QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons held) {
        const QPointF at(in.below(c->width() + 20) - 10, 6);
        send(c.get(), QMouseEvent(type, at, c->mapToGlobal(at), button, held, {}));
    };
    for (int steps = 0; steps < 64 && !in.atEnd(); ++steps) {
        const int op = in.below(10), run = op == 0 ? in.below(48) : 1;
        const QByteArray before = c->textState().text;
        const int changes = site.changes;
        const bool readOnly = c->readOnly(), focused = c->hasFocus();
        // A key fires Change exactly when it changes the text; a run of keys, a paste, a
        // spin step or a click on a spin arrow fires it at least then.
        bool key = op < 6 && run == 1, atLeast = !key && op < 8;
        if (op < 4) {
            for (int left = run; left > 0; --left) {
                const char ch = "0123456789-+.,()$e "[in.below(19)];
                send(c.get(), QKeyEvent(QEvent::KeyPress, QChar(ch).toUpper().unicode(), {}, QString(QChar(ch))));
            }
        } else if (op < 6) {
            const int k = keys[in.below(std::size(keys))], m = in.below(4); // Shift, Control, both or neither
            atLeast = (k == Qt::Key_V && m & 2) || (k == Qt::Key_Insert && m == 1)
                      || ((k == Qt::Key_Up || k == Qt::Key_Down) && c->spin() != 0);
            key = !atLeast;
            const QString code = m & 2 && k <= Qt::Key_Z ? QString(QChar(k - Qt::Key_A + 1)) : QString();
            send(c.get(), QKeyEvent(QEvent::KeyPress, k, Qt::KeyboardModifiers::fromInt(m << 25), code));
        } else if (op == 6) {
            const int how = in.byte();
            const char run = "0123456789.,-"[in.below(13)];
            const QByteArray text = how & 1 ? QByteArray(in.below(4096), run) : in.text(1100);
            QGuiApplication::clipboard()->setText(QString::fromLatin1(text));
            send(c.get(), QKeyEvent(QEvent::KeyPress, how & 2 ? Qt::Key_Insert : Qt::Key_V,
                                    how & 2 ? Qt::ShiftModifier : Qt::ControlModifier));
        } else if (op == 7) {
            mouse(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton);
            if (in.byte() & 1)
                mouse(QEvent::MouseMove, Qt::NoButton, Qt::LeftButton);
            mouse(QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton);
        } else if (const int what = in.below(8); what < 5) {
            // Any property, read or written with a value of any type; a refusal is part of the interface.
            const zq::MemberInfo &m = c->dispatchInterface().members[in.below(c->dispatchInterface().members.size())];
            const Variant v = what ? valueFrom(in) : Variant();
            bool taken = m.kind == zq::MemberKind::Property && m.name != "MouseIcon" && m.name != "Font";
            try {
                if (taken)
                    v.isEmpty() ? void(c->getProperty(m.dispid)) : c->putProperty(m.dispid, v);
            } catch (const zq::AutomationError &) {
                taken = false;
            }
            const zq::ValueSettings s = c->settings();
            const double shown = 0.5 * std::pow(10.0, -(s.DecimalPlaces == -1 ? 2 : qMin(int(s.DecimalPlaces), 6)));
            check(!taken || m.name != "ValueReal" || v.type() != zq::VarType::R8 || !s.loaded
                      || std::fabs(v.toR8()) > s.MaxReal
                      || std::fabs(c->valueReal() - v.toR8()) <= shown + 0.75e-6 + std::fabs(v.toR8()) * 1e-15,
                  "Text reads back as ValueReal, to the decimals it shows", c->textState().text);
        } else if (what == 5) {
            (in.byte() & 1 ? static_cast<QWidget *>(c.get()) : &window)->setFocus();
            QApplication::processEvents();
        } else {
            what == 6 ? void(c->grab()) : in.byte() & 1 ? c->resetState() : void(site.userMode = !site.userMode);
        }
        const zq::TextState &s = c->textState();
        const bool changed = s.text != before, edit = key || atLeast;
        check(s.text.size() <= zq::MaxTextLength && !s.text.contains('\0'), "the text fits the buffer", s.text);
        check(s.caret >= 0 && s.caret <= s.text.size() && s.caret + s.selLength >= 0
                  && s.caret + s.selLength <= s.text.size(),
              "the caret and the selection stay inside the text", s.text);
        // Gaining the focus formats the text again (money format after an Undo, say), also in
        // a read-only control and without Change: the value is the same, only its presentation
        // was brought up to date.
        const bool onlyFormatted = !focused && c->hasFocus() && zq::FormatText(before, c->settings(), intl) == s.text;
        check(!edit || !readOnly || !changed || onlyFormatted, "a read-only control keeps its value", s.text);
        check(!key || (site.changes != changes) == changed, "a key fires Change just when it changes the text", s.text);
        check(!atLeast || !changed || site.changes != changes || onlyFormatted, "a changed text fires Change", s.text);
        check(!edit || !changed || !c->isLoaded()
                  || zq::FormatText(s.text, c->settings(), intl) == s.text,
              "every edit leaves a formatted number", s.text);
    }
}
