#!/usr/bin/env bash
# CPU and memory of headless recording: the test camera (default 1920x1080), a
# picture stamped and saved every INTERVAL seconds (default 1), no display.
# Samples the process every 10 s.
#   bench/headless_usage.sh [SECONDS, default 600] [BINARY, default build/src/app/ombrix] [MODES] [INTERVAL]
#   bench/headless_usage.sh 600 "" raw:3840x2160@1,raw:640x480@30 5   # 4K stills every 5 s
# Targets (1920x1080 every second): under 10% of one core, under 100 MB resident, no growth.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-600}
binary=${2:-$root/build/src/app/ombrix}
modes=${3:-1920x1080}
interval=${4:-1}
home=$(mktemp -d)
trap 'kill "${pid:-}" 2>/dev/null || true; rm -rf "$home"' EXIT
mkdir -p "$home/.config/Ombrix" "$home/pictures"
cat > "$home/.config/Ombrix/Ombrix.conf" <<INI
[General]
OXSaveToDiskFlag=true
OXSaveToDiskPath=$home/pictures
OXInsertTimestampFlag=true
OXRecordingInterval=$interval
INI
env -u DISPLAY -u WAYLAND_DISPLAY HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_STATE_HOME="$home/.state" \
  XDG_RUNTIME_DIR="$home" DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent \
  GST_PLUGIN_PATH="$root/build/tools/testcam" OMBRIX_TESTCAM_DEVICES="Bench=$modes" \
  "$binary" --headless > "$home/log" 2>&1 &
pid=$!
ticks=$(getconf CLK_TCK)
cpu_ticks() { awk '{print $14 + $15}' "/proc/$pid/stat"; }
rss_mb() { awk '/^VmRSS/ {printf "%.1f", $2 / 1024}' "/proc/$pid/status"; }

sleep 30 # warm-up: the camera opens, the first pictures are made
start_cpu=$(cpu_ticks)
start_time=$(date +%s.%N)
first_rss=$(rss_mb)
max_rss=$first_rss
samples=()
elapsed=0
while [ "$elapsed" -lt "$seconds" ]; do
  sleep 10
  elapsed=$((elapsed + 10))
  rss=$(rss_mb)
  samples+=("$rss")
  max_rss=$(echo "$rss $max_rss" | awk '{print ($1 > $2) ? $1 : $2}')
done
end_cpu=$(cpu_ticks)
end_time=$(date +%s.%N)
last_rss=$(rss_mb)
saved=$(grep -c ': saved' "$home/log" || true)
cpu=$(echo "$start_cpu $end_cpu $start_time $end_time $ticks" | awk '{printf "%.1f", 100 * ($2 - $1) / $5 / ($4 - $3)}')
size=$(ls "$home/pictures" | head -1 | xargs -I{} file "$home/pictures/{}" 2>/dev/null | grep -oE '[0-9]+x[0-9]+' | tail -1 || true)
echo "headless, a camera offering $modes, stills of ${size:-unknown size} stamped and saved every $interval s, ${seconds} s after a 30 s warm-up:"
echo "  CPU ${cpu}% of one core (target < 10%)"
echo "  resident ${first_rss} MB at the start, ${last_rss} MB at the end, ${max_rss} MB at most (target < 100 MB, no growth)"
echo "  ${saved} pictures saved; resident every 10 s: ${samples[*]}"
