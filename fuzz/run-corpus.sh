#!/usr/bin/env bash
# Runs each fuzz target once over its committed corpus and its saved
# regression inputs, without fuzzing. Exits non-zero on any crash, hang,
# sanitizer report or violated property.
#   fuzz/run-corpus.sh BUILD_DIR      (a build configured with -DVEXMOOR_FUZZ=ON)
set -euo pipefail

if [ $# -ne 1 ]; then
  echo "usage: fuzz/run-corpus.sh BUILD_DIR" >&2
  exit 2
fi
build=$1
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")

export ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}

status=0
for target in fuzz_efetch_pipeline fuzz_esearch fuzz_xml_repair; do
  binary=$build/fuzz/$target
  if [ ! -x "$binary" ]; then
    echo "run-corpus: $binary is missing; build the fuzzers first" >&2
    exit 2
  fi
  inputs=()
  for folder in "$here/corpus/$target" "$root/tests/fuzz/regressions/$target"; do
    [ -d "$folder" ] || continue
    while IFS= read -r -d '' file; do
      inputs+=("$file")
    done < <(find "$folder" -type f -print0 | sort -z)
  done
  if [ ${#inputs[@]} -eq 0 ]; then
    echo "run-corpus: no inputs for $target" >&2
    status=1
    continue
  fi
  # File arguments run each input once. The time limit is looser than the
  # campaign's one second, so that a slow machine does not fail.
  start=$SECONDS
  if log=$("$binary" -timeout=10 -rss_limit_mb=4096 "${inputs[@]}" 2>&1); then
    echo "run-corpus: $target: ${#inputs[@]} inputs passed in $((SECONDS - start)) s"
  else
    echo "$log" | tail -n 60 >&2
    echo "run-corpus: $target FAILED" >&2
    status=1
  fi
done
exit $status
