#!/usr/bin/env bash
# The Windows zip as a person gets it: built by scripts/build-windows-zip.sh, unpacked, and
# quillomark.exe started in its folder with no argument, as a double click starts it, under Wine (through
# the Wine tests' window driver): it runs the demo beside it (its F12 picture is one the headless program
# shows) and writes its files there. Then again with the folder bound read-only over itself in a mount
# namespace (skipped where forbidden): the files go to %LOCALAPPDATA%\Quillomark\FOLDER-NAME.
#   zip_wine_test.sh SOURCE_DIR NATIVE_BUILD HEADLESS CHECKER WORK_DIR WINE_PREFIX
# QUILLOMARK_BOARD_CONSTANTS names the board_constants.sh of the native build.
set -euo pipefail
source_dir=$(realpath "$1") native=$(realpath "$2") headless=$(realpath "$3") checker=$(realpath "$4")
work=$(realpath -m "$5") prefix=$(realpath -m "$6")
fail() { echo "FAIL: $*" >&2; exit 1; }
step() { echo "-- $*"; }
source "$source_dir/tests/support/xvfb.sh"
# shellcheck source=/dev/null
source "${QUILLOMARK_BOARD_CONSTANTS:?must name board_constants.sh of the build}"
ulimit -f 200000
started=$SECONDS
rm -rf "$work" && mkdir -p "$work"
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
xvfb_pid=
trap 'timeout 20 wineserver -k >/dev/null 2>&1 || true; [[ -z $xvfb_pid ]] || kill $xvfb_pid' EXIT
start_xvfb "$work"
export WINEPREFIX=$prefix WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
[[ -f $prefix/system.reg ]] || timeout 180 wineboot -i >"$work/wineboot.log" 2>&1 || fail "wineboot failed"
mkdir "$work/reference"
for file in "${ROM_SET_FILES[@]}"; do cp "$folder/$file" "$work/reference/"; done
(cd "$work/reference" && timeout 120 "$headless" --frames 3000 --digests digests.txt >/dev/null 2>&1) || [[ $? == 1 ]] ||
  fail "quillomark-headless failed on the unpacked set"

# run DIR [read-only]: quillomark.exe started in the unpacked folder with no argument, F12 once it runs,
# then a close; the driver's script, account and the console in DIR.
run() {
  local dir=$1 windows_dir launcher=()
  [[ ${2:-} == read-only ]] &&
    launcher=(unshare -m -- bash -c 'mount --bind "$0" "$0" && mount -o remount,bind,ro "$0" && cd "$0" && exec "$@"'
      "$folder")
  mkdir -p "$dir"
  printf '%s\n' "window 30000" "sleep 1500" "down 0x7B" "sleep 1000" close "exit 20000" >"$dir/script.txt"
  windows_dir=$(winepath -w "$dir")
  # The wineserver opens the files, so it must start inside the namespace: winepath's goes first.
  timeout 20 wineserver -k >/dev/null 2>&1 || true
  (cd "$folder" && timeout 150 "${launcher[@]}" wine explorer /desktop=quillomark,640x480 "$driver" \
    "$windows_dir\\script.txt" "$windows_dir\\result.txt" "$windows_dir\\console.txt" "$folder/quillomark.exe" \
    </dev/null >"$dir/wine.log" 2>&1) || true
  grep -q '^exit 1$' "$dir/result.txt" 2>/dev/null || fail "no run ending with exit code 1: $(cat "$dir"/*.txt)"
}
# check_files DIR: the run's files in DIR, its F12 picture one the headless program shows of the demo.
check_files() {
  [[ $(stat -c %s "$1/dump.bin" 2>/dev/null) == "$DUMP_FILE_SIZE" && -s $1/keys.bin ]] || fail "no run's files in $1"
  local snapshot
  snapshot=$(timeout 10 "$checker" digest "$1/vortane.bmp") || fail "no F12 picture in $1"
  awk -v d="$snapshot" '$2 == d { found = 1 } END { exit !found }' "$work/reference/digests.txt" ||
    fail "the F12 picture of $1 is none the headless program shows of the demo"
}
run "$work/double-click"
check_files "$folder"
! grep 'is not writable' "$work/double-click/console.txt" || fail "a writable folder taken for a read-only one"
step "a double click: quillomark.exe ran the demo beside it and wrote its files there"

if [[ $(id -u) != 0 ]] || ! unshare -m true 2>/dev/null; then
  echo "SKIP: the read-only run needs root and mount namespaces"
else
  local_run=$prefix/drive_c/users/$(id -un)/AppData/Local/Quillomark/$name
  rm -rf "$local_run" "$folder"/{keys.bin,dump.bin,vortane.bmp}
  ls "$folder" >"$work/before.txt"
  run "$work/read-only" read-only
  grep -q "Quillomark\\\\$name: .*$name is not writable" "$work/read-only/console.txt" ||
    fail "the console does not say where the run's files go: $(cat "$work/read-only/console.txt")"
  check_files "$local_run"
  ls "$folder" | cmp -s - "$work/before.txt" || fail "the run wrote into the read-only folder"
  step "from a read-only folder: its files went to %LOCALAPPDATA%\\Quillomark\\$name"
fi
echo "PASS: the Windows zip in $((SECONDS - started)) s"
