#!/usr/bin/env bash
# A camera computer that logs in on its own: the login keyring stays locked, and
# asking it for the FTP password opens the desktop's unlock prompt, which nobody
# answers. The installed application must still record to disk on time, say what
# is missing, and quit promptly through its menu. Run inside with-keyring.sh.
#   e2e-locked-keyring.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
source "$(dirname "$0")/e2e-common.sh"
frozen=0
thaw() { [ "$frozen" = 1 ] && kill -CONT "$keyring" || true; }
e2e_cleanup_hooks+=(thaw)
fail() {
  echo "FAILED: $*"
  xwd -root -silent 2>/dev/null | convert xwd:- "${OMBRIX_E2E_SCREENSHOT:-/tmp/ombrix-e2e-locked-failure.png}" 2>/dev/null || true
  echo "0 passed, 1 failed"
  exit 1
}
e2e_install
# A password waits in the keyring.
e2e_keyring_password kept

e2e_recording_settings OXFTPServerAddress=ftp://127.0.0.1:9 OXFTPUsername=tester

app=""
# A display, so that the keyring's unlock prompt really opens and waits.
e2e_display
dbus-update-activation-environment DISPLAY # the prompter is started by the bus

# record_until_quit NAME HOW [BUS]: starts Ombrix (on another session bus if
# given), checks that it records to disk on time and keeps the pictures to upload,
# then ends it (HOW: close or ctrl+q) and checks that it ended within a second.
record_until_quit() {
  rm -rf "$HOME/pictures"/* "$XDG_STATE_HOME"
  local started first="" count waiting window asked ended
  started=$(now_ms)
  ASAN_OPTIONS=detect_leaks=0 QT_QPA_PLATFORM=xcb GST_PLUGIN_PATH=$build/tools/testcam \
    DBUS_SESSION_BUS_ADDRESS=${3:-$DBUS_SESSION_BUS_ADDRESS} \
    OMBRIX_TESTCAM_DEVICES="Garden=320x240" "$work/prefix/bin/ombrix" &
  app=$!
  pids+=($app)
  # The first picture is due one second after the start; allow for the camera to open.
  for _ in $(seq 100); do
    if compgen -G "$HOME/pictures/CaptureImage_*.jpg" > /dev/null; then first=$(now_ms); break; fi
    kill -0 "$app" 2>/dev/null || fail "$1: Ombrix ended early"
    sleep 0.05
  done
  [ -n "$first" ] || fail "$1: no picture on disk within 5 s of the start"
  sleep 2.5
  count=$(ls "$HOME/pictures" | grep -c '^CaptureImage_.*\.jpg$' || true)
  [ "$count" -ge 3 ] || fail "$1: only $count pictures on disk after $(( $(now_ms) - started )) ms"
  waiting=$(ls "$XDG_STATE_HOME/Ombrix/outbox" 2>/dev/null | grep -c '\.jpg$' || true)
  [ "$waiting" -ge 1 ] || fail "$1: the pictures to upload were not kept while the server cannot take them"

  window=$(xdotool search --sync --onlyvisible --name '^Ombrix$' | head -n 1)
  # Without a window manager a key now and then reaches no window, so the request
  # is repeated until the window goes; the time counts from its going.
  for _ in $(seq 10); do
    if [ "$2" = close ]; then
      # The unlock prompt holds the keyboard, as it would on a real desktop: the
      # window is closed as its close button would.
      "$(dirname "$0")/close-window.py" "$window"
    else
      # A failed upload's message, when one is open, holds the keyboard.
      local focus
      focus=$(xdotool search --onlyvisible --name '^A FTP error occured$' 2>/dev/null | head -n 1)
      xdotool windowfocus --sync "${focus:-$window}" 2>/dev/null || true
      xdotool key --clearmodifiers ctrl+q
    fi
    for _ in $(seq 50); do
      grep -q IsViewable <<< "$(xwininfo -id "$window" 2>/dev/null)" || break
      sleep 0.01
    done
    grep -q IsViewable <<< "$(xwininfo -id "$window" 2>/dev/null)" || break
  done
  asked=$(now_ms)
  for _ in $(seq 200); do kill -0 "$app" 2>/dev/null || break; sleep 0.01; done
  ended=$(now_ms)
  if kill -0 "$app" 2>/dev/null; then
    echo "windows on the display:"; xwininfo -root -tree | grep -E '"[^"]+"' | grep -v "has no name" | head -n 12
    fail "$1: Ombrix did not end within 2 s ($2)"
  fi
  wait "$app" || fail "$1: Ombrix exited with an error"
  [ $(( ended - asked )) -le 1000 ] || fail "$1: Ombrix took $(( ended - asked )) ms to end ($2)"
  echo "$1: first picture $(( first - started )) ms after the start, $count pictures on disk, $waiting kept for upload, ended $(( ended - asked )) ms after $2"
}

# No keyring service at all (no session bus to reach one).
record_until_quit "no keyring at all" ctrl+q unix:path=/nonexistent/ombrix-bus

# A keyring service that never answers at all: frozen, so that calls to it hang.
# Only this session's keyring: the one that owns the Secret Service name on our bus.
keyring=$(gdbus call --session --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
  --method org.freedesktop.DBus.GetConnectionUnixProcessID org.freedesktop.secrets | sed -E 's/.*uint32 ([0-9]+).*/\1/')
[ -n "$keyring" ] || fail "the keyring's process was not found"
frozen=1
kill -STOP "$keyring"
record_until_quit "keyring that never answers" close
kill -CONT "$keyring"
frozen=0

# The login keyring locked, as after an automatic login: asking it opens the
# desktop's unlock prompt, which nobody answers.
gdbus call --session --dest org.freedesktop.secrets --object-path /org/freedesktop/secrets \
  --method org.freedesktop.Secret.Service.Lock "['/org/freedesktop/secrets/collection/login']" > /dev/null
record_until_quit "locked keyring, unlock prompt unanswered" close
echo "1 passed, 0 failed"
