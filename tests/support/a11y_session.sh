#!/usr/bin/env bash
# Runs a command in a desktop session of its own as a screen reader sees one: an
# X server, a session bus (which starts the accessibility bus and its registry on
# demand) and Qt programs that publish their accessibility tree from the start.
# The command, and everything it started, is ended after SECONDS.
#
#   tests/support/a11y_session.sh OUT_DIR SECONDS COMMAND [ARG...]
#
# Exit status: the command's; 124 when it ran out of time. Needs Xvfb,
# dbus-run-session and at-spi2-core (scripts/install-deps.sh).
set -euo pipefail
out="${1:?usage: a11y_session.sh OUT_DIR SECONDS COMMAND [ARG...]}"
limit="${2:?usage: a11y_session.sh OUT_DIR SECONDS COMMAND [ARG...]}"
shift 2
mkdir -p "$out"

# A display number of its own, picked at random: other test sessions may share /tmp
# without seeing each other's processes, so a lock file alone does not keep them apart.
xvfb=
for _ in 1 2 3 4 5; do
  display=$((100 + RANDOM % 3900))
  [ -e "/tmp/.X11-unix/X$display" ] && continue
  # The number comes back on the descriptor once the server takes connections.
  rm -f "$out/display"
  # -noreset: the accessibility registry connects and leaves early; a server that reset
  # then would turn the program under test away.
  Xvfb ":$display" -displayfd 3 -noreset -screen 0 1280x1024x24 -nolisten tcp 3>"$out/display" 2>"$out/xvfb.log" &
  xvfb=$!
  for _ in $(seq 50); do
    [ -s "$out/display" ] && break
    kill -0 "$xvfb" 2>/dev/null || break
    sleep 0.1
  done
  [ -s "$out/display" ] && kill -0 "$xvfb" 2>/dev/null && break
  kill "$xvfb" 2>/dev/null || true
  xvfb=
done
trap '[ -z "$xvfb" ] || { kill "$xvfb" 2>/dev/null; wait "$xvfb" 2>/dev/null; } || true' EXIT
[ -n "$xvfb" ] || { echo "a11y session: Xvfb did not start (see $out/xvfb.log)" >&2; exit 1; }

export DISPLAY=":$display"
unset QT_QPA_PLATFORM WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS AT_SPI_BUS_ADDRESS
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
export XDG_RUNTIME_DIR="$out/runtime"
mkdir -m 700 -p "$XDG_RUNTIME_DIR"
# timeout ends its whole process group: the bus, the registry and the program under test.
status=0
timeout -k 5 "$limit" dbus-run-session -- "$@" || status=$?
exit "$status"
