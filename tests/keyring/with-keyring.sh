#!/bin/sh
# Runs the keyring test program ($1) in a D-Bus session of its own, with GNOME Keyring unlocked
# in a home of its own. A missing or failing daemon fails the test: scripts/setup installs them.
set -eu
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
mkdir -m 700 "$home/run"
HOME="$home" XDG_RUNTIME_DIR="$home/run" XDG_DATA_HOME="$home/data" XDG_CONFIG_HOME="$home/config" \
    dbus-run-session -- sh -c '
        printf "keyring password" | gnome-keyring-daemon --unlock --components=secrets >/dev/null ||
            { echo "gnome-keyring-daemon did not start" >&2; exit 1; }
        PENWICK_KEYRING=unlocked exec "$0"' "$1"
