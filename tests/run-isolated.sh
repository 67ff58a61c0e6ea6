#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs one unit test program offscreen, with configuration and runtime folders of its own,
# so that no test ever reads or writes the real user's notes.
set -eu
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir -m 700 "$tmp/config" "$tmp/runtime" "$tmp/state"
export XDG_CONFIG_HOME="$tmp/config" XDG_RUNTIME_DIR="$tmp/runtime" XDG_STATE_HOME="$tmp/state" HOME="$tmp"
export QT_QPA_PLATFORM=offscreen
# No session bus but one a test starts itself: a ringing note in a test must not reach the desktop.
export DBUS_SESSION_BUS_ADDRESS="unix:path=$tmp/runtime/no-bus"
exec "$@"
