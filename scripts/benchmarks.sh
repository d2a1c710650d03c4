#!/bin/bash
# Measures the figures of the README's benchmark table in one run and prints
# them as Markdown rows.
#   scripts/benchmarks.sh BUILD_DIR
# BUILD_DIR is a build with tests and benchmarks (a build-check, say), with
# orvcal, orvcal-cli, orv-station, orv-bench-link, orv-bench-minimal-window and
# tst_calibration_pty built; the start-up comes from bench/startup-bench.sh.
# The installed size comes from a Release build without tests: build/ (as
# ./orvcal leaves it) if there, else one configured in build-bench-release/.
# Needs Xvfb, /usr/bin/time and (for the start-up CPU) perf.
set -euo pipefail
build=${1:?usage: scripts/benchmarks.sh BUILD_DIR}
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "$build" && pwd)"
runs=5
dir=$(mktemp -d)
pids=()
cleanup() {
    kill "${pids[@]}" 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$dir"
}
trap cleanup EXIT

app=$build/calibrator/windows/orvcal
cli=$build/calibrator/cli/orvcal-cli
station=$build/station/orv-station
link=$build/bench/orv-bench-link
minimal=$build/bench/orv-bench-minimal-window
for f in "$app" "$cli" "$station" "$link" "$minimal"; do
    [ -x "$f" ] || { echo "missing $f: build it first" >&2; exit 1; }
done

# Prints "min median max" of the numbers on stdin.
stats() { sort -g | awk '{ v[NR] = $1 } END { printf "%s %s %s\n", v[1], v[int((NR + 1) / 2)], v[NR] }'; }
peak() { awk -F': ' '/Maximum resident set size/ { print $2 }' "$1"; }

# Runs a command $runs times under /usr/bin/time -v; leaves walls and peaks in $dir/NAME.wall / .rss.
# The wall time is taken here: time -v reports only hundredths, too coarse for a start-up.
timed() { # name, command...
    local name=$1
    shift
    : >"$dir/$name.wall"
    : >"$dir/$name.rss"
    local t0 t1
    for i in $(seq $runs); do
        t0=$(date +%s%N)
        /usr/bin/time -v -o "$dir/$name.$i" "$@" >/dev/null 2>"$dir/$name.err.$i" \
            || { echo "$name failed:" >&2; cat "$dir/$name.err.$i" >&2; exit 1; }
        t1=$(date +%s%N)
        awk "BEGIN { printf \"%.4f\\n\", ($t1 - $t0) / 1e9 }" >>"$dir/$name.wall"
        peak "$dir/$name.$i" >>"$dir/$name.rss"
    done
}

# Sets pty; not run in a subshell, so that cleanup knows the simulator.
start_station() { # log name, simulator options...
    local log=$dir/$1.log
    shift
    "$station" "$@" >"$log" 2>&1 &
    pids+=($!)
    for _ in $(seq 50); do
        grep -qs '^PTY ' "$log" && break
        sleep 0.1
    done
    pty=$(sed -n 's/^PTY //p' "$log" | head -1)
    [ -n "$pty" ] || { echo "orv-station did not come up:" >&2; cat "$log" >&2; exit 1; }
}

load_before=$(cut -d' ' -f1-3 /proc/loadavg)

# Start-up against the minimal window, in pairs on Xvfb and offscreen.
"$root/bench/startup-bench.sh" "$build" 11 >"$dir/startup" || { cat "$dir/startup" >&2; exit 1; }
# "PLATFORM PROGRAM wall cpu rss" from its table, as "wall ms, cpu ms CPU, rss MB".
startup() { awk -v p="$1" -v n="$2" '$1 == p && $2 == n { printf "%s ms, %s ms CPU, %s MB", $3, $4, $5 }' "$dir/startup"; }
ratio() { awk -v p="$1" -v r="${2:-ratio}" '$1 == p && $2 == r { printf "%s wall, %s CPU, %s memory %s %s", $3, $4, $5, $6, $7 }' "$dir/startup"; }
export QT_QPA_PLATFORM=offscreen
mkdir -p "$dir/data"

# orvcal-cli version against the simulator.
start_station version --fixed-rate 2400
timed version "$cli" --data-dir "$dir/data" --device "$pty" --baud 2400 version
read -r v_min v_med v_max < <(stats <"$dir/version.wall")
v_rss=$(stats <"$dir/version.rss" | awk '{ printf "%.1f", $3 / 1024 }')

