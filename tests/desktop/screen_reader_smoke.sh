#!/usr/bin/env bash
# Drives the real ORV CAL through AT-SPI, as a screen reader does, against the
# station simulator (screen_reader_smoke.py says what it does). Logs land in OUT_DIR.
#
#   tests/desktop/screen_reader_smoke.sh BUILD_DIR [OUT_DIR]
#
# Needs Xvfb, dbus-run-session, at-spi2-core and python3-pyatspi
# (scripts/install-deps.sh). Ends within 90 s.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="$(cd "${1:?usage: screen_reader_smoke.sh BUILD_DIR [OUT_DIR]}" && pwd)"
out="${2:-$build/screen-reader}"
rm -rf "$out"
mkdir -p "$out"
out="$(cd "$out" && pwd)"

app="$build/calibrator/windows/orvcal"
station_bin="$build/station/orv-station"
for f in "$app" "$station_bin"; do
  [ -x "$f" ] || { echo "screen reader: FAILED: $f is not built" >&2; exit 1; }
done

# A registry and data folder of its own, so the calibration window loads this build's control library.
export ZQ_REGISTRY="$out/registry.ini"
export ORV_DATA_DIR="$out/data"
mkdir -p "$ORV_DATA_DIR"
unset ORV_PORTS ORV_PRM_DIR

"$station_bin" --trace "$out/wire.txt" --register-com 2 --data-dir "$ORV_DATA_DIR" >"$out/station.out" 2>"$out/station.log" &
station=$!
trap 'kill "$station" 2>/dev/null || true; wait "$station" 2>/dev/null || true' EXIT
for _ in $(seq 100); do
  grep -q '^PTY ' "$out/station.out" && break
  sleep 0.1
done
grep -q '^PTY ' "$out/station.out" || { echo "screen reader: FAILED: the simulator named no terminal" >&2; exit 1; }

status=0
"$here/../support/a11y_session.sh" "$out/session" 90 /usr/bin/python3 "$here/screen_reader_smoke.py" "$app" "$out" \
  "$out/wire.txt" || status=$?
if [ "$status" -ne 0 ]; then
  [ "$status" -eq 124 ] && echo "screen reader: FAILED: over 90 s" >&2
  echo "screen reader: logs in $out" >&2
fi
exit "$status"
