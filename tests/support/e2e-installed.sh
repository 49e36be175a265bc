#!/usr/bin/env bash
# The installed application end to end, as a person would run it: installed into a
# fresh prefix, started under Xvfb with the test camera and a prepared settings
# file, it records on its own to disk and to a loopback FTP server with the
# password from the keyring, and is quit through its menu. Run inside
# with-keyring.sh.
#   e2e-installed.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
source "$(dirname "$0")/e2e-common.sh"
fail() {
  echo "FAILED: $*"
  # What the screen showed, for a person to look at.
  xwd -root -silent 2>/dev/null | convert xwd:- "${OMBRIX_E2E_SCREENSHOT:-/tmp/ombrix-e2e-failure.png}" 2>/dev/null || true
  echo "0 passed, 1 failed"
  exit 1
}

e2e_install
password="e2e-Pass-$RANDOM"
e2e_ftp_server "$password"
# The password waits in the keyring, filed under the server's host.
e2e_keyring_password "$password"

# A prepared home: save a sequence to ~/pictures and upload it, every second, from the start.
e2e_recording_settings "OXFTPServerAddress=ftp://127.0.0.1:$port" OXFTPUsername=tester 'a line that is no setting'
# A small flaw (here a stray line, and no final newline) must not hold the automatic
# start behind a message that nobody is there to click.
truncate -s -1 "$XDG_CONFIG_HOME/Ombrix/Ombrix.conf"

e2e_display

# In a sanitizer build, leaks are checked by the unit tests, not in the whole
# application with its uninstrumented libraries.
ASAN_OPTIONS=detect_leaks=0 QT_QPA_PLATFORM=xcb GST_PLUGIN_PATH=$build/tools/testcam \
  OMBRIX_TESTCAM_DEVICES="Garden=320x240" "$work/prefix/bin/ombrix" &
app=$!
pids+=($app)

for _ in $(seq 300); do
  disk=$(ls "$HOME/pictures" 2>/dev/null | grep -c '^CaptureImage_.*\.jpg$' || true)
  server=$(ls "$work/ftp/root" 2>/dev/null | grep -c '^CaptureImage_.*\.jpg$' || true)
  [ "$disk" -ge 3 ] && [ "$server" -ge 3 ] && break
  kill -0 "$app" 2>/dev/null || fail "Ombrix ended early"
  sleep 0.1
done
[ "$disk" -ge 3 ] || fail "only $disk pictures on disk"
[ "$server" -ge 3 ] || fail "only $server pictures on the server"

# A second start on the same settings shows a message instead of a second window,
# and ends with status 1 once it is closed.
ASAN_OPTIONS=detect_leaks=0 QT_QPA_PLATFORM=xcb GST_PLUGIN_PATH=$build/tools/testcam \
  OMBRIX_TESTCAM_DEVICES="Garden=320x240" "$work/prefix/bin/ombrix" &
second=$!
pids+=($second)
notice=$(timeout 20 xdotool search --sync --onlyvisible --pid "$second" || true) && notice=${notice%%$'\n'*}
[ -n "$notice" ] || fail "a second Ombrix showed nothing"
"$(dirname "$0")/close-window.py" "$notice"
status=0
wait "$second" || status=$?
[ "$status" -eq 1 ] || fail "a second Ombrix on the same settings exited with $status"
kill -0 "$app" 2>/dev/null || fail "the first Ombrix ended"

# Quit through the menu: Ctrl+Q in the main window.
window=$(xdotool search --sync --onlyvisible --name '^Ombrix$') && window=${window%%$'\n'*} # the first; no pipe into head under pipefail
# Without a window manager a key now and then reaches no window: the request is
# repeated until Ombrix ends, as a person would press the keys again.
for _ in $(seq 10); do
  xdotool windowfocus --sync "$window" 2>/dev/null || true
  xdotool key --clearmodifiers ctrl+q
  for _ in $(seq 10); do kill -0 "$app" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$app" 2>/dev/null || break
done
kill -0 "$app" 2>/dev/null && fail "Ombrix did not quit through its menu"
wait "$app" || fail "Ombrix exited with an error"

for f in "$HOME"/pictures/*.jpg "$work"/ftp/root/*.jpg; do
  [ "$(head -c 2 "$f" | od -An -tx1 | tr -d ' ')" = "ffd8" ] || fail "$f is not a JPEG"
done
grep -q "$password" "$XDG_CONFIG_HOME/Ombrix/Ombrix.conf" && fail "the password is in the settings file"
[ "$(secret-tool lookup server 127.0.0.1 protocol ftps)" = "$password" ] || fail "the keyring entry is not the password"
echo "recorded $disk pictures on disk and $server on the server, quit through the menu"
echo "1 passed, 0 failed"
