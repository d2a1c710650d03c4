"""Uses ORV CAL as a blind technician's screen reader would, through AT-SPI only:
connect from the menu, open calibration mode, read and set the Power Setting
input, move the outside temperature slider and press its "Make Change", and see
the station hold the new value.

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

    at.press(at.wait_for(10, '"Communication Properties" in the menus',
                         lambda: at.find(app, "Communication Properties", MENU_ITEM)))
    properties = at.wait_for(10, "the Communication Properties window",
                             lambda: at.find(app, "Serial Communication Properties", (pyatspi.ROLE_DIALOG,)))
    fields = audit(properties, "Communication Properties")
    for caption in ("COM Port", "Baud Rate", "Phone # of Remote Station", "Modem Setup String", "Station ID"):
        if not any(f.startswith(caption) for f in fields):
            raise at.Failure(f'Communication Properties: no input named "{caption}"; it has {sorted(fields)}')
    at.press(at.find(properties, "Close", PUSH_BUTTON))

    connect = at.wait_for(10, '"Connect to Weather Station" offered again',
                          lambda: at.find(app, "Connect to Weather Station", MENU_ITEM))
    main_window = [w for w in (app.getChildAtIndex(i) for i in range(app.childCount))
                   if w.getRole() == pyatspi.ROLE_FRAME and w.name.startswith("ORV CAL")][0]
    at.wait_for(10, "the main window taking input again", lambda: at.has_state(main_window, pyatspi.STATE_ENABLED))
    at.press(connect)

    # Once connected (some 7 s), Connect is no longer offered and Calibration Mode is.
    calibration = at.find(app, "Calibration Mode", MENU_ITEM)
    at.wait_for(30, "the connected menus", lambda: not at.has_state(connect, pyatspi.STATE_SENSITIVE)
                and at.has_state(calibration, pyatspi.STATE_SENSITIVE))
    at.press(calibration)
    cal = at.wait_for(30, "the calibration window",
                      lambda: at.find(app, "ORV Weather Station Calibration", (pyatspi.ROLE_FRAME,)))

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

    at.press(at.find(cal, "Close", PUSH_BUTTON))
    at.wait_for(10, "the calibration window closing",
                lambda: at.find(app, "ORV Weather Station Calibration", (pyatspi.ROLE_FRAME,)) is None)
    at.press(at.find(app, "Exit", MENU_ITEM))
    at.wait_for(10, "ORV CAL ending on File > Exit", lambda: app_process.poll() is not None)
    heard.close()


if __name__ == "__main__":
    try:
        main(*sys.argv[1:4])
    except at.Failure as failure:
        print(f"screen reader: FAILED: {failure}", file=sys.stderr)
        sys.exit(1)
    print("screen reader: passed")
