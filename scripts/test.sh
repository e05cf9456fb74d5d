#!/usr/bin/env bash
# Sets up, builds (with AddressSanitizer and UndefinedBehaviorSanitizer) and runs every test, headless.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/deps.sh --tests
cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DENABLE_SANITIZERS=ON >/dev/null
cmake --build build-test -j2
cd build-test
QT_QPA_PLATFORM=offscreen LANG=C.UTF-8 ctest --output-on-failure -j2
