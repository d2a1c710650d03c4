#include "Cal_form.h"

#include "cal_texts.h"
#include "power_input.h"
#include "screen_pointer.h"

#include "params/baud_change.h"
#include "params/system_clock.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLoggingCategory>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>
#include <QVBoxLayout>
#include <QWindow>

Q_LOGGING_CATEGORY(lcPanels, "orv.panels", QtInfoMsg)

namespace {

const QString makeChange = QStringLiteral("Make Change");

// Tab by tab, the operations that fill its panels, in the order the station is asked.
const char *const tabReadTable[Cal_form::tabCount][3] = {
    {"read_in_temp", "read_out_temp", "read_aux_temp"},
    {"read_hum_0", "read_hum_75", nullptr},
    {"read_press", nullptr, nullptr},
    {"read_daily_rain", "read_monthly_rain", "read_term_rain"},
    {"read_wind_offset", "read_wind_options", nullptr},
    {"read_solar", nullptr, nullptr},
    {"read_light", nullptr, nullptr},
    {"read_wet_level", nullptr, nullptr},
    {"read_log_hours", "read_log_minutes", nullptr},
    {"read_report_hours", "read_report_minutes", nullptr},
    {"read_report_flag", "read_report_extras", nullptr},
    {"read_station_clock", "read_baud", nullptr},
    {"read_dtr_delay", nullptr, nullptr},
    {"read_units", "read_time_format", "read_aux_display"},
};

// "Yes"/"No" in the three columns of each report flag setting.
const bool reportFlagColumns[8][3] = {
    {false, false, false}, {true, false, false}, {false, false, false}, {true, true, false},
    {false, false, true},  {true, false, true},  {false, false, true},  {true, true, true},
};

const int baudRates[] = {300, 600, 1200, 2400, 4800, 9600, 19200, 38400};

} // namespace

Cal_form::Cal_form(const CalibrationContext &context, QWidget *owner)
    : QWidget(nullptr, Qt::Window)
    , m_context(context)
    , m_owner(owner)
    , m_ops(context.link, context.records, *this)
    , m_clock(context.link, context.records, *this)
{
    setObjectName(QStringLiteral("Cal_form"));
    setWindowTitle(QStringLiteral("ORV Weather Station Calibration"));
    // Destroyed when closed, so the next entry starts from the design-time contents.
    setAttribute(Qt::WA_DeleteOnClose);

    auto *layout = new QVBoxLayout(this);
    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("SSTab1"));
    // All fourteen captions stay in view: the window is as wide as the tab row.
    m_tabs->setUsesScrollButtons(false);
    layout->addWidget(m_tabs, 1);
    buildTabs();

    auto *hint = label(QStringLiteral("Label7"), caltext::sliderHint, this, true);
    layout->addWidget(hint);
    auto *close = button(QStringLiteral("Command1"), QStringLiteral("&Close"), this, &Cal_form::Command1_Click);
    layout->addWidget(close, 0, Qt::AlignHCenter);

    // Form_Load: tab 0 selected before anything listens for selections.
    m_tabs->setCurrentIndex(0);
    connect(m_tabs, &QTabWidget::currentChanged, this, &Cal_form::SSTab1_Click);

    // Owned by the main window without being its child: a disabled owner must
    // not disable this window too.
    winId();
    if (owner && owner->window()->windowHandle())
        windowHandle()->setTransientParent(owner->window()->windowHandle());
    resize(sizeHint().expandedTo(QSize(720, 560)));
}

Cal_form::~Cal_form() = default;

QStringList Cal_form::tabReads(int tab)
{
    QStringList reads;
    if (tab < 0 || tab >= tabCount)
        return reads;
    for (const char *op : tabReadTable[tab])
        if (op)
            reads << QString::fromLatin1(op);
    return reads;
}

bool Cal_form::runTabReads(int tab)
{
    for (const QString &op : tabReads(tab)) {
        if (op == QLatin1String("read_station_clock")) {
            if (m_clock.read_station_clock() == orv::ClockResult::ComFailed)
                return false;
        } else if (!m_ops.run(op)) {
            return false;
        }
    }
    return true;
}

