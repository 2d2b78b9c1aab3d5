#!/usr/bin/env bash
# Builds the libFuzzer targets with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer and runs each one for a bounded time, starting
# from its committed seed corpus. Exits non-zero if any target finds a crash,
# a sanitizer report, a broken invariant, a timeout or runaway memory.
# Usage: scripts/fuzz.sh [build-dir] [seconds-per-target]   (build-fuzz/, 60)
# Environment: JOBS (nproc), FUZZERS (all targets, space-separated), MAX_LEN (16384).
# Findings are written to <build-dir>/findings/<target>/.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

scripts/install-deps.sh clang libclang-rt-14-dev

build_dir=${1:-build-fuzz}
seconds=${2:-60}
jobs=${JOBS:-$(nproc)}
targets=(${FUZZERS:-fuzz_rank_page fuzz_request_target fuzz_history_file fuzz_import_filter fuzz_request_reader})

CXX=clang++ cmake -S . -B "$build_dir" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DSORVANE_FUZZ=ON \
    -DSORVANE_BUILD_TESTS=OFF \
    -DSORVANE_BUILD_BENCH=OFF
cmake --build "$build_dir" -j"$jobs" --target "${targets[@]}"

export ASAN_OPTIONS="detect_leaks=1:halt_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$root/scripts/sanitizers/lsan.supp"

failed=()
for target in "${targets[@]}"; do
    # Runs work on a copy so the committed corpus only grows by hand.
    scratch="$build_dir/corpus/$target"
    findings="$build_dir/findings/$target"
    rm -rf "$scratch"
    mkdir -p "$scratch" "$findings"
    cp fuzz/corpus/"$target"/* "$scratch"/
    echo "== $target: ${seconds}s"
    if ! "$build_dir/fuzz/$target" "$scratch" \
            -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 \
            -max_len="${MAX_LEN:-16384}" -print_final_stats=1 \
            -artifact_prefix="$findings/" \
            > "$build_dir/findings/$target.log" 2>&1; then
        tail -n 60 "$build_dir/findings/$target.log"
        failed+=("$target")
    else
        grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb|Done)' \
            "$build_dir/findings/$target.log" || true
    fi
done

if [ ${#failed[@]} -ne 0 ]; then
    echo "Findings in: ${failed[*]} (inputs under $build_dir/findings/)"
    exit 1
fi
echo "All fuzz targets ran ${seconds}s without a finding."
