#!/usr/bin/env bash
# Builds every test with AddressSanitizer (leak checking included) and
# UndefinedBehaviorSanitizer, and runs them headless. Any failing test or any
# sanitizer report makes the script exit non-zero.
# Usage: scripts/sanitize.sh [build-dir]       (default build-asan/)
# Environment: CXX (clang++), JOBS (nproc), CMAKE_ARGS.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

scripts/install-deps.sh clang libclang-rt-14-dev

build_dir=${1:-build-asan}
jobs=${JOBS:-$(nproc)}
export CXX=${CXX:-clang++}

cmake -S . -B "$build_dir" \
    -DCMAKE_BUILD_TYPE=Debug \
    -DSORVANE_SANITIZE=ON \
    -DSORVANE_BUILD_TESTS=ON \
    -DSORVANE_BUILD_BENCH=OFF \
    ${CMAKE_ARGS:-}
cmake --build "$build_dir" -j"$jobs"

# Reports are fatal (-fno-sanitize-recover); halt_on_error keeps it so for
# anything reported at run time, and exitcode makes a leak fail its test.
export ASAN_OPTIONS="detect_leaks=1:halt_on_error=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1:exitcode=23"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:suppressions=$root/scripts/sanitizers/ubsan.supp"
export LSAN_OPTIONS="suppressions=$root/scripts/sanitizers/lsan.supp:print_suppressions=1"
export QT_QPA_PLATFORM=offscreen

cd "$build_dir"
ctest --output-on-failure -j"$jobs"
