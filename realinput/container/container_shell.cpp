#include "container_shell.h"

#include "framework/automation_error.h"
#include "framework/ole_control.h"

#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QMenuBar>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

QStringList splitCommandLine(const QString &line)
{
    QStringList words;
    QString word;
    bool inWord = false;
    bool quoted = false;
    for (int i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (quoted) {
            if (c == QLatin1Char('\\') && i + 1 < line.size()) {
                word += line.at(++i);
            } else if (c == QLatin1Char('"')) {
                quoted = false;
            } else {
                word += c;
            }
        } else if (c == QLatin1Char('"')) {
            quoted = true;
            inWord = true;
        } else if (c.isSpace()) {
            if (inWord)
                words << word;
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord)
        words << word;
    return words;
}

namespace {

// A value as typed: icon:/bitmap: load a picture file, "nothing" is no
// picture; everything else stays text for the control to coerce.
zq::Variant parseValue(const QString &text)
{
    for (const auto &[prefix, kind] : {std::pair{QStringLiteral("icon:"), zq::Picture::Icon},
                                       std::pair{QStringLiteral("bitmap:"), zq::Picture::Bitmap}}) {
        if (text.startsWith(prefix)) {
            QFile file(text.mid(prefix.size()));
            zq::Picture picture;
            picture.kind = kind;
            if (file.open(QIODevice::ReadOnly))
                picture.data = file.readAll();
            return zq::Variant::fromPicture(picture);
        }
    }
    if (text == QLatin1String("nothing"))
        return zq::Variant::fromPicture(zq::Picture());
    return zq::Variant::fromString(text);
}

QString hex(quint32 status)
{
    return QStringLiteral("0x%1").arg(status, 8, 16, QLatin1Char('0')).toUpper().replace(QLatin1String("0X"),
                                                                                          QLatin1String("0x"));
}

} // namespace

ContainerShell::ContainerShell(QTextStream &out, QString defaultLibrary)
    : m_out(out), m_defaultLibrary(std::move(defaultLibrary))
{
}

ContainerShell::~ContainerShell()
{
    if (m_control && m_sinkCookie)
        m_control->eventConnection().unadvise(m_sinkCookie);
}

void ContainerShell::print(const QString &line)
{
    m_out << line << '\n';
    m_out.flush();
}

bool ContainerShell::execute(const QString &line)
{
    const QString trimmed = line.trimmed();
    if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char('#')))
        return true;
    const QStringList words = splitCommandLine(trimmed);
    if (words.isEmpty())
        return true;
    bool ok = false;
    try {
        ok = run(words.first().toLower(), words.mid(1));
    } catch (const zq::AutomationError &e) {
        print(QStringLiteral("error %1 %2").arg(hex(e.status()), e.description()));
        ok = false;
    }
    if (!ok)
        ++m_failures;
    QCoreApplication::processEvents();
    return ok;
}

