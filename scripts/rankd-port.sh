#!/usr/bin/env bash
# Waits for sorvane-rankd to say where it listens and prints the port.
# Usage: scripts/rankd-port.sh LOG [PID]
#   LOG  the file the service's output goes to
#   PID  the service's process: stop waiting as soon as it has ended
# Exits 1 when no port was reported within 30 seconds.
set -euo pipefail

log=$1
pid=${2:-}
for _ in $(seq 1 300); do
    port=$(sed -n 's/^listening on [^ ]*:\([0-9][0-9]*\)$/\1/p' "$log" 2>/dev/null | head -1)
    if [ -n "$port" ]; then
        echo "$port"
        exit 0
    fi
    if [ -n "$pid" ] && ! kill -0 "$pid" 2>/dev/null; then
        break
    fi
    sleep 0.1
done
exit 1
