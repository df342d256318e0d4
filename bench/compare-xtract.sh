#!/bin/sh
# vexmoor-cli efetch against NCBI's own extractor, xtract from EDirect, on the
# 10,000-article answer the parse benchmark builds (162.7 MB): wall time, CPU
# time and peak memory of five runs each, taken in turn, and the streamed
# records compared with a reference that reads the answer whole.
#
#   bench/compare-xtract.sh [BUILD_DIR]        (default: build, a Release build)
#
# Environment:
#   RUNS=N              runs of each program (default 5)
#   REFERENCE_CLI=PATH  the vexmoor-cli whose records are the reference;
#   REFERENCE=REV       or the one built from this revision, in a scratch
#                       worktree under /tmp with ccache. Without either, the
#                       reference is the same build's extraction of the whole
#                       answer in memory (vexmoor-parse-bench --json).
# Keys that only one of the two outputs has are named and left out of the
# comparison, so an older extraction is compared like with like.
#
# xtract comes from the Debian package ncbi-entrez-direct, installed here if
# missing; nothing else uses it. The answer lives in /tmp for the run only.
set -eu

build=${1:-build}
runs=${RUNS:-5}
root=$(cd "$(dirname "$0")/.." && pwd)
cli="$build/src/cli/vexmoor-cli"
bench="$build/bench/entrez/vexmoor-parse-bench"
for program in "$cli" "$bench"; do
    [ -x "$program" ] || { echo "no $program: build first (cmake --build $build)" >&2; exit 1; }
done
if ! command -v xtract >/dev/null 2>&1; then
    if [ "$(id -u)" = 0 ]; then
        apt-get install -y ncbi-entrez-direct >&2
    else
        echo "xtract is missing: sudo apt-get install ncbi-entrez-direct" >&2
        exit 1
    fi
fi

scratch=$(mktemp -d /tmp/vexmoor-compare-XXXXXX)
reference_tree=
cleanup() {
    if [ -n "$reference_tree" ]; then
        git -C "$root" worktree remove --force "$reference_tree" >/dev/null 2>&1 || true
    fi
    rm -rf "$scratch"
}
trap cleanup EXIT INT TERM

answer="$scratch/answer.xml"
"$bench" --write "$answer"
echo "answer: $(wc -c < "$answer") bytes, 10,000 articles"

reference=${REFERENCE_CLI:-}
if [ -z "$reference" ] && [ -n "${REFERENCE:-}" ]; then
    rev=$REFERENCE
    reference_tree="$scratch/reference"
    git -C "$root" worktree add --detach "$reference_tree" "$rev" >/dev/null 2>&1
    cmake -S "$reference_tree" -B "$reference_tree/build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DVEXMOOR_BUILD_TESTS=OFF -DVEXMOOR_BUILD_BENCH=OFF >/dev/null
    cmake --build "$reference_tree/build" -j2 --target vexmoor-cli >/dev/null
    # The program's folder moved once; a reference revision may be from before.
    reference=$(find "$reference_tree/build/src" -name vexmoor-cli -type f -perm -u+x | head -n 1)
    echo "reference: vexmoor-cli at $(git -C "$root" rev-parse --short "$rev")"
fi

# One run: prints "wall cpu peak_kb".
measure() {
    /usr/bin/time -f '%e %U %S %M' -o "$scratch/time" "$@" > /dev/null 2>&1 < /dev/null
    awk '{ printf "%s %.2f %s\n", $1, $2 + $3, $4 }' "$scratch/time"
}
cat > "$scratch/xtract.sh" <<XTRACT
exec xtract -input "$answer" -pattern PubmedArticle -element MedlineCitation/PMID ArticleTitle MedlineTA Volume Issue \
    MedlinePgn PubDate/Year -first AbstractText -block Author -sep " " -element LastName,Initials \
    -block ArticleId -if "@IdType" -equals doi -element ArticleId
XTRACT

: > "$scratch/vexmoor"
: > "$scratch/xtract"
i=0
while [ "$i" -lt "$runs" ]; do
    measure "$cli" efetch "$answer" >> "$scratch/vexmoor"
    measure sh "$scratch/xtract.sh" >> "$scratch/xtract"
    i=$((i + 1))
done

# Best, worst and median of each column.
summary() {
    for column in 1 2 3; do
        cut -d' ' -f"$column" "$1" | sort -n | awk '{ v[NR] = $1 } END { printf "%s %s %s ", v[1], v[int((NR + 1) / 2)], v[NR] }'
    done
}
set -- $(summary "$scratch/vexmoor") $(summary "$scratch/xtract")
printf '\n%-9s %-22s %-22s %s\n' "" "wall s (best/med/worst)" "CPU s (best/med/worst)" "peak MB (best/med/worst)"
for who in vexmoor xtract; do
    printf '%-9s %-22s %-22s %s\n' "$who" "$1 / $2 / $3" "$4 / $5 / $6" \
        "$(awk -v a="$7" -v b="$8" -v c="$9" 'BEGIN { printf "%.1f / %.1f / %.1f", a / 1024, b / 1024, c / 1024 }')"
    shift 9
done
set -- $(summary "$scratch/vexmoor") $(summary "$scratch/xtract")
awk -v v="$1" -v x="${10}" -v vm="$2" -v xm="${11}" -v p="$9" 'BEGIN {
    printf "\nxtract / vexmoor wall time: %.2fx (best), %.2fx (median); target at least 2x\n", x / v, xm / vm
    printf "vexmoor peak memory: %.1f MB at worst; target at most 48 MB\n", p / 1024 }'

# The records: the streamed output against the reference's.
"$cli" efetch "$answer" > "$scratch/streamed.jsonl"
if [ -n "$reference" ]; then
    "$reference" efetch "$answer" > "$scratch/reference.jsonl"
else
    "$bench" --json "$scratch/reference.jsonl"
    echo "reference: the whole answer read in memory by this build"
fi
python3 - "$scratch/streamed.jsonl" "$scratch/reference.jsonl" <<'EOF'
import json, sys
streamed = [json.loads(line) for line in open(sys.argv[1], encoding="utf-8")]
reference = [json.loads(line) for line in open(sys.argv[2], encoding="utf-8")]
if not streamed or not reference:
    sys.exit("records: an output is empty")
only_streamed = sorted(set(streamed[0]) - set(reference[0]))
only_reference = sorted(set(reference[0]) - set(streamed[0]))
shared = [k for k in reference[0] if k in streamed[0]]
if only_streamed or only_reference:
    print("keys only in the streamed output: %s; only in the reference: %s; compared: the %d shared keys"
          % (", ".join(only_streamed) or "none", ", ".join(only_reference) or "none", len(shared)))
differ = [i for i, (a, b) in enumerate(zip(streamed, reference)) if any(a.get(k) != b.get(k) for k in shared)]
if len(streamed) != len(reference) or differ:
    sys.exit("records differ: %d streamed, %d reference, first difference at record %s"
             % (len(streamed), len(reference), differ[0] if differ else min(len(streamed), len(reference))))
print("records: %d, identical to the reference's" % len(streamed))
EOF
