#include "Cal_form.h"

#include "cal_texts.h"
#include "keyboard_focus.h"
#include "link_activity.h"
#include "power_input.h"
#include "screen_fit.h"
#include "screen_pointer.h"
#include "window_accessibility.h"

#include "link/line_settings.h"
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
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWindow>

Q_LOGGING_CATEGORY(lcPanels, "orv.panels", QtInfoMsg)

namespace {

// A tab page that scrolls when the screen is too small for it, and otherwise
// asks for all the room its panels want.
class PageScroll : public QScrollArea
{
public:
    using QScrollArea::QScrollArea;

    QSize sizeHint() const override
    {
        const int f = 2 * frameWidth();
        QSize hint = widget() ? widget()->sizeHint() : QSize();
        return hint + QSize(f + verticalScrollBar()->sizeHint().width(), f);
    }
};

const QString makeChange = QStringLiteral("Make Change");

// "Yes"/"No" in the three columns of each report flag setting.
const bool reportFlagColumns[8][3] = {
    {false, false, false}, {true, false, false}, {false, false, false}, {true, true, false},
    {false, false, true},  {true, false, true},  {false, false, true},  {true, true, true},
};

const auto &baudRates = orv::stationRates;

// A label's name is all a screen reader reads of it, so a value label is named by
// what it is and what it shows ("Outside Temperature, Set To: 70").
const char *const spokenAs = "spokenAs";

void speakAs(QWidget *w, const QString &panel, const QString &what)
{
    const QString name = panel + QStringLiteral(", ") + what;
    w->setProperty(spokenAs, name);
    w->setAccessibleName(name);
}

void showText(QLabel *label, const QString &text)
{
    label->setText(text);
    const QString what = label->property(spokenAs).toString();
    if (!what.isEmpty())
        label->setAccessibleName(text.isEmpty() ? what : what + QStringLiteral(": ") + text);
}

// A panel is heard by its frame caption; the two report panels have none and are
// heard as the status line names their writes.
QString heardCaption(orv::PanelId panel)
{
    if (panel == orv::PanelId::ReportFlags)
        return QStringLiteral("Report flags");
    if (panel == orv::PanelId::ReportExtras)
        return QStringLiteral("End of day report options");
    return orv::panelCaption(panel);
}

QString labelCaption(orv::PanelLabel role)
{
    switch (role) {
    case orv::PanelLabel::Current: return QStringLiteral("Currently");
    case orv::PanelLabel::Minimum: return QStringLiteral("Minimum");
    case orv::PanelLabel::Maximum: return QStringLiteral("Maximum");
    case orv::PanelLabel::Set: return QStringLiteral("Set To");
    case orv::PanelLabel::Note: break;
    }
    return QString();
}

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
    // It hands the focus to its tab row, yet is heard as an input of its own.
    m_tabs->setAccessibleName(QStringLiteral("Settings"));
    // The captions stay whole; on a screen narrower than the tab row the row scrolls.
    m_tabs->setUsesScrollButtons(true);
    m_tabs->setElideMode(Qt::ElideNone);
    // The arrow keys already walk the row; Tab goes from the row to the panels.
    for (QToolButton *scroll : m_tabs->tabBar()->findChildren<QToolButton *>())
        scroll->setFocusPolicy(Qt::NoFocus);
    layout->addWidget(m_tabs, 1);
    buildTabs();

    if (m_context.activity)
        layout->addWidget(activityLabel(*m_context.activity, this));
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
    if (owner && owner->window()->windowHandle()) {
        windowHandle()->setTransientParent(owner->window()->windowHandle());
        // Sized for the screen the technician is looking at.
        windowHandle()->setScreen(owner->window()->windowHandle()->screen());
    }
    // Where the screen allows, wide enough for the whole tab row.
    QSize preferred = sizeHint().expandedTo(QSize(720, 560));
    const QMargins margins = layout->contentsMargins();
    const int tabRow = m_tabs->tabBar()->sizeHint().width() + margins.left() + margins.right()
                       + 2 * style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this);
    preferred.setWidth(qMax(preferred.width(), tabRow));
    fitToScreen(this, preferred);
}

Cal_form::~Cal_form() = default;

bool Cal_form::runTabReads(int tab)
{
    const QList<CalTab> &tabs = calibrationTabs();
    if (tab < 0 || tab >= tabs.size())
        return true;
    for (orv::PanelId id : tabs.at(tab).reads)
        for (const CalPanel &panel : tabs.at(tab).panels)
            if (panel.id == id && !readPanel(panel))
                return false;
    return true;
}