void Cal_form::SSTab1_Click()
{
    beginBusy();
    // After a failure the link is closed and this window unloading: touch nothing.
    if (!runTabReads(m_tabs->currentIndex()))
        return;
    endBusy();
}

void Cal_form::Command1_Click()
{
    close();
}

void Cal_form::unload()
{
    if (m_unloaded)
        return;
    m_forceClose = true;
    close();
}

void Cal_form::closeEvent(QCloseEvent *event)
{
    // A window closed from outside while it waits on the station would leave
    // the sequence writing into a dead window.
    if (m_busy && !m_forceClose) {
        event->ignore();
        return;
    }
    if (m_owner) {
        m_owner->setEnabled(true);
        m_owner->activateWindow();
        m_owner->setFocus();
    }
    setScreenPointerNormal();
    m_unloaded = true;
    event->accept();
}

void Cal_form::beginBusy()
{
    m_busy = true;
    setEnabled(false);
    setScreenPointerBusy();
}

void Cal_form::endBusy()
{
    m_busy = false;
    setScreenPointerNormal();
    setEnabled(true);
}

void Cal_form::makeSliderChange(const orv::SliderSetting &setting)
{
    beginBusy();
    const int position = sliderValue(QString::fromLatin1(setting.slider));
    const orv::AccessResult written = m_ops.writeSlider(setting, float(position) / float(setting.factor));
    if (written == orv::AccessResult::ComFailed || (written == orv::AccessResult::Done && !m_ops.readSlider(setting))) {
        unload();
        return;
    }
    // After a fault in the definition file the panel is disabled and the link still open.
    endBusy();
}

void Cal_form::changeAndReadBack(bool (orv::SettingOps::*write)(), bool (orv::SettingOps::*read)())
{
    beginBusy();
    if (!(m_ops.*write)() || !(m_ops.*read)()) {
        unload();
        return;
    }
    endBusy();
}

void Cal_form::change_rpt_flag_cmd_Click()
{
    int option = -1;
    for (int k = 0; k < 8 && option < 0; ++k)
        if (isSelected(QStringLiteral("flag_opt"), k))
            option = k;
    // The button stays disabled until an option is selected; nothing to send otherwise.
    if (option < 0)
        return;
    beginBusy();
    if (!m_ops.write_report_flag(option) || !m_ops.read_report_flag()) {
        unload();
        return;
    }
    endBusy();
}

void Cal_form::change_new_flag_cmd_Click()
{
    changeAndReadBack(&orv::SettingOps::write_report_extras, &orv::SettingOps::read_report_extras);
}

void Cal_form::other_wind_cmd_Click()
{
    changeAndReadBack(&orv::SettingOps::write_wind_options, &orv::SettingOps::read_wind_options);
}

void Cal_form::change_unit_cmd_Click()
{
    changeAndReadBack(&orv::SettingOps::write_units, &orv::SettingOps::read_units);
}

void Cal_form::change_time_cmd_Click()
{
    changeAndReadBack(&orv::SettingOps::write_time_format, &orv::SettingOps::read_time_format);
}

void Cal_form::change_aux_cmd_Click()
{
    changeAndReadBack(&orv::SettingOps::write_aux_display, &orv::SettingOps::read_aux_display);
}

void Cal_form::time_appy_cmd_Click()
{
    beginBusy();
    const orv::ClockResult result = isSelected(QStringLiteral("time_opt"), 0)
                                        ? m_clock.setStationFromComputer()
                                        : m_clock.setComputerFromStation(m_context.systemClock);
    if (result == orv::ClockResult::ComFailed) {
        unload();
        return;
    }
    endBusy();
}

void Cal_form::baud_apply_cmd_Click()
{
    auto *combo = control<QComboBox>(QStringLiteral("baud_combo"));
    const int rate = combo->currentIndex() < 0 ? 0 : combo->currentData().toInt();
    beginBusy();
    if (orv::change_station_baud(m_context.link, m_context.records, m_context.settings, m_context.settingsFile,
                                 *this, rate)
        == orv::BaudChange::Disconnected) {
        unload();
        return;
    }
    endBusy();
}

