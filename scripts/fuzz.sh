#!/usr/bin/env bash
# Fuzzes what Ombrix reads from people and from its settings file with libFuzzer
# (clang, -fsanitize=fuzzer,address,undefined): the server-address check, the
# picture naming, the stamp's font and colour, and the netrc file.
#   scripts/fuzz.sh              every target for 1 million inputs (minutes)
#   scripts/fuzz.sh --short      a short pass over the committed corpus (the tests)
#   scripts/fuzz.sh --runs N     every target for N inputs
# A finding stops the script with the input that caused it in build-fuzz/.
set -euo pipefail
source "$(dirname "$0")/common.sh"

runs=1000000
case "${1:-}" in
  --short) runs=20000 ;;
  --runs) runs=$2 ;;
  "") ;;
  *) echo "unknown option: $1" >&2; exit 2 ;;
esac

OMBRIX_PACKAGES+=(clang libclang-rt-14-dev)
ombrix_ensure_packages

out=$OMBRIX_ROOT/build-fuzz
mkdir -p "$out"
src=$OMBRIX_ROOT/src
flags=(-std=c++20 -g -O1 -fPIC -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined
       -DQT_NO_CAST_FROM_ASCII -DQT_NO_KEYWORDS -I"$src/platform" -I"$src/upload" -I"$src/recording" -I"$out"
       $(pkg-config --cflags Qt6Core Qt6Gui icu-i18n icu-uc))
libs=($(pkg-config --libs Qt6Core Qt6Gui icu-i18n icu-uc))

/usr/lib/qt6/libexec/moc "$src/platform/UserDefaults.h" -o "$out/moc_UserDefaults.cpp"
declare -A sources=(
  [url_formatter]="$src/upload/URLFormatter.cpp"
  [picture_naming]="$src/recording/PictureNaming.cpp $src/platform/UserDefaults.cpp $out/moc_UserDefaults.cpp $src/platform/SettingsTable.cpp $src/platform/StampSettings.cpp $src/platform/StampArchive.cpp $src/platform/Paths.cpp $src/platform/DateFormats.cpp $src/platform/SequenceName.cpp"
  [stamp_archive]="$src/platform/StampArchive.cpp"
  [netrc]="$src/platform/Netrc.cpp"
)
for target in url_formatter picture_naming stamp_archive netrc; do
  # shellcheck disable=SC2086
  clang++ "${flags[@]}" "$OMBRIX_ROOT/fuzz/${target}_fuzz.cpp" ${sources[$target]} "${libs[@]}" -o "$out/fuzz_$target"
done

for target in url_formatter picture_naming stamp_archive netrc; do
  corpus=$out/corpus/$target
  mkdir -p "$corpus"
  echo "== $target: $runs inputs"
  # The committed corpus is read, never written; new finds go to build-fuzz.
  if ! (cd "$out" && QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0 \
        "./fuzz_$target" -runs="$runs" -max_len=4096 -print_final_stats=1 "$corpus" "$OMBRIX_ROOT/fuzz/corpus/$target" \
        > "$out/$target.log" 2>&1); then
    tail -n 40 "$out/$target.log"
    echo "FINDING in $target: the input is in $out (crash-*)"
    exit 1
  fi
  grep -E "^(Done|stat::number_of_executed_units)" "$out/$target.log"
done
echo "fuzzing found nothing"
