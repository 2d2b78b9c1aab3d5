#!/usr/bin/env bash
# Builds Sorvane and its local ranking service, starts the service on a free
# loopback port and runs Sorvane against it; the service stops when Sorvane
# exits.
#
# The service serves the daily ranking lists in $SORVANE_RANK_DATA (default
# ~/.qorvex/Sorvane/rankdata). While that folder holds no list, it serves a
# synthetic sample generated afresh into ~/.qorvex/Sorvane/sample-rankdata.
#
# With --source tranco|umbrella|majestic (or SORVANE_RANK_SOURCE) the service
# first fetches the missing days of that public list into
# $SORVANE_RANK_DATA/<source>, then serves it and keeps it current.
# Other arguments go to Sorvane.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

source_name=${SORVANE_RANK_SOURCE:-}
args=()
while [ $# -gt 0 ]; do
    case "$1" in
    --source) source_name=${2:?--source needs a name}; shift 2 ;;
    --source=*) source_name=${1#--source=}; shift ;;
    *) args+=("$1"); shift ;;
    esac
done

scripts/install-deps.sh

build_dir=${BUILD_DIR:-build-release}
cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" \
    -DSORVANE_BUILD_TESTS=OFF -DSORVANE_BUILD_BENCH=OFF >/dev/null
cmake --build "$build_dir" -j"$(nproc)" --target sorvane sorvane-rankd
sorvane="$root/$build_dir/app/sorvane"
rankd="$root/$build_dir/rankservice/sorvane-rankd"

data_dir="$HOME/.qorvex/Sorvane"
rank_data=${SORVANE_RANK_DATA:-$data_dir/rankdata}
sample_dir="$data_dir/sample-rankdata"
mkdir -p "$data_dir" "$rank_data"

rankd_args=()
if [ -n "$source_name" ]; then
    # A failed day is reported and skipped; whatever is held is still served.
    "$rankd" --update --source "$source_name" --data "$rank_data" || true
    serve_dir=$rank_data
    rankd_args=(--source "$source_name")
elif [ -z "$(find "$rank_data" -maxdepth 1 -type f -print -quit)" ]; then
    "$rankd" --generate-sample "$sample_dir"
    serve_dir=$sample_dir
    echo "No ranking lists in $rank_data: serving the synthetic sample in $sample_dir."
    if [ ! -e "$data_dir/domains.dat" ]; then
        cp "$sample_dir/sample-domains.txt" "$data_dir/domains.dat"
        echo "Your domain list was empty: the sample domains were written to $data_dir/domains.dat."
    fi
else
    serve_dir=$rank_data
fi

log=$(mktemp)
"$rankd" --data "$serve_dir" "${rankd_args[@]}" --port 0 >"$log" 2>&1 &
rankd_pid=$!
trap 'kill "$rankd_pid" 2>/dev/null || true; wait "$rankd_pid" 2>/dev/null || true; rm -f "$log"' EXIT

port=$("$root/scripts/rankd-port.sh" "$log" "$rankd_pid" || true)
if [ -z "$port" ]; then
    echo "The ranking service stopped before it had loaded its lists." >&2
    exit 1
fi

SORVANE_SERVICE="127.0.0.1:$port" "$sorvane" "${args[@]}"