bool ContainerShell::run(const QString &command, const QStringList &args)
{
    if (command == QLatin1String("register"))
        return cmdServer(zq::entry::registerServer, args);
    if (command == QLatin1String("unregister"))
        return cmdServer(zq::entry::unregisterServer, args);
    if (command == QLatin1String("canunload"))
        return cmdServer(zq::entry::canUnloadNow, args);
    if (command == QLatin1String("create"))
        return cmdCreate(args);
    if (command == QLatin1String("get"))
        return cmdGet(args);
    if (command == QLatin1String("set"))
        return cmdSet(args);
    if (command == QLatin1String("call"))
        return cmdCall(args);
    if (command == QLatin1String("save"))
        return cmdSave(args);
    if (command == QLatin1String("load"))
        return cmdLoad(args);
    if (command == QLatin1String("answer"))
        return cmdAnswer(args);
    if (command == QLatin1String("echo")) {
        print(args.join(QLatin1Char(' ')));
        return true;
    }
    if (command == QLatin1String("quit")) {
        m_quit = true;
        return true;
    }
    if (command == QLatin1String("mode")) {
        if (args.size() != 1 || (args[0] != QLatin1String("user") && args[0] != QLatin1String("design"))) {
            print(QStringLiteral("usage: mode user|design"));
            return false;
        }
        m_userMode = args[0] == QLatin1String("user");
        print(QStringLiteral("mode %1").arg(args[0]));
        return true;
    }
    if (command == QLatin1String("watch")) {
        m_watch = args.value(0) != QLatin1String("off");
        print(QStringLiteral("watch %1").arg(m_watch ? QStringLiteral("on") : QStringLiteral("off")));
        return true;
    }
    if (!requireControl())
        return false;
    if (command == QLatin1String("typeinfo")) {
        for (const QString &line : m_control->typeLibrary().describe())
            print(line);
        return true;
    }
    if (command == QLatin1String("show") || command == QLatin1String("hide")) {
        m_window->setVisible(command == QLatin1String("show"));
        print(command == QLatin1String("show") ? QStringLiteral("shown") : QStringLiteral("hidden"));
        return true;
    }
    if (command == QLatin1String("reset")) {
        m_control->resetState();
        print(QStringLiteral("reset"));
        return true;
    }
    if (command == QLatin1String("modified")) {
        print(QStringLiteral("modified %1").arg(m_control->isModified() ? QStringLiteral("yes") : QStringLiteral("no")));
        return true;
    }
    if (command == QLatin1String("focus")) {
        m_window->activateWindow();
        m_control->setFocus(Qt::OtherFocusReason);
        QCoreApplication::processEvents();
        print(QStringLiteral("focus %1").arg(m_control->hasFocus() ? QStringLiteral("in control")
                                                                   : QStringLiteral("elsewhere")));
        return true;
    }
    if (command == QLatin1String("type"))
        return cmdType(args);
    if (command == QLatin1String("press") || command == QLatin1String("move") || command == QLatin1String("release")
        || command == QLatin1String("click"))
        return cmdMouse(command, args);
    if (command == QLatin1String("wait")) {
        QEventLoop loop;
        QTimer::singleShot(args.value(0).toInt(), &loop, &QEventLoop::quit);
        loop.exec();
        return true;
    }
    if (command == QLatin1String("render")) {
        const int scale = args.value(1, QStringLiteral("1")).toInt();
        if (args.size() < 1 || args.size() > 2 || scale < 1) {
            print(QStringLiteral("usage: render FILE [SCALE]"));
            return false;
        }
        QImage image = m_control->grab().toImage();
        // Enlarged pixel for pixel, so a caret or a frame line can be looked at.
        if (scale > 1)
            image = image.scaled(image.size() * scale, Qt::IgnoreAspectRatio, Qt::FastTransformation);
        if (!image.save(args[0])) {
            print(QStringLiteral("cannot write %1").arg(args[0]));
            return false;
        }
        print(QStringLiteral("rendered %1x%2").arg(image.width()).arg(image.height()));
        return true;
    }
    if (command == QLatin1String("properties")) {
        const bool accepted = m_control->showPropertySheet(m_window.get());
        print(accepted ? QStringLiteral("properties applied") : QStringLiteral("properties cancelled"));
        return true;
    }
    if (command == QLatin1String("destroy")) {
        m_window.reset();
        print(QStringLiteral("destroyed"));
        return true;
    }
    print(QStringLiteral("unknown command: %1").arg(command));
    return false;
}

bool ContainerShell::requireControl()
{
    if (m_control)
        return true;
    print(QStringLiteral("no control: use create first"));
    return false;
}

int ContainerShell::memberId(const QString &ref) const
{
    if (ref.startsWith(QLatin1Char('#'))) {
        bool ok = false;
        const int id = ref.mid(1).toInt(&ok);
        if (!ok)
            throw zq::AutomationError(zq::status::unknownName, QStringLiteral("Not a dispatch id: %1").arg(ref));
        return id;
    }
    return m_control->idOfName(ref);
}

QString ContainerShell::memberName(int dispid) const
{
    const zq::MemberInfo *m = m_control->dispatchInterface().byId(dispid);
    return m ? m->name : QStringLiteral("#%1").arg(dispid);
}

