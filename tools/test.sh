#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test. With --asan the same tests then run
# again, built with AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/deps.sh
export QT_QPA_PLATFORM=offscreen
run_preset() {
  echo "== build and test: $1 =="
  cmake --preset "$1" >/dev/null
  cmake --build --preset "$1" -j "$(nproc)"
  ctest --preset "$1" -j "$(nproc)"
}
run_preset default
if [ "${1:-}" = "--asan" ]; then run_preset asan; fi
