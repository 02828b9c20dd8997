#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, the "fuzz" preset) and runs every one of them, each for the
# given number of seconds (default 60), or for a number of executions with --runs N. Each target
# keeps its corpus in tests/fuzz/corpus/<target>/, which grows with every input the fuzzer finds
# interesting; tests/fuzz/seeds/<target>/ (when present) is read as well. Prints the executions.
# Names after the limit choose the targets (default: all). FUZZ_FLAGS adds libFuzzer flags, such as
# FUZZ_FLAGS=-max_len=512 to keep inputs short (and runs fast).
#   tools/fuzz.sh 300          five minutes per target
#   tools/fuzz.sh --runs 1000000
#   tools/fuzz.sh 60 fuzz_ram_file fuzz_com_map
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${1:-}" = "--runs" ]; then
  limit=(-runs="${2:?--runs needs a count}"); shift 2
else
  limit=(-max_total_time="${1:-60}"); shift $(( $# > 0 ? 1 : 0 ))
fi
targets=("$@")
tools/deps.sh
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc)"
if [ ${#targets[@]} -eq 0 ]; then
  for exe in build/fuzz/bin/*fuzz*; do [ -x "$exe" ] && targets+=("$(basename "$exe")"); done
fi
for name in "${targets[@]}"; do
  exe="build/fuzz/bin/$name"
  [ -x "$exe" ] || { echo "FAIL: no fuzz target $name"; exit 1; }
  corpus="tests/fuzz/corpus/$name"
  mkdir -p "$corpus"
  seeds=()
  [ -d "tests/fuzz/seeds/$name" ] && seeds=("tests/fuzz/seeds/$name")
  log=$(mktemp)
  # shellcheck disable=SC2086
  if ! "$exe" "${limit[@]}" ${FUZZ_FLAGS:-} -print_final_stats=1 "$corpus" "${seeds[@]}" >"$log" 2>&1; then
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
