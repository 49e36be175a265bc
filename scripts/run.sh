#!/usr/bin/env bash
# Installs what is missing, builds and starts Ombrix.
#   scripts/run.sh                 use the cameras attached to this computer
#   scripts/run.sh --test-camera   use the built-in test camera instead
set -euo pipefail
source "$(dirname "$0")/common.sh"

ombrix_ensure_packages
ombrix_build "$OMBRIX_ROOT/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo

if [ "${1:-}" = "--test-camera" ]; then
  shift
  export GST_PLUGIN_PATH="$OMBRIX_ROOT/build/tools/testcam${GST_PLUGIN_PATH:+:$GST_PLUGIN_PATH}"
fi
exec "$OMBRIX_ROOT/build/src/app/ombrix" "$@"
