#!/usr/bin/env bash
# Drives the real ORV CAL through a real X server the way a technician would,
# against the station simulator: connect by keyboard, calibration mode, type
# into the Power Setting input, move the daily rainfall slider with the arrow
# keys, "Make Change", then check what the window shows and what the
# simulator's memory holds. Screenshots of each step land in OUT_DIR.
#
#   tests/desktop/real_window_smoke.sh BUILD_DIR [OUT_DIR]
#
# Needs Xvfb and xdotool (scripts/install-deps.sh). Ends within 90 s.
set -euo pipefail
build="$(cd "${1:?usage: real_window_smoke.sh BUILD_DIR [OUT_DIR]}" && pwd)"
out="${2:-$build/smoke}"
rm -rf "$out"
mkdir -p "$out"
out="$(cd "$out" && pwd)"

app="$build/calibrator/windows/orvcal"
station_bin="$build/station/orv-station"
cli="$build/calibrator/cli/orvcal-cli"
probe="$build/tests/desktop/orv-x-probe"
for f in "$app" "$station_bin" "$cli" "$probe"; do
  [ -x "$f" ] || { echo "smoke: FAILED: $f is not built" >&2; exit 1; }
done

pids=()
cleanup() {
  local pid
  for pid in "${pids[@]+"${pids[@]}"}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]+"${pids[@]}"}"; do wait "$pid" 2>/dev/null || true; done
}
trap cleanup EXIT
trap 'shot timed-out; exit 1' TERM INT
(
  trap 'kill "$sleeper" 2>/dev/null; exit 0' TERM
  sleep 90 & sleeper=$!
  wait "$sleeper"
  echo "smoke: FAILED: over 90 s; screenshots and logs in $out" >&2
  kill -TERM $$
) &
pids+=($!)

step=0
shot() {
  step=$((step + 1))
  "$probe" shot "$out/$(printf '%02d' "$step")-$1.png" "${@:2}" 2>/dev/null || true
}
fail() {
  shot failure
  echo "smoke: FAILED: $*" >&2
  echo "smoke: screenshots and logs in $out" >&2
  exit 1
}
# Polls a condition every 0.1 s for at most $1 seconds.
wait_for() {
  local limit=$(( $1 * 10 )) i
  shift
  for ((i = 0; i < limit; i++)); do
    "$@" && return 0
    sleep 0.1
  done
  return 1
}
window() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1; }
has_window() { [ -n "$(window "$1")" ]; }
no_window() { [ -z "$(window "$1")" ]; }
shown() { grep -q "orv.panels: $1 shows $2\$" "$out/orvcal.log"; }
last_shown() { sed -n "s/^orv.panels: $1 shows //p" "$out/orvcal.log" | tail -n1; }

# A text console has no window system at all: --version and --help must not need one.
for option in --version --help; do
  env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$app" "$option" >"$out/orvcal$option.txt" 2>&1 \
    || fail "orvcal $option without a display ended with $? (see orvcal$option.txt)"
done

# shellcheck source=../support/x_server.sh
. "$(dirname "$0")/../support/x_server.sh"
start_x_server "$out" || fail "Xvfb did not start (see xvfb.log)"
pids+=("$x_server_pid")
# A registry of its own, so the calibration window loads the control library of this build.
export ZQ_REGISTRY="$out/registry.ini"
export ORV_DATA_DIR="$out/data"
mkdir -p "$ORV_DATA_DIR"
unset ORV_PORTS ORV_PRM_DIR

"$station_bin" --trace "$out/wire.txt" --register-com 2 --data-dir "$ORV_DATA_DIR" >"$out/station.out" 2>"$out/station.log" &
pids+=($!)
wait_for 10 grep -q '^PTY ' "$out/station.out" || fail "the simulator named no terminal"
pty="$(sed -n 's/^PTY //p' "$out/station.out")"

