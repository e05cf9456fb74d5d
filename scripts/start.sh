#!/usr/bin/env bash
# Sets up, builds and installs Velloran into its program directory (default ~/Velloran), then starts it.
# Installing again updates the program and keeps the contacts, settings, notes and photos already there.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/deps.sh
prefix="${VELLORAN_HOME:-$HOME/Velloran}"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELLORAN_INSTALL_DIR="$prefix" \
      -DVELLORAN_BUILD_TESTS=OFF -DVELLORAN_BUILD_BENCH=OFF >/dev/null
cmake --build build -j2
cmake --install build >/dev/null
echo "Velloran is installed in $prefix"
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}${QT_QPA_PLATFORM:-}" ]; then
    echo "There is no graphical display here (DISPLAY is not set), so the window cannot open; run it as: xvfb-run -a $prefix/velloran" >&2
    exit 2
fi
exec "$prefix/velloran"
