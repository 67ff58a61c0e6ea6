#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package once, unpacks it, and checks it as a packager would: the program answers --version
# and --help without a display or a store, the dependencies Qt needs at run time are declared, the desktop
# entry with its actions, the autostart entry, the bus's service file and the AppStream metadata validate.
# Usage: test_package.sh BUILD_DIR VERSION APP_ID CPACK
set -u
build=$1 version=$2 id=$3 cpack=$4
for tool in dpkg-deb dpkg-shlibdeps file desktop-file-validate appstreamcli; do
    command -v "$tool" >/dev/null || { echo "skipped: $tool missing (./quadrelo.sh test installs it)"; exit 77; }
done
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
passed=0 failed=0
check() { # check DESCRIPTION COMMAND...
    if "${@:2}" >"$tmp/check.log" 2>&1; then passed=$((passed + 1)); echo "ok - $1"
    else failed=$((failed + 1)); echo "FAIL - $1"; sed 's/^/    /' "$tmp/check.log"; fi
}
(cd "$build" && "$cpack" -G DEB -B "$tmp/out") >"$tmp/cpack.log" 2>&1 || { cat "$tmp/cpack.log"; exit 1; }
deb="$tmp/out/quadrelo_${version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || { echo "FAIL - no $deb"; ls "$tmp/out"; exit 1; }
dpkg-deb -x "$deb" "$tmp/root"
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
# What Qt loads at run time, and what only dpkg-shlibdeps can have found in the binary.
for pkg in qt6-qpa-plugins qt6-translations-l10n libpulse0 libqt6widgets6 libc6; do
    check "Depends names $pkg" grep -Eq "(^|, )$pkg( |,|$)" <<<"$depends"
done
# The unpacked program, with no display and a store and lock folder of its own that must stay empty.
mkdir -p "$tmp/config" && mkdir -m 700 "$tmp/runtime"
# run EXPECTED_STATUS STREAM PATTERN ARGS...: STREAM (out or err) matches PATTERN, or is empty for an empty one;
# on standard error nothing after success, one line for a refusal
run() {
    env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM XDG_CONFIG_HOME="$tmp/config" XDG_STATE_HOME="$tmp/config" \
        XDG_RUNTIME_DIR="$tmp/runtime" "$tmp/root/usr/bin/quadrelo" "${@:4}" >"$tmp/out.txt" 2>"$tmp/err.txt"
    local status=$?
    cat "$tmp/out.txt" "$tmp/err.txt"
    [ "$status" -eq "$1" ] && if [ -z "$3" ]; then [ ! -s "$tmp/$2.txt" ]; else grep -Eq "$3" "$tmp/$2.txt"; fi &&
        [ "$(wc -l <"$tmp/err.txt")" -eq "$((status == 0 ? 0 : 1))" ]
}
while IFS='|' read -r args status stream pattern; do
    # shellcheck disable=SC2086 # the arguments are split on purpose
    check "quadrelo $args exits $status" run "$status" "$stream" "$pattern" $args
done <<EOT
--version|0|out|^quadrelo $version\$
--help|0|out|--version
--encerrar|0|out|
--frobnicate|2|err|frobnicate
notes.txt|2|err|notes.txt
EOT
check "the store and lock folders stay empty" test -z "$(find "$tmp/config" "$tmp/runtime" -mindepth 1)"
share="$tmp/root/usr/share"
entry="$share/applications/$id.desktop" autostart="$tmp/root/etc/xdg/autostart/$id.desktop"
check "desktop entry and its actions validate" eval 'grep -q "^Actions=" "$entry" && desktop-file-validate "$entry"'
# No action's Exec is refused: each option is one that --help lists.
check "every desktop action's option is the program's" eval '! sed -n "s/^Exec=quadrelo //p" "$entry" |
    grep -vxFf <("$tmp/root/usr/bin/quadrelo" --help | grep -Eo -- "^ +--[a-z]+" | tr -d " ")'
check "autostart entry validates" desktop-file-validate "$autostart"
service="$share/dbus-1/services/$id.service" && start=$(sed -n 's/^Exec=//p' "$service")
check "the bus's service file starts the packaged program, with options it takes" eval 'grep -qx DBusActivatable=true \
    "$entry" && grep -qx "Name=$id" "$service" && test -x "$tmp/root${start%% *}" && run 0 out . ${start#* } --version'
check "autostart entry is a conffile" grep -qx "/etc/xdg/autostart/$id.desktop" <(dpkg-deb -I "$deb" conffiles)
check "AppStream metadata validates" appstreamcli validate --no-net "$share/metainfo/$id.metainfo.xml"
check "AppStream release is $version" grep -q "<release version=\"$version\"" "$share/metainfo/$id.metainfo.xml"
check "scalable icon installed" test -s "$share/icons/hicolor/scalable/apps/$id.svg"
check "manual page is for $version" grep -q "Quadrelo $version" <(gzip -dc "$share/man/man1/quadrelo.1.gz")
check "copyright installed" test -s "$share/doc/quadrelo/copyright"
echo "$(du -k "$deb" | cut -f1) KiB package"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
