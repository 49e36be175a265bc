#!/usr/bin/env bash
# Takes screenshots of Ombrix's main window, preferences window and film dialog
# under Xvfb, fed by the test camera.
#   scripts/screenshot.sh [FOLDER] [de]     (default docs/, English)
# With "de" the German window is shot, into files ending in -de.
# Needs a build in build/ and the packages xvfb, x11-apps, xdotool and imagemagick.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/docs}
language=${2:-en}
case $language in
  en) suffix='' locale=C.UTF-8 recordingMenu=alt+r prefsTitle='Preferences' filmTitle='Make Time-Lapse Video' ;;
  de) suffix='-de' locale=de_DE.UTF-8 recordingMenu=alt+a prefsTitle='Einstellungen' filmTitle='Zeitraffer-Video erstellen' ;;
  *) echo "unknown language: $language" >&2; exit 2 ;;
esac
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
# A morning's recorded sequence for the film dialog.
for minute in $(seq -w 0 59); do
  convert -size 320x180 "gradient:#203060-#c0d0e0" "$home/Pictures/garden/garden_20261201_07${minute}00.jpg"
done
LANG=$locale LANGUAGE=$language HOME=$home XDG_CONFIG_HOME=$home/.config DISPLAY=$display QT_QPA_PLATFORM=xcb \
  GST_PLUGIN_PATH=$root/build/tools/testcam OMBRIX_TESTCAM_DEVICES="Garden Camera=1280x720" \
  DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent "$root/build/src/app/ombrix" &
app=$!
sleep 4
mkdir -p "$out"
xwd -root -display "$display" -silent | convert xwd:- -trim +repage "$out/main-window$suffix.png"
# The preferences, through the menu's shortcut; shot on their own.
main=$(DISPLAY=$display xdotool search --onlyvisible --name '^Ombrix$' | head -n 1)
DISPLAY=$display xdotool windowfocus --sync "$main" key --clearmodifiers ctrl+comma
sleep 1
prefs=$(DISPLAY=$display xdotool search --onlyvisible --name "^$prefsTitle\$" | head -n 1)
xwd -display "$display" -id "$prefs" -silent | convert xwd:- "$out/preferences-window$suffix.png"
DISPLAY=$display xdotool key --clearmodifiers Escape
# The film dialog, through the Recording menu's last item.
DISPLAY=$display xdotool windowfocus --sync "$main" key --clearmodifiers "$recordingMenu"
sleep 0.5
DISPLAY=$display xdotool key Up Return
sleep 1
film=$(DISPLAY=$display xdotool search --onlyvisible --name "^$filmTitle\$" | head -n 1)
xwd -display "$display" -id "$film" -silent | convert xwd:- "$out/make-video-dialog$suffix.png"
echo "$out/main-window$suffix.png $out/preferences-window$suffix.png $out/make-video-dialog$suffix.png"
