# An X server of its own for a desktop test script. Source this file, then
#
#   start_x_server OUT_DIR || fail ...
#
# starts Xvfb (1280x1024, no TCP), exports DISPLAY and an XDG_RUNTIME_DIR under
# OUT_DIR for the programs under test, and leaves the server's process id in
# x_server_pid for the caller to end. Its log is OUT_DIR/xvfb.log.
start_x_server() {
  local out="$1" display _
  x_server_pid=
  # A display number picked at random: other test sessions may share /tmp
  # without seeing each other's processes, so a lock file alone does not keep them apart.
  for _ in 1 2 3 4 5; do
    display=$((100 + RANDOM % 3900))
    [ -e "/tmp/.X11-unix/X$display" ] && continue
    # The number comes back on the descriptor once the server takes connections.
    rm -f "$out/display"
    # -noreset: a client that connects and leaves early (the accessibility registry
    # does) must not make the server reset and turn the program under test away.
    Xvfb ":$display" -displayfd 3 -noreset -screen 0 1280x1024x24 -nolisten tcp 3>"$out/display" 2>"$out/xvfb.log" &
    x_server_pid=$!
    for _ in $(seq 50); do
      [ -s "$out/display" ] && break
      kill -0 "$x_server_pid" 2>/dev/null || break
      sleep 0.1
    done
    [ -s "$out/display" ] && kill -0 "$x_server_pid" 2>/dev/null && break
    kill "$x_server_pid" 2>/dev/null || true
    x_server_pid=
  done
  [ -n "$x_server_pid" ] || return 1
  export DISPLAY=":$display"
  unset QT_QPA_PLATFORM WAYLAND_DISPLAY
  export XDG_RUNTIME_DIR="$out/runtime"
  mkdir -m 700 -p "$XDG_RUNTIME_DIR"
}

# A window manager on that server, as every listener's desktop has: it gives new
# windows the focus and honours a program's requests to activate one. Leaves its
# process id in window_manager_pid; its log is OUT_DIR/openbox.log.
start_window_manager() {
  local out="$1" _
  openbox --sm-disable >"$out/openbox.log" 2>&1 &
  window_manager_pid=$!
  # It answers for the desktop once it manages the screen.
  for _ in $(seq 50); do
    xdotool get_desktop >/dev/null 2>&1 && return 0
    kill -0 "$window_manager_pid" 2>/dev/null || break
    sleep 0.1
  done
  return 1
}
