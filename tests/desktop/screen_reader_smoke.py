"""Uses ORV CAL as a blind technician's screen reader would, through AT-SPI only:
open each window a listener meets (station selection, communication properties,
detection, the connection progress, the line monitor, calibration) and find it
announced as what it is, its controls named and the focus inside it; connect,
hearing the status line; type a command in terminal mode and hear the station's
reply; read and set the Power Setting input, move the outside temperature slider
and press its "Make Change", and see the station hold the new value.

    screen_reader_smoke.py ORVCAL OUT_DIR WIRE_TRACE

Run inside tests/support/a11y_session.sh (tests/desktop/screen_reader_smoke.sh does)."""

import os
import re
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
import atspi_rig as at  # noqa: E402
import pyatspi  # noqa: E402

MENU_ITEM = (pyatspi.ROLE_MENU_ITEM,)
PUSH_BUTTON = (pyatspi.ROLE_PUSH_BUTTON,)
DIALOG, FRAME = (pyatspi.ROLE_DIALOG,), (pyatspi.ROLE_FRAME,)
LIST = (pyatspi.ROLE_COMBO_BOX,)
TEXT = (pyatspi.ROLE_TEXT, pyatspi.ROLE_ENTRY)
STATUS = (pyatspi.ROLE_STATUS_BAR,)

# Each window a listener opens: how it is announced, and controls it must offer by
# what a listener hears of them (a list is heard by its caption, then what it shows).
WINDOWS = {
    "Station Selection": (DIALOG, [("Select Active Station", LIST), ("OK", PUSH_BUTTON)]),
    "Serial Communication Properties": (DIALOG, [("Detect Weather Station COM port and Baud Rate", PUSH_BUTTON),
                                                 ("Close", PUSH_BUTTON)]),
    "Detect Weather Station": (DIALOG, [("Detect Station", PUSH_BUTTON), ("Stop Detection", PUSH_BUTTON),
                                        ("Close", PUSH_BUTTON)]),
    "Connection in Progress": (DIALOG, [("Cancel", PUSH_BUTTON)]),
    "Line Monitor": (FRAME, [("Line trace", TEXT), ("Clear", PUSH_BUTTON), ("Save…", PUSH_BUTTON)]),
    "ORV Weather Station Calibration": (FRAME, [("Close", PUSH_BUTTON), ("Press / Power", (pyatspi.ROLE_PAGE_TAB,))]),
}


def heard(node):
    """What a screen reader says for an input: its labels (Qt names a list by what it
    shows and points to its caption), then its name."""
    labels = []
    for relation in node.getRelationSet():
        if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY:
            labels += [relation.getTarget(i).name for i in range(relation.getNTargets())]
    return ", ".join(labels + [node.name]) if labels else node.name


def audit(window, what):
    """Every input of the window is heard by a name of its own, or a listener cannot tell them apart."""
    names = {}
    stack = [window]
    while stack:
        node = stack.pop()
        if node.getState().contains(pyatspi.STATE_FOCUSABLE) and node.getRole() != pyatspi.ROLE_PAGE_TAB_LIST:
            names.setdefault(heard(node), []).append(node.getRoleName())
        # A list's drop-down is heard as part of the list.
        if node.getRole() != pyatspi.ROLE_COMBO_BOX:
            stack += [node.getChildAtIndex(i) for i in range(node.childCount)]
    if "" in names:
        raise at.Failure(f"{what}: {len(names[''])} inputs without a name ({', '.join(names[''])})")
    shared = {n: roles for n, roles in names.items() if len(roles) > 1}
    if shared:
        raise at.Failure(f"{what}: inputs sharing a name: {shared}")
    return names


def opened(app, title):
    """The window `title` once it shows: announced with its role, every input named,
    the controls of its row there, and the keyboard focus inside it."""
    roles, controls = WINDOWS[title]
    window = at.wait_for(30, f'the "{title}" window', lambda: at.find(app, title, roles))
    audit(window, title)
    for name, control_roles in controls:
        if not any(n.getRole() in control_roles and (n.name == name or heard(n).startswith(name + ", "))
                   for n in at.walk(window)):
            shown = sorted((n.name, n.getRoleName()) for n in at.walk(window) if n.name)
            raise at.Failure(f'{title}: no control named "{name}" with its role; it shows {shown}')
    at.wait_for(5, f"the focus inside {title}",
                lambda: any(at.has_state(n, pyatspi.STATE_FOCUSED) for n in at.walk(window)))
    print(f'screen reader: "{title}" heard as {window.getRoleName()}, {len(controls)} named controls, focus inside')
    return window


