#!/usr/bin/env bash
# The installed application against hostile settings and sudden death, as an
# unattended camera meets them: a settings file with every key set to junk, one of
# random bytes, and kill -9 in the middle of a burst of large saves. Run inside
# with-keyring.sh: the keyring holds the FTP password, so only Ombrix's own checks
# keep junk from the server.
#   e2e-faults.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
source "$(dirname "$0")/e2e-common.sh"
fail() { echo "FAILED: $*"; echo "0 passed, 1 failed"; exit 1; }

e2e_install
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_STATE_HOME=$work/home/.local/state
export QT_QPA_PLATFORM=offscreen GST_PLUGIN_PATH=$build/tools/testcam ASAN_OPTIONS=detect_leaks=0
conf=$XDG_CONFIG_HOME/Ombrix/Ombrix.conf

# A plain FTP server on loopback that must receive nothing.
e2e_ftp_server secret
e2e_keyring_password secret

jpegs() { ls "$HOME/pictures" 2>/dev/null | grep -c '\.jpg$' || true; }
start() {
  OMBRIX_TESTCAM_DEVICES="$1" "$work/prefix/bin/ombrix" > "$work/ombrix.log" 2>&1 &
  app=$!
  pids+=($app)
}

# 1. Every key junk: huge and negative numbers, non-UTF-8 bytes, control characters
#    (QSettings turns the quoted \r\n into a real line break), a very long text.
mkdir -p "$HOME/pictures" "$(dirname "$conf")"
{
  printf '[General]\n'
  printf 'OXRecordingInterval=-5\nOXIntervalUnit=7\nOXImageQuality=nan\n'
  printf 'OXImageFilename=cam\nOXTimestampFont=\342\200\256 1e999pt\nOXTimestampColor=rgba(2, -1, x)\n'
  printf 'OXStartAuto=true\nOXSaveToDiskPath=~/pictures\nOXInsertTimestampFlag=\001\nOXSaveToDiskFlag=true\n'
  printf 'OXSaveSequenceFlag=true\nOXFTPServerAddress=ftp://127.0.0.1:%s\n' "$port"
  printf 'OXFTPUsername="tester\\r\\nDELE x"\nOXFTPPath=%s\nOXOutboxLimitMB=-5\n' "$(head -c 6000 /dev/zero | tr '\0' 'p')"
} > "$conf"
start "Garden=320x240"
sleep 4.5
kill -0 "$app" 2>/dev/null || { cat "$work/ombrix.log"; fail "junk settings: Ombrix ended"; }
count=$(jpegs); [ "$count" -ge 3 ] || { cat "$work/ombrix.log"; cat "$conf" | head -c 600; }
[ "$count" -ge 3 ] || fail "junk settings: $count pictures in 4.5 s (the interval must fall back to 1 s)"
for f in "$HOME"/pictures/*.jpg; do
  [ "$(head -c 2 "$f" | od -An -tx1 | tr -d ' ')" = "ffd8" ] || fail "junk settings: $f is not a JPEG"
done
[ -z "$(ls -A "$work/ftp/root")" ] || fail "junk settings: something reached the server: $(ls -A "$work/ftp/root")"
kill -TERM "$app"; wait "$app" || true
echo "junk settings: $count pictures in 4.5 s, nothing sent to the server"

# 2. A settings file of random bytes: Ombrix starts on its defaults and stays up.
rm -rf "$HOME/pictures"/*
head -c 4096 /dev/urandom > "$conf"
cp "$conf" "$work/random.conf"
start "Garden=320x240"
sleep 2
kill -0 "$app" 2>/dev/null || { cat "$work/ombrix.log"; fail "random settings: Ombrix ended"; }
kill -TERM "$app"; wait "$app" || true
# The damaged file is kept: as it was, or copied aside before a clean one was begun.
kept=no
for f in "$conf" "$conf".damaged-*; do
  [ -f "$f" ] && cmp -s "$f" "$work/random.conf" && kept=yes
done
[ "$kept" = yes ] || fail "random settings: the damaged file was not kept"
echo "random settings: started, stayed up, the damaged file kept"

# 3. kill -9 in the middle of saving large pictures, again and again: no picture
#    in the folder is ever cut short.
e2e_recording_settings OXImageQuality=1
for round in 1 2 3 4 5; do
  start "Garden=1920x1080"
  sleep "$(( 2 + round % 3 )).$(( RANDOM % 10 ))"
  kill -9 "$app"; wait "$app" 2>/dev/null || true
done
total=$(jpegs)
[ "$total" -ge 5 ] || fail "kill -9: only $total pictures saved over five runs"
for f in "$HOME"/pictures/*.jpg; do
  [ "$(tail -c 2 "$f" | od -An -tx1 | tr -d ' ')" = "ffd9" ] || fail "kill -9: $f is cut short"
done
echo "kill -9: $total pictures through 5 kills, none cut short"
echo "1 passed, 0 failed"