bool Cal_form::readPanel(const CalPanel &panel)
{
    if (const orv::SliderSetting *s = orv::sliderSetting(panel.id))
        return m_ops.readSlider(*s) != orv::AccessResult::ComFailed;
    if (panel.kind == CalPanel::StationTime)
        return m_clock.read_station_clock() != orv::ClockResult::ComFailed;
    return !panel.read || (m_ops.*panel.read)() != orv::AccessResult::ComFailed;
}

void Cal_form::SSTab1_Click()
{
    beginBusy(QStringLiteral("Reading the %1 tab").arg(m_tabs->tabText(m_tabs->currentIndex()).remove(QLatin1Char('&'))));
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
    if (m_context.activity && m_busy)
        m_context.activity->end();
    if (m_owner)
        enableRestoringFocus(m_owner, true);
    setScreenPointerNormal();
    m_unloaded = true;
    event->accept();
}

void Cal_form::beginBusy(const QString &task)
{
    if (m_context.activity)
        m_context.activity->begin(task);
    m_busy = true;
    disableKeepingFocus(this);
    setScreenPointerBusy();
}

void Cal_form::endBusy()
{
    if (m_context.activity)
        m_context.activity->end();
    m_busy = false;
    setScreenPointerNormal();
    enableRestoringFocus(this, false);
}

void Cal_form::makeSliderChange(const orv::SliderSetting &setting)
{
    beginBusy(QStringLiteral("Writing ") + orv::panelCaption(setting.panel));
    const orv::AccessResult written = m_ops.writeSlider(
        setting, float(sliderValue(setting.panel)) / float(setting.factor), controls(setting.panel).moved);
    if (written == orv::AccessResult::ComFailed
        || (written == orv::AccessResult::Done && m_ops.readSlider(setting) == orv::AccessResult::ComFailed)) {
        unload();
        return;
    }
    // After a fault in the definition file the panel is disabled and the link
    // still open; with no value chosen nothing was sent.
    endBusy();
}

void Cal_form::changeAndReadBack(const QString &task, orv::AccessResult (orv::SettingOps::*write)(),
                                 orv::AccessResult (orv::SettingOps::*read)())
{
    beginBusy(task);
    if ((m_ops.*write)() == orv::AccessResult::ComFailed || (m_ops.*read)() == orv::AccessResult::ComFailed) {
        unload();
        return;
    }
    endBusy();
}

void Cal_form::change_rpt_flag_cmd_Click()
{
    int option = -1;
    for (int k = 0; k < 8 && option < 0; ++k)
        if (isSelected(orv::PanelId::ReportFlags, k))
            option = k;
    // The button stays disabled until an option is selected; nothing to send otherwise.
    if (option < 0)
        return;
    beginBusy(QStringLiteral("Writing the report flags"));
    if (m_ops.write_report_flag(option) == orv::AccessResult::ComFailed
        || m_ops.read_report_flag() == orv::AccessResult::ComFailed) {
        unload();
        return;
    }
    endBusy();
}

void Cal_form::change_new_flag_cmd_Click()
{
    changeAndReadBack(QStringLiteral("Writing the end of day report options"), &orv::SettingOps::write_report_extras, &orv::SettingOps::read_report_extras);
}

void Cal_form::other_wind_cmd_Click()
{
    changeAndReadBack(QStringLiteral("Writing Other Wind Options"), &orv::SettingOps::write_wind_options, &orv::SettingOps::read_wind_options);
}

void Cal_form::change_unit_cmd_Click()
{
    changeAndReadBack(QStringLiteral("Writing Units of Measure"), &orv::SettingOps::write_units, &orv::SettingOps::read_units);
}

void Cal_form::change_time_cmd_Click()
{
    changeAndReadBack(QStringLiteral("Writing Time Format"), &orv::SettingOps::write_time_format, &orv::SettingOps::read_time_format);
}

void Cal_form::change_aux_cmd_Click()
{
    changeAndReadBack(QStringLiteral("Writing Aux. Temperature Display Mode"), &orv::SettingOps::write_aux_display, &orv::SettingOps::read_aux_display);
}

