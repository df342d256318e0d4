#!/usr/bin/env bash
# Starts the real application in a real X server with a fresh settings folder,
# waits for its main window, takes a screenshot, quits with Ctrl+Q and checks
# that the process exited cleanly.
#   smoke_test.sh VEXMOOR_BINARY SCREENSHOT.png
set -euo pipefail
binary=$1
screenshot=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
unset QT_QPA_PLATFORM

xvfb-run --auto-servernum --server-args="-screen 0 1280x860x24" bash -s -- "$binary" "$screenshot" <<'INNER'
set -euo pipefail
binary=$1
screenshot=$2
"$binary" > "$XDG_RUNTIME_DIR/app.log" 2>&1 &
pid=$!
window=
# The start-up update check may wait for the network before the window shows.
for _ in $(seq 1 900); do
  window=$(xdotool search --onlyvisible --name '^Vexmoor$' 2>/dev/null | head -n 1 || true)
  [ -n "$window" ] && break
  kill -0 "$pid" 2>/dev/null || { echo "the application exited before showing its window"; cat "$XDG_RUNTIME_DIR/app.log"; exit 1; }
  sleep 0.1
done
if [ -z "$window" ]; then
  echo "no main window appeared"; kill "$pid"; exit 1
fi
sleep 1
import -window root "$screenshot"
xdotool windowfocus --sync "$window"
xdotool key --clearmodifiers ctrl+q
for _ in $(seq 1 100); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$pid" 2>/dev/null; then
  echo "Ctrl+Q did not quit the application"; kill "$pid"; exit 1
fi
status=0
wait "$pid" || status=$?
cat "$XDG_RUNTIME_DIR/app.log"
echo "exit status $status"
exit "$status"
INNER
test -s "$screenshot"
