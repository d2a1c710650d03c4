#!/bin/sh
# Installs the input widget's libraries and development files from a built tree into
# a scratch prefix, builds examples/realinput-embed against them with CMake's
# find_package and again with pkg-config, and runs both offscreen: a value shown
# and read back from its text must come back the same.
#
#   embed_example.sh SOURCE_DIR BUILD_DIR WORK_DIR CXX
set -eu
src=$1 build=$2 work=$3 cxx=$4
example="$src/examples/realinput-embed"
fail() { echo "embed example: FAILED: $*" >&2; exit 1; }

rm -rf "$work"
mkdir -p "$work"
prefix="$work/prefix"
for component in realinput realinput-dev; do
  cmake --install "$build" --prefix "$prefix" --component "$component" >/dev/null
done
launcher=
command -v ccache >/dev/null && launcher=ccache

# The number format is pinned, so the expected text does not depend on the machine.
printf 'sDecimal=.\nsThousand=,\niDigits=2\n' >"$work/intl.ini"
export ZQ_INTL_PROFILE="$work/intl.ini" QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$work"
check() {
  out="$("$1" -1234.5)" || fail "$1 did not read back -1234.5: $out"
  [ "$out" = "-1,234.50 -1234.5" ] || fail "$1 printed '$out'"
}

cmake -S "$example" -B "$work/cmake" -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_CXX_COMPILER="$cxx" \
      ${launcher:+-DCMAKE_CXX_COMPILER_LAUNCHER=$launcher} >"$work/cmake.log" 2>&1 || fail "configure: $(cat "$work/cmake.log")"
cmake --build "$work/cmake" >>"$work/cmake.log" 2>&1 || fail "build: $(cat "$work/cmake.log")"
check "$work/cmake/realinput-embed"

PKG_CONFIG_PATH="$(dirname "$(find "$prefix" -name ZqRealInput.pc)")"
export PKG_CONFIG_PATH
# shellcheck disable=SC2046 # pkg-config's flags are meant to split
$launcher "$cxx" -std=c++17 -fPIC "$example/main.cpp" -o "$work/pkg-config-embed" $(pkg-config --cflags --libs ZqRealInput) \
  || fail "the pkg-config build failed"
check "$work/pkg-config-embed"
echo "embed example: both builds read back -1234.5"