void Cal_form::time_appy_cmd_Click()
{
    const bool toStation = isSelected(orv::PanelId::StationTime, 0);
    beginBusy(toStation ? QStringLiteral("Setting the weather station clock")
                        : QStringLiteral("Setting the computer clock from the weather station"));
    const orv::ClockResult result = toStation
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
    const int rate = m_baudCombo->currentIndex() < 0 ? 0 : m_baudCombo->currentData().toInt();
    beginBusy(QStringLiteral("Changing the weather station baud rate"));
    if (orv::change_station_baud(m_context.link, m_context.records, m_context.settings, m_context.settingsFile,
                                 *this, rate)
        == orv::BaudChange::Disconnected) {
        unload();
        return;
    }
    endBusy();
}

void Cal_form::setFrameEnabled(orv::PanelId panel, bool enabled)
{
    controls(panel).frame->setEnabled(enabled);
}

void Cal_form::setFrameVisible(orv::PanelId panel, bool visible)
{
    controls(panel).frame->setVisible(visible);
}

void Cal_form::setCaption(orv::PanelId panel, orv::PanelLabel role, const QString &text)
{
    QLabel *l = controls(panel).labels[std::size_t(role)];
    Q_ASSERT_X(l, "Cal_form::setCaption", orv::panelInfo(panel).frame);
    showText(l, text);
    // The panels' notes are shown only while they say something.
    if (role == orv::PanelLabel::Note)
        l->setVisible(!text.isEmpty());
    // Lets a test driving the real window from outside see what a panel shows.
    qCDebug(lcPanels).noquote() << l->objectName() << "shows" << text;
}

void Cal_form::setSlider(orv::PanelId panel, int minimum, int maximum, int value)
{
    PanelControls &c = controls(panel);
    c.slider->setMinimum(minimum);
    c.slider->setMaximum(maximum);
    c.slider->setValue(value);
    c.moved = false;
}

int Cal_form::sliderValue(orv::PanelId panel) const
{
    return controls(panel).slider->value();
}

bool Cal_form::isChecked(orv::CheckBox box) const
{
    return m_checkBoxes[std::size_t(box)]->isChecked();
}

void Cal_form::setChecked(orv::CheckBox box, bool checked)
{
    m_checkBoxes[std::size_t(box)]->setChecked(checked);
}

bool Cal_form::isSelected(orv::PanelId panel, int option) const
{
    const QAbstractButton *b = controls(panel).options.value(option);
    return b && b->isChecked();
}

void Cal_form::select(orv::PanelId panel, int option)
{
    if (QAbstractButton *b = controls(panel).options.value(option)) {
        b->setChecked(true);
        return;
    }
    // An exclusive group refuses to uncheck its last checked button.
    for (QAbstractButton *b : controls(panel).options) {
        QButtonGroup *group = b->group();
        const bool exclusive = group && group->exclusive();
        if (group)
            group->setExclusive(false);
        b->setChecked(false);
        if (group)
            group->setExclusive(exclusive);
    }
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

QGroupBox *Cal_form::frame(orv::PanelId panel, QWidget *parent)
{
    auto *box = new QGroupBox(orv::panelCaption(panel), parent);
    box->setObjectName(QLatin1String(orv::panelInfo(panel).frame));
    controls(panel).frame = box;
    return box;
}

QLabel *Cal_form::label(const QString &name, const QString &text, QWidget *parent, bool wrap)
{
    auto *l = new QLabel(text, parent);
    l->setObjectName(name);
    l->setWordWrap(wrap);
    return l;
}

QLabel *Cal_form::panelLabel(orv::PanelId panel, orv::PanelLabel role, const QString &name, QWidget *parent)
{
    QLabel *l = label(name, {}, parent, role == orv::PanelLabel::Note);
    controls(panel).labels[std::size_t(role)] = l;
    if (role != orv::PanelLabel::Note)
        speakAs(l, orv::panelCaption(panel), labelCaption(role));
    return l;
}

QAbstractButton *Cal_form::button(const QString &name, const QString &caption, QWidget *parent,
                                  void (Cal_form::*handler)())
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(name);
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
    return row;
}

