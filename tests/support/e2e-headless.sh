#!/usr/bin/env bash
# Headless recording end to end, as on a computer with no screen: no DISPLAY, the
# test camera, a loopback FTP server, the password from the keyring or a netrc
# file. Run inside with-keyring.sh.
#   e2e-headless.sh BUILD_DIR [OMBRIX]   (default: Ombrix installed from BUILD_DIR)
set -euo pipefail
build=$(cd "$1" && pwd)
source "$(dirname "$0")/e2e-common.sh"
passed=0
fail() {
  echo "FAILED: $*"
  for f in "$work"/out "$work"/err; do [ -f "$f" ] && { echo "--- $f"; cat "$f"; }; done
  echo "$passed passed, 1 failed"
  exit 1
}
ok() { echo "ok: $*"; passed=$((passed + 1)); }

if [ -n "${2:-}" ]; then
  ombrix=$2
else
  e2e_install
  ombrix=$work/prefix/bin/ombrix
fi
password="hl-Pass-$RANDOM"
e2e_ftp_server "$password"

export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_STATE_HOME=$work/home/.state
mkdir -p "$HOME/pictures" "$XDG_CONFIG_HOME/Ombrix"
cat > "$XDG_CONFIG_HOME/Ombrix/Ombrix.conf" <<INI
[General]
OXRecordingInterval=1
OXSaveToDiskFlag=true
OXSaveToDiskPath=~/pictures
OXSaveSequenceFlag=true
OXImageFilename=shed
OXInsertTimestampFlag=true
OXFTPServerAddress=ftp://127.0.0.1:$port
OXFTPUsername=tester
INI
netrc=$XDG_CONFIG_HOME/Ombrix/netrc
export GST_PLUGIN_PATH=$build/tools/testcam OMBRIX_TESTCAM_DEVICES="Shed=320x240;Gate=160x120"
# No screen and no desktop: only the keyring's bus where a case asks for it.
keyring_bus=$DBUS_SESSION_BUS_ADDRESS
no_screen=(env -u DISPLAY -u WAYLAND_DISPLAY ASAN_OPTIONS=detect_leaks=0)
run() { "${no_screen[@]}" "$ombrix" "$@"; }

# Starts recording in the background; waits for COUNT lines matching PATTERN on standard output.
start_recording() {
  local bus=$1 count=$2 pattern=$3
  shift 3
  rm -f "$work/out" "$work/err"
  # Not through a function: the signal must reach Ombrix itself, not a subshell.
  "${no_screen[@]}" DBUS_SESSION_BUS_ADDRESS="$bus" "$ombrix" --headless "$@" > "$work/out" 2> "$work/err" &
  app=$!
  pids+=($app)
  for _ in $(seq 150); do
    [ "$(grep -c -- "$pattern" "$work/out" 2>/dev/null || true)" -ge "$count" ] && return 0
    kill -0 "$app" 2>/dev/null || fail "Ombrix ended early"
    sleep 0.1
  done
  fail "no $count lines with \"$pattern\""
}
stop_recording() {
  local start
  start=$(now_ms)
  kill -TERM "$app"
  wait "$app" || fail "Ombrix exited with status $? on SIGTERM"
  stopped_in=$(( $(now_ms) - start ))
}

# The cameras, and a camera that is not there.
[ "$(DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent run --list-cameras 2>/dev/null)" = "$(printf 'Shed\nGate')" ] \
  || fail "--list-cameras did not list Shed and Gate"
ok "--list-cameras"
set +e
DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent run --headless --camera Barn > "$work/out" 2> "$work/err"
status=$?
set -e
[ "$status" -eq 1 ] || fail "an unknown camera exited with $status"
grep -q 'ombrix: no camera named "Barn" (attached: ' "$work/err" || fail "no clear message for an unknown camera"
ok "an unknown --camera is refused"

# A private netrc file, but for another host only: said on the error log, nothing sent.
printf 'machine 10.0.0.1 login tester password %s\n' "$password" > "$netrc"
chmod 600 "$netrc"
start_recording unix:path=/nonexistent 2 'kept in the outbox'
stop_recording
grep -q "No FTP password for 127.0.0.1 in the keyring or in $netrc" "$work/err" || fail "no message about the missing password"
[ -z "$(ls "$work/ftp/root")" ] || fail "another host's password was used"
ok "another host's netrc entry is not used"

