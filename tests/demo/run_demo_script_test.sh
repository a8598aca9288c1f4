#!/usr/bin/env bash
# run-demo.sh tells the truth. On programs already built (QUILLOMARK_DEMO_BUILD: nothing is installed
# or built), with files of an earlier run left in place: a headless run succeeds with fresh files; a
# damaged pal.bmp and a desktop program that finds no X server each fail with the program's own
# message, and leave nothing that could pass for a result.
# Usage: run_demo_script_test.sh RUN_DEMO HEADLESS DEMO_DIR [DESKTOP]
set -uo pipefail
run_demo=$1
headless=$2
demo_dir=$3
desktop=${4:-}
fail() {
  echo "FAIL: $*" >&2
  exit 1
}
# QUILLOMARK_BOARD_CONSTANTS names the board_constants.sh of the build (dump and bitmap sizes).
source "${QUILLOMARK_BOARD_CONSTANTS:?must name board_constants.sh of the build}" || fail "no board constants"
readonly DUMP_SIZE=$DUMP_FILE_SIZE
readonly BITMAP_SIZE=$BITMAP_FILE_SIZE
readonly STALE_FILES=(dump.bin keys.bin vortane.bmp bmps/000.bmp digests.txt)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
build=$work/build
demo=$build/demo
mkdir -p "$demo"
cp "$demo_dir"/*.bin "$demo_dir/pal.bmp" "$demo/" || fail "no demo ROM set in $demo_dir"
ln -s "$(realpath "$headless")" "$build/quillomark-headless"
[[ -n $desktop ]] && ln -s "$(realpath "$desktop")" "$build/quillomark"

size_of() { stat -c %s "$1" 2>/dev/null || echo 0; }
leave_stale_files() {
  mkdir -p "$demo/bmps"
  for file in "${STALE_FILES[@]}"; do echo stale >"$demo/$file"; done
}
# try NAME [VARIABLE=VALUE...]: runs run-demo.sh without a display unless given one; sets status and
# leaves its output in $work/NAME.txt.
try() {
  local name=$1
  shift
  leave_stale_files
  status=0
  env -u DISPLAY -u WAYLAND_DISPLAY QUILLOMARK_DEMO_BUILD="$build" "$@" timeout 60 bash "$run_demo" \
    >"$work/$name.txt" 2>&1 || status=$?
  output=$(cat "$work/$name.txt")
}
# expect_failure NAME MESSAGE: a non-zero exit, the program's message shown, no file of the earlier run.
expect_failure() {
  [[ $status -ne 0 ]] || fail "$1: run-demo.sh exited 0: $output"
  grep -qF "$2" <<<"$output" || fail "$1: the program's message '$2' is not shown: $output"
  grep -q '^Pictures:' <<<"$output" && fail "$1: pictures announced: $output"
  for file in "${STALE_FILES[@]}"; do
    grep -qsx stale "$demo/$file" && fail "$1: $file of the earlier run is still there"
  done
  return 0
}

try headless
[[ $status -eq 0 ]] || fail "headless run: exit code $status: $output"
[[ $(size_of "$demo/dump.bin") -eq $DUMP_SIZE ]] || fail "headless run: dump.bin is $(size_of "$demo/dump.bin") bytes"
for picture in vortane.bmp bmps/000.bmp bmps/100.bmp; do
  [[ $(size_of "$demo/$picture") -eq $BITMAP_SIZE ]] || fail "headless run: $picture is not a fresh picture"
done
[[ $(wc -l <"$demo/digests.txt") -eq 600 ]] || fail "headless run: digests.txt has $(wc -l <"$demo/digests.txt") lines"

cp "$demo/pal.bmp" "$work/pal.bmp"
head -c 100 "$work/pal.bmp" >"$demo/pal.bmp"
try damaged-palette
expect_failure "damaged pal.bmp" "Cannot read the 256 colours of pal.bmp"
cp "$work/pal.bmp" "$demo/pal.bmp"

if [[ -n $desktop ]]; then
  # A display number no X server answers on.
  number=90
  while [[ -e /tmp/.X11-unix/X$number || -e /tmp/.X$number-lock ]]; do number=$((number + 1)); done
  try no-x-server DISPLAY=:$number
  expect_failure "no X server" "Direct draw failed to initialize"
fi
echo "run-demo.sh: headless success, damaged pal.bmp${desktop:+ and no X server} reported as failures"
