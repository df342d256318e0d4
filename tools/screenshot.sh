#!/usr/bin/env bash
# Makes the README's screenshots: the real main window in a real X server
# (Xvfb) searching a fake E-utilities server on 127.0.0.1 that serves saved
# real answers. The query is typed and sent with Return, and one article is
# clicked, as a user would. Nothing reaches the internet.
#   tools/screenshot.sh [--picture main|search-details|following-literature|library|mesh-browser|timeline|review-screening|review-prisma] [BUILD_DIR] [OUT.png]
# main (docs/screenshot.png): one saved EFetch answer with its real PMIDs.
# search-details (docs/search-details.png): a real ESearch answer with a
#   translation and a phrase PubMed did not find, its details opened (Ctrl+I).
# following-literature (docs/following-literature.png): two articles of real
#   ELink answers; the second's Cited By (Alt+A, C) opens a tab whose Cited by
#   column the fake server fills from the same answers.
# library (docs/library.png): the window also keeps a library of three
#   collections; the search marks the articles kept, and the first collection
#   of the Collections dock is opened as a tab, its first article's note shown.
# mesh-browser (docs/mesh-browser.png): the MeSH browser (Ctrl+Shift+M) finds
#   a word in the real ESummary answer of db=mesh, the heading is selected and
#   added to the search with AND.
# timeline (docs/timeline.png): Results by Year (Ctrl+Shift+Y) of a search
#   whose counts the fake server takes from PubMed's real "Results by year"
#   download for "microbiome" (the table still lists the saved articles).
# review-screening (docs/review-screening.png), review-prisma (docs/review-prisma.png):
#   a review of the saved articles as a PubMed search with two other
#   databases' exports of three real records, deduplicated and screened in
#   part; its window on the screening view or on the PRISMA diagram.
# fulltext (docs/fulltext.png): the second article's full text is got
#   (Ctrl+Shift+G) from a saved BioC answer and read (Ctrl+Shift+R); the
#   picture is of the reader window.
# Needs a build with its tests (vexmoor-screenshot-window), xvfb-run, xdotool
# and ImageMagick's import.
set -euo pipefail
cd "$(dirname "$0")/.."
picture=main
if [ "${1:-}" = --picture ]; then picture=$2; shift 2; fi
build=${1:-build}
program="$build/tests/gui/vexmoor-screenshot-window"
[ -x "$program" ] || { echo "no $program: build with the tests first"; exit 1; }

# 80 real articles on complications of vertebroplasty, as PubMed's XML export
# gave them; the second has a structured abstract, a DOI and free full text.
answer=tests/data/entrez/efetch/pubmed_result_80_articles.xml
query='vertebroplasty complications'
row=2
extra=()
keys=()
size=-
shot_name=
case $picture in
  main) out=${2:-docs/screenshot.png} ;;
  search-details)
    out=${2:-docs/search-details.png}
    extra=(--esearch tests/data/entrez/esearch/eutils_json_esearch_error.xml)
    query='obstetrics[MeSH Terms] AND fleegle[MeSH Terms]'
    keys=(ctrl+i) ;;
  following-literature)
    out=${2:-docs/following-literature.png}
    extra=(--elink tests/data/entrez/elink/biopython_elink1.xml tests/data/entrez/elink/biopython_elink4.xml)
    query='cited articles'
    keys=(alt+a c)
    size=1270x860 ;; # wide enough for the Cited by column
  library)
    out=${2:-docs/library.png}
    extra=(--library) ;;
  mesh-browser)
    out=${2:-docs/mesh-browser.png}
    extra=(--mesh tests/data/services/mesh/klortho_esummary_mesh_v2.xml)
    query='child'
    keys=(ctrl+shift+m h c a t minus 2 Return Down ctrl+Return)
    size=1270x860 ;;
  timeline)
    out=${2:-docs/timeline.png}
    extra=(--timeline tests/data/services/pubmed_results_by_year/riffomonas_PubMed_Timeline_Results_by_Year_microbiome.csv)
    query='microbiome'
    keys=(ctrl+shift+y)
    size=1270x860 ;;
  review-screening|review-prisma)
    out=${2:-docs/$picture.png}
    extra=(--review "${picture#review-}")
    shot_name='^Review: ' ;;
  fulltext)
    out=${2:-docs/fulltext.png}
    extra=(--fulltext tests/data/services/bioc/nasaspaceapps_BioC_json_PMC10793275_oldstyle_reserialized.json)
    keys=(ctrl+shift+g sleep ctrl+shift+r) ;;
  *) echo "no picture $picture"; exit 2 ;;