def log_shows(log, label):
    """What the window last put in a panel label, from its panel log."""
    with open(log, encoding="utf-8", errors="replace") as f:
        found = re.findall(rf"^orv\.panels: {label} shows (.*)$", f.read(), re.M)
    return found[-1] if found else None


def main(orvcal, out, wire):
    log = os.path.join(out, "orvcal.log")
    env = dict(os.environ, QT_LOGGING_RULES="orv.panels.debug=true")
    with open(log, "w") as log_file:
        app_process = subprocess.Popen([orvcal], stdout=log_file, stderr=subprocess.STDOUT, env=env)
    try:
        run(app_process, log, wire)
    finally:
        if app_process.poll() is None:
            app_process.kill()
        app_process.wait()


def run(app_process, log, wire):
    app = at.wait_for(20, "ORV CAL on the accessibility bus", lambda: at.application(app_process.pid))
    heard = at.Heard("object:text-changed", "object:property-change:accessible-value", "object:text-caret-moved")

    at.press(at.wait_for(10, '"Select Active Station" in the menus',
                         lambda: at.find(app, "Select Active Station", MENU_ITEM)))
    at.press(at.find(opened(app, "Station Selection"), "OK", PUSH_BUTTON))

    at.press(at.wait_for(10, '"Communication Properties" in the menus',
                         lambda: at.find(app, "Communication Properties", MENU_ITEM)))
    properties = opened(app, "Serial Communication Properties")
    fields = audit(properties, "Communication Properties")
    for caption in ("COM Port", "Baud Rate", "Phone # of Remote Station", "Modem Setup String", "Station ID"):
        if not any(f.startswith(caption) for f in fields):
            raise at.Failure(f'Communication Properties: no input named "{caption}"; it has {sorted(fields)}')
    at.press(at.find(properties, "Detect Weather Station COM port and Baud Rate", PUSH_BUTTON))
    at.press(at.find(opened(app, "Detect Weather Station"), "Close", PUSH_BUTTON))
    at.wait_for(10, "the properties window taking input again", lambda: at.has_state(properties, pyatspi.STATE_ENABLED))
    at.press(at.find(properties, "Close", PUSH_BUTTON))

    connect = at.wait_for(10, '"Connect to Weather Station" offered again',
                          lambda: at.find(app, "Connect to Weather Station", MENU_ITEM))
    main_window = [w for w in (app.getChildAtIndex(i) for i in range(app.childCount))
                   if w.getRole() == pyatspi.ROLE_FRAME and w.name.startswith("ORV CAL")][0]
    at.wait_for(10, "the main window taking input again", lambda: at.has_state(main_window, pyatspi.STATE_ENABLED))
    status_line = [n for n in at.find_all(main_window, STATUS) if n.description == "Status"][0]
    status_heard = at.Heard("object:property-change:accessible-name", "object:text-changed")
    at.press(connect)
    opened(app, "Connection in Progress")

    # Once connected (some 7 s), Connect is no longer offered and Calibration Mode is.
    calibration = at.find(app, "Calibration Mode", MENU_ITEM)
    at.wait_for(30, "the connected menus", lambda: not at.has_state(connect, pyatspi.STATE_SENSITIVE)
                and at.has_state(calibration, pyatspi.STATE_SENSITIVE))
    def status_said():
        return [(e[0], e[2]) for e in status_heard.events if e[1][1] == "status bar"]

    def told(news):
        return any(kind == "object:text-changed:insert" and news in str(text) for kind, text in status_said())

    # The main window's status line, and the progress window's step line; on a loaded
    # machine the events can trail the menus.
    for news in ("Connecting to the station", "Connecting to Station", "Connected to Station"):
        try:
            at.wait_for(5, f'a status line telling "{news}"', lambda: told(news))
        except at.Failure:
            raise at.Failure(f'no status line told "{news}"; heard {status_said()}')
    said = status_said()
    status_heard.close()
    print(f"screen reader: status line, role {status_line.getRoleName()}, attributes {status_line.getAttributes()}, "
          f"heard {sorted({kind for kind, _ in said})}; inserted "
          f"{list(dict.fromkeys(str(t) for k, t in said if k.endswith(':insert')))[:6]}")

    terminal_check(app)
    at.press(at.find(app, "Line Monitor", MENU_ITEM))
    trace = at.find(opened(app, "Line Monitor"), "Line trace", TEXT)

    at.press(calibration)
    cal = opened(app, "ORV Weather Station Calibration")

    inputs = audit(cal, "the calibration window")
    for tab in ("Temperature", "Press / Power", "Report Interval", "DTR"):
        if at.find(cal, tab, (pyatspi.ROLE_PAGE_TAB,)) is None:
            raise at.Failure(f'the calibration window has no tab "{tab}"')
    print(f"screen reader: {len(inputs)} inputs of the calibration window, each with a name of its own")

    # The Temperature tab was read on opening; the station's outside temperature shows.
    current = at.wait_for(10, "the outside temperature read", lambda: log_shows(log, "cur_out_temp_lbl"))
    at.press(at.wait_for(5, 'the "Press / Power" tab', lambda: at.find(cal, "Press / Power", (pyatspi.ROLE_PAGE_TAB,))))
    at.wait_for(10, "the Press / Power tab read", lambda: log_shows(log, "cur_press_lbl"))

    power = at.wait_for(5, 'the "Power Setting, Set To" input',
                        lambda: at.find(cal, "Power Setting, Set To", (pyatspi.ROLE_TEXT, pyatspi.ROLE_ENTRY,
                                                                      pyatspi.ROLE_SPIN_BUTTON)))
    value = power.queryValue()
    if at.text_of(power) != "0.00" or value.currentValue != 0:
        raise at.Failure(f"the Power Setting reads '{at.text_of(power)}' (value {value.currentValue}), not 0.00")
    value.currentValue = 12.5
    at.wait_for(5, "the Power Setting text after its value was set", lambda: at.text_of(power) == "12.50")
    at.wait_for(5, "the Power Setting announcing its new value and text",
                lambda: {e[0].split(":")[1] for e in heard.of(power.name)} >= {"property-change", "text-changed"})
    print(f"screen reader: Power Setting 0.00 -> {at.text_of(power)}, value {value.currentValue}; heard "
          f"{sorted({e[0] for e in heard.of(power.name)})}")

    at.press(at.find(cal, "Temperature", (pyatspi.ROLE_PAGE_TAB,)))
    slider = at.wait_for(5, 'the "Outside Temperature" slider',
                         lambda: at.find(cal, "Outside Temperature", (pyatspi.ROLE_SLIDER,)))
    target = int(current) + 1 if int(current) < slider.queryValue().maximumValue else int(current) - 1
    slider.queryValue().currentValue = target
    at.wait_for(5, "the Set To label following the slider",
                lambda: at.find(cal, f"Outside Temperature, Set To: {target}"))
    writes_before = open(wire, encoding="utf-8", errors="replace").read().count("> 02 05 53 50")
    at.press(at.find(cal, "Outside Temperature, Make Change", PUSH_BUTTON))
    at.wait_for(20, f"the outside temperature read back as {target}",
                lambda: log_shows(log, "cur_out_temp_lbl") == str(target))
    writes = open(wire, encoding="utf-8", errors="replace").read().count("> 02 05 53 50")
    if writes <= writes_before:
        raise at.Failure("no write packet reached the simulator")
    print(f"screen reader: outside temperature {current} -> {target}, written and read back")
    at.wait_for(5, "the write in the line monitor's trace", lambda: ">  02 05 53 50" in at.text_of(trace))
    print(f"screen reader: the line trace reads {at.text_of(trace).count(chr(10)) + 1} rows, the write among them")

    at.press(at.find(cal, "Close", PUSH_BUTTON))
    at.wait_for(10, "the calibration window closing",
                lambda: at.find(app, "ORV Weather Station Calibration", (pyatspi.ROLE_FRAME,)) is None)
    at.press(at.find(app, "Exit", MENU_ITEM))
    at.wait_for(10, "ORV CAL ending on File > Exit", lambda: app_process.poll() is not None)
    heard.close()


