#!/usr/bin/env bash
# Installs the Debian 12 packages Sorvane needs to build, test and run.
# Usage: scripts/install-deps.sh [extra packages...]
set -euo pipefail

packages=(
    cmake g++ make
    qt6-base-dev qt6-base-dev-tools libgl-dev
    qt6-charts-dev qt6-svg-dev libqt6opengl6-dev
    qt6-l10n-tools qt6-tools-dev qt6-tools-dev-tools
    libarchive-dev
    libpsl-dev pkg-config # the Public Suffix List, found through pkg-config
    fonts-dejavu-core
    systemd # systemd-analyze checks the user units in the tests
    dbus-daemon # a private session bus for the desktop notification test
    "$@"
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
    sudo_cmd=(sudo)
fi
echo "Installing: ${missing[*]}"
"${sudo_cmd[@]}" apt-get update -q
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
