#!/usr/bin/env bash
# The Debian package: made by cpack from the build, checked by lintian, its
# contents and dependencies listed, and its own binary run headless, without a
# display, with the test camera.
#   check-package.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
source "$(dirname "$0")/e2e-common.sh"
fail() {
  echo "FAILED: $*"
  echo "0 passed, 1 failed"
  exit 1
}

(cd "$build" && cpack -G DEB -B "$work/deb" > "$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; fail "cpack"; }
deb=$(ls "$work"/deb/ombrix_*.deb)

lintian --no-tag-display-limit "$deb" > "$work/lintian.log" 2>&1 || true
if grep -q '^E:' "$work/lintian.log"; then
  cat "$work/lintian.log"
  fail "lintian reports errors"
fi

dpkg-deb -c "$deb" | awk '{print $6}' > "$work/contents"
for path in ./usr/bin/ombrix ./usr/lib/systemd/user/ombrix.service ./usr/share/applications/org.ombrix.Ombrix.desktop \
  ./usr/share/metainfo/org.ombrix.Ombrix.metainfo.xml ./usr/share/icons/hicolor/scalable/apps/org.ombrix.Ombrix.svg \
  ./usr/share/ombrix/translations/ombrix_de.qm ./usr/share/doc/ombrix/copyright ./usr/share/doc/ombrix/changelog.gz \
  ./usr/share/man/man1/ombrix.1.gz; do
  grep -qx "$path" "$work/contents" || fail "the package lacks $path"
done
# Nothing of the tests, benchmarks or the test camera.
grep -E 'test|bench|testcam' "$work/contents" && fail "the package holds test files"
depends=$(dpkg-deb -f "$deb" Depends)
for needed in libqt6core6 libgstreamer1.0-0 libturbojpeg0 libcurl4 libsecret-1-0 gstreamer1.0-plugins-good; do
  [[ "$depends" == *"$needed"* ]] || fail "Depends lacks $needed: $depends"
done

dpkg-deb -x "$deb" "$work/root"
grep -qx 'ExecStart=/usr/bin/ombrix --headless' "$work/root/usr/lib/systemd/user/ombrix.service" \
  || fail "the unit does not start /usr/bin/ombrix --headless"
ombrix=$work/root/usr/bin/ombrix
[ "$("$ombrix" --version 2>/dev/null)" = "Ombrix $(dpkg-deb -f "$deb" Version)" ] || fail "--version"

export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_STATE_HOME=$work/home/.state
mkdir -p "$HOME/pictures" "$XDG_CONFIG_HOME/Ombrix"
printf '[General]\nOXRecordingInterval=1\nOXSaveToDiskFlag=true\nOXSaveToDiskPath=%s\n' "$HOME/pictures" \
  > "$XDG_CONFIG_HOME/Ombrix/Ombrix.conf"
env -u DISPLAY -u WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent GST_PLUGIN_PATH="$build/tools/testcam" \
  OMBRIX_TESTCAM_DEVICES="Packaged=320x240" "$ombrix" --headless > "$work/out" 2> "$work/err" &
app=$!
pids+=($app)
for _ in $(seq 100); do
  [ "$(grep -c ': saved' "$work/out" 2>/dev/null || true)" -ge 2 ] && break
  kill -0 "$app" 2>/dev/null || { cat "$work/err"; fail "the packaged Ombrix ended early"; }
  sleep 0.1
done
[ "$(grep -c ': saved' "$work/out" || true)" -ge 2 ] || { cat "$work/out" "$work/err"; fail "the packaged Ombrix saved no pictures"; }
kill -TERM "$app"
wait "$app" || fail "the packaged Ombrix exited with $? on SIGTERM"
echo "$(basename "$deb"): lintian without errors, $(wc -l < "$work/contents") entries, the packaged binary recorded headless"
echo "1 passed, 0 failed"