bool ContainerShell::cmdServer(const char *symbol, const QStringList &args)
{
    const QString path = args.value(0, m_defaultLibrary);
    const quint32 result = m_loader.callServer(path, symbol);
    print(QStringLiteral("%1 %2 %3").arg(QLatin1String(symbol), hex(result), zq::statusText(result)));
    return result == zq::status::ok || qstrcmp(symbol, zq::entry::canUnloadNow) == 0;
}

bool ContainerShell::cmdCreate(const QStringList &args)
{
    if (args.size() != 1) {
        print(QStringLiteral("usage: create PROGID|{CLSID}"));
        return false;
    }
    m_window.reset();
    m_window = std::make_unique<QWidget>();
    m_window->setWindowTitle(QStringLiteral("zqcontainer"));
    auto *layout = new QVBoxLayout(m_window.get());
    zq::OleControl *control = m_loader.create(args[0], m_window.get());
    layout->addWidget(control);
    // Somewhere for Tab to take the focus, so leaving the control can be tried.
    auto *next = new QLineEdit(m_window.get());
    next->setObjectName(QStringLiteral("nextField"));
    layout->addWidget(next);
    auto *menus = new QMenuBar(m_window.get());
    QAction *properties = menus->addMenu(QStringLiteral("&Edit"))->addAction(QStringLiteral("Properties…"));
    properties->setObjectName(QStringLiteral("properties"));
    connect(properties, &QAction::triggered, this, [this] { execute(QStringLiteral("properties")); });
    layout->setMenuBar(menus);
    m_window->resize(240, 80);
    control->setClientSite(this);
    m_sinkCookie = control->eventConnection().advise(this);
    connect(control, &zq::OleControl::propertyChanged, this, [this](int dispid) {
        if (m_watch)
            print(QStringLiteral("changed %1 (%2)").arg(dispid).arg(memberName(dispid)));
    });
    m_control = control;
    print(QStringLiteral("created %1 %2").arg(control->typeLibrary().coclass.name,
                                              zq::uuidText(control->typeLibrary().coclass.clsid)));
    return true;
}

bool ContainerShell::cmdGet(const QStringList &args)
{
    if (!requireControl())
        return false;
    if (args.size() != 1) {
        print(QStringLiteral("usage: get NAME|#DISPID"));
        return false;
    }
    const int id = memberId(args[0]);
    const zq::Variant v = m_control->getProperty(id);
    print(QStringLiteral("%1 = %2").arg(memberName(id), v.toDisplayString()));
    return true;
}

bool ContainerShell::cmdSet(const QStringList &args)
{
    if (!requireControl())
        return false;
    if (args.size() != 2) {
        print(QStringLiteral("usage: set NAME|#DISPID VALUE"));
        return false;
    }
    const int id = memberId(args[0]);
    m_control->putProperty(id, parseValue(args[1]));
    print(QStringLiteral("ok"));
    return true;
}

bool ContainerShell::cmdCall(const QStringList &args)
{
    if (!requireControl())
        return false;
    if (args.isEmpty()) {
        print(QStringLiteral("usage: call NAME|#DISPID [ARG...]"));
        return false;
    }
    QVector<zq::Variant> values;
    for (const QString &a : args.mid(1))
        values.append(parseValue(a));
    const zq::Variant result = m_control->invokeMethod(memberId(args[0]), values);
    print(result.isEmpty() ? QStringLiteral("ok") : QStringLiteral("result %1").arg(result.toDisplayString()));
    return true;
}

bool ContainerShell::cmdSave(const QStringList &args)
{
    if (!requireControl())
        return false;
    const QString form = args.value(0);
    if (args.size() != 2 || (form != QLatin1String("stream") && form != QLatin1String("bag"))) {
        print(QStringLiteral("usage: save stream|bag FILE"));
        return false;
    }
    const QByteArray data = form == QLatin1String("stream") ? m_control->saveToStream() : m_control->saveToBag();
    QFile file(args[1]);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size()) {
        print(QStringLiteral("cannot write %1").arg(args[1]));
        return false;
    }
    print(QStringLiteral("saved %1 %2 bytes").arg(form).arg(data.size()));
    return true;
}

