#!/usr/bin/env bash
# Installs what is missing, builds and runs every test: the normal build's tests,
# the service against a real V4L2 driver in a virtual machine, a short fuzzing
# pass, the camera, recording and window tests under ThreadSanitizer, and the
# camera soak under AddressSanitizer and UndefinedBehaviorSanitizer.
#   scripts/test.sh                    as CI runs it
#   scripts/test.sh --with-address     also the whole suite under ASan + UBSan
set -euo pipefail
source "$(dirname "$0")/common.sh"

with_address=0
for arg in "$@"; do
  case "$arg" in
    --with-address) with_address=1 ;;
    *) echo "unknown option: $arg" >&2; exit 2 ;;
  esac
done

ombrix_ensure_packages
ombrix_ensure_s3rver
jobs=$(nproc)

echo "== normal build"
ombrix_build "$OMBRIX_ROOT/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
ctest --test-dir "$OMBRIX_ROOT/build" --output-on-failure -j "$jobs"

echo "== the headless service against a real V4L2 driver (vivid, in a small virtual machine)"
# Two cameras of one model: a webcam with listed sizes and an HDMI input that offers a range.
"$OMBRIX_ROOT/scripts/v4l2-vm.sh" --vivid "n_devs=2 node_types=0x1,0x1 num_inputs=1,1 input_types=0x0,0x3" \
  --out "$OMBRIX_ROOT/build/vm-out" -- bash "$OMBRIX_ROOT/tests/v4l2/real-driver.sh" "$OMBRIX_ROOT/build"

# ThreadSanitizer needs the address layout it was built for; with the kernel's
# larger address randomisation it cannot start, so it runs without randomisation.
tsan_run=()
if setarch "$(uname -m)" -R true 2>/dev/null; then
  tsan_run=(setarch "$(uname -m)" -R)
fi

echo "== a short fuzzing pass over the committed corpus"
"$OMBRIX_ROOT/scripts/fuzz.sh" --short

echo "== camera, recording and window tests under ThreadSanitizer"
ombrix_build "$OMBRIX_ROOT/build-tsan" -DCMAKE_BUILD_TYPE=Debug -DOMBRIX_SANITIZE=thread -- test_camera test_window test_recording
"${tsan_run[@]}" ctest --test-dir "$OMBRIX_ROOT/build-tsan" --output-on-failure -j "$jobs" -L 'camera|window|recording'

echo "== camera soak under AddressSanitizer and UndefinedBehaviorSanitizer"
ombrix_build "$OMBRIX_ROOT/build-asan" -DCMAKE_BUILD_TYPE=Debug -DOMBRIX_SANITIZE=address -- test_soak
soak_log="$OMBRIX_ROOT/build-asan/soak.log"
if ! ctest --test-dir "$OMBRIX_ROOT/build-asan" -V -L soak >"$soak_log" 2>&1; then
  cat "$soak_log"
  exit 1
fi
grep -E 'resident memory|tests passed' "$soak_log"

if [ "$with_address" -eq 1 ]; then
  echo "== every test under AddressSanitizer and UndefinedBehaviorSanitizer"
  ombrix_build "$OMBRIX_ROOT/build-asan" -DCMAKE_BUILD_TYPE=Debug -DOMBRIX_SANITIZE=address
  ctest --test-dir "$OMBRIX_ROOT/build-asan" --output-on-failure -j "$jobs"
fi
