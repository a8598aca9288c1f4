#!/usr/bin/env bash
# The Debian package as a person gets it: built by scripts/build-deb.sh, its fields and contents
# checked, passed by lintian, desktop-file-validate and appstreamcli, unpacked with dpkg -x; then, the
# demo's folder read-only, the unpacked headless program on the demo (the attract run's digests and
# snapshot) and the desktop entry's Exec line under Xvfb (a picture): their files in the user's folder.
#   deb_test.sh SOURCE_DIR PACKAGE_BUILD DEMO_TESTS PROGRAMS APP_ID ICON ICON_SIZES VERSION LIBRETRO
# PROGRAMS and ICON_SIZES are ;-lists; LIBRETRO is YES when the build makes the libretro core.
# QUILLOMARK_BOARD_CONSTANTS names the board_constants.sh of the build (ROM files, dump size).
set -uo pipefail
source_dir=$(realpath "$1") package_build=$(realpath -m "$2") demo_tests=$(realpath "$3")
IFS=';' read -ra programs <<<"$4"
IFS=';' read -ra icon_sizes <<<"$7"
app_id=$5 icon=$6 version=$8 libretro=$9
fail() { echo "FAIL: $*" >&2; exit 1; }
step() { echo "-- $*"; }
source "$source_dir/tests/support/xvfb.sh"
# shellcheck source=/dev/null
source "${QUILLOMARK_BOARD_CONSTANTS:?must name board_constants.sh of the build}" || fail "no board constants"
work=$(mktemp -d) xvfb_pid= program_pid= started=$SECONDS
trap 'kill $program_pid $xvfb_pid 2>/dev/null; wait; chmod -R u+w "$work"; rm -rf "$work"' EXIT

deb=$("$source_dir/scripts/build-deb.sh" "$package_build" 2>"$work/build.log" | tail -1)
[[ -f $deb ]] || fail "scripts/build-deb.sh made no package: $(tail -20 "$work/build.log")"
step "built $(basename "$deb") in $((SECONDS - started)) s"
field() { dpkg-deb -f "$deb" "$1"; }
[[ $(field Package) == quillomark && $(field Version) == "$version-1" ]] || fail "$(field Package) $(field Version)"
[[ $(field Depends) == *libc6*libsdl2* ]] || fail "Depends from the libraries lacks libc6 or libsdl2: $(field Depends)"
(($(field Description | wc -l) >= 4)) || fail "no extended description: $(field Description)"
dpkg-deb -c "$deb" | awk '{ print $6 }' | sed 's|^\./|/|' >"$work/contents.txt"
doc=/usr/share/doc/quillomark
expected=("$doc/copyright" "$doc/changelog.Debian.gz" "$doc/README.md" "$doc/docs/programming.md"
  "$doc/examples/hello/hello.c" "/usr/share/applications/$app_id.desktop" "/usr/share/metainfo/$app_id.metainfo.xml"
  "/usr/share/icons/hicolor/scalable/apps/$icon.svg")
for program in "${programs[@]}"; do expected+=("/usr/bin/$program" "/usr/share/man/man1/$program.1.gz"); done
for file in "${ROM_SET_FILES[@]}"; do expected+=("/usr/share/quillomark/demo/$file"); done
for size in "${icon_sizes[@]}"; do expected+=("/usr/share/icons/hicolor/${size}x$size/apps/$icon.png"); done
[[ $libretro == YES ]] && expected+=("/usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)/libretro/quillomark_libretro.so"
  /usr/share/libretro/info/quillomark_libretro.info)
for path in "${expected[@]}"; do grep -qxF "$path" "$work/contents.txt" || fail "the package lacks $path"; done
# lintian: no error or warning, no hardening tag at any level (those of -z now and fortify are infos).
# Its complaint about running as root goes to standard error.
lintian --fail-on error,warning --display-info "$deb" >"$work/lintian.txt" 2>"$work/lintian-errors.txt" ||
  fail "lintian: $(cat "$work/lintian.txt" "$work/lintian-errors.txt")"
! grep 'hardening-' "$work/lintian.txt" || fail "lintian found programs without hardening"
root=$work/root
dpkg -x "$deb" "$root" || fail "dpkg -x failed"
for program in "${programs[@]}"; do # lintian has no tag for the stack protector
  [[ $(file -b "$root/usr/bin/$program") != ELF* || $(nm -D "$root/usr/bin/$program") == *__stack_chk_fail* ]] ||
    fail "$program is built without the stack protector"
done
desktop_file=$root/usr/share/applications/$app_id.desktop
desktop-file-validate "$desktop_file" || fail "desktop-file-validate refuses the desktop entry"
appstreamcli validate --no-net "$root/usr/share/metainfo/$app_id.metainfo.xml" || fail "appstreamcli refuses the metainfo"
[[ $(zcat "$root/usr/share/man/man1/quillomark.1.gz") == */usr/share/quillomark/demo* ]] ||
  fail "quillomark's man page does not say where the installed demo is"