QT_LOGGING_RULES="orv.panels.debug=true" "$app" >"$out/orvcal.log" 2>&1 &
app_pid=$!
pids+=("$app_pid")
main_title="^ORV CAL "
cal_title="^ORV Weather Station Calibration\$"
wait_for 15 has_window "$main_title" || fail "the main window did not appear"
main="$(window "$main_title")"
xdotool windowfocus --sync "$main"
shot main

# "&Connect" > "&Connect to Weather Station"
xdotool key alt+c
sleep 0.3
shot connect-menu
xdotool key c
wait_for 5 has_window "Connection in Progress" || fail "Connect to Weather Station showed no progress window"
shot connecting
wait_for 20 no_window "Connection in Progress" || fail "the connection did not end within 20 s"
kill -0 "$app_pid" 2>/dev/null || fail "ORV CAL ended while connecting"

# The connected menus offer "&Tools" > "&Calibration Mode".
xdotool windowfocus --sync "$main"
xdotool key alt+t
sleep 0.3
shot connected-tools-menu
xdotool key c
wait_for 15 has_window "$cal_title" || fail "Calibration Mode did not open: the menus were not in the connected state"
wait_for 10 shown cur_aux_temp_lbl '.*' || fail "the Temperature tab showed no readings"
cal="$(window "$cal_title")"
xdotool windowfocus --sync "$cal"
shot temperature-tab

# Press / Power is two tabs on; each tab reads its settings on selection.
xdotool key ctrl+Tab
wait_for 10 shown cur_75_hum_lbl '.*' || fail "the Humidity tab showed no readings"
sleep 0.3
xdotool key ctrl+Tab
wait_for 10 shown cur_press_lbl '.*' || fail "the Press / Power tab showed no pressure"
sleep 0.3
shot press-power-tab

# Tab bar, pressure slider, its "Make Change", then the Power Setting input.
xdotool key Tab Tab Tab Home 7 minus
sleep 0.3
xdotool key Home shift+End ctrl+c
sleep 0.3
typed="$("$probe" clipboard 2>/dev/null)"
shot power-setting-typed 60 200 120 40
[ "$typed" = "-7.00" ] || fail "the Power Setting input holds '$typed' after typing 7 and -, not -7.00"

# Back to the tab bar, on to Rainfall.
xdotool key shift+Tab shift+Tab shift+Tab ctrl+Tab
wait_for 10 shown cur_term_lbl '.*' || fail "the Rainfall tab showed no term rainfall"
before="$(last_shown cur_daily_lbl)"
[ -n "$before" ] || fail "the Rainfall tab showed no daily rainfall"
shot rainfall-tab

# The daily slider, five steps of 0.01 to the right, then its "Make Change".
raw_before=$((10#${before/./}))
raw_after=$((raw_before + 5))
expected="$(printf '%02d.%02d' $((raw_after / 100)) $((raw_after % 100)))"
xdotool key Tab Right Right Right Right Right
sleep 0.3
shot daily-slider-moved
xdotool key Tab space
wait_for 40 shown cur_daily_lbl "$expected" \
  || fail "after Make Change the daily rainfall shows '$(last_shown cur_daily_lbl)', not $expected (it showed $before)"
shot daily-changed
printf -v write_bytes '53 50 1b %02x %02x' $((raw_after / 256)) $((raw_after % 256))
grep -q "> 02 05 $write_bytes" "$out/wire.txt" || fail "no write of $raw_after to address 27 on the line"

# "&Close", then "&File" > "E&xit"; the port is free again for the command line.
xdotool key alt+c
wait_for 10 no_window "$cal_title" || fail "the calibration window did not close"
xdotool windowfocus --sync "$main"
xdotool key alt+f
sleep 0.3
xdotool key x
wait_for 10 bash -c "! kill -0 $app_pid 2>/dev/null" || fail "ORV CAL did not end on File > Exit"

held="$("$cli" --device "$pty" read 27 2>"$out/cli.log")" || fail "orvcal-cli could not read the simulator (see cli.log)"
[ "$held" = "$raw_after" ] || fail "the simulator holds $held at address 27, not $raw_after"
echo "smoke: passed; daily rainfall $before -> $expected, simulator holds $held; screenshots in $out"
