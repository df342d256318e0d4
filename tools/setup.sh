#!/usr/bin/env bash
# Sets Vexmoor up on Debian 12 and then launches it, runs every test, or makes
# the Debian package.
#   tools/setup.sh run              install what is missing, build, launch the application
#   tools/setup.sh test             install what is missing, build, run the whole test suite
#   tools/setup.sh package          build build-package/vexmoor_VERSION_ARCH.deb and check it
#                                   (lintian, appstreamcli, desktop-file-validate)
#   tools/setup.sh package-install  the same, then install the package into this machine, run
#                                   both programs, remove it and check that nothing is left (root)
# With CI=true (as CI runs it), `test` then proves the package installs (as
# package-install does) and hardens: the whole suite again in a second build
# under AddressSanitizer and UndefinedBehaviorSanitizer, and every fuzz target
# once over its corpus and regression inputs.
set -euo pipefail

mode=${1:-}
case "$mode" in
  run|test|package|package-install) ;;
  *) echo "usage: tools/setup.sh run|test|package|package-install" >&2; exit 2 ;;
esac

cd "$(dirname "$0")/.."

# groff-base: the tests read the man page the build makes. libsqlite3-dev: the library's
# search ranks through the same system SQLite as Qt's driver. zlib1g-dev: the library reads
# its stored XML back within the size it states. qt6-pdf-dev: the reader of kept PDFs.
packages=(cmake ninja-build g++ qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libqt6sql6-sqlite libpugixml-dev
          qt6-pdf-dev libsqlite3-dev zlib1g-dev fonts-dejavu-core groff-base)
# The package's build and checks: dpkg-dev (dpkg-shlibdeps, dpkg-buildflags), file (CPack
# finds the programs with it), and the checks of the package and its desktop files.
package_tools=(dpkg-dev file lintian appstream desktop-file-utils)
# The start-and-quit check of a program in a real X server.
window_tools=(xvfb xauth xdotool imagemagick)
hardening=false
install_check=false
case "$mode" in
  test)
    packages+=("${window_tools[@]}")
    # Readers of the exported files: bibutils and pybtex (RIS, BibTeX), Biopython (MEDLINE), Python's csv.
    packages+=(bibutils python3 python3-biopython python3-pybtex)
    if [ "${CI:-false}" = true ]; then
      hardening=true
      install_check=true
      packages+=(clang libclang-rt-14-dev "${package_tools[@]}")
    fi
    ;;
  package) packages+=("${package_tools[@]}") ;;
  package-install)
    install_check=true
    packages+=("${package_tools[@]}" "${window_tools[@]}")
    ;;
esac

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

# Builds the package with Debian's hardening flags, as the package build for
# updates by the system's package manager, then checks it. Sets $deb.
build_package() {
  local dir=${VEXMOOR_PACKAGE_DIR:-build-package}
  echo "== the Debian package"
  rm -f "$dir"/vexmoor_*.deb
  DEB_BUILD_MAINT_OPTIONS=hardening=+all
  export DEB_BUILD_MAINT_OPTIONS
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DVEXMOOR_UPDATES_BY_PACKAGE_MANAGER=ON -DVEXMOOR_BUILD_TESTS=OFF -DVEXMOOR_BUILD_BENCH=OFF \
    -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
    -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)"
  cmake --build "$dir"
  (cd "$dir" && cpack -G DEB)
  deb=$(ls "$dir"/vexmoor_*.deb)
  echo "== checking $deb"
  lintian --fail-on error --info "$deb"
  local contents
  contents=$(mktemp -d)
  dpkg-deb -x "$deb" "$contents"
  appstreamcli validate --no-net "$contents/usr/share/metainfo/org.vexmoor.Vexmoor.metainfo.xml"
  desktop-file-validate "$contents/usr/share/applications/org.vexmoor.Vexmoor.desktop"
  rm -rf "$contents"
}

# Installs the package into this machine as a user would, runs both programs,
# removes it and fails when a file or folder of it is left behind.
check_package_install() {
  echo "== installing $deb"
  DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "$(realpath "$deb")"
  local listed left=() path
  mapfile -t listed < <(dpkg -L vexmoor)
  vexmoor-cli --help > /dev/null
  vexmoor-cli --version
  bash -c 'source /usr/share/bash-completion/completions/vexmoor-cli && complete -p vexmoor-cli'
  local screenshot
  screenshot=$(mktemp --suffix=.png)
  tests/gui/smoke_test.sh /usr/bin/vexmoor "$screenshot"
  rm -f "$screenshot"
  DEBIAN_FRONTEND=noninteractive apt-get remove -y vexmoor
  for path in "${listed[@]}"; do
    # A folder may stay when another package owns it too.
    if [ -d "$path" ]; then
      dpkg -S "$path" > /dev/null 2>&1 || left+=("$path")
    elif [ -e "$path" ] || [ -L "$path" ]; then
      left+=("$path")
    fi
  done
  if [ ${#left[@]} -gt 0 ]; then
    printf 'left behind by apt-get remove: %s\n' "${left[@]}" >&2
    exit 1
  fi
  echo "the package installed, ran and was removed without a trace"
}

if [ "$mode" = package ] || [ "$mode" = package-install ]; then
  build_package
  [ "$install_check" = true ] && check_package_install
  exit 0
fi

build=${VEXMOOR_BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build "$build"

if [ "$mode" = run ]; then
  exec "$build/src/gui/vexmoor"
fi
ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
if [ "$install_check" = true ]; then
  build_package
  check_package_install
fi
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
