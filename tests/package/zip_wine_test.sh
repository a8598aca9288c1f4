#!/usr/bin/env bash
# The Windows zip as a person gets it: built by scripts/build-windows-zip.sh, unpacked, and
# quillomark.exe started in its own folder with no argument, as a double click starts it, under Wine
# on a virtual X display (through the Wine tests' window driver): it must run the demo beside it
# (the F12 picture is one the headless program shows on the same set) and write its files there.
# Then the folder is made read-only (a read-only bind mount in a mount namespace, skipped where
# forbidden): the run's files must go to %LOCALAPPDATA%\Quillomark\FOLDER-NAME.
#   zip_wine_test.sh SOURCE_DIR NATIVE_BUILD HEADLESS CHECKER WORK_DIR WINE_PREFIX
# QUILLOMARK_BOARD_CONSTANTS names the board_constants.sh of the native build.
set -euo pipefail
# shellcheck source=/dev/null
source "${QUILLOMARK_BOARD_CONSTANTS:?must name board_constants.sh of the build}"
source_dir=$(realpath "$1") native=$(realpath "$2") headless=$(realpath "$3") checker=$(realpath "$4")
work=$(realpath -m "$5") prefix=$(realpath -m "$6")
ulimit -f 200000
fail() {
  echo "FAIL: $*" >&2
  exit 1
}
step() { echo "-- $*"; }
for tool in wine wineboot wineserver winepath Xvfb unzip; do
  command -v "$tool" >/dev/null || fail "$tool is missing: run scripts/ensure-wine.sh and install scripts/packages.txt"
done
started=$SECONDS

step "scripts/build-windows-zip.sh $native"
rm -rf "$work"
mkdir -p "$work"
zip=$("$source_dir/scripts/build-windows-zip.sh" "$native" 2>"$work/build.log" | tail -1) ||
  fail "scripts/build-windows-zip.sh failed: $(tail -20 "$work/build.log")"
name=$(basename "$zip" .zip)
unzip -Z1 "$zip" >"$work/contents.txt"
for file in quillomark.exe README.txt LICENSE.txt "${ROM_SET_FILES[@]}"; do
  grep -qxF "$name/$file" "$work/contents.txt" || fail "$(basename "$zip") lacks $name/$file"
done
unzip -q "$zip" -d "$work/unpacked"
folder=$work/unpacked/$name
for text in README.txt LICENSE.txt; do
  [[ $(grep -c $'\r$' "$folder/$text") == $(wc -l <"$folder/$text") ]] || fail "$text has lines without Windows line ends"
done
step "$(basename "$zip"): quillomark.exe, the demo set, README.txt and LICENSE.txt in $name/"

driver=$(dirname "$(realpath "$native/win32/quillomark.exe")")/quillomark-window-driver.exe
[[ -f $driver ]] || fail "no $driver: run scripts/build-windows.sh first"
xvfb_pid=
cleanup() {
  timeout 20 wineserver -k >/dev/null 2>&1 || true
  if [[ -n $xvfb_pid ]]; then kill "$xvfb_pid" 2>/dev/null || true; fi
}
trap cleanup EXIT
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display.txt" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
  display=$(head -n1 "$work/display.txt" 2>/dev/null || true)
  [[ -n $display ]] && break
  sleep 0.1
done
[[ -n $display ]] || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=:$display WINEPREFIX=$prefix WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [[ ! -f $prefix/system.reg ]]; then
  timeout 180 wineboot -i >"$work/wineboot.log" 2>&1 || fail "wineboot failed: $(tail -5 "$work/wineboot.log")"
fi
timeout 60 wineserver -w || true

# run DIR [read-only]: quillomark.exe of the zip, started in the unpacked folder with no argument,
# driven by DIR/script.txt (F12 once the run is under way, then a close), DIR/result.txt the driver's
# account. read-only: inside a mount namespace where the folder is bound read-only over itself.
VK_F12=0x7B
run() {
  local dir=$1 windows_dir launcher=()
  [[ ${2:-} == read-only ]] &&
    launcher=(unshare -m -- bash -c 'mount --bind "$0" "$0" && mount -o remount,bind,ro "$0" && cd "$0" && exec "$@"'
      "$folder")
  mkdir -p "$dir"
  printf '%s\n' "window 30000" "sleep 1500" "down $VK_F12" "sleep 1000" close "exit 20000" >"$dir/script.txt"
  windows_dir=$(winepath -w "$dir")
  # The wineserver opens the files, so it must start inside the namespace too: the one winepath
  # started goes first.
  if [[ ${2:-} == read-only ]]; then timeout 20 wineserver -k >/dev/null 2>&1 || true; fi
  (cd "$folder" && timeout 150 "${launcher[@]}" wine explorer /desktop=quillomark,640x480 "$driver" \
    "$windows_dir\\script.txt" "$windows_dir\\result.txt" "$windows_dir\\console.txt" "$folder/quillomark.exe" \
    </dev/null >"$dir/wine.log" 2>&1) || true
  grep -q '^exit 1$' "$dir/result.txt" 2>/dev/null ||
    fail "quillomark.exe did not run and end with exit code 1: $(cat "$dir/result.txt" "$dir/console.txt" 2>/dev/null)"
}
# check_files DIR: the run's files in DIR, its F12 picture one the headless program shows of the demo.
check_files() {
  [[ $(stat -c %s "$1/dump.bin" 2>/dev/null) == "$DUMP_FILE_SIZE" ]] || fail "no whole dump.bin in $1"
  [[ -s $1/keys.bin ]] || fail "no keys.bin in $1"
  local snapshot
  snapshot=$(timeout 10 "$checker" digest "$1/vortane.bmp") || fail "no F12 picture in $1"
  awk -v d="$snapshot" '$2 == d { found = 1 } END { exit !found }' "$work/reference/digests.txt" ||
    fail "the F12 picture of $1 is not among the headless program's first pictures of the demo"
}
mkdir -p "$work/reference"
for file in "${ROM_SET_FILES[@]}"; do cp "$folder/$file" "$work/reference/"; done
(cd "$work/reference" && timeout 120 "$headless" --frames 3000 --digests digests.txt >console.txt 2>&1) ||
  [[ $? == 1 ]] || fail "quillomark-headless failed on the unpacked set"

step "a double click: quillomark.exe in its folder, no argument"
run "$work/double-click"
check_files "$folder"
! grep -q 'is not writable' "$work/double-click/console.txt" || fail "a writable folder was taken for a read-only one"
step "it ran the demo beside it and wrote its files there"

step "the same in a read-only folder"
if [[ $(id -u) != 0 ]] || ! unshare -m true 2>/dev/null; then
  echo "SKIP: the read-only run needs root and mount namespaces"
else
  local_run=$prefix/drive_c/users/$(id -un)/AppData/Local/Quillomark/$name
  rm -rf "$local_run" "$folder"/{keys.bin,dump.bin,vortane.bmp}
  ls "$folder" >"$work/before.txt"
  run "$work/read-only" read-only
  timeout 20 wineserver -k >/dev/null 2>&1 || true
  grep -q "Quillomark\\\\$name: .*$name is not writable" "$work/read-only/console.txt" ||
    fail "the console does not say where the run's files go: $(cat "$work/read-only/console.txt")"
  check_files "$local_run"
  ls "$folder" | cmp -s - "$work/before.txt" || fail "the run wrote into the read-only folder"
  step "its files went to %LOCALAPPDATA%\\Quillomark\\$name"
fi
echo "PASS: the Windows zip in $((SECONDS - started)) s"
