#!/usr/bin/env bash
# The Debian package as a person gets it: built by scripts/build-deb.sh, its contents and control
# fields checked, passed by lintian, desktop-file-validate and appstreamcli, unpacked with dpkg -x,
# then the installed headless program run on the installed demo set (its picture digests, snapshot
# and files checked) and the desktop entry's Exec line run under Xvfb (the demo's picture on the
# screen), with the set's folder read-only: the run's files must land in the user's data folder.
#   deb_test.sh SOURCE_DIR PACKAGE_BUILD DEMO_TESTS PROGRAMS APP_ID ICON ICON_SIZES VERSION LIBRETRO
# PROGRAMS and ICON_SIZES are ;-lists (the installed programs, the icon's pixel sizes); LIBRETRO is YES
# when the build makes the libretro core; DEMO_TESTS holds attract.keys, .digests and .bmp.
# QUILLOMARK_BOARD_CONSTANTS names the board_constants.sh of the build (ROM files, dump size).
set -uo pipefail
source_dir=$(realpath "$1") package_build=$(realpath -m "$2") demo_tests=$(realpath "$3")
IFS=';' read -ra programs <<<"$4"
app_id=$5 icon=$6 version=$8 libretro=$9
IFS=';' read -ra icon_sizes <<<"$7"
fail() {
  echo "FAIL: $*" >&2
  exit 1
}
step() { echo "-- $*"; }
source "$source_dir/tests/support/xvfb.sh"
# shellcheck source=/dev/null
source "${QUILLOMARK_BOARD_CONSTANTS:?must name board_constants.sh of the build}" || fail "no board constants"
for tool in dpkg-deb lintian desktop-file-validate appstreamcli Xvfb xdotool import identify; do
  command -v "$tool" >/dev/null || fail "$tool is missing (scripts/packages.txt)"
done

