#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Sets up a Debian/Ubuntu machine for Quadrelo, builds it, and then either starts it
# (./quadrelo.sh run), runs every test (./quadrelo.sh test) or makes the Debian package
# (./quadrelo.sh package).
set -euo pipefail
cd "$(dirname "$0")"

BUILD_PACKAGES="cmake make g++ pkg-config qt6-base-dev libpulse-dev libxcb1-dev qt6-qpa-plugins qt6-translations-l10n"
# dpkg-dev and file: dpkg-shlibdeps, which works out the package's dependencies.
PACKAGE_PACKAGES="dpkg-dev file"
TEST_PACKAGES="xvfb xauth openbox trayer xdotool wmctrl x11-utils pulseaudio pulseaudio-utils sox imagemagick
    desktop-file-utils appstream"

install_missing() {
    local missing=()
    for pkg in "$@"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || missing+=("$pkg")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    echo "Installing: ${missing[*]}"
    $sudo apt-get update -q
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
}

build() {
    cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=ON >/dev/null
    cmake --build build -j"$(nproc)"
}

case "${1:-}" in
run)
    # shellcheck disable=SC2086
    install_missing $BUILD_PACKAGES
    build
    exec ./build/quadrelo
    ;;
test)
    # shellcheck disable=SC2086
    install_missing $BUILD_PACKAGES $PACKAGE_PACKAGES $TEST_PACKAGES
    build
    cd build && ctest --output-on-failure
    ;;
package)
    # shellcheck disable=SC2086
    install_missing $BUILD_PACKAGES $PACKAGE_PACKAGES
    cmake -S . -B build-deb -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
    cmake --build build-deb -j"$(nproc)" --target package
    ls build-deb/quadrelo_*.deb
    ;;
*)
    echo "usage: $0 run|test|package" >&2
    exit 2
    ;;
esac
