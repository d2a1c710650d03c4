#!/bin/bash
# orvcal's start-up against the minimal Qt main window, on a private Xvfb
# display and on the offscreen platform, in pairs taken turn about so that a
# change in the machine's load falls on both alike. Prints the medians of wall
# time, CPU (user + system) and peak RSS, and orvcal's ratio to the minimal one;
# also the minimal window with one menu title ("one-menu"), which shows what the
# first text of any window costs against the bare one.
#   bench/startup-bench.sh BUILD_DIR [PAIRS]
# Needs orvcal and orv-bench-minimal-window built, Xvfb and /usr/bin/time;
# CPU is perf stat's task-clock where perf runs (time -v counts only
# hundredths, as coarse as the whole figure), else time -v's user + system;
# either way the few milliseconds of /usr/bin/time itself fall on both sides.
# With hyperfine installed it adds hyperfine's figures for the same commands.
set -euo pipefail
build="$(cd "${1:?usage: bench/startup-bench.sh BUILD_DIR [PAIRS]}" && pwd)"
pairs=${2:-11}
app=$build/calibrator/windows/orvcal
minimal=$build/bench/orv-bench-minimal-window
for f in "$app" "$minimal"; do
    [ -x "$f" ] || { echo "missing $f: build it first" >&2; exit 1; }
done

dir=$(mktemp -d)
xvfb=
cleanup() {
    [ -z "$xvfb" ] || kill "$xvfb" 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$dir"
}
trap cleanup EXIT
mkdir -p "$dir/data"

Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$dir/display" >"$dir/xvfb.log" 2>&1 &
xvfb=$!
for _ in $(seq 50); do
    [ -s "$dir/display" ] && break
    sleep 0.1
done
[ -s "$dir/display" ] || { echo "Xvfb did not start:" >&2; cat "$dir/xvfb.log" >&2; exit 1; }
display=:$(head -1 "$dir/display")

perf=()
if perf stat -x, -e task-clock -o /dev/null true 2>/dev/null; then
    perf=(perf stat -x, -e task-clock,duration_time -o "$dir/perf" --)
fi

median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# One run under /usr/bin/time -v; appends "wall cpu rss_kb" to $dir/NAME.
# The wall time is taken here: time -v reports only hundredths, too coarse for a start-up.
run() { # name, platform, command...
    local name=$1 platform=$2
    shift 2
    local t0 t1
    t0=$(date +%s%N)
    : >"$dir/perf"
    DISPLAY=$display QT_QPA_PLATFORM=$platform "${perf[@]}" /usr/bin/time -v -o "$dir/time" "$@" \
        >/dev/null 2>"$dir/err" || { echo "$name failed:" >&2; cat "$dir/err" >&2; exit 1; }
    t1=$(date +%s%N)
    # Under perf the wall time is its duration_time (ns), which leaves out perf's own start.
    local clock duration
    clock=$(awk -F, '/task-clock/ { print $1 }' "$dir/perf")
    duration=$(awk -F, '/duration_time/ { print $1 }' "$dir/perf")
    awk -F': ' -v wall="$(((t1 - t0) / 1000))" -v clock="$clock" -v duration="$duration" '
        /User time/ { user = $2 } /System time/ { sys = $2 } /Maximum resident set size/ { rss = $2 }
        END { printf "%.6f %.5f %d\n", duration != "" ? duration / 1e9 : wall / 1e6,
                     clock != "" ? clock / 1000 : user + sys, rss }' "$dir/time" >>"$dir/$name"
}

load_before=$(cut -d' ' -f1-3 /proc/loadavg)
echo "$pairs pairs on $(nproc) cores, load average $load_before before"
printf '%-10s %-9s %9s %9s %9s\n' platform program wall_ms cpu_ms rss_MB
[ ${#perf[@]} -gt 0 ] && cpu_from="perf stat task-clock" || cpu_from="time -v user + system"
for platform in xcb offscreen; do
    : >"$dir/orvcal.$platform"
    : >"$dir/minimal.$platform"
    : >"$dir/onemenu.$platform"
    # One unmeasured pair first, so that neither pays for a cold file cache.
    run warm "$platform" "$app" --data-dir "$dir/data" --quit-when-shown
    run warm "$platform" "$minimal" --quit-when-shown
    for _ in $(seq "$pairs"); do
        run "orvcal.$platform" "$platform" "$app" --data-dir "$dir/data" --quit-when-shown
        run "minimal.$platform" "$platform" "$minimal" --quit-when-shown
        run "onemenu.$platform" "$platform" "$minimal" --quit-when-shown --menu
    done
    for name in orvcal minimal onemenu; do
        f=$dir/$name.$platform
        read -r "${name}_wall" < <(awk '{ print $1 }' "$f" | median)
        read -r "${name}_cpu" < <(awk '{ print $2 }' "$f" | median)
        read -r "${name}_rss" < <(awk '{ print $3 }' "$f" | median)
    done
    for name in orvcal minimal onemenu; do
        w=${name}_wall c=${name}_cpu r=${name}_rss
        awk -v p="$platform" -v n="$name" -v w="${!w}" -v c="${!c}" -v r="${!r}" \
            'BEGIN { printf "%-10s %-9s %9.1f %9.1f %9.1f\n", p, n, w * 1000, c * 1000, r / 1024 }'
    done
    # "ratio" is orvcal's, "menuratio" the one-menu window's, both against the bare window.
    for name in orvcal onemenu; do
        w=${name}_wall c=${name}_cpu r=${name}_rss label=ratio
        [ "$name" = orvcal ] || label=menuratio
        awk -v p="$platform" -v n="$label" -v ow="${!w}" -v mw="$minimal_wall" -v oc="${!c}" -v mc="$minimal_cpu" \
            -v orss="${!r}" -v mrss="$minimal_rss" \
            'BEGIN { printf "%-10s %-9s %8.2fx %8.2fx %8.2fx  (%+.1f MB)\n", p, n, ow / mw,
                     (mc > 0 ? oc / mc : 0), orss / mrss, (orss - mrss) / 1024 }'
    done
    if command -v hyperfine >/dev/null; then
        DISPLAY=$display QT_QPA_PLATFORM=$platform hyperfine -N --warmup 1 --runs "$pairs" \
            --export-json "$dir/hf.json" \
            "$app --data-dir $dir/data --quit-when-shown" "$minimal --quit-when-shown" >/dev/null 2>&1 \
            || { echo "hyperfine failed" >&2; exit 1; }
        python3 - "$dir/hf.json" "$platform" <<'EOF'
import json, sys
o, m = json.load(open(sys.argv[1]))["results"]
ratio = lambda k: o[k] / m[k]
print(f"{sys.argv[2]:<10} hyperfine median {o['median']*1000:.1f} vs {m['median']*1000:.1f} ms ({ratio('median'):.2f}x), "
      f"user+sys mean {(o['user']+o['system'])*1000:.0f} vs {(m['user']+m['system'])*1000:.0f} ms "
      f"({(o['user']+o['system'])/(m['user']+m['system']):.2f}x)")
EOF
    fi
done
echo "medians; CPU from $cpu_from; load average $(cut -d' ' -f1-3 /proc/loadavg) after"
