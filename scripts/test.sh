#!/usr/bin/env bash
# Builds Sorvane and runs every test, headless.
# Usage: scripts/test.sh            (build folder: build/)
# Environment: BUILD_DIR, BUILD_TYPE (Debug), SORVANE_WERROR (OFF), CMAKE_ARGS.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

build_dir=${BUILD_DIR:-build}
cmake -S . -B "$build_dir" \
    -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-Debug}" \
    -DSORVANE_WERROR="${SORVANE_WERROR:-OFF}" \
    ${CMAKE_ARGS:-}
cmake --build "$build_dir" -j"$(nproc)"
cd "$build_dir"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)"
