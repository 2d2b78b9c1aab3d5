#!/usr/bin/env bash
# Takes the README's screenshots of the real program under Xvfb.
#   scripts/screenshot.sh history  -> docs/main-window.png: a prepared history
#   scripts/screenshot.sh query    -> docs/query-run.png: after a query run
#                                     against the local ranking service
#   scripts/screenshot.sh chart    -> docs/chart.png: the history chart of
#                                     five domains with gaps and a lone point
#   scripts/screenshot.sh overview -> docs/overview.png: the overview of the
#                                     history of "history"
# Runs in a temporary HOME, so the user's own data is never touched.
# LANGUAGE=de, QT_SCALE_FACTOR=2 and THEME=dark (GTK's dark Adwaita through
# Qt's GTK platform theme) take the same pictures in German, larger or dark.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
mode=${1:-history}

scripts/install-deps.sh xvfb xauth imagemagick xdotool x11-utils qt6-gtk-platformtheme
if [ "${THEME:-light}" = dark ]; then
    export QT_QPA_PLATFORMTHEME=gtk3 GTK_THEME=Adwaita:dark
fi
build_dir=${BUILD_DIR:-build-release}
cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DSORVANE_BUILD_TESTS=OFF -DSORVANE_BUILD_BENCH=OFF >/dev/null
cmake --build "$build_dir" -j"$(nproc)" --target sorvane sorvane-rankd

home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
data="$home/.qorvex/Sorvane"
mkdir -p "$data" "$root/docs"

inner=$(mktemp)
if [ "$mode" = history ] || [ "$mode" = overview ]; then
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
    printf 'mine,northwind.com\nmine,contoso.org\nrivals,fabrikam.net\n' >"$data/groups.dat"
    out="$root/docs/main-window.png"
    keys=""
    if [ "$mode" = overview ]; then
        out="$root/docs/overview.png"
        keys="ctrl+o"
    fi
    cat >"$inner" <<EOS
HOME="$home" "$root/$build_dir/app/sorvane" &
pid=\$!
sleep 3
if [ -n "$keys" ]; then
    win=\$(xdotool search --sync --onlyvisible --name '^Sorvane\$' | head -1)
    xdotool windowfocus --sync "\$win"
    xdotool key --delay 100 $keys
    sleep 2
fi
import -window root "$out"
kill \$pid; wait \$pid || true
EOS
elif [ "$mode" = chart ]; then
    # Eight months of daily records whose ranks lie decades apart, with "NA"
    # days (gaps) and one domain known on a single day.
    domains=(northwind.com contoso.org fabrikam.net tailspin.io adatum.com litware.org)
    printf '%s\n' "${domains[@]}" >"$data/domains.dat"
    awk -v start="$(date -u -d 2026-03-01 +%s)" 'BEGIN {
        split("northwind.com contoso.org fabrikam.net tailspin.io adatum.com", d, " ");
        split("40 900 5200 48000 260000", base, " ");
        for (day = 0; day < 240; day++) {
            cmd = "date -u -d @" (start + day * 86400) " +%d/%m/%Y"; cmd | getline when; close(cmd);
            for (i = 1; i <= 5; i++) {
                r = int(base[i] * (1 + 0.35 * sin(day / (9 + 4 * i) + i)) * (1 - 0.5 * (i == 3) * day / 240));
                if ((i == 2 && day >= 100 && day < 118) || (i == 4 && day % 37 == 5)) r = "NA";
                printf "%s,%s,%s,%s,%s,%s,%s,%s\n", d[i], r, r, r, r, r, r, when;
            }
            if (day == 120) printf "litware.org,15000,3000,15000,15000,15000,15000,%s\n", when;
        }
    }' >"$data/db.dat"
    out="$root/docs/chart.png"
    cat >"$inner" <<EOS
HOME="$home" "$root/$build_dir/app/sorvane" &
pid=\$!
sleep 3
win=\$(xdotool search --sync --name '^Sorvane$' | head -1)
xdotool windowfocus --sync "\$win"
xdotool key --delay 100 ctrl+g
chart=\$(xdotool search --sync --name '^Sorvane - Chart$' | head -1)
xdotool windowfocus --sync "\$chart"
sleep 1
eval \$(xwininfo -id "\$chart" | awk '/Absolute upper-left X/{print "cx="\$4} /Absolute upper-left Y/{print "cy="\$4}')
# Empty the filter box, should a key have reached it, then check the other
# five domains: their check boxes lie at 22, 89 + 14 * i in the window.
xdotool mousemove \$((cx + 80)) \$((cy + 50)) click 1 key ctrl+a BackSpace
sleep 0.5
for row in 0 1 2 3 4; do
    xdotool mousemove \$((cx + 22)) \$((cy + 89 + 14 * row)) click 1
    sleep 0.3
done
sleep 1
import -window "\$chart" "$out"
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
screen="1024x600x24"
[ "$mode" = chart ] || [ "$mode" = overview ] && screen="1280x720x24"
[ "${QT_SCALE_FACTOR:-1}" = 2 ] && screen="2600x1500x24"
xvfb-run -a -s "-screen 0 $screen" bash "$inner"
rm -f "$inner"
echo "wrote $out"
