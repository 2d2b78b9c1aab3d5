#!/usr/bin/env bash
# Checks a Debian package of Sorvane the way a user's machine would meet it:
# its file list against packaging/expected-files, dependencies found by
# dpkg-shlibdeps, lintian (errors fail, warnings are shown), then installs it
# with apt-get and validates and runs what was installed.
# Usage: scripts/check-package.sh <sorvane_<version>_<arch>.deb>
set -euo pipefail
cd "$(dirname "$0")/.."

deb=$(realpath "${1:?usage: check-package.sh <deb>}")
scripts/install-deps.sh lintian desktop-file-utils appstream

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
    sudo_cmd=(sudo)
fi

echo "== package name"
name=$(basename "$deb")
version=$(dpkg-deb -f "$deb" Version)
arch=$(dpkg-deb -f "$deb" Architecture)
[ "$name" = "sorvane_${version}_${arch}.deb" ] || { echo "unexpected file name $name"; exit 1; }

echo "== contents"
expected=$(grep -v '^#' packaging/expected-files | grep -v '^$' | sort)
# Regular files and links only; folders come and go with their files.
actual=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { sub(/^\./, "", $6); print $6 }' | sort)
if [ "$expected" != "$actual" ]; then
    echo "the package's files differ from packaging/expected-files (< expected, > packaged):"
    diff <(echo "$expected") <(echo "$actual") || true
    exit 1
fi
echo "$actual"

echo "== dependencies"
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for library in libc6 libqt6core6 libqt6widgets6 libqt6network6 libpsl5; do
    grep -q "\b$library\b" <<<"$depends" || { echo "missing dependency on $library"; exit 1; }
done

echo "== lintian"
lintian --fail-on error --display-info "$deb"

echo "== install"
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -q "$deb"
for program in /usr/bin/sorvane /usr/bin/sorvane-rankd; do
    if ldd "$program" | grep -q 'not found'; then
        ldd "$program"
        echo "$program: libraries not found"
        exit 1
    fi
done
/usr/bin/sorvane-rankd --help
# Without a display: the command line needs none.
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM /usr/bin/sorvane --version
# Hints count as faults: the entry is to be clean.
hints=$(desktop-file-validate /usr/share/applications/org.qorvex.Sorvane.desktop 2>&1)
[ -z "$hints" ] || { echo "$hints"; exit 1; }
appstreamcli validate --no-net /usr/share/metainfo/org.qorvex.Sorvane.metainfo.xml
echo "package checked: $name"
