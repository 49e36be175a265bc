#!/usr/bin/env bash
# The headless service against a real V4L2 driver, inside the machine that
# scripts/v4l2-vm.sh starts with vivid as two cameras of one model: a webcam
# (/dev/video0: sizes as a list, up to 3840x2160) and an HDMI input (/dev/video1:
# sizes as a range up to 16384x8640).
#   real-driver.sh BUILD_DIR
# The machine is emulated and slow: every wait is for a line logged or a file written.
set -euo pipefail
ombrix=$(cd "$1" && pwd)/src/app/ombrix
work=$TMPDIR/real-driver
mkdir -p "$work"
export XDG_CONFIG_HOME=$HOME/.config XDG_STATE_HOME=$HOME/.state QT_QPA_PLATFORM=offscreen
unset DISPLAY WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS GST_PLUGIN_PATH
conf=$XDG_CONFIG_HOME/Ombrix/Ombrix.conf
mkdir -p "$(dirname "$conf")"
passed=0
app=
fail() {
  echo "FAILED: $*"
  for f in "$work/out" "$work/err"; do [ -f "$f" ] && { echo "--- $f"; tail -40 "$f"; }; done
  echo "$passed passed, 1 failed"
  exit 1
}
ok() { echo "ok: $*"; passed=$((passed + 1)); }

# record PICTURES_FOLDER INTERVAL [SETTING...] -- [ARGS...]: the service in the background.
record() {
  local pictures=$1 interval=$2
  shift 2
  rm -rf "$pictures" && mkdir -p "$pictures"
  {
    printf '%s\n' '[General]' OXStartAuto=true "OXRecordingInterval=$interval" OXSaveToDiskFlag=true \
      "OXSaveToDiskPath=$pictures" OXSaveSequenceFlag=true OXImageFilename=vivid
    while [ $# -gt 0 ] && [ "$1" != -- ]; do echo "$1"; shift; done
  } > "$conf"
  [ $# -gt 0 ] && shift
  "$ombrix" --headless "$@" > "$work/out" 2> "$work/err" &
  app=$!
}
stop_recording() {
  kill -TERM "$app" 2>/dev/null || true
  wait "$app" 2>/dev/null || true
}
# wait_for COUNT PATTERN SECONDS: until the log has COUNT lines matching PATTERN.
wait_for() {
  local deadline=$(( $(date +%s) + $3 ))
  while [ "$(grep -cE -- "$2" "$work/out" 2>/dev/null || true)" -lt "$1" ]; do
    kill -0 "$app" 2>/dev/null || fail "the service ended (waiting for $1 × '$2')"
    [ "$(date +%s)" -lt "$deadline" ] || fail "no $1 × '$2' within $3 s"
    sleep 0.5
  done
}
# The sizes of the JPEG pictures in a folder, one "WIDTHxHEIGHT" a line.
sizes() {
  /usr/bin/python3 - "$1" <<'PY'
import glob, struct, sys
for name in sorted(glob.glob(sys.argv[1] + "/*.jpg")):
    data = open(name, "rb").read()
    i = 2
    while i + 9 < len(data):
        marker, length = data[i + 1], struct.unpack(">H", data[i + 2:i + 4])[0]
        if marker in (0xC0, 0xC1, 0xC2):
            height, width = struct.unpack(">HH", data[i + 5:i + 9])
            print(f"{width}x{height}")
            break
        i += 2 + length
PY
}

# Two cameras of one model: names of their own, with their device nodes.
listed=$("$ombrix" --list-cameras 2>/dev/null)
[ "$listed" = "$(printf 'vivid\t/dev/video0\nvivid (2)\t/dev/video1')" ] || fail "--list-cameras said: $listed"
ok "two vivid cameras listed as vivid and vivid (2)"

# A range of sizes: opened at a standard size within it, never at its maximum.
record "$work/range" 2 -- --camera "vivid (2)"
wait_for 3 ': saved' 240
[ "$(sizes "$work/range" | sort -u)" = 1920x1080 ] || fail "stills from the range: $(sizes "$work/range" | sort -u | tr '\n' ' ')"
stop_recording
ok "the HDMI input's range gives 1920x1080 stills and the service stays up"

# Headless stills at the camera's largest size, the camera named by its device node (both share one
# /dev/v4l/by-path link here, so that link names either).
record "$work/largest" 5 -- --camera /dev/video0
wait_for 2 ': saved' 300
[ "$(sizes "$work/largest" | sort -u)" = 3840x2160 ] || fail "headless stills: $(sizes "$work/largest" | sort -u | tr '\n' ' ')"
stop_recording
ok "headless stills at 3840x2160 from the webcam named by its device node"

# A driver that fails while streaming (a USB camera on a power dip): no frame is
# saved twice; each tick says it had no new picture.
modprobe -d /run/modroot -r vivid
modprobe -d /run/modroot vivid n_devs=1 node_types=0x1 input_types=0x0
udevadm settle -t 20
record "$work/frozen" 2 OXPictureSize=640x480 --
wait_for 2 ': saved' 240
v4l2-ctl -d /dev/video0 -c disconnect=1
wait_for 3 'no new picture from the camera' 120
stop_recording
repeated=$(md5sum "$work/frozen"/*.jpg | awk '{print $1}' | sort | uniq -d | wc -l)
[ "$repeated" -eq 0 ] || fail "$repeated pictures repeat an earlier one"
ok "after the driver failed no picture repeats another and each tick says it had none"

echo "$passed passed, 0 failed"