QGroupBox *Cal_form::sliderPanel(const CalPanel &panel, QWidget *parent)
{
    const orv::SliderSetting *s = orv::sliderSetting(panel.id);
    Q_ASSERT_X(s, "Cal_form::sliderPanel", orv::panelInfo(panel.id).frame);
    QGroupBox *box = frame(panel.id, parent);
    auto *grid = new QGridLayout(box);
    using orv::PanelLabel;

    grid->addWidget(label({}, QStringLiteral("Currently"), box), 0, 0);
    QLabel *current = panelLabel(panel.id, PanelLabel::Current, QString::fromLatin1(s->currentLabel), box);
    current->setMinimumWidth(60);
    grid->addWidget(current, 0, 1);
    grid->addWidget(label({}, QStringLiteral("Set To"), box), 0, 2, Qt::AlignRight);
    QLabel *set = panelLabel(panel.id, PanelLabel::Set, QString::fromLatin1(s->setLabel), box);
    set->setMinimumWidth(60);
    grid->addWidget(set, 0, 3);

    QLabel *minimum = panelLabel(panel.id, PanelLabel::Minimum, QString::fromLatin1(s->minLabel), box);
    QLabel *maximum = panelLabel(panel.id, PanelLabel::Maximum, QString::fromLatin1(s->maxLabel), box);
    if (s->entry == orv::ParamEntry::TempOutside || s->entry == orv::ParamEntry::TempInside
        || s->entry == orv::ParamEntry::TempAux) {
        showText(minimum, QStringLiteral("-96°F"));
        showText(maximum, QStringLiteral("159°F"));
    }
    auto *slider = new QSlider(Qt::Horizontal, box);
    slider->setObjectName(QString::fromLatin1(s->slider));
    controls(panel.id).slider = slider;
    slider->setRange(s->design.minimum, s->design.maximum);
    slider->setSingleStep(s->design.smallStep);
    slider->setPageStep(s->design.largeStep);
    slider->setTickInterval(s->design.tickSpacing);
    slider->setTickPosition(QSlider::TicksBelow);
    slider->setMinimumWidth(240);
    // Mouse, arrow keys, page keys and reads all come through valueChanged.
    connect(slider, &QSlider::valueChanged, set, [s, set](int value) { showText(set, orv::setLabelText(*s, value)); });
    slider->setAccessibleName(orv::panelCaption(panel.id));
    // Mouse, keys and wheel come through actions (Home on the lowest position chooses it too);
    // a screen reader sets the value. A read marks it unmoved afterwards.
    const auto moved = [this, id = panel.id] { controls(id).moved = true; };
    connect(slider, &QSlider::actionTriggered, this, moved);
    connect(slider, &QSlider::valueChanged, this, moved);
    grid->addWidget(minimum, 1, 0);
    grid->addWidget(slider, 1, 1, 1, 3);
    grid->addWidget(maximum, 1, 4);

    QAbstractButton *change = button(QString::fromLatin1(s->button), makeChange, box, nullptr);
    connect(change, &QAbstractButton::clicked, this, [this, s] { makeSliderChange(*s); });
    grid->addWidget(change, 0, 4, Qt::AlignRight);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    if (panel.note.name)
        grid->addWidget(label(QString::fromLatin1(panel.note.name), panel.note.text, box, true), 2, 0, 1, 5);
    QLabel *note = panelLabel(panel.id, PanelLabel::Note,
                              QLatin1String(orv::panelInfo(panel.id).frame) + QStringLiteral("_note"), box);
    note->setVisible(false);
    grid->addWidget(note, 3, 0, 1, 5);
    return box;
}

void Cal_form::addOptionGroup(const CalPanel &panel, QVBoxLayout *layout, QWidget *parent)
{
    auto *buttons = new QButtonGroup(parent);
    for (int i = 0; i < panel.choices.size(); ++i) {
        const CalChoice &choice = panel.choices[i];
        auto *option = new QRadioButton(parent);
        option->setObjectName(QString::fromLatin1(choice.name));
        buttons->addButton(option, i);
        controls(panel.id).options.append(option);
        if (choice.caption.size() > 40) {
            layout->addWidget(wrappedButton(option, choice.caption, parent));
        } else {
            option->setText(choice.caption);
            layout->addWidget(option);
        }
    }
}

QWidget *Cal_form::addTab(const QString &caption)
{
    auto *scroll = new PageScroll(m_tabs);
    scroll->setObjectName(QStringLiteral("SSTab1_scroll%1").arg(m_tabs->count()));
    scroll->setFrameShape(QFrame::NoFrame);
    // Tab goes straight to the panels; the page follows the focus as it moves.
    scroll->setFocusPolicy(Qt::NoFocus);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto *page = new QWidget(scroll);
    page->setObjectName(QStringLiteral("SSTab1_tab%1").arg(m_tabs->count()));
    auto *layout = new QVBoxLayout(page);
    layout->setSpacing(6);
    scroll->setWidget(page);
    scroll->setAccessibleName(QString(caption).remove(QLatin1Char('&')));
    m_tabs->addTab(scroll, caption);
    return page;
}

