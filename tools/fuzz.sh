#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, the "fuzz" preset) and runs every one of them, each for the
# given number of seconds (default 60), or for a number of executions with --runs N. Each target
# keeps its corpus in tests/fuzz/corpus/<target>/, which grows with every input the fuzzer finds
# interesting; tests/fuzz/seeds/<target>/ (when present) is read as well. Prints the executions.
#   tools/fuzz.sh 300          five minutes per target
#   tools/fuzz.sh --runs 1000000
set -euo pipefail
cd "$(dirname "$0")/.."
limit=(-max_total_time="${1:-60}")
if [ "${1:-}" = "--runs" ]; then limit=(-runs="${2:?--runs needs a count}"); fi
tools/deps.sh
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc)"
for exe in build/fuzz/bin/*fuzz*; do
  [ -x "$exe" ] || continue
  name=$(basename "$exe")
  corpus="tests/fuzz/corpus/$name"
  mkdir -p "$corpus"
  seeds=()
  [ -d "tests/fuzz/seeds/$name" ] && seeds=("tests/fuzz/seeds/$name")
  log=$(mktemp)
  if ! "$exe" "${limit[@]}" -print_final_stats=1 "$corpus" "${seeds[@]}" >"$log" 2>&1; then
    tail -30 "$log"; echo "FAIL: $name found a problem (log above)"; rm -f "$log"; exit 1
  fi
  runs=$(grep -m1 'stat::number_of_executed_units' "$log" | awk '{print $2}')
  # Keep the smallest set of inputs that covers what the whole corpus covers.
  kept=$(mktemp -d)
  if "$exe" -merge=1 "$kept" "$corpus" >/dev/null 2>&1; then
    rm -rf "$corpus"; mkdir -p "$corpus"; cp "$kept"/* "$corpus"/ 2>/dev/null || true
  fi
  rm -rf "$kept"
  echo "$name: ${runs:-?} executions, corpus $(ls "$corpus" | wc -l) files"
  rm -f "$log"
done
