#!/usr/bin/env bash
# Builds the Debian package with scripts/build-deb.sh, checks it with lintian
# (when installed), installs it with apt-get into a scratch root, and runs the
# installed programs from an unrelated folder with a fresh home: versions, the
# settings file in the per-user folder, the installed definition files against
# the simulator, the main window on screen, and the dialout advice for a user
# who may not open a serial port its group may open (and none where only root
# may).
#
#   scripts/package-test.sh [SOURCE_DIR] [WORK_DIR]
set -euo pipefail
src="$(cd "${1:-$(dirname "$0")/..}" && pwd)"
work="${2:-$src/build-package}"
mkdir -p "$work"
work="$(cd "$work" && pwd)"

fail() { echo "package test: FAILED: $*" >&2; exit 1; }
step() { echo "== $*"; }

step "make the packages"
debs="$("$src/scripts/build-deb.sh" "$work")"
deb="$(tail -n1 <<<"$debs")"
dev_deb="$(head -n1 <<<"$debs")"
[ -f "$deb" ] || fail "scripts/build-deb.sh made no package in $work"
[ -f "$dev_deb" ] && [ "$dev_deb" != "$deb" ] || fail "scripts/build-deb.sh made no development package in $work"
version="$(dpkg-deb -f "$deb" Version)"
echo "$deb (version $version, $(du -k "$deb" | cut -f1) kB)"
echo "$dev_deb ($(du -k "$dev_deb" | cut -f1) kB)"

if command -v lintian >/dev/null; then
  step "Debian's package checker"
  # Every tag counts, pedantic ones too; the intended ones are overridden in the package.
  lintian -EvIL +pedantic --fail-on error,warning,info,pedantic "$deb" "$dev_deb" || fail "lintian has something to say"
else
  echo "(lintian is not installed; not run)"
fi

step "install it with apt-get into a scratch root"
root="$work/root"
rm -rf "$root"
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates" "$root/var/lib/apt/lists/partial" \
         "$root/var/cache/apt/archives/partial" "$root/var/log/apt" "$root/etc/apt/apt.conf.d" \
         "$root/etc/apt/preferences.d" "$root/etc/apt/sources.list.d"
# apt resolves the dependencies against what this machine has installed, and
# with no sources of its own it can fetch nothing: a dependency missing here fails.
cp /var/lib/dpkg/status "$root/var/lib/dpkg/status"
apt_root=(-o Dir::State::status="$root/var/lib/dpkg/status" -o Dir::State="$root/var/lib/apt"
          -o Dir::Cache="$root/var/cache/apt" -o Dir::Etc="$root/etc/apt" -o Dir::Log="$root/var/log/apt"
          -o Debug::NoLocking=1 -o DPkg::Options::=--root="$root" -o DPkg::Options::=--force-not-root
          -o DPkg::Options::=--log="$root/var/log/dpkg.log")
DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${apt_root[@]}" "$deb" "$dev_deb" \
  >"$work/apt.log" 2>&1 || fail "apt-get install: $(grep -v 'files list file' "$work/apt.log")"
grep -qx '/usr/bin/orvcal' <<<"$(dpkg --root="$root" -L orvcal)" || fail "dpkg does not list /usr/bin/orvcal"
for f in usr/bin/orvcal usr/bin/orvcal-cli usr/bin/orv-station usr/lib/orvcal/libzqrinp32.so \
         usr/lib/orvcal/libzqframework.so usr/share/orvcal/PRM/4103.prm usr/share/applications/orvcal.desktop \
         usr/share/metainfo/invalid.halvik.orvcal.metainfo.xml usr/share/doc/orvcal/copyright \
         usr/share/doc/orvcal/changelog.gz usr/share/icons/hicolor/scalable/apps/orvcal.svg \
         usr/share/icons/hicolor/48x48/apps/orvcal.png usr/share/icons/hicolor/256x256/apps/orvcal.png \
         usr/share/man/man1/orvcal.1.gz usr/share/man/man1/orvcal-cli.1.gz usr/share/man/man1/orv-station.1.gz \
         usr/lib/systemd/user/orvcal-nightly.service usr/lib/systemd/user/orvcal-nightly.timer \
         usr/libexec/orvcal/orvcal-nightly; do
  [ -e "$root/$f" ] || fail "the package lacks /$f"