void Cal_form::buildTabs()
{
    for (const CalTab &tab : calibrationTabs()) {
        QWidget *page = addTab(tab.caption);
        auto *l = static_cast<QVBoxLayout *>(page->layout());
        for (const CalPanel &panel : tab.panels) {
            if (QWidget *w = buildPanel(panel, page)) {
                nameInputs(w, heardCaption(panel.id));
                l->addWidget(w);
            }
        }
        if (tab.note.name)
            l->addWidget(label(QString::fromLatin1(tab.note.name), tab.note.text, page, true));
        l->addStretch();
    }
    for (const orv::PanelInfo &panel : orv::panels())
        Q_ASSERT_X(controls(panel.id).frame, "Cal_form::buildTabs", panel.frame);
}

void Cal_form::nameInputs(QWidget *panel, const QString &caption)
{
    // What a panel's own builder left unnamed is heard by the panel: "Other Wind
    // Options, Make Change" rather than one of many "Make Change".
    for (QAbstractButton *b : panel->findChildren<QAbstractButton *>())
        if (b->text() == makeChange && b->accessibleName().isEmpty())
            speakAs(b, caption, makeChange);
    for (QComboBox *choice : panel->findChildren<QComboBox *>())
        if (choice->accessibleName().isEmpty())
            speakAs(choice, caption, QStringLiteral("Set To"));
}

QWidget *Cal_form::buildPanel(const CalPanel &panel, QWidget *parent)
{
    switch (panel.kind) {
    case CalPanel::Slider: return sliderPanel(panel, parent);
    case CalPanel::Options: return options(panel, parent);
    case CalPanel::CheckBoxes: return checkBoxes(panel, parent);
    case CalPanel::ReportFlags: return reportFlags(panel, parent);
    case CalPanel::StationTime: return stationTime(panel, parent);
    case CalPanel::BaudRate: return baudRate(panel, parent);
    case CalPanel::PowerSetting: return powerSetting(panel, parent);
    }
    return nullptr;
}

QGroupBox *Cal_form::powerSetting(const CalPanel &panel, QWidget *parent)
{
    QGroupBox *power = frame(panel.id, parent);
    auto *grid = new QGridLayout(power);
    grid->addWidget(label({}, QStringLiteral("Currently"), power), 0, 0);
    QLabel *current = label(QStringLiteral("power_cur_lbl"), {}, power);
    speakAs(current, orv::panelCaption(panel.id), QStringLiteral("Currently"));
    grid->addWidget(current, 0, 1);
    QLabel *setTo = label({}, QStringLiteral("Set To"), power);
    grid->addWidget(setTo, 1, 0);
    QString error;
    QWidget *input = m_context.controls ? createPowerInput(*m_context.controls, power, &error) : nullptr;
    if (!input)
        input = createPowerInputPlaceholder(power, error);
    setTo->setBuddy(input);
    speakAs(input, orv::panelCaption(panel.id), QStringLiteral("Set To"));
    grid->addWidget(input, 1, 1, Qt::AlignLeft);
    grid->addWidget(label(QStringLiteral("power_min_lbl"), {}, power), 2, 0);
    grid->addWidget(label(QStringLiteral("power_max_lbl"), {}, power), 2, 1);
    grid->addWidget(button(QString::fromLatin1(panel.button), makeChange, power, panel.change), 0, 2, Qt::AlignRight);
    grid->setColumnStretch(1, 1);
    return power;
}

