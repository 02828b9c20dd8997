#!/usr/bin/env bash
# Starts the program in a scratch program directory, stops it with a signal, and checks that it
# closed its main window the normal way and ended with status 0.
set -u
exe="$1"
sig="${2:-TERM}"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cp "$exe" "$dir/" || exit 1
cp -r "$(dirname "$exe")/INCLUDE" "$dir/" 2>/dev/null
QT_QPA_PLATFORM=offscreen "$dir/$(basename "$exe")" --simulate >"$dir/out.txt" 2>&1 &
pid=$!
# Wait until the program is up (its main window exists) before signalling it.
for _ in $(seq 1 100); do
  grep -q 'main window shown' "$dir/out.txt" 2>/dev/null && break
  sleep 0.1
done
kill -"$sig" "$pid"
wait "$pid"
rc=$?
cat "$dir/out.txt"
if [ "$rc" -ne 0 ]; then echo "exit status $rc after SIG$sig"; exit 1; fi
if ! grep -q 'main window closed' "$dir/out.txt"; then echo "the close steps did not run"; exit 1; fi
echo "stopped cleanly by SIG$sig"
