#!/usr/bin/env bash
# Runs a coverage-guided fuzz target, or every one, for SECONDS each (default 60):
#   scripts/fuzz.sh TARGET|all [SECONDS]
# The targets are built in the sanitizer build when it is made with clang, as
# ./run-tests makes build-asan:
#   CC=clang CXX=clang++ cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Check \
#     -DORV_SANITIZE=ON -DORV_FUZZ=ON && cmake --build build-asan
# (another folder: ORV_FUZZ_BUILD=DIR). New inputs collect in DIR/fuzz/TARGET beside
# the seeds of tests/fuzz/corpus/TARGET; an input that breaks an invariant or crashes is
# kept as DIR/fuzz/TARGET-crash-<sha1> (or -timeout-, -oom-) and libFuzzer's report printed.
# Any libFuzzer option may follow, e.g. -runs=1000000 or -jobs=2.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${ORV_FUZZ_BUILD:-$root/build-asan}" && pwd)
if [ $# -lt 1 ]; then
  echo "usage: $0 TARGET|all [SECONDS] [libFuzzer options]" >&2
  exit 2
fi
target=$1
seconds=${2:-60}
shift $(($# < 2 ? $# : 2))
if [ "$target" = all ]; then
  targets=$(find "$build/tests/fuzz" -maxdepth 1 -type f -executable -name 'fuzz_*' -printf '%f\n' | sed 's/^fuzz_//' | sort)
else
  targets=$target
fi
# Qt keeps caches for the life of the process: they are no leaks of the code under test.
# Every allocation's stack is kept for reports; two frames keep that store from growing
# without end and from taking half the run (run a kept input again for whole stacks).
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0:malloc_context_size=2} UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}
# Nor then does libFuzzer hunt them: it would count every allocation and run again each
# input that leaves memory behind.
leaks=1
[[ $ASAN_OPTIONS == *detect_leaks=0* ]] && leaks=0
export QT_QPA_PLATFORM=offscreen
status=0
for t in $targets; do
  exe=$build/tests/fuzz/fuzz_$t
  if [ ! -x "$exe" ]; then
    echo "no fuzz target $exe; configure with CC=clang CXX=clang++ -DORV_SANITIZE=ON -DORV_FUZZ=ON" >&2
    exit 2
  fi
  work=$build/fuzz/$t
  mkdir -p "$work"
  seeds=("$root/tests/fuzz/corpus/$t")
  [ "$t" = prm ] && seeds+=("$root/data/PRM")
  if ! "$exe" -max_total_time="$seconds" -print_final_stats=1 -detect_leaks=$leaks -artifact_prefix="$build/fuzz/$t-" "$@" \
       "$work" "${seeds[@]}" > "$work.log" 2>&1; then
    status=1
    tail -n 60 "$work.log" >&2
  fi
  # "#N DONE cov: C ft: F ...": executions, covered edges and features reached.
  echo "$t: $(grep -a -E '^#[0-9]+[[:space:]]+DONE' "$work.log" | tail -n 1 || echo 'did not finish')"
done
exit $status