QGroupBox *Cal_form::reportFlags(const CalPanel &panel, QWidget *parent)
{
    QGroupBox *flags = frame(panel.id, parent);
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
        option->setObjectName(QStringLiteral("flag_opt(%1)").arg(k));
        // The row's Yes and No under their column heads, which a listener cannot see.
        QStringList said;
        for (int c = 0; c < 3; ++c)
            said << heads[c + 1] + (reportFlagColumns[k][c] ? QStringLiteral(": Yes") : QStringLiteral(": No"));
        option->setAccessibleName(QStringLiteral("Setting %1").arg(k));
        option->setAccessibleDescription(said.join(QStringLiteral("; ")));
        controls(panel.id).options.append(option);
        group->addButton(option, k);
        grid->addWidget(option, row, 0, Qt::AlignHCenter);
        for (int c = 0; c < 3; ++c) {
            QLabel *cell = label({}, reportFlagColumns[k][c] ? QStringLiteral("Yes") : QStringLiteral("No"), flags);
            cell->setAlignment(Qt::AlignCenter);
            grid->addWidget(cell, row, c + 1);
        }
        addLine(k + 1, row + 1);
    }
    QAbstractButton *change = button(QString::fromLatin1(panel.button), makeChange, flags, panel.change);
    // Nothing to send until a setting is selected.
    change->setEnabled(false);
    connect(group, &QButtonGroup::idToggled, change, [change](int, bool checked) {
        if (checked)
            change->setEnabled(true);
    });
    grid->addWidget(change, 2 + 2 * 8, 0, 1, heads.size(), Qt::AlignRight);
    for (int c = 1; c < heads.size(); ++c)
        grid->setColumnStretch(c, 1);
    return flags;
}

QGroupBox *Cal_form::checkBoxes(const CalPanel &panel, QWidget *parent)
{
    QGroupBox *box = frame(panel.id, parent);
    auto *layout = new QVBoxLayout(box);
    for (const CalChoice &choice : panel.choices) {
        auto *check = new QCheckBox(box);
        check->setObjectName(QString::fromLatin1(choice.name));
        m_checkBoxes[std::size_t(choice.box)] = check;
        layout->addWidget(wrappedButton(check, choice.caption, box));
    }
    if (panel.note.name)
        layout->addWidget(label(QString::fromLatin1(panel.note.name), panel.note.text, box, true));
    layout->addWidget(button(QString::fromLatin1(panel.button), makeChange, box, panel.change), 0, Qt::AlignRight);
    return box;
}

QGroupBox *Cal_form::options(const CalPanel &panel, QWidget *parent)
{
    QGroupBox *box = frame(panel.id, parent);
    auto *layout = new QVBoxLayout(box);
    addOptionGroup(panel, layout, box);
    layout->addWidget(button(QString::fromLatin1(panel.button), makeChange, box, panel.change), 0, Qt::AlignRight);
    return box;
}

QGroupBox *Cal_form::stationTime(const CalPanel &panel, QWidget *parent)
{
    QGroupBox *time = frame(panel.id, parent);
    auto *timeLayout = new QVBoxLayout(time);
    addOptionGroup(panel, timeLayout, time);
    select(panel.id, 0);
    timeLayout->addWidget(label(QString::fromLatin1(panel.note.name), panel.note.text, time, true));
    QLabel *stationTime = panelLabel(panel.id, orv::PanelLabel::Current, QStringLiteral("station_time_lbl"), time);
    stationTime->setFrameShape(QFrame::Panel);
    stationTime->setFrameShadow(QFrame::Sunken);
    timeLayout->addWidget(stationTime);
    timeLayout->addWidget(button(QString::fromLatin1(panel.button), makeChange, time, panel.change), 0,
                          Qt::AlignRight);
    return time;
}

QGroupBox *Cal_form::baudRate(const CalPanel &panel, QWidget *parent)
{
    QGroupBox *baud = frame(panel.id, parent);
    auto *grid = new QGridLayout(baud);
    grid->addWidget(label({}, QStringLiteral("Currently"), baud), 0, 0);
    grid->addWidget(panelLabel(panel.id, orv::PanelLabel::Current, QStringLiteral("cur_baud_lbl"), baud), 0, 1);
    grid->addWidget(label({}, QStringLiteral("Set To"), baud), 1, 0);
    auto *combo = new QComboBox(baud);
    combo->setObjectName(QStringLiteral("baud_combo"));
    m_baudCombo = combo;
    for (int rate : baudRates)
        combo->addItem(QStringLiteral("%1 Baud").arg(rate), rate);
    combo->setCurrentIndex(-1);
    grid->addWidget(combo, 1, 1);
    QAbstractButton *apply = button(QString::fromLatin1(panel.button), makeChange, baud, panel.change);
    // Without a chosen rate there is nothing to send.
    apply->setEnabled(false);
    connect(combo, &QComboBox::currentIndexChanged, apply, [apply](int index) { apply->setEnabled(index >= 0); });
    grid->addWidget(apply, 1, 2, Qt::AlignRight);
    grid->addWidget(label(QString::fromLatin1(panel.note.name), panel.note.text, baud, true), 2, 0, 1, 3);
    grid->setColumnStretch(2, 1);
    return baud;
}

#include "moc_Cal_form.cpp"
