#!/usr/bin/env bash
# Waits until sorvane-rankd has loaded its lists and prints the port it
# listens on. The service listens at once and then loads (real lists can
# take a minute), so this waits as long as the service is alive and loading,
# copying its lines to standard error as progress.
# Usage: scripts/rankd-port.sh LOG [PID]
#   LOG  the file the service's output goes to
#   PID  the service's process: wait while it lives; without it, 30 seconds
# Exits 1 when the service ended, or gave no port in time, before it was ready.
set -euo pipefail

log=$1
pid=${2:-}
shown=0
waited=0
while :; do
    lines=$(wc -l <"$log" 2>/dev/null || echo 0)
    if [ "$lines" -gt "$shown" ]; then
        sed -n "$((shown + 1)),${lines}p" "$log" >&2
        shown=$lines
    fi
    if grep -q '^ready: ' "$log" 2>/dev/null; then
        port=$(sed -n 's/^listening on [^ ]*:\([0-9][0-9]*\)$/\1/p' "$log" | head -1)
        [ -n "$port" ] || exit 1
        echo "$port"
        exit 0
    fi
    if [ -n "$pid" ]; then
        kill -0 "$pid" 2>/dev/null || break
    elif [ "$waited" -ge 300 ]; then
        break
    fi
    sleep 0.1
    waited=$((waited + 1))
done
sed -n "$((shown + 1)),\$p" "$log" >&2
exit 1
