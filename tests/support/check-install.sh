#!/usr/bin/env bash
# Installs the build into a fresh prefix and checks what a desktop needs of it.
#   check-install.sh BUILD_DIR
set -euo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" > /dev/null
test -x "$prefix/bin/ombrix"
desktop-file-validate "$prefix/share/applications/org.ombrix.Ombrix.desktop"
appstreamcli validate --no-net --explain "$prefix/share/metainfo/org.ombrix.Ombrix.metainfo.xml"
test -f "$prefix/share/icons/hicolor/scalable/apps/org.ombrix.Ombrix.svg"
for size in 16 32 48 64 128 256; do
  test -f "$prefix/share/icons/hicolor/${size}x${size}/apps/org.ombrix.Ombrix.png"
done
test -f "$prefix/share/ombrix/translations/ombrix_de.qm" || { echo "no German translation installed"; exit 1; }
# The service's unit: systemd reads every line of it (warnings fail too), and it is watched.
unit=$prefix/lib/systemd/user/ombrix.service
grep -qx 'Type=notify' "$unit" && grep -qE '^WatchdogSec=[1-9]' "$unit" || { echo "the unit is not watched"; exit 1; }
if command -v systemd-analyze > /dev/null; then
  said=$(systemd-analyze verify --man=no "$unit" 2>&1)
  [ -z "$said" ] || { echo "systemd-analyze verify: $said"; exit 1; }
fi
echo "1 passed, 0 failed"
