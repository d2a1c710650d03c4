#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks to build and test ORV CAL;
# with --run only what ./orvcal needs to build and start the program (a first
# start then waits for no clang, desktop or test tool it does not use).
set -euo pipefail
# mandoc: the manual-page tests lint the pages with it. clang and its runtime
# libraries: the sanitizer build is made with clang, for its libFuzzer targets.
# qt6-tools-dev: Designer's plugin interface, for the input widget's Designer plugin.
# python3-pyatspi, at-spi2-core and the D-Bus session tools: the screen-reader
# test reads and drives the program through AT-SPI on a session bus of its own;
# openbox gives it the window manager a listener's desktop has, which moves the
# focus into windows as they open.
packages=(build-essential cmake ninja-build pkg-config
          qt6-base-dev qt6-serialport-dev qt6-qpa-plugins fonts-liberation)
[ "${1:-}" = --run ] || packages+=(qt6-tools-dev xvfb xauth xdotool
          ser2net mandoc
          clang libclang-rt-14-dev
          python3-pyatspi at-spi2-core dbus-daemon dbus-bin openbox)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq "${missing[@]}"
fi