work=$(mktemp -d)
xvfb_pid= program_pid=
cleanup() {
  [[ -n $program_pid ]] && kill "$program_pid" 2>/dev/null
  [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null
  wait 2>/dev/null
  chmod -R u+w "$work" 2>/dev/null
  [[ -n ${KEEP_WORK:-} ]] || rm -rf "$work"
}
trap cleanup EXIT
chmod 0755 "$work"
started=$SECONDS

step "scripts/build-deb.sh $package_build"
deb=$("$source_dir/scripts/build-deb.sh" "$package_build" 2>"$work/build.log" | tail -1) ||
  fail "scripts/build-deb.sh failed: $(tail -20 "$work/build.log")"
[[ -f $deb ]] || fail "no package: $(tail -20 "$work/build.log")"
step "built $(basename "$deb") in $((SECONDS - started)) s"

# Control fields: the version of the one constant with the Debian revision, Depends from the libraries.
field() { dpkg-deb -f "$deb" "$1"; }
[[ $(field Package) == quillomark && $(field Version) == "$version-1" ]] ||
  fail "package $(field Package) version $(field Version), expected quillomark $version-1"
[[ $(field Depends) == *libc6* && $(field Depends) == *libsdl2* ]] || fail "Depends lacks libc6 or libsdl2: $(field Depends)"
(($(field Description | wc -l) >= 4)) || fail "no extended description: $(field Description)"

# Contents.
dpkg-deb -c "$deb" | awk '{ print $6 }' | sed 's|^\./|/|' >"$work/contents.txt"
expected=(/usr/share/doc/quillomark/copyright /usr/share/doc/quillomark/changelog.Debian.gz
  /usr/share/doc/quillomark/README.md /usr/share/doc/quillomark/docs/programming.md
  /usr/share/doc/quillomark/examples/hello/hello.c "/usr/share/applications/$app_id.desktop"
  "/usr/share/metainfo/$app_id.metainfo.xml" "/usr/share/icons/hicolor/scalable/apps/$icon.svg")
for program in "${programs[@]}"; do expected+=("/usr/bin/$program" "/usr/share/man/man1/$program.1.gz"); done
for file in "${ROM_SET_FILES[@]}"; do expected+=("/usr/share/quillomark/demo/$file"); done
for size in "${icon_sizes[@]}"; do expected+=("/usr/share/icons/hicolor/${size}x$size/apps/$icon.png"); done
for path in "${expected[@]}"; do
  grep -qxF "$path" "$work/contents.txt" || fail "the package lacks $path"
done
if [[ $libretro == YES ]]; then
  grep -qxE '/usr/lib/[^/]+/libretro/quillomark_libretro\.so' "$work/contents.txt" || fail "the package lacks the libretro core"
  grep -qxF /usr/share/libretro/info/quillomark_libretro.info "$work/contents.txt" || fail "the package lacks the core's .info"
fi
step "$(grep -vc '/$' "$work/contents.txt") files, among them the ${#expected[@]} expected"

# lintian: no error or warning, and no hardening tag at any level (those of -z now and fortify are infos).
# (Its complaint about running as root goes to standard error.)
lintian --fail-on error,warning --display-info "$deb" >"$work/lintian.txt" 2>"$work/lintian-errors.txt" ||
  fail "lintian: $(cat "$work/lintian.txt" "$work/lintian-errors.txt")"
! grep -q 'hardening-' "$work/lintian.txt" || fail "lintian: $(grep 'hardening-' "$work/lintian.txt")"
step "lintian: $(grep -c . "$work/lintian.txt") info lines, no error or warning"

root=$work/root
dpkg -x "$deb" "$root" || fail "dpkg -x failed"
# lintian has no tag for the stack protector: each program must call its failure routine.
for program in "${programs[@]}"; do
  [[ $(file -b "$root/usr/bin/$program") == ELF* ]] || continue
  [[ $(nm -D "$root/usr/bin/$program") == *__stack_chk_fail* ]] || fail "$program is built without the stack protector"
done
desktop_file=$root/usr/share/applications/$app_id.desktop
desktop-file-validate "$desktop_file" >"$work/desktop.txt" 2>&1 || fail "desktop-file-validate: $(cat "$work/desktop.txt")"
appstreamcli validate --no-net "$root/usr/share/metainfo/$app_id.metainfo.xml" >"$work/metainfo.txt" 2>&1 ||
  fail "appstreamcli: $(cat "$work/metainfo.txt")"
[[ $(zcat "$root/usr/share/man/man1/quillomark.1.gz") == */usr/share/quillomark/demo* ]] ||
  fail "quillomark's man page does not say where the installed demo is"
step "desktop entry and metainfo valid; the man page names the installed demo"

# The installed set's folder, read-only. Root writes everywhere: the programs run as nobody then.
demo=$root/usr/share/quillomark/demo
chmod -R a-w "$demo"
as_user=()
if [[ $(id -u) == 0 ]]; then
  as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
  chmod 0777 "$work"
fi
# check_run_files DATA PASSES: the run's files in DATA/quillomark/demo, none in the set's folder.
check_run_files() {
  local run=$1/quillomark/demo
  [[ $(stat -c %s "$run/dump.bin" 2>/dev/null) == "$DUMP_FILE_SIZE" ]] || fail "no whole dump.bin in $run"
  [[ -s $run/keys.bin ]] || fail "no keys.bin in $run"
  [[ -z ${2:-} || $(stat -c %s "$run/keys.bin") == $((2 * $2)) ]] || fail "keys.bin holds not $2 records"
  [[ $(ls "$demo" | wc -l) == "${#ROM_SET_FILES[@]}" ]] || fail "the run wrote into $demo: $(ls "$demo")"
}

step "installed quillomark-headless on the installed demo, as in tests/demo (attract)"
mkdir "$work/headless"
cp "$demo_tests/attract.keys" "$work/headless/"
chmod 0777 "$work/headless"
(cd "$work/headless" && env XDG_DATA_HOME="$work/headless-data" "${as_user[@]}" timeout 120 \
  "$root/usr/bin/quillomark-headless" --frames 300 --keys attract.keys --digests digests.txt "$demo" >out.txt 2>err.txt)
status=$?
[[ $status == 1 ]] || fail "exit code $status, expected 1: $(cat "$work/headless/err.txt")"
note="Writing the run's files to $work/headless-data/quillomark/demo: $demo is not writable"
[[ $(grep -cxF "$note" "$work/headless/out.txt") == 1 ]] || fail "the note is not said once: $(cat "$work/headless/out.txt")"
while read -r line; do
  grep -qxF "$line" "$work/headless/digests.txt" || fail "pass ${line%% *}: expected the picture digest ${line#* }"
done <"$demo_tests/attract.digests"
cmp -s "$work/headless-data/quillomark/demo/vortane.bmp" "$demo_tests/attract.bmp" ||
  fail "vortane.bmp differs from tests/demo/attract.bmp"
check_run_files "$work/headless-data" 300
step "the attract digests and snapshot match; the run's files are in the user's data folder"

step "the desktop entry's Exec line under Xvfb"
exec_line=$(sed -n 's/^Exec=//p' "$desktop_file")
read -ra words <<<"$exec_line"
# The package is unpacked, not installed: the program is found in its bin folder, absolute paths under it.
command=("$root/usr/bin/${words[0]}")
for word in "${words[@]:1}"; do [[ $word == /* ]] && command+=("$root$word") || command+=("$word"); done
[[ -x ${command[0]} && ${command[1]:-} == "$demo" ]] || fail "Exec=$exec_line does not run the installed demo"
start_xvfb "$work"
mkdir "$work/desktop"
(cd "$work/desktop" && exec env XDG_DATA_HOME="$work/desktop-data" SDL_VIDEODRIVER=x11 "${as_user[@]}" \
  "${command[@]}" >"$work/desktop.out" 2>&1) &
program_pid=$!
await_window "$program_pid" 300
[[ -n $window ]] || fail "no window appeared: $(tail -5 "$work/desktop.out")"
sleep 2
import -window root "$work/screen.png" || fail "no screenshot"
colours=$(identify -format '%k' "$work/screen.png")
((colours >= 16)) || fail "the screen shows $colours colours: no picture"
xdotool key alt+F4
wait_exit "$program_pid" 100
[[ $status == 1 ]] || fail "Alt+F4 ended the desktop program with '$status', not 1: $(tail -5 "$work/desktop.out")"
program_pid=
grep -qxF "Writing the run's files to $work/desktop-data/quillomark/demo: $demo is not writable" "$work/desktop.out" ||
  fail "the desktop program did not say where the run's files go: $(cat "$work/desktop.out")"
check_run_files "$work/desktop-data"
step "the demo's picture showed ($colours colours); the run's files are in the user's data folder"
echo "PASS: the Debian package in $((SECONDS - started)) s"