bool ContainerShell::cmdLoad(const QStringList &args)
{
    if (!requireControl())
        return false;
    const QString form = args.value(0);
    const bool legacy = args.value(2) == QLatin1String("legacy");
    if (args.size() < 2 || args.size() > 3 || (form != QLatin1String("stream") && form != QLatin1String("bag"))) {
        print(QStringLiteral("usage: load stream|bag FILE [legacy]"));
        return false;
    }
    QFile file(args[1]);
    if (!file.open(QIODevice::ReadOnly)) {
        print(QStringLiteral("cannot read %1").arg(args[1]));
        return false;
    }
    const QByteArray data = file.readAll();
    const bool complete = form == QLatin1String("stream") ? m_control->loadFromStream(data)
                                                          : m_control->loadFromBag(data, legacy);
    print(QStringLiteral("loaded %1%2").arg(form, complete ? QString() : QStringLiteral(" (incomplete, defaults used)")));
    return true;
}

bool ContainerShell::cmdAnswer(const QStringList &args)
{
    if (args.size() == 1) {
        m_answers.remove(args[0]);
        print(QStringLiteral("no answer to %1").arg(args[0]));
        return true;
    }
    if (args.size() != 3) {
        print(QStringLiteral("usage: answer EVENT ARG VALUE | answer EVENT"));
        return false;
    }
    m_answers[args[0]][args[1]] = args[2];
    print(QStringLiteral("answer %1 %2 = %3").arg(args[0], args[1], args[2]));
    return true;
}

void ContainerShell::handleEvent(int dispid, zq::EventArgs &args)
{
    const zq::MemberInfo *m = m_control ? m_control->typeLibrary().events.byId(dispid) : nullptr;
    const QString name = m ? m->name : QStringLiteral("#%1").arg(dispid);
    QStringList parts;
    for (const zq::EventArg &a : args)
        parts << QStringLiteral("%1=%2").arg(a.name, a.value.toDisplayString());
    print(QStringLiteral("event %1(%2)%3").arg(name).arg(dispid).arg(parts.isEmpty() ? QString()
                                                                                    : QLatin1Char(' ') + parts.join(QLatin1Char(' '))));
    const auto answers = m_answers.value(name);
    QStringList changed;
    for (zq::EventArg &a : args) {
        if (a.byRef && answers.contains(a.name)) {
            a.value = zq::Variant::fromString(answers.value(a.name));
            changed << QStringLiteral("%1=%2").arg(a.name, a.value.toDisplayString());
        }
    }
    if (!changed.isEmpty())
        print(QStringLiteral("  answered %1").arg(changed.join(QLatin1Char(' '))));
}

void ContainerShell::onModalDialog(bool starting)
{
    print(starting ? QStringLiteral("modal dialog starts") : QStringLiteral("modal dialog ended"));
    // Scripts cannot click; a dialog is closed as soon as it is up.
    if (starting && QGuiApplication::platformName() == QLatin1String("offscreen")) {
        QTimer::singleShot(100, [] {
            if (QWidget *w = QApplication::activeModalWidget())
                w->close();
        });
    }
}

