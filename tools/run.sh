#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program on the simulated evaluation board.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/deps.sh
cmake --preset default >/dev/null
cmake --build --preset default
exec build/default/bin/vek-enobtest --simulate "$@"