void Cal_form::setFrameEnabled(const QString &frame, bool enabled)
{
    if (QWidget *w = m_controls.value(frame))
        w->setEnabled(enabled);
}

void Cal_form::setFrameVisible(const QString &frame, bool visible)
{
    if (QWidget *w = m_controls.value(frame))
        w->setVisible(visible);
}

void Cal_form::setCaption(const QString &name, const QString &text)
{
    if (auto *l = control<QLabel>(name)) {
        l->setText(text);
        // Lets a test driving the real window from outside see what a panel shows.
        qCDebug(lcPanels).noquote() << name << "shows" << text;
    }
}

void Cal_form::setSlider(const QString &name, int minimum, int maximum, int value)
{
    if (auto *s = control<QSlider>(name)) {
        s->setMinimum(minimum);
        s->setMaximum(maximum);
        s->setValue(value);
    }
}

int Cal_form::sliderValue(const QString &name) const
{
    auto *s = control<QSlider>(name);
    return s ? s->value() : 0;
}

bool Cal_form::isChecked(const QString &name) const
{
    auto *b = control<QAbstractButton>(name);
    return b && b->isChecked();
}

void Cal_form::setChecked(const QString &name, bool checked)
{
    if (auto *b = control<QAbstractButton>(name))
        b->setChecked(checked);
}

bool Cal_form::isSelected(const QString &group, int index) const
{
    return isChecked(orv::optionName(group, index));
}

void Cal_form::select(const QString &group, int index)
{
    setChecked(orv::optionName(group, index), true);
}

