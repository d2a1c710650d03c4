#include "zq/realinput.h"

#include "control/vururaz_ctrl.h"
#include "control/vururaz_typelib.h"
#include "framework/automation_error.h"

#include <QFocusEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLoggingCategory>

#include <functional>

namespace {

Q_LOGGING_CATEGORY(lcRealInput, "zq.realinput")

// The control with the two moments a Qt program calls "editing finished".
class FaceControl final : public CVururazCtrl
{
public:
    using CVururazCtrl::CVururazCtrl;
    std::function<void()> finished;

protected:
    void focusOutEvent(QFocusEvent *event) override
    {
        CVururazCtrl::focusOutEvent(event);
        // A KXValidate answer that cancels takes the focus straight back.
        if (!hasFocus() && finished)
            finished();
    }
    void keyPressEvent(QKeyEvent *event) override
    {
        CVururazCtrl::keyPressEvent(event);
        if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && finished)
            finished();
    }
};

} // namespace

namespace zq {

struct RealInput::Private : EventSink
{
    RealInput *q;
    FaceControl *control = nullptr;
    int cookie = 0;
    // Nonzero while one of our own setters runs: what changes then was not typed.
    int ownChange = 0;
    QString lastText;
    double lastValue = 0;

    explicit Private(RealInput *owner) : q(owner) {}

    void handleEvent(int dispid, EventArgs &) override
    {
        switch (dispid) {
        case vururaz::event::Change: sync(); break;
        case vururaz::event::InvalidEntry: emit q->invalidEntry(); break;
        case vururaz::event::AutoTerminate: emit q->autoTerminated(); break;
        default: break;
        }
    }

    // The control announces the text mid-edit, before it reformats; only what it
    // shows at the end of a step counts as a change.
    void sync()
    {
        const QString text = control->text();
        const double value = control->valueReal();
        if (text != lastText) {
            lastText = text;
            emit q->textChanged(text);
            if (ownChange == 0)
                emit q->textEdited(text);
        }
        if (value != lastValue) {
            lastValue = value;
            emit q->valueChanged(value);
        }
    }

    // Runs one of the control's setters; its refusal (error 380) leaves the property as it was.
    template<typename Set>
    void apply(const char *what, Set set)
    {
        ++ownChange;
        try {
            set();
        } catch (const AutomationError &e) {
            qCDebug(lcRealInput) << "refused" << what << e.description();
        }
        sync();
        --ownChange;
    }
};

RealInput::RealInput(QWidget *parent) : QWidget(parent), d(std::make_unique<Private>(this))
{
    d->control = new FaceControl(this);
    // A container loads a control when it opens its form; only a loaded control formats.
    d->control->loadFromBag(QByteArray());
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(d->control);
    setFocusProxy(d->control);
    setFocusPolicy(d->control->focusPolicy());
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    d->control->setFont(font());

    d->lastText = d->control->text();
    d->lastValue = d->control->valueReal();
    d->cookie = d->control->eventConnection().advise(d.get());
    connect(d->control, &OleControl::propertyChanged, this, [this](int dispid) {
        if (dispid != vururaz::dispid::Text && dispid != dispid::text)
            d->sync();
    });
    d->control->finished = [this] { emit editingFinished(); };
}

RealInput::~RealInput()
{
    d->control->finished = nullptr;
    d->control->eventConnection().unadvise(d->cookie);
    disconnect(d->control, nullptr, this, nullptr);
    delete d->control;
}

double RealInput::value() const { return d->control->valueReal(); }
void RealInput::setValue(double value) { d->apply("value", [&] { d->control->setValueReal(value); }); }
double RealInput::minimum() const { return d->control->minReal(); }
void RealInput::setMinimum(double minimum) { d->apply("minimum", [&] { d->control->setMinReal(minimum); }); }
double RealInput::maximum() const { return d->control->maxReal(); }
void RealInput::setMaximum(double maximum) { d->apply("maximum", [&] { d->control->setMaxReal(maximum); }); }

void RealInput::setRange(double minimum, double maximum)
{
    setMinimum(minimum);
    setMaximum(maximum);
}

int RealInput::decimals() const { return d->control->decimalPlaces(); }
void RealInput::setDecimals(int decimals) { d->apply("decimals", [&] { d->control->setDecimalPlaces(decimals); }); }
QString RealInput::text() const { return d->control->text(); }
void RealInput::setText(const QString &text) { d->apply("text", [&] { d->control->setText(text); }); }
bool RealInput::isReadOnly() const { return d->control->readOnly(); }
void RealInput::setReadOnly(bool readOnly) { d->apply("readOnly", [&] { d->control->setReadOnly(readOnly); }); }
RealInput::SpinSide RealInput::spinSide() const { return SpinSide(d->control->spin()); }
void RealInput::setSpinSide(SpinSide side) { d->apply("spinSide", [&] { d->control->setSpin(short(side)); }); }
double RealInput::singleStep() const { return d->control->spinChangeReal(); }
void RealInput::setSingleStep(double step) { d->apply("singleStep", [&] { d->control->setSpinChangeReal(float(step)); }); }
bool RealInput::moneyFormat() const { return d->control->moneyFormat(); }
void RealInput::setMoneyFormat(bool on) { d->apply("moneyFormat", [&] { d->control->setMoneyFormat(on); }); }
bool RealInput::separator() const { return d->control->separator(); }
void RealInput::setSeparator(bool on) { d->apply("separator", [&] { d->control->setSeparator(on); }); }

QSize RealInput::sizeHint() const
{
    // Room for a line of text inside the border and indent, and a square spin area.
    const QFontMetrics fm(d->control->font());
    const int h = fm.height() + 2 * (1 + d->control->indent() + d->control->bevelSize()) + 4;
    const int w = fm.horizontalAdvance(QLatin1Char('0')) * 12 + h;
    return QSize(w, h);
}

QSize RealInput::minimumSizeHint() const
{
    const QSize hint = sizeHint();
    return QSize(hint.height() * 2, hint.height());
}

void RealInput::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    // The control keeps a font of its own (its stock font), so ours is handed on.
    if (event->type() == QEvent::FontChange && d->control)
        d->control->setFont(font());
}

} // namespace zq
