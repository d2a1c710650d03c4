#!/usr/bin/env bash
# Makes the Debian package of ORV CAL in one go: a clean build of the programs
# with Debian's build flags and every hardening feature, installed into a
# staging folder, stripped, with compressed manual pages and changelog, the
# copyright file, and dependencies as dpkg-shlibdeps finds them.
#
#   scripts/build-deb.sh [OUT_DIR]      the .deb lands in OUT_DIR (default build-deb)
set -euo pipefail
src="$(cd "$(dirname "$0")/.." && pwd)"
out="${1:-$src/build-deb}"
mkdir -p "$out"
out="$(cd "$out" && pwd)"
build="$out/build"
# The layout dpkg-shlibdeps expects, so that it takes the private libraries for the package's own.
stage="$out/debian/orvcal"
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

doc="$stage/usr/share/doc/orvcal"
install -d "$doc"
install -m 644 "$deb/copyright" "$doc/copyright"
gzip -9n -c "$deb/changelog" >"$doc/changelog.gz"
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
depends="$(cd "$out" && dpkg-shlibdeps -O "${elves[@]}" 2>"$out/shlibdeps.log" | sed -n 's/^shlibs:Depends=//p')" \
  || fail "dpkg-shlibdeps: $(cat "$out/shlibdeps.log")"
[ -n "$depends" ] || fail "dpkg-shlibdeps found no dependencies: $(cat "$out/shlibdeps.log")"

(cd "$stage" && find usr -type f -print0 | sort -z | xargs -0 md5sum) >"$stage/DEBIAN/md5sums"
arch="$(dpkg --print-architecture)"
size="$(du -sk --exclude=DEBIAN "$stage" | cut -f1)"
# The display platform is a plugin that Qt loads at run time, which no link records.
sed -e "s/@VERSION@/$version/" -e "s/@ARCH@/$arch/" -e "s/@SIZE@/$size/" \
    -e "s/@DEPENDS@/$depends, qt6-qpa-plugins/" "$deb/control.in" >"$stage/DEBIAN/control"

file="$out/orvcal_${version}_${arch}.deb"
dpkg-deb --root-owner-group --build "$stage" "$file" >/dev/null
echo "$file"
