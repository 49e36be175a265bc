#!/usr/bin/env bash
# Installs what is missing, builds and starts Ombrix.
#   scripts/run.sh                 use the cameras attached to this computer
#                                  (the test camera when none is attached)
#   scripts/run.sh --test-camera   use the built-in test camera instead
set -euo pipefail
source "$(dirname "$0")/common.sh"

ombrix_ensure_packages
# Only what it starts: the application and the test camera, not the tests.
ombrix_build "$OMBRIX_ROOT/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -- ombrix gstombrixtestcam

use_test_camera=0
if [ "${1:-}" = "--test-camera" ]; then
  shift
  use_test_camera=1
elif ! compgen -G "/dev/video*" > /dev/null; then
  echo "No camera is attached to this computer: Ombrix starts with its test camera."
  use_test_camera=1
fi
if [ "$use_test_camera" -eq 1 ]; then
  export GST_PLUGIN_PATH="$OMBRIX_ROOT/build/tools/testcam${GST_PLUGIN_PATH:+:$GST_PLUGIN_PATH}"
fi
exec "$OMBRIX_ROOT/build/src/app/ombrix" "$@"