bool Cal_form::eventFilter(QObject *watched, QEvent *event)
{
    // A wrapped caption acts for its button, as the button's own text would.
    if (event->type() == QEvent::MouseButtonRelease) {
        if (QAbstractButton *b = m_captionButtons.value(watched)) {
            if (b->isEnabled() && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
                b->setFocus();
                b->click();
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void Cal_form::registerControl(QWidget *widget)
{
    m_controls.insert(widget->objectName(), widget);
}

QWidget *Cal_form::addTab(const QString &caption)
{
    auto *page = new QWidget(m_tabs);
    page->setObjectName(QStringLiteral("SSTab1_tab%1").arg(m_tabs->count()));
    auto *layout = new QVBoxLayout(page);
    layout->setSpacing(6);
    m_tabs->addTab(page, caption);
    return page;
}

QGroupBox *Cal_form::frame(const QString &name, const QString &caption, QWidget *parent)
{
    auto *box = new QGroupBox(caption, parent);
    box->setObjectName(name);
    registerControl(box);
    return box;
}

QLabel *Cal_form::label(const QString &name, const QString &text, QWidget *parent, bool wrap)
{
    auto *l = new QLabel(text, parent);
    if (!name.isEmpty()) {
        l->setObjectName(name);
        registerControl(l);
    }
    l->setWordWrap(wrap);
    return l;
}

QAbstractButton *Cal_form::button(const QString &name, const QString &caption, QWidget *parent,
                                  void (Cal_form::*handler)())
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(name);
    registerControl(b);
    if (handler)
        connect(b, &QPushButton::clicked, this, handler);
    return b;
}

QWidget *Cal_form::wrappedButton(QAbstractButton *b, const QString &caption, QWidget *parent)
{
    // Check boxes and option buttons do not wrap their text; a label beside
    // them does, and clicking it acts on the button.
    auto *row = new QWidget(parent);
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    b->setParent(row);
    b->setAccessibleName(caption);
    auto *text = new QLabel(caption, row);
    text->setObjectName(b->objectName() + QStringLiteral("_caption"));
    text->setWordWrap(true);
    text->setBuddy(b);
    text->installEventFilter(this);
    m_captionButtons.insert(text, b);
    layout->addWidget(b, 0, Qt::AlignTop);
    layout->addWidget(text, 1);
    registerControl(b);
    return row;
}

QGroupBox *Cal_form::sliderPanel(const char *readOp, const QString &caption, QWidget *parent)
{
    const orv::SliderSetting *s = orv::findSliderSetting(QString::fromLatin1(readOp));
    Q_ASSERT(s);
    QGroupBox *box = frame(QString::fromLatin1(s->frame), caption, parent);
    auto *grid = new QGridLayout(box);

    grid->addWidget(label({}, QStringLiteral("Currently"), box), 0, 0);
    QLabel *current = label(QString::fromLatin1(s->currentLabel), {}, box);
    current->setMinimumWidth(60);
    grid->addWidget(current, 0, 1);
    grid->addWidget(label({}, QStringLiteral("Set To"), box), 0, 2, Qt::AlignRight);
    QLabel *set = label(QString::fromLatin1(s->setLabel), {}, box);
    set->setMinimumWidth(60);
    grid->addWidget(set, 0, 3);

    QLabel *minimum = label(QString::fromLatin1(s->minLabel), {}, box);
    QLabel *maximum = label(QString::fromLatin1(s->maxLabel), {}, box);
    if (s->entry == orv::ParamEntry::TempOutside || s->entry == orv::ParamEntry::TempInside
        || s->entry == orv::ParamEntry::TempAux) {
        minimum->setText(QStringLiteral("-96°F"));
        maximum->setText(QStringLiteral("159°F"));
    }
    auto *slider = new QSlider(Qt::Horizontal, box);
    slider->setObjectName(QString::fromLatin1(s->slider));
    registerControl(slider);
    slider->setRange(s->design.minimum, s->design.maximum);
    slider->setSingleStep(s->design.smallStep);
    slider->setPageStep(s->design.largeStep);
    slider->setTickInterval(s->design.tickSpacing);
    slider->setTickPosition(QSlider::TicksBelow);
    slider->setMinimumWidth(240);
    // Mouse, arrow keys, page keys and reads all come through valueChanged.
    connect(slider, &QSlider::valueChanged, set, [s, set](int value) { set->setText(orv::setLabelText(*s, value)); });
    grid->addWidget(minimum, 1, 0);
    grid->addWidget(slider, 1, 1, 1, 3);
    grid->addWidget(maximum, 1, 4);

    QAbstractButton *change = button(QString::fromLatin1(s->button), makeChange, box, nullptr);
    connect(change, &QAbstractButton::clicked, this, [this, s] { makeSliderChange(*s); });
    grid->addWidget(change, 0, 4, Qt::AlignRight);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    return box;
}

void Cal_form::addOptionGroup(const QString &group, const QStringList &captions, QVBoxLayout *layout,
                              QWidget *parent)
{
    auto *buttons = new QButtonGroup(parent);
    for (int i = 0; i < captions.size(); ++i) {
        auto *option = new QRadioButton(parent);
        option->setObjectName(orv::optionName(group, i));
        buttons->addButton(option, i);
        if (captions[i].size() > 40) {
            layout->addWidget(wrappedButton(option, captions[i], parent));
        } else {
            option->setText(captions[i]);
            registerControl(option);
            layout->addWidget(option);
        }
    }
}

void Cal_form::buildTabs()
{
    QWidget *tab = addTab(QStringLiteral("Temperature"));
    auto *l = static_cast<QVBoxLayout *>(tab->layout());
    l->addWidget(sliderPanel("read_out_temp", QStringLiteral("Outside Temperature"), tab));
    l->addWidget(sliderPanel("read_in_temp", QStringLiteral("Inside temperature"), tab));
    l->addWidget(sliderPanel("read_aux_temp", QStringLiteral("Aux. Temperature"), tab));
    l->addWidget(label(QStringLiteral("Label1(36)"), caltext::temperature, tab, true));
    l->addStretch();

    tab = addTab(QStringLiteral("Humidity"));
    l = static_cast<QVBoxLayout *>(tab->layout());
    l->addWidget(sliderPanel("read_hum_0", QStringLiteral("Outside Humidity mV @  0.0% RH"), tab));
    l->addWidget(sliderPanel("read_hum_75", QStringLiteral("Outside Humidity mV @ 75.3% RH"), tab));
    l->addWidget(label(QStringLiteral("Label2(1)"), caltext::humidity, tab, true));
    l->addStretch();

    tab = addTab(QStringLiteral("Press / Power"));
    l = static_cast<QVBoxLayout *>(tab->layout());
    QGroupBox *press = sliderPanel("read_press", QStringLiteral("Barometric Pressure"), tab);
    static_cast<QGridLayout *>(press->layout())
        ->addWidget(label(QStringLiteral("Label1(34)"), caltext::pressure, press, true), 2, 0, 1, 5);
    l->addWidget(press);
    QGroupBox *power = frame(QStringLiteral("Frame1"), QStringLiteral("Power Setting"), tab);
    buildPowerSetting(power);
    l->addWidget(power);
    l->addStretch();

    tab = addTab(QStringLiteral("Rainfall"));
    l = static_cast<QVBoxLayout *>(tab->layout());
    l->addWidget(sliderPanel("read_daily_rain", QStringLiteral("Daily Rainfall Counter"), tab));
    l->addWidget(sliderPanel("read_monthly_rain", QStringLiteral("Monthly Rainfall Counter"), tab));
    l->addWidget(sliderPanel("read_term_rain", QStringLiteral("Term Rainfall Counter"), tab));
    l->addStretch();

    tab = addTab(QStringLiteral("Wind"));
    l = static_cast<QVBoxLayout *>(tab->layout());
    QGroupBox *offset = sliderPanel(
        "read_wind_offset", QStringLiteral("Wind Direction Offset (Adds Offset to Reported Wind Direction)"), tab);
    static_cast<QGridLayout *>(offset->layout())
        ->addWidget(label(QStringLiteral("Label1(35)"), caltext::windOffset, offset, true), 2, 0, 1, 5);
    l->addWidget(offset);
    QGroupBox *wind = frame(QStringLiteral("other_wind_frame"), QStringLiteral("Other Wind Options"), tab);
    auto *windLayout = new QVBoxLayout(wind);
    auto *average = new QCheckBox(wind);
    average->setObjectName(QStringLiteral("average_chk"));
    windLayout->addWidget(wrappedButton(
        average,
        QStringLiteral("If checkmarked Weather station will output to serial port instantaneous wind speed/direction "
                       "instead of 1 minute average wind speed and direction."),
        wind));
    auto *knots = new QCheckBox(wind);
    knots->setObjectName(QStringLiteral("knot_chk"));
    windLayout->addWidget(wrappedButton(
        knots, QStringLiteral("Wind speed in Knots. This overides the overall system units of measure setting."),
        wind));
    windLayout->addWidget(label(QStringLiteral("Label1(37)"), caltext::windOptions, wind, true));
    windLayout->addWidget(button(QStringLiteral("other_wind_cmd"), makeChange, wind, &Cal_form::other_wind_cmd_Click),
                          0, Qt::AlignRight);
    l->addWidget(wind);
    l->addStretch();

    tab = addTab(QStringLiteral("Solar"));
    l = static_cast<QVBoxLayout *>(tab->layout());
    l->addWidget(sliderPanel("read_solar", QStringLiteral("Solar Radiation Calibration Factor"), tab));
    l->addWidget(label(QStringLiteral("Label1(38)"), caltext::solar, tab, true));
    l->addStretch();

    tab = addTab(QStringLiteral("Lightning"));
    l = static_cast<QVBoxLayout *>(tab->layout());
    l->addWidget(sliderPanel("read_light", QStringLiteral("Lightning Log Level"), tab));
    l->addWidget(label(QStringLiteral("Label1(39)"), caltext::lightning, tab, true));
    l->addStretch();

    tab = addTab(QStringLiteral("Leaf Wetness"));
    l = static_cast<QVBoxLayout *>(tab->layout());
    l->addWidget(sliderPanel("read_wet_level", QStringLiteral("Leaf Wetness Wet Level"), tab));
    l->addWidget(label(QStringLiteral("Label1(40)"), caltext::leafWetness, tab, true));
    l->addStretch();

    tab = addTab(QStringLiteral("Logging Interval"));
    l = static_cast<QVBoxLayout *>(tab->layout());
    l->addWidget(sliderPanel("read_log_hours", QStringLiteral("Logging Interval Hours"), tab));
    l->addWidget(sliderPanel("read_log_minutes", QStringLiteral("Logging Interval Minutes"), tab));
    l->addWidget(label(QStringLiteral("Label5(0)"), caltext::logging, tab, true));
    l->addStretch();

    tab = addTab(QStringLiteral("Report Interval"));
    l = static_cast<QVBoxLayout *>(tab->layout());
    l->addWidget(sliderPanel("read_report_hours", QStringLiteral("Report Interval Hours"), tab));
    l->addWidget(sliderPanel("read_report_minutes", QStringLiteral("Report Interval Minutes"), tab));
    l->addWidget(label(QStringLiteral("Label5(1)"), caltext::reporting, tab, true));
    l->addStretch();

    buildReportFlags(addTab(QStringLiteral("Report Flags")));
    buildClockAndBaud(addTab(QStringLiteral("&Time-Date/Baud Rate")));

    tab = addTab(QStringLiteral("DTR"));
    l = static_cast<QVBoxLayout *>(tab->layout());
    l->addWidget(sliderPanel("read_dtr_delay", QStringLiteral("Serial Port DTR Line \"Time to Live\" Delay"), tab));
    l->addWidget(label(QStringLiteral("Label1(43)"), caltext::dtr, tab, true));
    l->addStretch();

    buildDisplay(addTab(QStringLiteral("Display")));
}

void Cal_form::buildPowerSetting(QGroupBox *power)
{
    auto *grid = new QGridLayout(power);
    grid->addWidget(label({}, QStringLiteral("Currently"), power), 0, 0);
    grid->addWidget(label(QStringLiteral("power_cur_lbl"), {}, power), 0, 1);
    grid->addWidget(label({}, QStringLiteral("Set To"), power), 1, 0);
    // The panel has no setting behind it and its button no action.
    QString error;
    QWidget *input = m_context.controls ? createPowerInput(*m_context.controls, power, &error) : nullptr;
    if (input) {
        grid->addWidget(input, 1, 1, Qt::AlignLeft);
    } else {
        // Without the control library the control's place stays visibly empty.
        auto *slot = new QFrame(power);
        slot->setObjectName(QStringLiteral("ZqRealInput1_slot"));
        slot->setFrameShape(QFrame::Box);
        slot->setFrameShadow(QFrame::Sunken);
        slot->setFixedSize(42, 17);
        slot->setToolTip(error.isEmpty() ? QStringLiteral("The real-number input control is not available")
                                         : QStringLiteral("The real-number input control is not available: ") + error);
        grid->addWidget(slot, 1, 1, Qt::AlignLeft);
    }
    grid->addWidget(label(QStringLiteral("power_min_lbl"), {}, power), 2, 0);
    grid->addWidget(label(QStringLiteral("power_max_lbl"), {}, power), 2, 1);
    grid->addWidget(button(QStringLiteral("Command2"), makeChange, power, nullptr), 0, 2, Qt::AlignRight);
    grid->setColumnStretch(1, 1);
}

void Cal_form::buildReportFlags(QWidget *tab)
{
    auto *l = static_cast<QVBoxLayout *>(tab->layout());
    QGroupBox *flags = frame(QStringLiteral("flag_frame"), {}, tab);
    auto *grid = new QGridLayout(flags);
    grid->setVerticalSpacing(2);
    const QStringList heads{QStringLiteral("Setting"), QStringLiteral("Print and/or Log Min/Max at End of Day"),
                            QStringLiteral("Send Form Feed to Printer at End of Day"),
                            QStringLiteral("Subtitute Rainfall Rate in place of Term Rainfall")};
    for (int c = 0; c < heads.size(); ++c) {
        QLabel *head = label({}, heads[c], flags, true);
        head->setAlignment(Qt::AlignCenter);
        grid->addWidget(head, 0, c);
    }
    auto *group = new QButtonGroup(flags);
    auto addLine = [&](int index, int row) {
        auto *line = new QFrame(flags);
        line->setObjectName(QStringLiteral("Line1(%1)").arg(index));
        line->setFrameShape(QFrame::HLine);
        line->setFrameShadow(QFrame::Sunken);
        grid->addWidget(line, row, 0, 1, heads.size());
    };
    addLine(0, 1);
    for (int k = 0; k < 8; ++k) {
        const int row = 2 + 2 * k;
        auto *option = new QRadioButton(QString::number(k), flags);
        option->setObjectName(orv::optionName(QStringLiteral("flag_opt"), k));
        registerControl(option);
        group->addButton(option, k);
        grid->addWidget(option, row, 0, Qt::AlignHCenter);
        for (int c = 0; c < 3; ++c) {
            QLabel *cell = label({}, reportFlagColumns[k][c] ? QStringLiteral("Yes") : QStringLiteral("No"), flags);
            cell->setAlignment(Qt::AlignCenter);
            grid->addWidget(cell, row, c + 1);
        }
        addLine(k + 1, row + 1);
    }
    QAbstractButton *change =
        button(QStringLiteral("change_rpt_flag_cmd"), makeChange, flags, &Cal_form::change_rpt_flag_cmd_Click);
    // Nothing to send until a setting is selected.
    change->setEnabled(false);
    connect(group, &QButtonGroup::idToggled, change, [change](int, bool checked) {
        if (checked)
            change->setEnabled(true);
    });
    grid->addWidget(change, 2 + 2 * 8, 0, 1, heads.size(), Qt::AlignRight);
    for (int c = 1; c < heads.size(); ++c)
        grid->setColumnStretch(c, 1);
    l->addWidget(flags);

    QGroupBox *extras = frame(QStringLiteral("new_flag_frame"), {}, tab);
    auto *extrasLayout = new QVBoxLayout(extras);
    auto *maxFlag = new QCheckBox(extras);
    maxFlag->setObjectName(QStringLiteral("max_flag_chk"));
    extrasLayout->addWidget(wrappedButton(
        maxFlag,
        QStringLiteral("Mark this check box if serial port output at end of day and/or data log will contain daily "
                       "max/min information."),
        extras));
    auto *ffFlag = new QCheckBox(extras);
    ffFlag->setObjectName(QStringLiteral("ff_flag_chk"));
    extrasLayout->addWidget(wrappedButton(
        ffFlag,
        QStringLiteral("Mark this check box if form feed should be sent to the attached serial printer at the end of "
                       "each day. Only use if a serial printer is attached to the weather station directly via the "
                       "weather stations serial port!"),
        extras));
    extrasLayout->addWidget(
        button(QStringLiteral("change_new_flag_cmd"), makeChange, extras, &Cal_form::change_new_flag_cmd_Click), 0,
        Qt::AlignRight);
    l->addWidget(extras);
    l->addStretch();
}

void Cal_form::buildClockAndBaud(QWidget *tab)
{
    auto *l = static_cast<QVBoxLayout *>(tab->layout());
    QGroupBox *time = frame(QStringLiteral("Frame8"), QStringLiteral("Weather Station Time"), tab);
    auto *timeLayout = new QVBoxLayout(time);
    addOptionGroup(QStringLiteral("time_opt"),
                   {QStringLiteral("Set Weather Station Time/Date to Computer Time/Date"),
                    QStringLiteral("Set Computer Time/Date to Weather Station Time/Date")},
                   timeLayout, time);
    select(QStringLiteral("time_opt"), 0);
    timeLayout->addWidget(label(QStringLiteral("Label6"),
                                QStringLiteral("Weather Station Date/Time as of initial connection."), time, true));
    QLabel *stationTime = label(QStringLiteral("station_time_lbl"), {}, time);
    stationTime->setFrameShape(QFrame::Panel);
    stationTime->setFrameShadow(QFrame::Sunken);
    timeLayout->addWidget(stationTime);
    timeLayout->addWidget(button(QStringLiteral("time_appy_cmd"), makeChange, time, &Cal_form::time_appy_cmd_Click),
                          0, Qt::AlignRight);
    l->addWidget(time);

    QGroupBox *baud = frame(QStringLiteral("Frame6"), QStringLiteral("Weather Station Baud Rate"), tab);
    auto *grid = new QGridLayout(baud);
    grid->addWidget(label({}, QStringLiteral("Currently"), baud), 0, 0);
    grid->addWidget(label(QStringLiteral("cur_baud_lbl"), {}, baud), 0, 1);
    grid->addWidget(label({}, QStringLiteral("Set To"), baud), 1, 0);
    auto *combo = new QComboBox(baud);
    combo->setObjectName(QStringLiteral("baud_combo"));
    registerControl(combo);
    for (int rate : baudRates)
        combo->addItem(QStringLiteral("%1 Baud").arg(rate), rate);
    combo->setCurrentIndex(-1);
    grid->addWidget(combo, 1, 1);
    QAbstractButton *apply =
        button(QStringLiteral("baud_apply_cmd"), makeChange, baud, &Cal_form::baud_apply_cmd_Click);
    // Without a chosen rate there is nothing to send.
    apply->setEnabled(false);
    connect(combo, &QComboBox::currentIndexChanged, apply, [apply](int index) { apply->setEnabled(index >= 0); });
    grid->addWidget(apply, 1, 2, Qt::AlignRight);
    grid->addWidget(label(QStringLiteral("Label2"), caltext::baudRate, baud, true), 2, 0, 1, 3);
    grid->setColumnStretch(2, 1);
    l->addWidget(baud);
    l->addStretch();
}

void Cal_form::buildDisplay(QWidget *tab)
{
    auto *l = static_cast<QVBoxLayout *>(tab->layout());
    QGroupBox *aux = frame(QStringLiteral("aux_frame"), QStringLiteral("Aux. Temperature Display Mode"), tab);
    auto *auxLayout = new QVBoxLayout(aux);
    addOptionGroup(QStringLiteral("aux_opt"),
                   {QStringLiteral("Include display of Aux. temperature with indoor and outdoor temperatures on "
                                   "console."),
                    QStringLiteral("Do not include display of Aux. temperature with indoor and outdoor temperatures "
                                   "on console.")},
                   auxLayout, aux);
    auxLayout->addWidget(button(QStringLiteral("change_aux_cmd"), makeChange, aux, &Cal_form::change_aux_cmd_Click),
                         0, Qt::AlignRight);
    l->addWidget(aux);

    QGroupBox *time = frame(QStringLiteral("time_frame"), QStringLiteral("Time Format"), tab);
    auto *timeLayout = new QVBoxLayout(time);
    addOptionGroup(QStringLiteral("timef_opt"),
                   {QStringLiteral("12 hour (12am-12pm)"), QStringLiteral("24 hour (00:00 to 23:59)")}, timeLayout,
                   time);
    timeLayout->addWidget(
        button(QStringLiteral("change_time_cmd"), makeChange, time, &Cal_form::change_time_cmd_Click), 0,
        Qt::AlignRight);
    l->addWidget(time);

    QGroupBox *units = frame(QStringLiteral("unit_frame"),
                             QStringLiteral("Units of Measure (Affects both values displayed on console and serial "
                                            "output)"),
                             tab);
    auto *unitLayout = new QVBoxLayout(units);
    addOptionGroup(QStringLiteral("units_opt"), {QStringLiteral("English"), QStringLiteral("Metric")}, unitLayout,
                   units);
    unitLayout->addWidget(
        button(QStringLiteral("change_unit_cmd"), makeChange, units, &Cal_form::change_unit_cmd_Click), 0,
        Qt::AlignRight);
    l->addWidget(units);
    l->addStretch();
}
