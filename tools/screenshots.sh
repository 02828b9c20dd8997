#!/bin/bash
# Pictures of every window of the program on the simulated board, for the README's tour.
#
#   tools/screenshots.sh [OUTDIR] [WIDTHxHEIGHT ...]
#
# Builds window_shots, then takes the main window at its designed size (files "default-*.png")
# and at each size given (files "WIDTHxHEIGHT-*.png"), with the ZR400, the model whose chip file
# asks for the instruments. Runs under Xvfb when it is installed, else on Qt's offscreen platform.
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-docs/tour}
shift || true
cmake --build build/default --target window_shots >/dev/null
shots=build/default/bin/window_shots

run() {
    if command -v Xvfb >/dev/null; then
        local n=90
        while [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
        local display=:$n
        Xvfb "$display" -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
        local xvfb=$!
        sleep 1
        DISPLAY=$display "$shots" "$@" || { kill "$xvfb"; return 1; }
        kill "$xvfb"
    else
        QT_QPA_PLATFORM=offscreen "$shots" "$@"
    fi
}

run "$out"
for size in "$@"; do
    run "$out" "$size"
done