def terminal_check(app):
    """Terminal mode: the help is readable, and a typed command's reply is heard as it
    arrives (in the pieces the line brings it)."""
    at.press(at.find(app, "Terminal Mode", MENU_ITEM))
    terminal = at.wait_for(10, "the station terminal", lambda: at.find(app, "Station terminal", (pyatspi.ROLE_TERMINAL,)))
    at.wait_for(10, "the terminal help read", lambda: "You are now in terminal mode" in at.text_of(terminal))
    at.wait_for(5, "the focus on the terminal", lambda: at.has_state(terminal, pyatspi.STATE_FOCUSED))
    inserted = at.Heard("object:text-changed:insert")
    at.key("S")
    at.wait_for(10, "the station's reply heard from the terminal",
                lambda: "Serial# 0410-31877" in "".join(str(e[2]) for e in inserted.of("Station terminal")))
    inserted.close()
    if "Serial# 0410-31877" not in at.text_of(terminal):
        raise at.Failure("the reply was announced but the terminal's text does not hold it")
    print(f"screen reader: terminal reply heard as {len(inserted.of('Station terminal'))} insertions")


if __name__ == "__main__":
    try:
        main(*sys.argv[1:4])
    except at.Failure as failure:
        print(f"screen reader: FAILED: {failure}", file=sys.stderr)
        sys.exit(1)
    print("screen reader: passed")