namespace {

// A key of a `type` script: plain characters, or <Name> with S- (Shift) and C- (Ctrl).
struct ScriptKey
{
    int key = 0;
    Qt::KeyboardModifiers mods;
    QString text;
};

QList<ScriptKey> parseKeys(const QString &script, QString *error)
{
    static const QMap<QString, Qt::Key> named{
        {QStringLiteral("Left"), Qt::Key_Left},   {QStringLiteral("Right"), Qt::Key_Right},
        {QStringLiteral("Up"), Qt::Key_Up},       {QStringLiteral("Down"), Qt::Key_Down},
        {QStringLiteral("Home"), Qt::Key_Home},   {QStringLiteral("End"), Qt::Key_End},
        {QStringLiteral("BS"), Qt::Key_Backspace}, {QStringLiteral("Del"), Qt::Key_Delete},
        {QStringLiteral("Ins"), Qt::Key_Insert},  {QStringLiteral("Tab"), Qt::Key_Tab},
        {QStringLiteral("Enter"), Qt::Key_Return}, {QStringLiteral("Esc"), Qt::Key_Escape}};
    QList<ScriptKey> keys;
    for (int i = 0; i < script.size(); ++i) {
        ScriptKey k;
        if (script.at(i) != QLatin1Char('<')) {
            const QChar c = script.at(i);
            k.text = c;
            k.key = c.isLetter() ? Qt::Key_A + (c.toUpper().unicode() - 'A') : c.unicode();
            keys << k;
            continue;
        }
        const int close = script.indexOf(QLatin1Char('>'), i);
        QString name = script.mid(i + 1, close - i - 1);
        if (close < 0) {
            *error = QStringLiteral("unclosed <");
            return {};
        }
        i = close;
        while (name.size() > 2 && name.at(1) == QLatin1Char('-')) {
            k.mods |= name.at(0) == QLatin1Char('S') ? Qt::ShiftModifier : Qt::ControlModifier;
            name = name.mid(2);
        }
        if (name.size() == 1 && name.at(0).isLetter()) {
            k.key = Qt::Key_A + (name.at(0).toUpper().unicode() - 'A');
        } else if (named.contains(name)) {
            k.key = named.value(name);
            if (k.key == Qt::Key_Backspace)
                k.text = QStringLiteral("\b");
            else if (k.key == Qt::Key_Return)
                k.text = QStringLiteral("\r");
            else if (k.key == Qt::Key_Escape)
                k.text = QString(QChar(27));
        } else {
            *error = QStringLiteral("unknown key <%1>").arg(name);
            return {};
        }
        keys << k;
    }
    return keys;
}

} // namespace

bool ContainerShell::cmdType(const QStringList &args)
{
    QString error;
    const QList<ScriptKey> keys = parseKeys(args.join(QLatin1Char(' ')), &error);
    if (!error.isEmpty()) {
        print(QStringLiteral("usage: type KEYS (%1)").arg(error));
        return false;
    }
    for (const ScriptKey &k : keys) {
        // Keys go where a keyboard's would: to the widget with the focus.
        QWidget *target = QApplication::focusWidget() ? QApplication::focusWidget() : m_control.data();
        QKeyEvent press(QEvent::KeyPress, k.key, k.mods, k.text);
        QApplication::sendEvent(target, &press);
        QKeyEvent release(QEvent::KeyRelease, k.key, k.mods, k.text);
        QApplication::sendEvent(QApplication::focusWidget() ? QApplication::focusWidget() : target, &release);
        QCoreApplication::processEvents();
    }
    print(QStringLiteral("typed %1").arg(keys.size()));
    return true;
}

bool ContainerShell::cmdMouse(const QString &command, const QStringList &args)
{
    bool okX = false, okY = false;
    const QPointF pos(args.value(0).toInt(&okX), args.value(1).toInt(&okY));
    if (args.size() != 2 || !okX || !okY) {
        print(QStringLiteral("usage: %1 X Y").arg(command));
        return false;
    }
    const QPointF global = m_control->mapToGlobal(pos);
    const auto send = [&](QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons held) {
        QWidget *target = QWidget::mouseGrabber() ? QWidget::mouseGrabber() : m_control.data();
        QMouseEvent event(type, target->mapFromGlobal(global), global, button, held, Qt::NoModifier);
        if (type == QEvent::MouseButtonPress && target->focusPolicy() & Qt::ClickFocus)
            target->setFocus(Qt::MouseFocusReason);
        QApplication::sendEvent(target, &event);
    };
    if (command == QLatin1String("press") || command == QLatin1String("click"))
        send(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton);
    if (command == QLatin1String("move"))
        send(QEvent::MouseMove, Qt::NoButton, m_mouseHeld ? Qt::LeftButton : Qt::NoButton);
    if (command == QLatin1String("release") || command == QLatin1String("click"))
        send(QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton);
    m_mouseHeld = command == QLatin1String("press") || (m_mouseHeld && command == QLatin1String("move"));
    return true;
}

#include "moc_container_shell.cpp"
