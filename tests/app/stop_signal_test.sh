#!/usr/bin/env bash
# Starts the program in a scratch program directory, stops it with a signal, and checks that it
# closed its main window the normal way, ended with status 0, and that its close steps wrote the
# configuration file and the window placement file.
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
# The board is looked for as soon as the window is shown; while the program holds it, the note of
# its claim stands beside it.
for _ in $(seq 1 100); do
  [ -f "$dir/VekUSB.claim" ] && break
  sleep 0.1
done
if [ ! -f "$dir/VekUSB.claim" ]; then echo "the board was not claimed at start"; cat "$dir/out.txt"; exit 1; fi
# The first run wrote the configuration at start-up; remove it so that only the close steps can
# bring it back.
rm -f "$dir/VekADC.cfg"
kill -"$sig" "$pid"
wait "$pid"
rc=$?
cat "$dir/out.txt"
if [ "$rc" -ne 0 ]; then echo "exit status $rc after SIG$sig"; exit 1; fi
if ! grep -q 'main window closed' "$dir/out.txt"; then echo "the close steps did not run"; exit 1; fi
cfg="$dir/VekADC.cfg"
wst="$dir/$(basename "$exe").wst"
if [ ! -f "$cfg" ]; then echo "VekADC.cfg was not written"; exit 1; fi
if [ "$(wc -l <"$cfg")" -ne 26 ]; then echo "VekADC.cfg does not have 26 lines"; cat "$cfg"; exit 1; fi
if [ "$(head -n 1 "$cfg")" != $'Vek-ENOBTEST V1.7 HID\r' ]; then echo "VekADC.cfg has no title line"; exit 1; fi
if [ ! -f "$wst" ]; then echo "$(basename "$wst") was not written"; exit 1; fi
if [ "$(head -n 1 "$wst")" != $'1.10\r' ]; then echo "the placement file has no version line"; exit 1; fi
if ! grep -q '^MainPanel' "$wst"; then echo "the placement file lacks the main window"; exit 1; fi
if [ -f "$dir/VekUSB.claim" ]; then echo "the board's claim was not given back"; exit 1; fi
echo "stopped cleanly by SIG$sig; settings and window placement written, the board given back"
