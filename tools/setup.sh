#!/usr/bin/env bash
# Sets Vexmoor up on Debian 12 and then either launches it or runs every test.
#   tools/setup.sh run    install what is missing, build, launch the application
#   tools/setup.sh test   install what is missing, build, run the whole test suite
# With CI=true (as CI runs it), `test` then hardens: the whole suite again in a
# second build under AddressSanitizer and UndefinedBehaviorSanitizer, and every
# fuzz target once over its corpus and regression inputs.
set -euo pipefail

mode=${1:-}
case "$mode" in
  run|test) ;;
  *) echo "usage: tools/setup.sh run|test" >&2; exit 2 ;;
esac

cd "$(dirname "$0")/.."

# groff-base: the tests read the man page the build makes.
packages=(cmake ninja-build g++ qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libpugixml-dev
          fonts-dejavu-core groff-base)
hardening=false
if [ "$mode" = test ]; then
  packages+=(xvfb xauth xdotool imagemagick)
  # Readers of the exported files: bibutils (RIS, BibTeX), Biopython (MEDLINE), Python's csv.
  packages+=(bibutils python3 python3-biopython)
  if [ "${CI:-false}" = true ]; then
    hardening=true
    packages+=(clang libclang-rt-14-dev)
  fi
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -eq 0 ]; then
    apt-get update
    DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
  else
    echo "Vexmoor needs these Debian packages. Install them with:" >&2
    echo "  sudo apt-get install -y --no-install-recommends ${missing[*]}" >&2
    echo "and run this command again." >&2
    exit 1
  fi
fi

build=${VEXMOOR_BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build "$build"

if [ "$mode" = run ]; then
  exec "$build/src/app/vexmoor"
fi
ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
[ "$hardening" = true ] || exit 0

echo "== the test suite under AddressSanitizer and UndefinedBehaviorSanitizer"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
cmake -S . -B "$build-asan" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVEXMOOR_SANITIZE=ON \
  -DVEXMOOR_BUILD_BENCH=OFF
cmake --build "$build-asan"
ctest --test-dir "$build-asan" --output-on-failure -j "$(nproc)"

echo "== the fuzz targets over their corpora"
cmake -S . -B "$build-fuzz" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++-14 \
  -DVEXMOOR_FUZZ=ON -DVEXMOOR_BUILD_TESTS=OFF -DVEXMOOR_BUILD_BENCH=OFF
cmake --build "$build-fuzz" --target fuzzers
fuzz/run-corpus.sh "$build-fuzz"