wait_line=$("$link" wait 15)

start_station read2400 --fixed-rate 2400
read2400=$("$link" read "$pty" 2400 10)
start_station read9600 --fixed-rate 9600
read9600=$("$link" read "$pty" 9600 10)

entry=$(ctest --test-dir "$build" -R 'tst_calibration_pty$' -V 2>&1 \
    | sed -n 's/.*calibration entry over the pty at 2400 baud: \([0-9]*\) ms.*/\1/p' | head -1)

# Installed size of a Release build without tests.
release=$root/build
if [ ! -f "$release/CMakeCache.txt" ]; then
    release=$root/build-bench-release
    cmake -S "$root" -B "$release" -G Ninja -DCMAKE_BUILD_TYPE=Release -DORV_BUILD_TESTS=OFF >/dev/null
fi
cmake --build "$release" >/dev/null
cmake --install "$release" --prefix "$dir/prefix" >/dev/null
installed=$(du -sk "$dir/prefix" | awk '{ printf "%.1f MB", $1 / 1024 }')

# Not re-run here (a clean build would dwarf the rest): the figures the README gives.
readme=$(tr '\n' ' ' <"$root/README.md")
ci_time=$(grep -o '[0-9]* min [0-9]* s wall, [0-9]* s user and [0-9]* s system CPU' <<<"$readme" | head -1 || true)
first_start=$(grep -o 'first start from a clean clone ([^)]*) took [0-9.]* s and [0-9.]* s' <<<"$readme" | sed 's/.* took //' || true)

load_after=$(cut -d' ' -f1-3 /proc/loadavg)
cores=$(nproc)

ms() { awk "BEGIN { printf \"%.0f\", $1 * 1000 }"; }
echo "Measured $(date -u '+%Y-%m-%d %H:%M UTC') on $cores cores, load average $load_before before and $load_after after; build $build"
echo
echo "| What | Measured | Floor / against | How |"
echo "|---|---|---|---|"
echo "| \`orvcal --quit-when-shown\` start-up to the painted main window against a minimal Qt main window (empty data folder, no station, 11 pairs taken turn about, medians; CPU is perf's task-clock where perf runs) | Xvfb: $(startup xcb orvcal), minimal $(startup xcb minimal), so $(ratio xcb); offscreen: $(startup offscreen orvcal), minimal $(startup offscreen minimal), so $(ratio offscreen); the minimal window with one menu title against the bare one: Xvfb $(ratio xcb menuratio), offscreen $(ratio offscreen menuratio) | within 1.05× wall, 1.15× CPU, 3 MB | \`bench/startup-bench.sh\`, \`/usr/bin/time -v\`, \`perf stat\` |"
echo "| \`orvcal-cli version\` over a pty against \`orv-station\`, 2400 baud ($runs runs) | $(ms "$v_min")/$(ms "$v_med")/$(ms "$v_max") ms min/median/max, peak RSS $v_rss MB | | \`/usr/bin/time -v\` |"
echo "| CPU during a pumped 15-second wait | ${wait_line#pumped wait: } | under 1% of one core | \`orv-bench-link wait 15\` |"
echo "| \`read_param\` over a pty against \`orv-station\`, 2400 baud | ${read2400#read_param at 2400 baud: } | | \`orv-bench-link read /dev/pts/N 2400 10\` |"
echo "| \`read_param\` over a pty against \`orv-station\`, 9600 baud | ${read9600#read_param at 9600 baud: } | | \`orv-bench-link read /dev/pts/N 9600 10\` |"
echo "| Calibration entry at 2400 baud over a pty against \`orv-station\` | ${entry:-not printed} ms | 1063 ms | \`tst_calibration_pty\` |"
echo "| Installed size (Release, tests off, \`cmake --install\`) | $installed | | \`du -sk\` of the prefix |"
echo "| First start of \`./orvcal\` from a clean clone (build included) | ${first_start:-not found in the README} | under 60 s | from that run, as the README gives it; not re-run here |"
echo "| Whole \`.ci/run\` on a clean clone | ${ci_time:-not found in the README} | under 10 min and 900 s CPU | from that run, as the README gives it; not re-run here |"
