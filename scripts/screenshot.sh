#!/usr/bin/env bash
# Takes the README's screenshots of the real program under Xvfb.
#   scripts/screenshot.sh history  -> docs/main-window.png: a prepared history
#   scripts/screenshot.sh query    -> docs/query-run.png: after a query run
#                                     against the local ranking service
# Runs in a temporary HOME, so the user's own data is never touched.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
mode=${1:-history}

scripts/install-deps.sh xvfb xauth imagemagick xdotool x11-utils
build_dir=${BUILD_DIR:-build-release}
cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DSORVANE_BUILD_TESTS=OFF -DSORVANE_BUILD_BENCH=OFF >/dev/null
cmake --build "$build_dir" -j"$(nproc)" --target sorvane sorvane-rankd

home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
data="$home/.qorvex/Sorvane"
mkdir -p "$data" "$root/docs"

inner=$(mktemp)
if [ "$mode" = history ]; then
    # Three months of daily records for eight domains.
    domains=(northwind.com contoso.org fabrikam.net tailspin.io adatum.com litware.org proseware.net wingtip.com)
    printf '%s\n' "${domains[@]}" >"$data/domains.dat"
    : >"$data/db.dat"
    for offset in $(seq 80 -1 0); do
        day=$(date -u -d "2026-09-01 + $((80 - offset)) days" +%d/%m/%Y)
        i=0
        for d in "${domains[@]}"; do
            i=$((i + 1))
            g=$(( (i * 7919 + offset * 37) % 90000 + 1000 * i ))
            u=$(( g / 9 + 11 ))
            y=$(( g + (offset % 7) * 13 ))
            echo "$d,$g,$u,$y,$((y + 40)),$((y + 95)),$((y + 160)),$day" >>"$data/db.dat"
        done
    done
    out="$root/docs/main-window.png"
    cat >"$inner" <<EOS
HOME="$home" "$root/$build_dir/app/sorvane" &
pid=\$!
sleep 3
import -window root "$out"
kill \$pid; wait \$pid || true
EOS
else
    "$root/$build_dir/rankservice/sorvane-rankd" --generate-sample "$home/sample" >/dev/null
    cp "$home/sample/sample-domains.txt" "$data/domains.dat"
    out="$root/docs/query-run.png"
    cat >"$inner" <<EOS
"$root/$build_dir/rankservice/sorvane-rankd" --data "$home/sample" --port 0 >"$home/rankd.log" 2>&1 &
rankd=\$!
port=\$("$root/scripts/rankd-port.sh" "$home/rankd.log" \$rankd)
HOME="$home" SORVANE_SERVICE="127.0.0.1:\$port" "$root/$build_dir/app/sorvane" &
pid=\$!
sleep 3
win=\$(xdotool search --sync --name '^Sorvane$' | head -1)
# "Perform Query" lies at 10,70 (131 x 31) below the menu bar, about 20 high.
eval \$(xwininfo -id "\$win" | awk '/Absolute upper-left X/{print "wx="\$4} /Absolute upper-left Y/{print "wy="\$4}')
xdotool mousemove \$((wx + 75)) \$((wy + 105)) click 1
sleep 4
import -window root "$out"
kill \$pid; wait \$pid || true
kill \$rankd; wait \$rankd || true
EOS
fi
xvfb-run -a -s "-screen 0 1024x600x24" bash "$inner"
rm -f "$inner"
echo "wrote $out"