# The right host: pictures on disk and on the server, a clean stop on SIGTERM.
printf 'machine 10.0.0.1 login tester password wrong\nmachine 127.0.0.1 login tester password %s\n' "$password" > "$netrc"
chmod 600 "$netrc"
rm -rf "$XDG_STATE_HOME/Ombrix/outbox" "$HOME"/pictures/*
start_recording unix:path=/nonexistent 3 ': saved, uploaded' --camera Shed
grep -q "FTP password for 127.0.0.1 from $netrc" "$work/out" || fail "the password did not come from the netrc file"
stop_recording
[ "$stopped_in" -lt 2000 ] || fail "SIGTERM took $stopped_in ms"
grep -q '^Stopped (signal 15)' "$work/out" || fail "no line saying it stopped"
for f in "$HOME"/pictures/* "$work"/ftp/root/*; do
  case "$f" in *.jpg) ;; *) fail "a file that is no picture: $f" ;; esac
  [ "$(head -c 2 "$f" | od -An -tx1 | tr -d ' ')" = "ffd8" ] || fail "$f is not a JPEG"
  [ "$(tail -c 2 "$f" | od -An -tx1 | tr -d ' ')" = "ffd9" ] || fail "$f is cut short"
done
disk=$(ls "$HOME/pictures" | wc -l)
server=$(ls "$work/ftp/root" | wc -l)
[ "$server" -ge 3 ] || fail "only $server pictures on the server"
lines=$(grep -c '^20[0-9-]* [0-9:]* shed_[0-9_]*\.jpg: saved' "$work/out")
[ "$lines" -eq "$disk" ] || fail "$disk pictures on disk but $lines tick lines"
ok "recorded $disk pictures on disk and $server on the server; SIGTERM ended it in $stopped_in ms"

# The keyring, when one answers, comes first.
rm -f "$netrc" "$HOME"/pictures/*
printf '%s' "$password" | secret-tool store --label="Ombrix test" xdg:schema org.gnome.keyring.NetworkPassword \
  server 127.0.0.1 protocol ftps port 0 authtype default user tester
start_recording "$keyring_bus" 2 ': saved, uploaded'
stop_recording
grep -q "FTP password for 127.0.0.1 from the keyring" "$work/out" || fail "the password did not come from the keyring"
ok "the password from the keyring"

# A folder typed as people type it; a second Ombrix on the same settings; SIGHUP,
# as a closed SSH session sends it.
folder="Gärten 2026"
mkdir -p "$work/ftp/root/$folder" && chmod 777 "$work/ftp/root/$folder"
sed -i "s|^OXFTPServerAddress=.*|OXFTPServerAddress=ftp://127.0.0.1:$port/$folder/|" "$XDG_CONFIG_HOME/Ombrix/Ombrix.conf"
start_recording "$keyring_bus" 1 ': saved, uploaded'
set +e
second=$(run --headless 2>&1 > /dev/null)
status=$?
set -e
[ "$status" -eq 1 ] || fail "a second Ombrix on the same settings exited with $status"
grep -q "Another Ombrix (process $app) is already using the settings file" <<< "$second" || fail "the second did not name the first: $second"
kill -HUP "$app"
wait "$app" || fail "Ombrix exited with status $? on SIGHUP"
grep -q '^Stopped (signal 1)' "$work/out" || fail "SIGHUP did not stop it cleanly"
[ -n "$(ls "$work/ftp/root/$folder")" ] || fail "nothing arrived in \"$folder\""
ok "a folder with a space and an accent; one Ombrix per settings file; SIGHUP"

# Old pictures go by the owner's rule, said in one line.
touch "$HOME/pictures/shed_20200101_000000.jpg" "$HOME/pictures/shed_20200102_000000.jpg" "$HOME/pictures/other_20200101_000000.jpg"
echo OXKeepDays=30 >> "$XDG_CONFIG_HOME/Ombrix/Ombrix.conf"
start_recording "$keyring_bus" 1 'removed 2 old pictures'
stop_recording
[ -e "$HOME/pictures/other_20200101_000000.jpg" ] && [ ! -e "$HOME/pictures/shed_20200101_000000.jpg" ] || fail "the wrong pictures went"
ok "old pictures removed by the rule, and said"

# An interval past 32 bits is held at the longest, never wrapped to a short one.
sed -i 's/^OXRecordingInterval=.*/OXRecordingInterval=4294967298/' "$XDG_CONFIG_HOME/Ombrix/Ombrix.conf"
start_recording "$keyring_bus" 1 'recording every'
grep -q 'recording every 2147483 s' "$work/out" || fail "the interval was not held at the longest: $(grep 'recording every' "$work/out")"
stop_recording
ok "an interval past 32 bits"
echo "$passed passed, 0 failed"
