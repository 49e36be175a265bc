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

# The service's Test Connection, with the keyring's password.
said=$(DBUS_SESSION_BUS_ADDRESS=$keyring_bus run --test-upload) || fail "--test-upload failed: $said"
grep -q 'written into / and removed: pictures can be uploaded.$' <<< "$said" || fail "--test-upload said: $said"
ok "--test-upload"

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

# Systemd's notify socket, as a unit of Type=notify gives it.
python3 -c 'import socket, sys
s = socket.socket(socket.AF_UNIX, socket.SOCK_DGRAM)
s.bind(sys.argv[1])
while True: print(s.recv(4096).decode(), flush=True)' "$work/notify" > "$work/notified" &
pids+=($!)
for _ in $(seq 100); do [ -S "$work/notify" ] && break; sleep 0.1; done
pings() { grep -c '^WATCHDOG=1$' "$work/notified" || true; }
readies() { grep -c '^READY=1$' "$work/notified" || true; }

# Old pictures go by the owner's rule, said in one line. The unit has no WatchdogSec=
# here: systemd must hear READY=1 all the same, or it times the start out.
touch "$HOME/pictures/shed_20200101_000000.jpg" "$HOME/pictures/shed_20200102_000000.jpg" "$HOME/pictures/other_20200101_000000.jpg"
echo OXKeepDays=30 >> "$XDG_CONFIG_HOME/Ombrix/Ombrix.conf"
export NOTIFY_SOCKET=$work/notify
start_recording "$keyring_bus" 1 'removed 2 old pictures'
unset NOTIFY_SOCKET
stop_recording
[ -e "$HOME/pictures/other_20200101_000000.jpg" ] && [ ! -e "$HOME/pictures/shed_20200101_000000.jpg" ] || fail "the wrong pictures went"
[ "$(readies)" -eq 1 ] && [ "$(pings)" -eq 0 ] || fail "without a watchdog systemd heard: $(cat "$work/notified")"
ok "old pictures removed by the rule, and said; READY=1 without a watchdog"


# Being told. Systemd hears READY=1 and the watchdog's pings from the event loop
# (none while it is stopped); the event command hears each problem once as it
# starts and once as it ends; --status tells the state, or that none runs.
conf=$XDG_CONFIG_HOME/Ombrix/Ombrix.conf
sed -i 's/^OXRecordingInterval=.*/OXRecordingInterval=1/' "$conf"
echo "OXEventCommand=$work/told.sh --from-ombrix" >> "$conf"
cat > "$work/told.sh" <<SH
#!/bin/sh
printf '%s|%s|%s|%s|%s\n' "\$1" "\$OMBRIX_EVENT" "\$OMBRIX_CAMERA" "\$OMBRIX_WAITING" "\$OMBRIX_MESSAGE" >> "$work/told"
echo "told \$OMBRIX_EVENT"
SH
chmod +x "$work/told.sh"
export OMBRIX_TESTCAM_CONTROL=$work/camera && touch "$OMBRIX_TESTCAM_CONTROL"
export NOTIFY_SOCKET=$work/notify WATCHDOG_USEC=400000
start_recording "$keyring_bus" 1 ': saved, uploaded' --camera Shed
unset NOTIFY_SOCKET WATCHDOG_USEC
sleep 1
[ "$(readies)" -eq 2 ] || fail "no READY=1 for systemd"
[ "$(pings)" -ge 3 ] || fail "$(pings) watchdog pings in a second (every 200 ms asked)"
kill -STOP "$app"; before=$(pings); sleep 1; after=$(pings); kill -CONT "$app"
[ "$after" -le $((before + 1)) ] || fail "the watchdog was pinged while Ombrix was stopped"
status=$(run --status) || fail "--status exited with $? while the service runs"
grep -qx 'Camera:          Shed' <<< "$status" && grep -qx 'Problems:        none' <<< "$status" \
  && grep -q '^Last picture:    20.* shed_.*: saved, uploaded' <<< "$status" || fail "--status said: $status"
