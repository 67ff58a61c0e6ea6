#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Sets up a Debian/Ubuntu machine for Quadrelo, builds it, and then either starts it
# (./quadrelo.sh run), runs every test and then the unit tests under the sanitizers
# (./quadrelo.sh test), runs only the test of notes kept on two
# machines through Syncthing (./quadrelo.sh test-sync), runs the end-to-end checks on the big
# desktops (./quadrelo.sh test-desktops), feeds the store's reading to a fuzzer (./quadrelo.sh fuzz
# [SECONDS]) or makes the Debian package (./quadrelo.sh package).
set -euo pipefail
cd "$(dirname "$0")"

BUILD_PACKAGES="cmake make g++ pkg-config qt6-base-dev libpulse-dev libxcb1-dev libxcb-xfixes0-dev qt6-qpa-plugins qt6-translations-l10n"
# dpkg-dev and file: dpkg-shlibdeps, which works out the package's dependencies.
PACKAGE_PACKAGES="dpkg-dev file"
TEST_PACKAGES="xvfb xauth openbox trayer xdotool wmctrl x11-utils pulseaudio pulseaudio-utils sox imagemagick python3
    desktop-file-utils appstream dbus-daemon dbus-bin libglib2.0-bin dunst"
# The notes on two machines: a real sync tool between two desktops on this machine.
SYNC_PACKAGES="syncthing curl xvfb xauth openbox trayer xdotool wmctrl x11-utils imagemagick"
# The big desktops for ./quadrelo.sh test-desktops (about a gigabyte): Xfce, KDE Plasma (X11 and
# Wayland), GNOME Shell (Wayland, with and without its AppIndicator extension; gjs runs its notification
# service); gdbus, python3-gi
# and ImageMagick drive and read their trays.
DESKTOP_PACKAGES="dbus-daemon libglib2.0-bin xfwm4 xfce4-panel xfconf xfce4-settings
    kwin-x11 kwin-wayland xwayland plasma-workspace plasma-desktop kactivitymanagerd qtwayland5
    gnome-shell gnome-shell-extension-appindicator gjs mutter gnome-settings-daemon gsettings-desktop-schemas
    python3-gi gir1.2-glib-2.0 gir1.2-gtk-3.0 gir1.2-gdkpixbuf-2.0 dbus-x11"

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
    install_missing $BUILD_PACKAGES $PACKAGE_PACKAGES $TEST_PACKAGES $SYNC_PACKAGES
    build
    status=0
    (cd build && ctest --output-on-failure) || status=$?
    # The unit tests again under AddressSanitizer and UndefinedBehaviorSanitizer: only their targets
    # are built, without optimisation (quicker to build, and Qt's own assertions are on).
    cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DBUILD_TESTING=ON -DQUADRELO_SANITIZE=ON >/dev/null
    cmake --build build-asan -j"$(nproc)" --target unit_tests
    (cd build-asan && ctest -L unit --output-on-failure) || status=$?
    exit "$status"
    ;;
test-sync)
    # shellcheck disable=SC2086
    install_missing $BUILD_PACKAGES $SYNC_PACKAGES
    build
    cd build && ctest --output-on-failure -R e2e_sync
    ;;
test-desktops)
    # Not part of "test": it installs the desktops, and takes minutes for each.
    # shellcheck disable=SC2086
    install_missing $BUILD_PACKAGES $TEST_PACKAGES $DESKTOP_PACKAGES
    build
    exec tests/desktops/run.sh build/quadrelo
    ;;
fuzz)
    # ./quadrelo.sh fuzz [SECONDS]: the bytes read from others fed to the store's owner by libFuzzer
    # (default 600 s). New inputs go to build-fuzz/corpus; a crash leaves its input in build-fuzz/.
    # shellcheck disable=SC2086
    install_missing $BUILD_PACKAGES clang
    CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=ON \
        -DQUADRELO_FUZZ=ON >/dev/null
    cmake --build build-fuzz -j"$(nproc)" --target fuzz_store
    mkdir -p build-fuzz/corpus
    exec tests/run-isolated.sh build-fuzz/tests/fuzz_store -max_total_time="${2:-600}" -max_len=65536 \
        -artifact_prefix=build-fuzz/ build-fuzz/corpus tests/fuzz/corpus
    ;;
package)
    # shellcheck disable=SC2086
    install_missing $BUILD_PACKAGES $PACKAGE_PACKAGES
    cmake -S . -B build-deb -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
    cmake --build build-deb -j"$(nproc)" --target package
    ls build-deb/quadrelo_*.deb
    ;;
*)
    echo "usage: $0 run|test|test-sync|test-desktops|fuzz [SECONDS]|package" >&2
    exit 2
    ;;
esac
