#!/usr/bin/env bash
# Makes the README's screenshot, docs/screenshot.png: the real main window in a
# real X server (Xvfb) searching a fake E-utilities server on 127.0.0.1 that
# serves one saved real answer with its real PMIDs. The query is typed and
# sent with Return, and one article is clicked, as a user would. Nothing
# reaches the internet.
#   tools/screenshot.sh [--library] [BUILD_DIR] [OUT.png]
# With --library (docs/library.png) the window also has a library of three
# collections: the search marks the articles kept, and the first collection
# of the Collections dock is opened as a tab, its first article's note shown.
# Needs a build with its tests (vexmoor-screenshot-window), xvfb-run, xdotool
# and ImageMagick's import.
set -euo pipefail
cd "$(dirname "$0")/.."
library=
picture=docs/screenshot.png
if [ "${1:-}" = --library ]; then
  library=--library
  picture=docs/library.png
  shift
fi
build=${1:-build}
out=${2:-$picture}
program="$build/tests/app/vexmoor-screenshot-window"
[ -x "$program" ] || { echo "no $program: build with the tests first"; exit 1; }

# 80 real articles on complications of vertebroplasty, as PubMed's XML export
# gave them; the second has a structured abstract, a DOI and free full text.
answer=tests/data/entrez/efetch/pubmed_result_80_articles.xml
query='vertebroplasty complications'
row=2

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
unset QT_QPA_PLATFORM

xvfb-run --auto-servernum --server-args="-screen 0 1280x900x24" \
  bash -s -- "$program" "$answer" "$query" "$row" "$work/shot.png" "$library" <<'INNER'
set -euo pipefail
program=$1 answer=$2 query=$3 row=$4 shot=$5 library=$6
"$program" "$answer" $library > "$XDG_RUNTIME_DIR/app.log" 2>&1 &
pid=$!
trap 'kill "$pid" 2>/dev/null || true' EXIT
window=
for _ in $(seq 1 100); do
  window=$(xdotool search --onlyvisible --name '^Vexmoor$' 2>/dev/null | head -n 1 || true)
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || { echo "no main window appeared"; cat "$XDG_RUNTIME_DIR/app.log"; exit 1; }
xdotool windowfocus --sync "$window"
sleep 0.5
xdotool type --delay 30 "$query"
xdotool key Return
sleep 3
# The table's rows start about 125 pixels below the window's top and are 20
# high (the fonts of Debian 12's Xvfb); click the middle of the row's title.
xdotool mousemove --window "$window" 450 $((125 + 20 * (row - 1) + 10)) click 1
if [ -n "$library" ]; then
  # Where the program says the dock's first collection is: double-click opens it.
  read -r x y < <(sed -n 's/^first collection at //p' "$XDG_RUNTIME_DIR/app.log")
  xdotool mousemove --window "$window" "$x" "$y" click --repeat 2 1
  sleep 1
fi
xdotool mousemove --window "$window" 1090 10
sleep 1
import -window "$window" "$shot"
INNER
cp "$work/shot.png" "$out"
echo "wrote $out"
