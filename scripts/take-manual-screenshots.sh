#!/usr/bin/env bash
# Takes the pictures of docs/manual.md from the real windows against the
# station simulator, on virtual X displays, and copies the chosen ones into
# docs/images.
#
#   scripts/take-manual-screenshots.sh [BUILD_DIR] [WORK_DIR]
#
# BUILD_DIR (default build-check) is configured if it does not exist yet; only
# the programs needed here are built. WORK_DIR (default a temporary folder)
# keeps every picture taken, chosen or not. Needs Xvfb and xdotool
# (scripts/install-deps.sh).
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build-check}"
work="${2:-$(mktemp -d /tmp/orvcal-manual-shots.XXXXXX)}"
images="$root/docs/images"

for tool in Xvfb xvfb-run xdotool; do
  command -v "$tool" >/dev/null || { echo "$tool is missing: run scripts/install-deps.sh" >&2; exit 1; }
done

if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Check -DCMAKE_CXX_FLAGS_CHECK="-O1" -DORV_WERROR=ON
fi
cmake --build "$build" -j2 -t orvcal orvcal-cli orv-station orv_prm_files zqrinp32 shoot_windows shoot_pages orv-x-probe

export QT_QPA_PLATFORM=xcb
export ORV_PRM_DIR="$root/data/PRM"
# A registry of our own, so the control library of this build is the one loaded.
export ZQ_REGISTRY="$work/registry.ini"
mkdir -p "$work/windows" "$work/pages" "$images"

# The windows at the smallest screen they are laid out for.
timeout 300 xvfb-run -a -s "-screen 0 1024x600x24" "$build/tests/windows/shoot_windows" "$work/windows"
# The input control's property sheet.
timeout 120 xvfb-run -a -s "-screen 0 1024x768x24" "$build/tests/realinput/pages/shoot_pages" "$work/pages"
# A whole session of the real program and orv-station, driven by keyboard.
"$root/tests/desktop/real_window_smoke.sh" "$build" "$work/smoke"

# Picture taken -> name in docs/images.
choose() {
  local from="$work/$1" to="$images/$2"
  [ -n "$1" ] && [ -s "$from" ] || { echo "missing picture: $from" >&2; exit 1; }
  cp "$from" "$to"
  echo "$2 <- $1"
}
choose windows/main_window.png main-window.png
choose windows/connection_in_progress.png connecting.png
choose windows/terminal_after_R.png terminal-mode.png
choose windows/calibration_tab00.png calibration-temperature.png
choose windows/calibration_tab02.png calibration-press-power.png
choose windows/calibration_tab03.png calibration-rainfall.png
choose windows/calibration_tab04.png calibration-wind.png
choose windows/calibration_tab10.png calibration-report-flags.png
choose windows/calibration_tab11.png calibration-time-baud.png
choose windows/calibration_writing.png calibration-writing.png
choose windows/station_selection.png station-selection.png
choose windows/properties.png properties.png
choose windows/detection.png detection.png
choose windows/line_monitor.png line-monitor.png
# The smoke test's shots are numbered by step; this one is a 4x close-up.
choose "$(cd "$work" && ls smoke/*-power-setting-typed.png | head -n1)" power-setting-typed.png
choose "pages/page0-General.png" input-general-page.png
echo "pictures in $images (all taken: $work)"