step "${#expected[@]} files as expected; lintian, desktop-file-validate, appstreamcli and the man page content"

# The installed set's folder read-only; root writes everywhere, so the programs run as nobody then.
demo=$root/usr/share/quillomark/demo
chmod -R a-w "$demo"
chmod 0777 "$work"
as_user=()
[[ $(id -u) == 0 ]] && as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
# check_run OUTPUT DATA [PASSES]: the note said once, the run's files in DATA/quillomark/demo, none in the set.
check_run() {
  local run=$2/quillomark/demo
  [[ $(grep -cxF "Writing the run's files to $run: $demo is not writable" "$1") == 1 ]] || fail "no note: $(cat "$1")"
  [[ $(stat -c %s "$run/dump.bin" 2>/dev/null) == "$DUMP_FILE_SIZE" ]] || fail "no whole dump.bin in $run"
  [[ -s $run/keys.bin && (-z ${3:-} || $(stat -c %s "$run/keys.bin") == $((2 * $3))) ]] || fail "keys.bin in $run"
  [[ $(ls "$demo" | wc -l) == "${#ROM_SET_FILES[@]}" ]] || fail "the run wrote into $demo: $(ls "$demo")"
}
mkdir -m 0777 "$work/headless"
cp "$demo_tests/attract.keys" "$work/headless/"
(cd "$work/headless" && env XDG_DATA_HOME="$work/headless-data" "${as_user[@]}" timeout 120 \
  "$root/usr/bin/quillomark-headless" --frames 300 --keys attract.keys --digests digests.txt "$demo" >out.txt 2>err.txt)
status=$?
[[ $status == 1 ]] || fail "quillomark-headless: exit code $status, expected 1: $(cat "$work/headless/err.txt")"
while read -r line; do
  grep -qxF "$line" "$work/headless/digests.txt" || fail "pass ${line%% *}: expected the picture digest ${line#* }"
done <"$demo_tests/attract.digests"
cmp -s "$work/headless-data/quillomark/demo/vortane.bmp" "$demo_tests/attract.bmp" || fail "vortane.bmp differs"
check_run "$work/headless/out.txt" "$work/headless-data" 300
step "the installed headless program: the attract digests and snapshot, its files in the user's folder"

# Root may write anywhere, yet the installed demo's folder stays as the package put it: the unpacked
# one is put in the installed place, in a mount namespace of its own, and run there by root.
installed=/usr/share/quillomark/demo
if [[ $(id -u) == 0 ]] && unshare --mount true 2>/dev/null; then
  chmod -R u+w "$demo"
  unshare --mount sh -c 'mount -t tmpfs none /usr/share && mkdir -p "$2" && mount --bind "$1" "$2" &&
    cd "$2" && env XDG_DATA_HOME="$3" timeout 60 "$4" --frames 5 >"$5" 2>&1' sh "$demo" "$installed" \
    "$work/root-data" "$root/usr/bin/quillomark-headless" "$work/root.out"
  [[ $(grep -cxF "Writing the run's files to $work/root-data/quillomark/demo: $installed holds the installed demo" \
    "$work/root.out") == 1 ]] || fail "root's run of the installed demo: $(cat "$work/root.out")"
  [[ $(ls "$demo" | wc -l) == "${#ROM_SET_FILES[@]}" ]] || fail "root's run wrote into the installed demo: $(ls "$demo")"
  [[ -s $work/root-data/quillomark/demo/dump.bin ]] || fail "root's run left no dump.bin in its data folder"
  chmod -R a-w "$demo"
  step "root's run of the installed demo: its files in root's data folder, none in the demo's"
else
  step "skipped root's run of the installed demo: it needs root and a mount namespace"
fi

# The package is unpacked, not installed: Exec's program is found in its bin folder, absolute paths under it.
read -ra words <<<"$(sed -n 's/^Exec=//p' "$desktop_file")"
command=("$root/usr/bin/${words[0]}")
for word in "${words[@]:1}"; do [[ $word == /* ]] && command+=("$root$word") || command+=("$word"); done
[[ -x ${command[0]} && ${command[1]:-} == "$demo" ]] || fail "Exec=${words[*]} does not run the installed demo"
start_xvfb "$work"
(cd "$work" && exec env XDG_DATA_HOME="$work/desktop-data" SDL_VIDEODRIVER=x11 "${as_user[@]}" "${command[@]}" \
  >"$work/desktop.out" 2>&1) &
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
check_run "$work/desktop.out" "$work/desktop-data"
step "the desktop entry's Exec line: the demo's picture ($colours colours), its files in the user's folder"
echo "PASS: the Debian package in $((SECONDS - started)) s"
