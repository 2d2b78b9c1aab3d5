#!/usr/bin/env bash
# Builds the Debian package of Sorvane: a Release build installed under /usr,
# with Debian's hardening flags, packed by CPack. Prints the package's path
# as the last line.
# Usage: scripts/package.sh          (build folder: build-package/)
# Environment: BUILD_DIR, CMAKE_ARGS.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh dpkg-dev file >&2

build_dir=${BUILD_DIR:-build-package}
# All of Debian's hardening, immediate binding included.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cppflags=$(dpkg-buildflags --get CPPFLAGS)
cxxflags=$(dpkg-buildflags --get CXXFLAGS)
ldflags=$(dpkg-buildflags --get LDFLAGS)
cmake -S . -B "$build_dir" \
    -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX=/usr \
    -DCMAKE_CXX_FLAGS="$cppflags $cxxflags" \
    -DCMAKE_EXE_LINKER_FLAGS="$ldflags" \
    -DSORVANE_BUILD_TESTS=OFF -DSORVANE_BUILD_BENCH=OFF \
    ${CMAKE_ARGS:-} >&2
cmake --build "$build_dir" -j"$(nproc)" >&2
rm -f "$build_dir"/sorvane_*.deb
(cd "$build_dir" && cpack -G DEB >&2)

debs=("$build_dir"/sorvane_*.deb)
if [ ${#debs[@]} -ne 1 ] || [ ! -f "${debs[0]}" ]; then
    echo "package.sh: expected one sorvane_<version>_<arch>.deb in $build_dir" >&2
    exit 1
fi
realpath "${debs[0]}"