echo "fail Shed" >> "$OMBRIX_TESTCAM_CONTROL"
for _ in $(seq 100); do grep -q 'camera-back' "$work/out" && break; sleep 0.1; done
echo "suspend Shed" >> "$OMBRIX_TESTCAM_CONTROL"
for _ in $(seq 50); do grep -q 'is turned off' "$work/out" && break; sleep 0.1; done
grep -q '^Problem:         camera-failed since .*: The camera "Shed" is turned off.$' <<< "$(run --status)" \
  || fail "--status did not name the open problem: $(run --status)"
echo "resume Shed" >> "$OMBRIX_TESTCAM_CONTROL"
for _ in $(seq 50); do [ "$(grep -c '' "$work/told" 2>/dev/null)" -ge 4 ] && break; sleep 0.1; done
sleep 1.5 # no more events follow
stop_recording
[ "$(grep -c '^STOPPING=1$' "$work/notified")" -eq 2 ] || fail "no STOPPING=1 for systemd"
expected='--from-ombrix|camera-failed|Shed|0|The camera "Shed" stopped working: The camera stopped working.
--from-ombrix|camera-back|Shed|0|The camera "Shed" works again.
--from-ombrix|camera-failed|Shed|0|The camera "Shed" is turned off.
--from-ombrix|camera-back|Shed|0|The camera "Shed" works again.'
# A picture may be on its way to the server as an event is told: 0 or 1 waiting.
[ "$(sed -E 's/\|1\|The /|0|The /' "$work/told")" = "$expected" ] || fail "the event command heard: $(cat "$work/told")"
[ "$(grep -c 'event command for camera-.* exited with status 0: told camera-' "$work/out")" -eq 4 ] || fail "the command's runs were not logged"
set +e; status=$(run --status); code=$?; set -e
[ "$code" -eq 3 ] && grep -q '^No Ombrix service is running' <<< "$status" || fail "--status with no service: $code $status"
ok "READY=1, watchdog pings, --status; each camera problem told once as it starts and ends, with its environment"

# A command that takes too long delays no tick and is killed at 30 s, with what it started.
printf '#!/bin/sh\necho "$OMBRIX_EVENTS" >> %s\nsleep 61.5\n' "$work/slow-told" > "$work/slow.sh" && chmod +x "$work/slow.sh"
sed -i "s|^OXEventCommand=.*|OXEventCommand=$work/slow.sh|" "$conf"
start_recording "$keyring_bus" 1 ': saved, uploaded' --camera Shed
echo "fail Shed" >> "$OMBRIX_TESTCAM_CONTROL"
for _ in $(seq 100); do grep -q 'camera-failed' "$work/out" && break; sleep 0.1; done
told=$(now_ms)
# Each tick is logged, with a picture or with none from the failed camera.
ticks() { grep -cE ': saved|no new picture from the camera' "$work/out"; }
saved=$(ticks); sleep 5
[ $(( $(ticks) - saved )) -ge 4 ] || fail "ticks were held while the command ran"
# Events meanwhile wait for the next run, all together.
echo "suspend Shed" >> "$OMBRIX_TESTCAM_CONTROL"
for _ in $(seq 50); do grep -q 'is turned off' "$work/out" && break; sleep 0.1; done
echo "resume Shed" >> "$OMBRIX_TESTCAM_CONTROL"
for _ in $(seq 300); do grep -q 'killed after 30 s' "$work/out" && break; sleep 0.1; done
killed=$(( $(now_ms) - told ))
grep -q 'event command for camera-failed killed after 30 s' "$work/out" || fail "the slow command was not killed"
[ "$killed" -ge 29000 ] && [ "$killed" -le 33000 ] || fail "killed after $killed ms"
for _ in $(seq 20); do [ "$(grep -c '' "$work/slow-told")" -ge 2 ] && break; sleep 0.1; done
[ "$(cat "$work/slow-told")" = "$(printf 'camera-failed\ncamera-back camera-failed camera-back')" ] \
  || fail "the events that came during the run were not given to the next together: $(cat "$work/slow-told")"
