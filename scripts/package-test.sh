#!/usr/bin/env bash
# Builds the Debian package from a clean build of the programs alone, installs
# it into a scratch root with dpkg, and runs the installed programs from an
# unrelated folder with a fresh home: versions, the settings file in the
# per-user folder, the installed definition files against the simulator, the
# main window on screen, and the dialout advice for a user who may not open a
# serial port its group may open (and none where only root may).
#
#   scripts/package-test.sh [SOURCE_DIR] [WORK_DIR]
set -euo pipefail
src="$(cd "${1:-$(dirname "$0")/..}" && pwd)"
work="${2:-$src/build-package}"
mkdir -p "$work"
work="$(cd "$work" && pwd)"

fail() { echo "package test: FAILED: $*" >&2; exit 1; }
step() { echo "== $*"; }

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)

step "build the programs"
cmake -S "$src" -B "$work/build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DORV_BUILD_TESTS=OFF \
      -DCMAKE_INSTALL_PREFIX=/usr "${launcher[@]}" >/dev/null
cmake --build "$work/build" -j "$(nproc)"

step "make the package"
rm -rf "$work/out"
(cd "$work/build" && cpack -G DEB -B "$work/out" >/dev/null)
deb="$(ls "$work"/out/orvcal_*.deb 2>/dev/null | head -n1)"
[ -n "$deb" ] || fail "cpack made no orvcal_*.deb in $work/out"
version="$(dpkg-deb -f "$deb" Version)"
echo "$deb (version $version, $(du -k "$deb" | cut -f1) kB)"

step "its dependencies are installed here"
# Each comma-separated entry must have one alternative installed.
IFS=',' read -ra entries <<<"$(dpkg-deb -f "$deb" Depends)"
for entry in "${entries[@]}"; do
  found=""
  IFS='|' read -ra alternatives <<<"$entry"
  for alt in "${alternatives[@]}"; do
    name="$(echo "$alt" | sed 's/(.*)//; s/ //g')"
    dpkg-query -W -f='${Status}' "$name" 2>/dev/null | grep -q "install ok installed" && found="$name"
  done
  [ -n "$found" ] || fail "dependency '$entry' is not installed"
done

step "install it into a scratch root"
root="$work/root"
rm -rf "$root"
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
touch "$root/var/lib/dpkg/status"
# The scratch root holds no Qt: the dependencies were checked against this machine above.
dpkg --root="$root" --force-not-root --force-depends --force-script-chrootless -i "$deb" >"$work/dpkg.log" 2>&1 \
  || fail "dpkg -i: $(cat "$work/dpkg.log")"
dpkg --root="$root" -L orvcal | grep -q '^/usr/bin/orvcal$' || fail "dpkg does not list /usr/bin/orvcal"
for f in usr/bin/orvcal usr/bin/orvcal-cli usr/bin/orv-station usr/lib/orvcal/libzqrinp32.so \
         usr/lib/orvcal/libzqframework.so usr/share/orvcal/PRM/4103.prm usr/share/applications/orvcal.desktop \
         usr/share/icons/hicolor/scalable/apps/orvcal.svg usr/share/icons/hicolor/48x48/apps/orvcal.png \
         usr/share/icons/hicolor/256x256/apps/orvcal.png usr/share/man/man1/orvcal.1 \
         usr/share/man/man1/orvcal-cli.1 usr/share/man/man1/orv-station.1; do
  [ -e "$root/$f" ] || fail "the package lacks /$f"
