#!/usr/bin/env bash
# Takes a screenshot of Ombrix's main window under Xvfb, fed by the test camera.
#   scripts/screenshot.sh [OUTPUT.png]      (default docs/main-window.png)
# Needs a build in build/ and the packages xvfb, x11-apps and imagemagick.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/docs/main-window.png}
display=:${OMBRIX_SCREENSHOT_DISPLAY:-97}
home=$(mktemp -d)
trap 'kill "${app:-}" "${xvfb:-}" 2>/dev/null || true; rm -rf "$home"' EXIT

Xvfb "$display" -screen 0 1024x900x24 -nolisten tcp &
xvfb=$!
sleep 1
# A fresh home with a few settings, so the window shows a typical set-up.
mkdir -p "$home/.config/Ombrix" "$home/Pictures/garden"
cat > "$home/.config/Ombrix/Ombrix.conf" <<INI
[General]
OXImageFilename=garden
OXSaveToDiskFlag=true
OXSaveToDiskPath=~/Pictures/garden
OXSaveSequenceFlag=true
OXInsertTimestampFlag=true
OXFTPServerAddress=ftp://ftp.example.com
OXFTPPath=webcam
OXFTPUsername=garden
INI
HOME=$home XDG_CONFIG_HOME=$home/.config DISPLAY=$display QT_QPA_PLATFORM=xcb \
  GST_PLUGIN_PATH=$root/build/tools/testcam OMBRIX_TESTCAM_DEVICES="Garden Camera=1280x720" \
  DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent "$root/build/src/app/ombrix" &
app=$!
sleep 4
mkdir -p "$(dirname "$out")"
xwd -root -display "$display" -silent | convert xwd:- -trim +repage "$out"
echo "$out"
