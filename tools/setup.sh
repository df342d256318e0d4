#!/usr/bin/env bash
# Sets Vexmoor up on Debian 12 and then either launches it or runs every test.
#   tools/setup.sh run    install what is missing, build, launch the application
#   tools/setup.sh test   install what is missing, build, run the whole test suite
set -euo pipefail

mode=${1:-}
case "$mode" in
  run|test) ;;
  *) echo "usage: tools/setup.sh run|test" >&2; exit 2 ;;
esac

cd "$(dirname "$0")/.."

packages=(cmake ninja-build g++ qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libpugixml-dev
          fonts-dejavu-core)
if [ "$mode" = test ]; then
  packages+=(xvfb xauth xdotool imagemagick)
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