stop_recording # the camera's return runs it again: quitting kills that run at once
[ "$stopped_in" -lt 2000 ] || fail "quitting while the command ran took $stopped_in ms"
sleep 0.2; ! pgrep -f 'sleep 61.5' > /dev/null || fail "what the command started outlived it"
ok "a command sleeping 60 s held no tick, was killed after $killed ms, and at quitting"

# The day's film, at its time, of the pictures dated in the 24 hours before it: a
# kill while it is made leaves no film, the next start makes it again and uploads it
# whole; a day without pictures is said once.
sed -i -e '/^OXEventCommand=/d' -e 's/^OXRecordingInterval=.*/OXRecordingInterval=3600/' "$conf"
[ "$(date +%S)" -lt 45 ] || sleep 16
due=$(date -d '+1 min' +%H:%M)
printf '%s\n' OXDailyFilmFlag=true "OXDailyFilmTime=$due" OXDailyFilmUploadFlag=true 'OXFilmFolder=~/films' OXFilmDeflicker=true >> "$conf"
rm -rf "$HOME"/pictures/* "$work/ftp/root/$folder"/*
gst-launch-1.0 -q videotestsrc num-buffers=1 ! video/x-raw,width=1280,height=720 ! jpegenc ! filesink location="$work/still.jpg"
python3 - "$work/still.jpg" "$HOME/pictures" "$(date -d "$due" +%s)" <<'PY'
import datetime, shutil, sys
for i in range(1, 601):  # one every 10 s before the film's time
    taken = datetime.datetime.fromtimestamp(int(sys.argv[3]) - 10 * i)
    shutil.copy(sys.argv[1], taken.strftime(sys.argv[2] + "/shed_%Y%m%d_%H%M%S.jpg"))
PY
start_recording "$keyring_bus" 1 'recording every'
for _ in $(seq 900); do compgen -G "$HOME/films/*.part" > /dev/null && break; sleep 0.1; done
compgen -G "$HOME/films/*.part" > /dev/null || fail "no film was begun at $due"
kill -9 "$app"; wait "$app" || true
! compgen -G "$HOME/films/*.mp4" > /dev/null || fail "a film under its name before it was whole"
start_recording "$keyring_bus" 1 'Film of '
film=$(grep -o 'Film of .*' "$work/out")
for _ in $(seq 300); do compgen -G "$work/ftp/root/$folder/shed_*.mp4" > /dev/null && break; sleep 0.1; done
stop_recording
[[ "$film" =~ ^"Film of "[0-9]+" "[A-Z][a-z]+": 600 pictures, 25 s, uploaded"$ ]] || fail "the film was told as: $film"
local_film=$(ls "$HOME"/films/shed_2*.mp4) && served=$work/ftp/root/$folder/$(basename "$local_film")
cmp "$local_film" "$served" || fail "the film on the server is not the one made"
discovered=$(gst-discoverer-1.0 "$served") # not piped into grep -q: its early exit fails the pipe under pipefail
grep -q 'Duration: 0:00:25.0' <<< "$discovered" || fail "the uploaded film: $discovered"
sed -i 's/^OXImageFilename=.*/OXImageFilename=barn/' "$conf"
echo "$(date -d '-2 days' +%Y-%m-%d)T$due:00" > "$XDG_STATE_HOME/Ombrix/daily-film"
start_recording "$keyring_bus" 1 'No film of '
sleep 11 # past the next look for a due film
stop_recording
[ "$(grep -c 'No film of .*: no pictures were taken in the 24 hours before' "$work/out")" -eq 1 ] || fail "no pictures: $(grep 'film' "$work/out")"
ok "the day's film: made again after a kill, uploaded whole; no pictures said once"
echo "$passed passed, 0 failed"
