#!/usr/bin/env bash
# Builds the Debian package velloran_<version>_amd64.deb from this checkout: a Release build without sanitizers in its
# own build folder, laid out under /usr and packed by CPack's DEB generator (cmake/Package.cmake).
#
#   scripts/package.sh [OUT_DIR]     # OUT_DIR: where the .deb goes (default: the checkout's top folder)
#
# VELLORAN_PACKAGE_BUILD names the build folder (default build-package). Prints the package's path.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
out=$(mkdir -p "${1:-$top}" && cd "${1:-$top}" && pwd)
build=${VELLORAN_PACKAGE_BUILD:-$top/build-package}
"$top/scripts/deps.sh"
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr -DVELLORAN_PACKAGE=ON \
      -DENABLE_SANITIZERS=OFF -DVELLORAN_BUILD_TESTS=OFF -DVELLORAN_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j2
rm -rf "$build/cpack"
(cd "$build" && cpack -G DEB -B "$build/cpack" >/dev/null)
debs=("$build"/cpack/velloran_*_amd64.deb)
[[ ${#debs[@]} -eq 1 && -f "${debs[0]}" ]] || { echo "$0: cpack made no single package in $build/cpack" >&2; exit 1; }
# Renamed into place, so the folder never holds half a package.
cp "${debs[0]}" "$out/.${debs[0]##*/}.tmp"
mv "$out/.${debs[0]##*/}.tmp" "$out/${debs[0]##*/}"
echo "$out/${debs[0]##*/}"