done
# Qt keeps string literals as UTF-16, so look for both encodings.
for f in "$root"/usr/bin/* "$root"/usr/lib/orvcal/*; do
  if { strings -a "$f"; strings -a -el "$f"; } | grep -qF "$work/build"; then
    fail "/${f#"$root"/} names the build folder $work/build"
  fi
done
for page in "$root"/usr/share/man/man1/*.1; do
  warnings="$(groff -man -ww -z "$page" 2>&1)"
  [ -z "$warnings" ] || fail "$(basename "$page"): $warnings"
done
grep -q '^Exec=orvcal$' "$root/usr/share/applications/orvcal.desktop" || fail "the desktop entry does not start orvcal"

step "run the installed programs from elsewhere"
home="$work/home"
rm -rf "$home" "$work/elsewhere"
mkdir -p "$home" "$work/elsewhere"
cd "$work/elsewhere"
mkdir -m 700 -p "$work/runtime"
run() { env -i HOME="$home" PATH="$root/usr/bin:/usr/bin:/bin" XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=offscreen "$@"; }

missing="$(ldd "$root/usr/bin/orvcal" | grep 'not found' || true)"
[ -z "$missing" ] || fail "orvcal misses libraries: $missing"
ldd "$root/usr/bin/orvcal" | grep -q "$root/usr/bin/../lib/orvcal/libzqframework.so" \
  || fail "orvcal does not take libzqframework.so from the installed tree"

out="$(run orvcal-cli --version)"
[ "$out" = "orvcal-cli $version" ] || fail "orvcal-cli --version said '$out', the package is $version"
out="$(run orvcal --version)"
[ "$out" = "ORV CAL $version" ] || fail "orvcal --version said '$out', the package is $version"

data="$home/.local/share/orvcal"
out="$(run orvcal-cli settings)"
grep -qxF "Settings file: $data/COM Settings.Dat" <<<"$out" || fail "orvcal-cli settings: $out"
[ "$(stat -c %s "$data/COM Settings.Dat")" -eq 3140 ] || fail "no settings file of 3140 bytes in $data"

timeout 30 env -i HOME="$home" PATH="$root/usr/bin:/usr/bin:/bin" XDG_RUNTIME_DIR="$work/runtime" \
  QT_QPA_PLATFORM=offscreen orvcal --quit-when-shown >/dev/null 2>&1 \
  || fail "orvcal --quit-when-shown did not end well (exit $?)"

# The simulator on slot 0's port; the settings list needs the installed 4103.prm.
# Started without the run() wrapper, so that $! is the simulator itself.
env -i HOME="$home" PATH="$root/usr/bin:/usr/bin:/bin" \
  orv-station --register-com 2 --data-dir "$data" >"$work/station.out" 2>"$work/station.err" &
station=$!
trap 'kill "$station" 2>/dev/null || true' EXIT
for _ in $(seq 50); do grep -q '^PTY ' "$work/station.out" && break; sleep 0.1; done
grep -q '^PTY ' "$work/station.out" || fail "orv-station named no terminal: $(cat "$work/station.err")"
out="$(timeout 60 env -i HOME="$home" PATH="$root/usr/bin:/usr/bin:/bin" orvcal-cli settings-list 2>&1)" \
  || fail "orvcal-cli settings-list: $out"
grep -q "temp: outside" <<<"$out" || fail "orvcal-cli settings-list named no outside temperature: $out"
kill "$station"
wait "$station" 2>/dev/null || true
trap - EXIT

# Only root can become a user without dialout, and make device nodes; others are that user already.
if [ "$(id -u)" -eq 0 ] && command -v setpriv >/dev/null && getent group dialout >/dev/null; then
  step "a user who may not open a port is told to join its group, only where the group may open it"
  nodes="$(mktemp -d)"
  chmod 755 "$nodes"
  mkdir -p "$work/nobody"
  chmod 777 "$work/nobody"
  # Two nodes of the first serial port: one its group dialout may open, one only root may.
  mknod -m 660 "$nodes/ttyS-dialout" c 4 64
  chgrp dialout "$nodes/ttyS-dialout"
  mknod -m 600 "$nodes/ttyS-root" c 4 64
  for node in dialout root; do
    status=0
    err="$(setpriv --reuid=nobody --regid=nogroup --clear-groups \
           env -i HOME="$work/nobody" "$root/usr/bin/orvcal-cli" --device "$nodes/ttyS-$node" version 2>&1 >/dev/null)" \
      || status=$?
    [ "$status" -eq 3 ] || fail "orvcal-cli on a forbidden port ended with $status, not 3: $err"
    grep -qF 'permission to open the port was denied' <<<"$err" || fail "no reason given: $err"
    if [ "$node" = dialout ]; then
      grep -qF 'sudo usermod -aG dialout $USER' <<<"$err" || fail "no dialout advice: $err"
    elif grep -qF 'usermod' <<<"$err"; then
      fail "advice to join a group for a port only root may open: $err"
    fi
  done
  rm -rf "$nodes"
else
  echo "(the dialout check needs root, setpriv and the group dialout; not run)"
fi

step "package test passed: $(basename "$deb")"
