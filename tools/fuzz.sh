#!/usr/bin/env bash
# Runs the fuzz targets of a fuzz build (cmake -DLUDEX_FUZZ=ON, see the
# README), each from its seed corpus.
#
#   tools/fuzz.sh BUILD smoke                 every target for its fixed number
#                                             of runs, about a minute in all (CI)
#   tools/fuzz.sh BUILD SECONDS [TARGET...]   every (or each named) target for
#                                             that long; what it learns is kept in
#                                             BUILD/fuzz/corpus/TARGET for the next run
#
# A crash, a leak, an input slower than 10 s or a broken promise stops the
# run with a failure; the input is saved as BUILD/fuzz/crashes/TARGET-*.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:?usage: tools/fuzz.sh BUILD smoke|SECONDS [TARGET...]}
mode=${2:-smoke}
shift $(($# < 2 ? $# : 2))

# Runs per target in the smoke run, sized to take a few to 15 seconds each.
declare -A smoke_runs=([names]=30000 [dds]=1000 [edit_tables]=300 [preview]=8000 [model_texture]=8000 [extract]=8000 [map_reader]=200000 [steam_libraries]=100000 [texture_replace]=3000 [thumbnail_cache]=30000)

export ASAN_OPTIONS="${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1}"
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$PWD/.ci/lsan.supp:print_suppressions=0}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}"

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for exe in "$build"/fuzz/fuzz_*; do [ -f "$exe" ] && [ -x "$exe" ] && targets+=("${exe##*/fuzz_}"); done
fi
mkdir -p "$build/fuzz/crashes"
for t in "${targets[@]}"; do
  exe="$build/fuzz/fuzz_$t"
  seeds="$build/fuzz/seeds/$t"
  common=(-timeout=10 -rss_limit_mb=2048 -artifact_prefix="$build/fuzz/crashes/$t-" -print_final_stats=1)
  log=$(mktemp)
  if [ "$mode" = smoke ]; then
    work=$(mktemp -d)
    echo "== fuzz_$t: ${smoke_runs[$t]:-20000} runs"
    status=0
    "$exe" -runs="${smoke_runs[$t]:-20000}" -seed=1 "${common[@]}" "$work" "$seeds" >"$log" 2>&1 || status=$?
    rm -rf "$work"
  else
    corpus="$build/fuzz/corpus/$t"
    mkdir -p "$corpus"
    echo "== fuzz_$t: $mode seconds"
    status=0
    "$exe" -max_total_time="$mode" "${common[@]}" "$corpus" "$seeds" >"$log" 2>&1 || status=$?
  fi
  # All of the report on a failure, its summary otherwise.
  if [ "$status" -eq 0 ]; then grep -E '^(Done|stat::)' "$log" || true; else cat "$log"; fi
  rm -f "$log"
  [ "$status" -eq 0 ] || { echo "fuzz_$t failed"; exit "$status"; }
done
