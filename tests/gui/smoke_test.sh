#!/usr/bin/env bash
# Starts the real application in a real X server with a fresh settings folder,
# waits for its main window, takes a screenshot, opens the Preferences window
# (Ctrl+,) and closes it (Escape), opens Help > Search Tags from the keyboard,
# quits with Ctrl+Q and checks that the process exited cleanly.
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
fail() { echo "$1"; cat "$XDG_RUNTIME_DIR/app.log"; kill "$pid" 2>/dev/null || true; exit 1; }
# Prints the id of the visible window titled exactly $1 once it shows.
visible_window() {
  for _ in $(seq 1 50); do
    w=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1 || true)
    [ -n "$w" ] && { echo "$w"; return 0; }
    sleep 0.1
  done
  return 1
}
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
xdotool key --clearmodifiers ctrl+comma
preferences=$(visible_window Preferences) || fail "Ctrl+, did not open the Preferences window"
xdotool windowfocus --sync "$preferences"
xdotool key --clearmodifiers Escape
for _ in $(seq 1 50); do
  xdotool search --onlyvisible --name '^Preferences$' >/dev/null 2>&1 || break
  sleep 0.1
done
xdotool search --onlyvisible --name '^Preferences$' >/dev/null 2>&1 && fail "Escape did not close the Preferences window"

xdotool windowfocus --sync "$window"
xdotool key --clearmodifiers alt+h
sleep 0.3
xdotool key --clearmodifiers t
visible_window "Search Tags" >/dev/null || fail "Help > Search Tags did not show the tags"

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
