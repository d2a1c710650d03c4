#!/bin/bash
# Times `orvcal-cli detect --quick` with the station found last: seven
# simulators that never answer on COM1..COM7, then one answering only at
# 38400 (the last rate tried) on COM8, all on pseudo-terminals.
#   scripts/bench-detect-quick.sh [BUILD_DIR] [more detect options]
# ORVCAL_CLI names another orvcal-cli to time (a sanitizer build, say).
set -euo pipefail
build=${1:-build-check}
shift || true
cli=${ORVCAL_CLI:-$build/calibrator/cli/orvcal-cli}
dir=$(mktemp -d)
pids=()
map=""
cleanup() {
    kill "${pids[@]}" 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$dir"
}
trap cleanup EXIT

start_station() { # port, simulator options...
    local port=$1
    shift
    "$build/station/orv-station" "$@" >"$dir/com$port.log" 2>&1 &
    pids+=($!)
    for _ in $(seq 50); do
        grep -q '^PTY ' "$dir/com$port.log" && break
        sleep 0.1
    done
    local pty
    pty=$(sed -n 's/^PTY //p' "$dir/com$port.log" | head -1)
    if [ -z "$pty" ]; then
        echo "orv-station did not come up for COM$port:" >&2
        cat "$dir/com$port.log" >&2
        exit 1
    fi
    map="$map;COM$port=$pty"
}

for port in 1 2 3 4 5 6 7; do
    start_station "$port" --fault no-reply
done
start_station 8 --fixed-rate 38400
export ORV_PORTS=${map#;}

start=$(date +%s.%N)
status=0
"$cli" --data-dir "$dir" detect --quick "$@" || status=$?
end=$(date +%s.%N)
echo "detect --quick: $(awk "BEGIN { printf \"%.1f\", $end - $start }") s, exit code $status"