done
for f in usr/lib/orvcal/libZqRealInput.so usr/include/zq/realinput.h \
         usr/lib/*/cmake/ZqRealInput/ZqRealInputConfig.cmake usr/lib/*/pkgconfig/ZqRealInput.pc \
         usr/lib/*/qt6/plugins/designer/libzqrealinputplugin.so usr/share/doc/libzqrealinput-dev/copyright; do
  compgen -G "$root/$f" >/dev/null || fail "the packages lack /$f"
done
[ -z "$(find "$root" -name '*.postinst' -o -name '*.postrm')" ] || fail "the package has maintainer scripts"
# What lintian checks too, for a machine without it: hardened, stripped, nothing to debug with.
# Here and below grep -q reads whole outputs: ending a pipe early kills its
# writer, which pipefail counts as a failure, so a match would read as none.
for f in "$root"/usr/bin/* "$root"/usr/lib/orvcal/* "$root"/usr/lib/*/qt6/plugins/designer/*; do
  name="/${f#"$root"/}"
  dynamic="$(readelf -dW "$f")"
  headers="$(readelf -lW "$f")"
  symbols="$(readelf -sW --dyn-syms "$f")"
  sections="$(readelf -SW "$f")"
  grep -q 'FLAGS.*BIND_NOW' <<<"$dynamic" || fail "$name is not linked with BIND_NOW"
  grep -q GNU_RELRO <<<"$headers" || fail "$name has no read-only relocations"
  # The Designer plugin has no local arrays for -fstack-protector-strong to guard:
  # built with the same flags, it has no guarded function to show for it.
  [[ "$name" == */plugins/designer/* ]] || grep -q '__stack_chk_fail' <<<"$symbols" || fail "$name has no stack protector"
  ! grep -qE '\.debug_|\.comment|\.symtab' <<<"$sections" || fail "$name is not stripped"
done
grep -qE '__[a-z_]+_chk@' <<<"$(readelf -sW --dyn-syms "$root/usr/bin/orvcal-cli")" \
  || fail "orvcal-cli has no fortified calls"
# Qt keeps string literals as UTF-16, so look for both encodings.
for f in "$root"/usr/bin/* "$root"/usr/lib/orvcal/*; do
  if grep -qF "$work/build" <<<"$(strings -a "$f"; strings -a -el "$f")"; then
    fail "/${f#"$root"/} names the build folder $work/build"
  fi
done
for page in "$root"/usr/share/man/man1/*.1.gz; do
  warnings="$(zcat "$page" | groff -man -ww -z 2>&1)"
  [ -z "$warnings" ] || fail "$(basename "$page"): $warnings"
done
grep -q '^Exec=orvcal$' "$root/usr/share/applications/orvcal.desktop" || fail "the desktop entry does not start orvcal"
if command -v desktop-file-validate >/dev/null; then
  out="$(desktop-file-validate "$root/usr/share/applications/orvcal.desktop" 2>&1)"
  [ -z "$out" ] || fail "desktop-file-validate: $out"
fi
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml >"$work/appstream.log" 2>&1 \
    || fail "appstreamcli validate: $(cat "$work/appstream.log")"
fi

if command -v systemd-analyze >/dev/null; then
  # The units name their script where the package puts it; here it lies under the scratch root.
  units="$work/units"
  rm -rf "$units"
  mkdir -p "$units"
  sed "s|^ExecStart=|ExecStart=$root|" "$root/usr/lib/systemd/user/orvcal-nightly.service" >"$units/orvcal-nightly.service"
  cp "$root/usr/lib/systemd/user/orvcal-nightly.timer" "$units/"
  out="$(cd "$units" && systemd-analyze verify --man=no orvcal-nightly.service orvcal-nightly.timer 2>&1)" \
    || fail "systemd-analyze verify: $out"
  [ -z "$out" ] || fail "systemd-analyze verify: $out"
fi
sh -n "$root/usr/libexec/orvcal/orvcal-nightly" || fail "the nightly script does not parse"

step "build the embedding example against the installed development package"
missing="$(ldd "$root"/usr/lib/*/qt6/plugins/designer/libzqrealinputplugin.so | grep 'not found' || true)"
[ -z "$missing" ] || fail "the Designer plugin misses libraries: $missing"
cmake -S "$src/examples/realinput-embed" -B "$work/embed" -DCMAKE_PREFIX_PATH="$root/usr" >"$work/embed.log" 2>&1 \
  && cmake --build "$work/embed" >>"$work/embed.log" 2>&1 || fail "the example did not build: $(cat "$work/embed.log")"
mkdir -m 700 -p "$work/runtime"
out="$(XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=offscreen ZQ_INTL_PROFILE=/dev/null LC_ALL=C \
       "$work/embed/realinput-embed" 12.5)" \
  || fail "the example did not read back 12.5: $out"
[ "$out" = "12.50 12.5" ] || fail "the example printed '$out'"

step "run the installed programs from elsewhere"
home="$work/home"
rm -rf "$home" "$work/elsewhere"
mkdir -p "$home" "$work/elsewhere"
cd "$work/elsewhere"
mkdir -m 700 -p "$work/runtime"
run() { env -i HOME="$home" PATH="$root/usr/bin:/usr/bin:/bin" XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=offscreen "$@"; }

missing="$(ldd "$root/usr/bin/orvcal" | grep 'not found' || true)"
[ -z "$missing" ] || fail "orvcal misses libraries: $missing"
grep -qF "$root/usr/bin/../lib/orvcal/libzqframework.so" <<<"$(ldd "$root/usr/bin/orvcal")" \
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
