#!/usr/bin/env bash
# Runs a command inside its own D-Bus session with an unlocked GNOME Keyring, in a
# fresh home folder that is removed afterwards.
set -u
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
export HOME=$home XDG_DATA_HOME=$home/.local/share XDG_CONFIG_HOME=$home/.config XDG_RUNTIME_DIR=$home/run
mkdir -p -m 700 "$XDG_RUNTIME_DIR"
dbus-run-session -- bash -c '
  eval "$(printf ombrix-test | gnome-keyring-daemon --unlock --components=secrets)"
  export GNOME_KEYRING_CONTROL
  "$@"
' with-keyring "$@" 2> >(grep -v "Failed to set fd limit" >&2)
