#!/bin/bash
# Measures `orvcal-cli --all-slots backup` against the same stations backed up
# one after the other, and the fleet run's memory and CPU for 1, 6 and 20
# slots; prints Markdown rows for the README's benchmark table.
#   bench/fleet-bench.sh BUILD_DIR [RUNS]
# BUILD_DIR has orvcal-cli, orv-station and orv-bench-fleet-settings built.
# Eight simulators at 2400 baud: six on pseudo-terminals (COM1..COM6), one
# behind ser2net as a raw TCP port (COM7) and one behind ser2net with RFC 2217
# (COM8). Needs ser2net and /usr/bin/time.
set -euo pipefail
build=$(cd "${1:?usage: bench/fleet-bench.sh BUILD_DIR [RUNS]}" && pwd)
runs=${2:-3}
cli=$build/calibrator/cli/orvcal-cli
station=$build/station/orv-station
slots_tool=$build/bench/orv-bench-fleet-settings
ser2net=$(command -v ser2net || echo /usr/sbin/ser2net)
for f in "$cli" "$station" "$slots_tool" "$ser2net"; do
    [ -x "$f" ] || { echo "missing $f: build or install it first" >&2; exit 1; }
done
dir=$(mktemp -d)
data=$dir/data
mkdir -p "$data"
pids=()
cleanup() {
    kill "${pids[@]}" 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$dir"
}
trap cleanup EXIT

# Starts a simulator; sets pty. Not in a subshell, so that cleanup knows it.
start_station() { # name, simulator options...
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

free_port() {
    local p
    for p in $(shuf -i 20000-60000 -n 50); do
        (exec 3<>"/dev/tcp/127.0.0.1/$p") 2>/dev/null || { echo "$p"; return; }
    done
    echo "no free loopback port" >&2
    exit 1
}

# ser2net in front of the simulator on $pty; sets url.
start_server() { # name, accepter scheme (tcp | telnet(rfc2217),tcp), url scheme
    local port
    port=$(free_port)
    printf 'connection: &%s\n  accepter: %s,127.0.0.1,%s\n  connector: serialdev,%s,2400n81,local\n' \
        "$1" "$2" "$port" "$pty" >"$dir/$1.yaml"
    "$ser2net" -n -d -c "$dir/$1.yaml" -P "$dir/$1.pid" >"$dir/$1.server.log" 2>&1 &
    pids+=($!)
    for _ in $(seq 50); do
        (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && break
        sleep 0.1
    done
    url="$3://127.0.0.1:$port"
}

for n in 1 2 3 4 5 6; do
    start_station "com$n" --register-com "$n" --data-dir "$data"
done
start_station raw
start_server raw tcp tcp
echo "COM7=$url" >>"$data/ports.conf"
start_station telnet
start_server telnet 'telnet(rfc2217),tcp' rfc2217
echo "COM8=$url" >>"$data/ports.conf"

# Slot i on COM(i mod 8 + 1): 20 slots put two or three on each line.
set_slots() { # count
    rm -f "$data/COM Settings.Dat"
    local specs=() i
    for ((i = 0; i < $1; i++)); do
        specs+=("$i:$((i % 8 + 1)):Station $i")
    done
    "$slots_tool" "$data" "${specs[@]}"
}

now() { date +%s%N; }
seconds() { awk "BEGIN { printf \"%.1f\", ($2 - $1) / 1e9 }"; }
peak() { awk -F': ' '/Maximum resident set size/ { printf "%.1f", $2 / 1024 }' "$1"; }
cpu() { awk -F': ' '/User time/ { u = $2 } /System time/ { s = $2 } END { printf "%.2f", u + s }' "$1"; }

# Each station alone, one after the other, as a single-station backup.
set_slots 8
slowest=0
sum=0
singles=()
for port in 1 2 3 4 5 6 7 8; do
    t0=$(now)
    "$cli" --data-dir "$data" --port "$port" backup "$dir/single-$port.json" >/dev/null 2>"$dir/single-$port.err" \
        || { echo "backup of COM$port failed:" >&2; cat "$dir/single-$port.err" >&2; exit 1; }
    t1=$(now)
    s=$(seconds "$t0" "$t1")
    singles+=("$s")
    sum=$(awk "BEGIN { print $sum + $s }")
    slowest=$(awk "BEGIN { print ($s > $slowest) ? $s : $slowest }")
done

# The fleet: every slot at once, $runs times.
fleet=()
for i in $(seq "$runs"); do
    t0=$(now)
    /usr/bin/time -v -o "$dir/fleet.$i.time" "$cli" --data-dir "$data" --all-slots backup "$dir/fleet-$i" \
        >"$dir/fleet.$i.out" 2>"$dir/fleet.$i.err" || { echo "fleet backup failed:" >&2; cat "$dir/fleet.$i.out" >&2; exit 1; }
    t1=$(now)
    fleet+=("$(seconds "$t0" "$t1")")
done
median=$(printf '%s\n' "${fleet[@]}" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }')
ratio=$(awk "BEGIN { printf \"%.2f\", $median / $slowest }")

echo "| \`orvcal-cli --all-slots backup\`, 8 stations at 2400 baud (6 ptys, 1 raw TCP and 1 RFC 2217 behind ser2net; $runs runs) against each alone one after the other | fleet ${fleet[*]} s (median $median s); alone: ${singles[*]} s, slowest $slowest s, sum $sum s; fleet/slowest $ratio | fleet at most 1.2× the slowest station | \`bench/fleet-bench.sh\` |"

# Memory and CPU as the slots grow.
for count in 1 6 20; do
    set_slots "$count"
    t0=$(now)
    /usr/bin/time -v -o "$dir/grow.$count.time" "$cli" --data-dir "$data" --all-slots backup "$dir/grow-$count" \
        >"$dir/grow.$count.out" 2>"$dir/grow.$count.err" || { echo "backup of $count slots failed:" >&2; cat "$dir/grow.$count.out" >&2; exit 1; }
    t1=$(now)
    lines=$((count < 8 ? count : 8))
    echo "| \`orvcal-cli --all-slots backup\`, $count slot(s) on $lines line(s) | $(seconds "$t0" "$t1") s wall, peak RSS $(peak "$dir/grow.$count.time") MB, $(cpu "$dir/grow.$count.time") s CPU (user + system) | memory and CPU grow with the lines | \`bench/fleet-bench.sh\` |"
done
