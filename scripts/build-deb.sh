#!/usr/bin/env bash
# Makes the Debian packages of ORV CAL in one go: a clean build of the programs
# with Debian's build flags and every hardening feature, installed into a
# staging folder, stripped, with compressed manual pages and changelog, the
# copyright file, and dependencies as dpkg-shlibdeps finds them. The input
# widget's development files and Designer plugin go into libzqrealinput-dev.
#
#   scripts/build-deb.sh [OUT_DIR]      the .debs land in OUT_DIR (default build-deb);
#                                       the development package's path is printed first
set -euo pipefail
src="$(cd "$(dirname "$0")/.." && pwd)"
out="${1:-$src/build-deb}"
mkdir -p "$out"
out="$(cd "$out" && pwd)"
build="$out/build"
# The layout dpkg-shlibdeps expects, so that it takes the private libraries for the package's own.
stage="$out/debian/orvcal"
dev_stage="$out/debian/libzqrealinput-dev"
deb="$src/packaging/deb"

fail() { echo "build-deb: $*" >&2; exit 1; }

# dpkg-buildflags maps the folder it runs in to "." in the debug information.
cd "$src"
eval "$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --export=sh)"
# CMake reads no CPPFLAGS, and _FORTIFY_SOURCE lives there.
export CXXFLAGS="$CPPFLAGS $CXXFLAGS"

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
# Flags from the environment count only when a build folder is first configured.
rm -rf "$build" "$out/debian"
# Debian's flags choose the optimisation; Release adds only NDEBUG.
cmake -S "$src" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE=-DNDEBUG \
      -DORV_BUILD_TESTS=OFF -DCMAKE_INSTALL_PREFIX=/usr "${launcher[@]}" >/dev/null
# Standard output carries only the package's path.
cmake --build "$build" -j "$(nproc)" >&2
DESTDIR="$stage" cmake --install "$build" >/dev/null

version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")"
logged="$(dpkg-parsechangelog -l "$deb/changelog" -S Version)"
[ "$logged" = "$version" ] || fail "packaging/deb/changelog ends at $logged, the programs are $version: add an entry"
released="$(grep -o -m1 '<release version="[^"]*"' "$src"/packaging/*.metainfo.xml | cut -d'"' -f2)"
[ "$released" = "$version" ] || fail "the metainfo's latest release is $released, the programs are $version"

for doc in "$stage/usr/share/doc/orvcal" "$dev_stage/usr/share/doc/libzqrealinput-dev"; do
  install -d "$doc"
  install -m 644 "$deb/copyright" "$doc/copyright"
  gzip -9n -c "$deb/changelog" >"$doc/changelog.gz"
done
gzip -9n "$stage"/usr/share/man/man1/*.1
install -D -m 644 "$deb/lintian-overrides" "$stage/usr/share/lintian/overrides/orvcal"

# As dh_strip does: no debug information, no compiler notes; libraries keep only what linking needs.
elves=()
while IFS= read -r -d '' f; do
  readelf -h "$f" >/dev/null 2>&1 || continue
  elves+=("$f")
  case "$f" in
    *.so | *.so.*) strip --remove-section=.comment --remove-section=.note --strip-unneeded "$f" ;;
    *) strip --remove-section=.comment --remove-section=.note "$f" ;;
  esac
done < <(find "$stage" -type f -print0)
chmod -R u+rwX,go+rX,go-w "$stage"

# dpkg-shlibdeps wants a source package's control file, and the package's
# DEBIAN folder to find the package's root for $ORIGIN run paths.
install -d "$stage/DEBIAN"
printf 'Source: orvcal\n\nPackage: orvcal\nArchitecture: any\n' >"$out/debian/control"
shlibdeps() {
  (cd "$out" && dpkg-shlibdeps -O "$@" 2>"$out/shlibdeps.log" | sed -n 's/^shlibs:Depends=//p') \
    || fail "dpkg-shlibdeps: $(cat "$out/shlibdeps.log")"
}
depends="$(shlibdeps "${elves[@]}")"
[ -n "$depends" ] || fail "dpkg-shlibdeps found no dependencies: $(cat "$out/shlibdeps.log")"
# The Designer plugin's run path reaches the widget library in orvcal's private folder,
# so its dependencies are taken while both still lie in one tree, then it moves over.
plugins=("$stage"/usr/lib/*/qt6/plugins/designer/*.so)
[ -e "${plugins[0]}" ] || fail "no Designer plugin was built (Debian: qt6-tools-dev)"
dev_depends="$(shlibdeps "${plugins[@]}")"
for f in usr/include usr/lib/*/cmake usr/lib/*/pkgconfig usr/lib/*/qt6; do
  for path in "$stage"/$f; do
    [ -e "$path" ] || continue
    rel="${path#"$stage"/}"
    install -d "$(dirname "$dev_stage/$rel")"
    mv "$path" "$dev_stage/$rel"
  done
done
rmdir "$stage"/usr/lib/*-* 2>/dev/null || true

arch="$(dpkg --print-architecture)"
# make_deb STAGE TEMPLATE DEPENDS NAME: the control file, the checksums and the package.
make_deb() {
  install -d "$1/DEBIAN"
  (cd "$1" && find usr -type f -print0 | sort -z | xargs -0 md5sum) >"$1/DEBIAN/md5sums"
  size="$(du -sk --exclude=DEBIAN "$1" | cut -f1)"
  sed -e "s/@VERSION@/$version/" -e "s/@ARCH@/$arch/" -e "s/@SIZE@/$size/" -e "s/@DEPENDS@/$3/" "$2" >"$1/DEBIAN/control"
  file="$out/${4}_${version}_${arch}.deb"
  dpkg-deb --root-owner-group --build "$1" "$file" >/dev/null
  echo "$file"
}
# CMake's imported target names the library file, which orvcal of the same build holds.
make_deb "$dev_stage" "$deb/control-dev.in" "orvcal (= $version), qt6-base-dev, $dev_depends" libzqrealinput-dev
# The display platform is a plugin that Qt loads at run time, which no link records.
make_deb "$stage" "$deb/control.in" "$depends, qt6-qpa-plugins" orvcal
