#!/usr/bin/env bash
# Runs a command in a desktop session of its own as a screen reader sees one: an
# X server with a window manager, a session bus (which starts the accessibility bus and its registry on
# demand) and Qt programs that publish their accessibility tree from the start.
# The command, and everything it started, is ended after SECONDS.
#
#   tests/support/a11y_session.sh OUT_DIR SECONDS COMMAND [ARG...]
#
# Exit status: the command's; 124 when it ran out of time. Needs Xvfb, openbox,
# xdotool, dbus-run-session and at-spi2-core (scripts/install-deps.sh).
set -euo pipefail
out="${1:?usage: a11y_session.sh OUT_DIR SECONDS COMMAND [ARG...]}"
limit="${2:?usage: a11y_session.sh OUT_DIR SECONDS COMMAND [ARG...]}"
shift 2
mkdir -p "$out"

# shellcheck source=x_server.sh
. "$(dirname "$0")/x_server.sh"
x_server_pid= window_manager_pid=
end_desktop() {
  local pid
  for pid in $window_manager_pid $x_server_pid; do
    kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
  done
  return 0
}
trap end_desktop EXIT
start_x_server "$out" || { echo "a11y session: Xvfb did not start (see $out/xvfb.log)" >&2; exit 1; }
start_window_manager "$out" || { echo "a11y session: the window manager did not start (see $out/openbox.log)" >&2; exit 1; }
unset DBUS_SESSION_BUS_ADDRESS AT_SPI_BUS_ADDRESS
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
# timeout ends its whole process group: the bus, the registry and the program under test.
status=0
timeout -k 5 "$limit" dbus-run-session -- "$@" || status=$?
exit "$status"
