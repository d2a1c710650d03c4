"""What a screen reader does, for tests: find a program's accessible objects
through AT-SPI, read and set them, press their actions and hear their events.
Runs with Debian's python3-pyatspi inside tests/support/a11y_session.sh."""

import subprocess
import time

import pyatspi
from gi.repository import GLib

# An action that opens a modal window, or talks to the station, is answered only
# when it is over; AT-SPI would wait up to 15 s for that answer from a program
# that started lately. The action runs on without the answer.
pyatspi.setTimeout(800, 800)


class Failure(Exception):
    pass


class Heard:
    """The AT-SPI events of the given kinds, from the moment it is made."""

    def __init__(self, *kinds):
        self.events = []
        self._kinds = kinds
        pyatspi.Registry.registerEventListener(self._hear, *kinds)

    def _hear(self, event):
        source = (None, None)
        # On a loaded machine a lookup can outlast the bus timeout; an object that went
        # away before the event was read fails every time.
        for _ in range(3):
            try:
                source = (event.source.name, event.source.getRoleName())
                break
            except Exception:
                continue
        self.events.append((event.type, source, event.any_data))

    def of(self, name):
        return [e for e in self.events if e[1][0] == name]

    def close(self):
        pyatspi.Registry.deregisterEventListener(self._hear, *self._kinds)


def pump():
    """Lets events that arrived reach the listeners."""
    context = GLib.MainContext.default()
    while context.iteration(False):
        pass


def wait_for(seconds, what, check):
    """Polls `check` every 0.1 s (events keep arriving) until it answers something."""
    deadline = time.monotonic() + seconds
    while True:
        pump()
        try:
            answer = check()
        except (GLib.Error, LookupError):  # an object being rebuilt: ask again
            answer = None
        if answer:
            return answer
        if time.monotonic() > deadline:
            raise Failure(f"{what}: not within {seconds} s")
        time.sleep(0.1)


def application(pid):
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.get_process_id() == pid:
            return app
    return None


def walk(root):
    """Every object below root, depth first, skipping ones that went away."""
    stack = [root]
    while stack:
        node = stack.pop()
        yield node
        try:
            children = [node.getChildAtIndex(i) for i in range(node.childCount)]
        except GLib.Error:
            continue
        stack.extend(c for c in reversed(children) if c is not None)


def find(root, name, roles=None):
    for node in walk(root):
        try:
            if node.name == name and (roles is None or node.getRole() in roles):
                return node
        except GLib.Error:
            continue
    return None


def find_all(root, roles):
    return [n for n in walk(root) if n.getRole() in roles]


def has_state(node, state):
    return node.getState().contains(state)


def key(*keys):
    """Types on the X keyboard, as a listener does (xdotool's key names)."""
    subprocess.run(["xdotool", "key", *keys], check=True)


def press(node, action="Press"):
    """Does the named action (case aside), as a listener's key to a screen reader's
    'activate' does. The key comes first: a window manager lets a window that opens
    take the focus only as late as the user's last input, and an action alone is none."""
    key("shift")
    time.sleep(0.2)
    actions = node.queryAction()
    # A control of a window still being set up can answer with no actions for a moment.
    names = wait_for(5, f"'{node.name}' offering its actions",
                     lambda: [actions.getName(i) for i in range(actions.nActions)])
    for i, n in enumerate(names):
        if n.lower() == action.lower():
            try:
                actions.doAction(i)
            except GLib.Error as e:
                # The program answers once the action is done; one that talks to the
                # station takes longer than AT-SPI waits. The action still runs.
                if "Did not receive a reply" not in e.message:
                    raise
            return
    raise Failure(f"'{node.name}' has no action {action}; it has {names}")


def text_of(node):
    text = node.queryText()
    return text.getText(0, text.characterCount)
