#!/usr/bin/env bash
# The installed application end to end, as a person would run it: installed into a
# fresh prefix, started under Xvfb with the test camera and a prepared settings
# file, it records on its own to disk and to a loopback FTP server with the
# password from the keyring, and is quit through its menu. Run inside
# with-keyring.sh.
#   e2e-installed.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d)
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; rm -rf "$work"; }
trap cleanup EXIT
fail() {
  echo "FAILED: $*"
  # What the screen showed, for a person to look at.
  xwd -root -silent 2>/dev/null | convert xwd:- "${OMBRIX_E2E_SCREENSHOT:-/tmp/ombrix-e2e-failure.png}" 2>/dev/null || true
  echo "0 passed, 1 failed"
  exit 1
}

cmake --install "$build" --prefix "$work/prefix" > /dev/null

# A plain FTP server on loopback with one throwaway account.
mkdir -p "$work/ftp/root" && chmod 777 "$work/ftp/root"
password="e2e-Pass-$RANDOM"
hash=$(openssl passwd -6 "$password")
echo "tester:$hash:65534:65534::$work/ftp/root/./::::::::::::" > "$work/ftp/passwd"
pure-pw mkdb "$work/ftp/users.pdb" -f "$work/ftp/passwd"
port=$(( 21000 + RANDOM % 8000 ))
pure-ftpd -S "127.0.0.1,$port" -l "puredb:$work/ftp/users.pdb" -Y 0 -E -H -u 1 -p "$((port + 1000)):$((port + 1099))" &
pids+=($!)

# The password waits in the keyring, filed under the server's host.
printf '%s' "$password" | secret-tool store --label="Ombrix test" xdg:schema org.gnome.keyring.NetworkPassword server 127.0.0.1 protocol ftps port 0 authtype default user tester

# A prepared home: save a sequence to ~/pictures and upload it, every second, from the start.
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config
mkdir -p "$HOME/pictures" "$XDG_CONFIG_HOME/Ombrix"
cat > "$XDG_CONFIG_HOME/Ombrix/Ombrix.conf" <<INI
[General]
OXStartAuto=true
OXRecordingInterval=1
OXSaveToDiskFlag=true
OXSaveToDiskPath=~/pictures
OXSaveSequenceFlag=true
OXFTPServerAddress=ftp://127.0.0.1:$port
OXFTPUsername=tester
a line that is no setting
INI
# A small flaw (here a stray line, and no final newline) must not hold the automatic
# start behind a message that nobody is there to click.
truncate -s -1 "$XDG_CONFIG_HOME/Ombrix/Ombrix.conf"

display=$(( 50 + RANDOM % 400 ))
Xvfb ":$display" -screen 0 1024x900x24 -nolisten tcp > /dev/null 2>&1 &
pids+=($!)
export DISPLAY=":$display"
for _ in $(seq 50); do xdpyinfo > /dev/null 2>&1 && break; sleep 0.1; done

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

# Quit through the menu: Ctrl+Q in the main window.
window=$(xdotool search --sync --onlyvisible --name '^Ombrix$' | head -n 1)
xdotool windowfocus --sync "$window"
xdotool key --clearmodifiers ctrl+q
for _ in $(seq 100); do kill -0 "$app" 2>/dev/null || break; sleep 0.1; done
kill -0 "$app" 2>/dev/null && fail "Ombrix did not quit through its menu"
wait "$app" || fail "Ombrix exited with an error"

for f in "$HOME"/pictures/*.jpg "$work"/ftp/root/*.jpg; do
  [ "$(head -c 2 "$f" | od -An -tx1 | tr -d ' ')" = "ffd8" ] || fail "$f is not a JPEG"
done
grep -q "$password" "$XDG_CONFIG_HOME/Ombrix/Ombrix.conf" && fail "the password is in the settings file"
[ "$(secret-tool lookup server 127.0.0.1 protocol ftps)" = "$password" ] || fail "the keyring entry is not the password"
echo "recorded $disk pictures on disk and $server on the server, quit through the menu"
echo "1 passed, 0 failed"