esac

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
unset QT_QPA_PLATFORM

xvfb-run --auto-servernum --server-args="-screen 0 1280x900x24" \
  bash -s -- "$program" "$answer" "$query" "$row" "$work/shot.png" "${keys[*]:-}" "$size" "$shot_name" "${extra[@]}" <<'INNER'
set -euo pipefail
program=$1 answer=$2 query=$3 row=$4 shot=$5 keys=$6 size=$7 shot_name=$8
shift 8
"$program" "$answer" "$@" > "$XDG_RUNTIME_DIR/app.log" 2>&1 &
pid=$!
trap 'kill "$pid" 2>/dev/null || true' EXIT
window=
for _ in $(seq 1 100); do
  window=$(xdotool search --onlyvisible --name '^Vexmoor$' 2>/dev/null | head -n 1 || true)
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || { echo "no main window appeared"; cat "$XDG_RUNTIME_DIR/app.log"; exit 1; }
if [ "$size" != - ]; then
  xdotool windowmove "$window" 0 0 windowsize "$window" "${size%x*}" "${size#*x}"
fi
xdotool windowfocus --sync "$window"
sleep 0.5
# A review's window takes keys of its own: nothing is typed into it.
if [ -z "$shot_name" ]; then
xdotool type --delay 30 "$query"
xdotool key Return
fi
sleep 3
# The table's rows start about 125 pixels below the window's top and are 20
# high (the fonts of Debian 12's Xvfb); click the middle of the row's title.
xdotool mousemove --window "$window" 450 $((125 + 20 * (row - 1) + 10)) click 1
if grep -q '^first collection at ' "$XDG_RUNTIME_DIR/app.log"; then
  # Where the program says the dock's first collection is: double-click opens it.
  read -r x y < <(sed -n 's/^first collection at //p' "$XDG_RUNTIME_DIR/app.log")
  xdotool mousemove --window "$window" "$x" "$y" click --repeat 2 1
  sleep 1
fi
xdotool mousemove --window "$window" 1090 10
sleep 1
for key in $keys; do
  if [ "$key" = sleep ]; then sleep 4; continue; fi
  xdotool key "$key"
  sleep 0.5
done
[ -z "$keys" ] || sleep 3
# The search details float in a window of their own: over the table's right
# side, and the picture is of the screen, cut to the main window.
details=$(xdotool search --onlyvisible --name '^Search Details$' 2>/dev/null | head -n 1 || true)
# A window of its own (a review's) is the picture when one is named.
if [ -n "$shot_name" ]; then
  own=$(xdotool search --onlyvisible --name "$shot_name" 2>/dev/null | head -n 1 || true)
  [ -n "$own" ] || { echo "no window $shot_name appeared"; exit 1; }
  xdotool windowraise "$own"
  sleep 1
  import -window "$own" "$shot"
  exit 0
fi
if [ -n "$details" ]; then
reader=$(xdotool search --onlyvisible --name '^Full Text' 2>/dev/null | head -n 1 || true)
if [ -n "$reader" ]; then
  import -window "$reader" "$shot"
elif [ -n "$details" ]; then
  xdotool windowmove "$details" 560 240
  sleep 1
  eval "$(xdotool getwindowgeometry --shell "$window")"
  import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$shot"
else
  import -window "$window" "$shot"
fi
INNER
cp "$work/shot.png" "$out"
echo "wrote $out"
