#!/usr/bin/env bash
# The Windows program under Wine, on a virtual X display:
#   wine_test.sh MODE WIN32_BUILD HEADLESS CHECKER ROM_TOOL ROM_DIR WORK_DIR WINE_PREFIX
# MODE is 320 (320x240, page flipping) or 640 (-640: 640x480, stretching blit)
# inside a 640x480 Wine desktop, or window: no virtual desktop, where the 8-bit
# mode is refused and the program runs in a window. It runs quillomark.exe
# through the window driver, which posts key messages (F9 for the window and
# back) and finally WM_CLOSE, and checks what the program wrote against the
# headless program on the same ROM set. Two more runs follow: one measures the
# pace and is ended by a console event (Ctrl+C), one hangs and is rescued by F1
# and a close; in a window, the session's end ends two more. QUILLOMARK_BOARD_CONSTANTS names the
# board_constants.sh of the native build (dump size, ports, bitmap size, ROM files).
set -euo pipefail
# shellcheck source=/dev/null
source "${QUILLOMARK_BOARD_CONSTANTS:?must name board_constants.sh of the build}"
mode=$1
win32_build=$(realpath -m "$2") headless=$(realpath -m "$3") checker=$(realpath -m "$4") rom_tool=$(realpath -m "$5")
rom_dir=$(realpath -m "$6") work=$(realpath -m "$7") prefix=$(realpath -m "$8")
ulimit -f 200000

fail() {
  echo "FAIL: $*" >&2
  exit 1
}
step() { echo "-- $*"; }

exe=$win32_build/quillomark.exe
driver=$win32_build/quillomark-window-driver.exe
for tool in wine wineboot wineserver Xvfb xdotool import convert openbox; do
  command -v "$tool" >/dev/null || fail "$tool is missing: run scripts/ensure-wine.sh (wine, wine32) and install xvfb xdotool imagemagick openbox"
done
[[ -f $exe && -f $driver ]] || fail "$exe or $driver missing: run scripts/build-windows.sh first"
case $mode in
  320) options=() width=320 height=240 ;;
  640) options=(-640) width=640 height=480 ;;
  window) options=() ;;
  *) fail "unknown mode $mode" ;;
esac
launcher=(explorer /desktop=quillomark,640x480)
[[ $mode == window ]] && launcher=()

mkdir -p "$work"
rm -f "$work"/*.png
run=$work/run reference=$work/reference
rm -rf "$run" "$reference"
mkdir -p "$run/bmps" "$reference"
roms=("${ROM_SET_FILES[@]}")
have_demo=1
for f in "${roms[@]}"; do [[ -f $rom_dir/$f ]] || have_demo=0; done
if [[ $have_demo -eq 1 ]]; then
  step "ROM set: $rom_dir"
  for f in "${roms[@]}"; do cp "$rom_dir/$f" "$run/"; done
else
  step "ROM set: $rom_dir incomplete, using a minimal idle-loop ROM set"
  timeout 10 "$rom_tool" idle "$run"
fi
for f in "${roms[@]}"; do cp "$run/$f" "$reference/"; done

# The virtual display, on the first free display number.
xvfb_pid= display= wm_pid=
cleanup() {
  if [[ -n $wm_pid ]]; then kill "$wm_pid" 2>/dev/null || true; fi
  if [[ -n ${WINEPREFIX:-} ]]; then timeout 20 wineserver -k >/dev/null 2>&1 || true; fi
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
export DISPLAY=:$display
# A window is managed as on a desktop: Wine waits for a window manager (2 s without one) when it
# takes a window off the screen.
if [[ $mode == window ]]; then
  openbox --sm-disable >"$work/openbox.log" 2>&1 &
  wm_pid=$!
fi
# One prefix (about 600 MB) serves every run; ctest runs these tests one at a time.
# Wine hands the environment to the Windows programs: no start-up failure waits on a message box.
export WINEPREFIX=$prefix WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" QUILLOMARK_NO_DIALOGS=1
step "Wine prefix $WINEPREFIX on display $DISPLAY"
if [[ ! -f $prefix/system.reg ]]; then
  timeout 180 wineboot -i >"$work/wineboot.log" 2>&1 || fail "wineboot failed: $(tail -5 "$work/wineboot.log")"
fi
timeout 60 wineserver -w || true

# The driver's script. The snapshot comes first, before any input, so that
# the headless program shows the same picture at some early pass; not at the
# very first pass, whose snapshot is still blank.
VK_LEFT=0x25 VK_MENU=0x12 VK_I=0x49 VK_F9=0x78 VK_F11=0x7A VK_F12=0x7B
{
  echo "window 30000"
  echo "file keys.bin 20000" # the first pass
  echo "sleep 200"
  echo "down $VK_F12"
  echo "file vortane.bmp 20000"
  if [[ $mode == 320 ]]; then
    echo "down $VK_LEFT"; echo "sleep 300"; echo "up $VK_LEFT"; echo "sleep 300"
    echo "sysdown $VK_MENU"; echo "sleep 300"; echo "sysup $VK_MENU"; echo "sleep 300"
    echo "sysdown $VK_MENU"; echo "sleep 300"
    echo "down $VK_LEFT"; echo "sleep 300"
    echo "up $VK_LEFT"; echo "sleep 300"
    echo "sysup $VK_MENU"; echo "sleep 300"
    # Real key presses through the X server: Alt arrives as a system key.
    echo "mark keyboard"
    echo "file keyboard.done 60000"
    echo "down $VK_LEFT"; echo "sleep 300"
  fi
  # The sprite inspector holds the emulation: a still picture to photograph.
  echo "down $VK_I"
  echo "sleep 300"
  echo "down $VK_F11"
  echo "file bmps/100.bmp 20000"
  # F11's "Recording frames" shows on the screen for 2 s; the picture is taken once it has gone.
  echo "sleep 1500"
  echo "client"
  echo "mark still"
  echo "file still.done 60000"
  # F9: the window, then the full screen again (a window all along where the full screen is refused).
  for mark in windowed back; do
    echo "down $VK_F9"; echo "sleep 700"; echo "client"; echo "mark $mark"; echo "file $mark.done 60000"
  done
  if [[ $mode != 320 ]]; then
    # Inspector off; Left held for 1 s, then released. 0.3 s later another
    # window takes the foreground: the pump waits, so the records of the last
    # 2.3 s, up to the close, are fewer than those of the second with Left held.
    echo "down $VK_I"
    echo "down $VK_LEFT"; echo "sleep 1000"
    echo "up $VK_LEFT"; echo "sleep 300"
    echo "deactivate"; echo "sleep 2000"
  fi
  echo "close"
  echo "exit 20000"
} >"$run/script.txt"

# start_program DIR: the driver runs DIR/script.txt on quillomark.exe in DIR, in the background; sets wine_pid.
start_program() {
  (cd "$1" && exec timeout 150 wine "${launcher[@]}" "$driver" script.txt result.txt console.txt \
    "$exe" "${options[@]}" </dev/null >"$1/wine.log" 2>&1) &
  wine_pid=$!
}
# await_mark MARK [DIR]: waits until the driver has written a mark; false if the run ended first.
await_mark() {
  for _ in $(seq 900); do
    grep -q "^mark $1" "${2:-$run}/result.txt" 2>/dev/null && return 0
    kill -0 "$wine_pid" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}

step "quillomark.exe ${options[*]} in ${launcher[*]:-a window}"
start_program "$run"
if [[ $mode == 320 ]] && await_mark keyboard; then
  # The pointer over the desktop gives it the keyboard.
  x_keys() { for key in "$@"; do read -ra words <<<"$key"; timeout 10 xdotool "${words[@]}"; sleep 0.3; done; }
  timeout 10 xdotool mousemove 100 100
  x_keys "keydown alt" "keyup alt" "keydown alt" "keyup alt" "keydown Left" "keyup Left" "keydown space" "keyup space"
  touch "$run/keyboard.done"
fi
# The held picture, photographed full screen, in the window and full screen again (in a window: once).
photos=0
for mark in still windowed back; do
  if ! await_mark $mark; then
    kill "$wine_pid" 2>/dev/null || true
    break
  fi
  [[ $mode == window && $mark != still ]] || timeout 30 import -window root "$work/$mark.png" || true
  touch "$run/$mark.done"
  photos=$((photos + 1))
done
wait "$wine_pid" || true

console=$run/console.txt
[[ -f $console ]] || fail "the program's console output is missing; driver said: $(cat "$run/result.txt" 2>/dev/null)"
if [[ $mode == window ]]; then
  tr -d '\r' <"$console" | grep -A1 -x 'Failed to set screen mode' | grep -qx 'Running in a window instead' ||
    fail "no \"Failed to set screen mode\" then \"Running in a window instead\": $(tail -3 "$console")"
elif grep -q 'Failed to set screen mode' "$console"; then
  fail "DirectDraw refused the ${width}x${height} 8-bit display mode under Wine"
fi
for message in 'Direct draw failed' 'Create palette failed' 'Set palette failed' 'Lock failed' 'Flip failed'; do
  if grep -q "$message" "$console"; then fail "the program printed \"$message\""; fi
done
grep -q '^started$' "$run/result.txt" || fail "the driver could not start the program"
[[ $photos -eq 3 ]] || fail "the run did not reach its still picture, the window and back; driver said: $(cat "$run/result.txt")"
window=$(grep '^window ' "$run/result.txt") || fail "no \"Vortane\" window appeared: $(cat "$run/result.txt")"
# DirectDraw's exclusive mode may already have resized the window and added
# to its style by the time the driver finds it: only what stays is checked.
read -r _ style left top right bottom _ class_style <<<"$window"
# The popup at 0,0 full screen (in a window it may be restyled already).
(( 0x$style & 0x80000000 )) || [[ $mode == window ]] || fail "the window is not a popup window (style $style)"
[[ "$left $top" == "0 0" ]] || [[ $mode == window ]] || fail "the window is not at 0,0: $window"
[[ $class_style == 3 ]] || fail "the class style is not CS_HREDRAW|CS_VREDRAW: $window"
grep -q '^exit 1$' "$run/result.txt" || fail "closing the window did not end the program with exit code 1: $(cat "$run/result.txt")"
step "window $style at $left,$top-$right,$bottom; ended with exit code 1 after WM_CLOSE"

# dump.bin and keys.bin.
size() { stat -c %s "$1"; }
byte() { od -An -tx1 -j "$2" -N1 "$1" | tr -d ' '; }
[[ -f $run/dump.bin && $(size "$run/dump.bin") -eq $DUMP_FILE_SIZE ]] || fail "dump.bin is not $DUMP_FILE_SIZE bytes"
[[ -f $run/keys.bin ]] || fail "keys.bin missing"
keys_size=$(size "$run/keys.bin")
(( keys_size > 0 && keys_size % 2 == 0 )) || fail "keys.bin has $keys_size bytes"
[[ $(byte "$run/keys.bin" 0)$(byte "$run/keys.bin" 1) == aaaa ]] || fail "the first keys.bin record is not aa aa"
player_last=$(byte "$run/keys.bin" $((keys_size - 2)))
player_dump=$(byte "$run/dump.bin" $PLAYER_INPUTS_ADDRESS)
[[ $player_last == "$player_dump" ]] || fail "last keys.bin record $player_last differs from the player input byte $player_dump in dump.bin"
runs=$(timeout 10 "$checker" player "$run/keys.bin")
if [[ $mode == 320 ]]; then
  # Posted: Left, Left up, Alt up (bit 5 clear), Alt down (set), Left down, Left up, Alt up.
  # From the X server: Alt down and up twice (the first down finds bit 5 clear
  # already), Left, Space. Posted again: Left, held at close.
  expected="aa ab aa 8a aa ab aa 8a aa 8a aa 8a 8b 8a 9a 8a 8b"
  [[ $runs == "$expected" ]] || fail "player inputs over the run: $runs, expected $expected"
  [[ $player_dump == 8b ]] || fail "the player input byte in dump.bin is $player_dump, expected 8b (Left held)"
else
  [[ $runs == "aa ab aa" ]] || fail "player inputs over the run: $runs, expected aa ab aa"
  [[ $player_dump == aa ]] || fail "the player input byte in dump.bin is $player_dump with no key held"
  grep -q '^foreground driver$' "$run/result.txt" || fail "the driver could not take the foreground: $(cat "$run/result.txt")"
  read -r _ held last <<<"$(timeout 10 "$checker" player-counts "$run/keys.bin")"
  (( ${last#aa:} < ${held#ab:} )) || fail "the emulation ran on while the window was inactive ($held, then $last records)"
  step "inactive window: $held records over 1 s with Left held, then $last over the last 2.3 s"
fi
step "keys.bin: $((keys_size / 2)) records, player inputs $runs; dump.bin player inputs $player_dump"

# Bitmaps: the format of the headless program's, and pictures it shows too.
frames=6000
printf '2 down F12\n' >"$reference/keys.txt"
(cd "$reference" && timeout 120 "$headless" --frames "$frames" --keys keys.txt --digests digests.txt "${options[@]}" \
  >console.txt 2>&1) || [[ $? -eq 1 ]] || fail "quillomark-headless failed"
[[ -f $reference/vortane.bmp ]] || fail "quillomark-headless wrote no vortane.bmp"
check_bitmap() {
  [[ -f $1 && $(size "$1") -eq $BITMAP_FILE_SIZE ]] || fail "$1 is not a $BITMAP_FILE_SIZE-byte bitmap"
  cmp -s -n "$BITMAP_PIXEL_OFFSET" "$1" "$reference/vortane.bmp" || fail "$1: header or colour table differs from the headless program's"
}
check_bitmap "$run/vortane.bmp"
snapshot=$(timeout 10 "$checker" digest "$run/vortane.bmp")
pass=$(awk -v d="$snapshot" '$2 == d { print $1; exit }' "$reference/digests.txt")
[[ -n $pass ]] || fail "the F12 picture (digest $snapshot) is not among the first $frames headless pictures" \
  "(are $exe and $headless built from the same sources?)"
step "vortane.bmp: the picture of headless pass $pass (digest $snapshot)"

shots=$(find "$run/bmps" -name '*.bmp' | wc -l)
[[ $shots -eq 101 && -f $run/bmps/000.bmp && -f $run/bmps/100.bmp ]] || fail "F11 wrote $shots files, expected bmps/000.bmp to 100.bmp"
still=$(timeout 10 "$checker" digest "$run/bmps/000.bmp")
for f in "$run"/bmps/*.bmp; do
  check_bitmap "$f"
  [[ $(timeout 10 "$checker" digest "$f") == "$still" ]] || fail "$f differs from bmps/000.bmp although the inspector held the emulation"
done
step "bmps/: 101 files of the held picture"

# The screen shows the held picture: at x 32 of the 320x240 mode, or the 256x240 picture stretched
# over the whole 640x480 mode; in a window (an overlapped one) at a whole-number scale in its client
# area, which F9 leaves as it is where the full screen is refused. The top rows carry the inspector's
# text and are left out.
layouts="screen window screen" seen= i=0
[[ $mode == window ]] && layouts="window window window"
mapfile -t clients < <(grep '^client ' "$run/result.txt")
for mark in still windowed back; do
  read -r _ style left top right bottom <<<"${clients[i]:-client 0}"
  [[ $mode != window || ${clients[i]:-} == "${clients[0]}" ]] || fail "F9 moved the window: ${clients[*]}"
  i=$((i + 1)) size=$((right - left))x$((bottom - top)) layout=neither
  (( (0x$style & 0xCF0000) == 0xCF0000 )) && layout=window
  (( 0x$style & 0x80000000 )) && layout=screen size=${width}x$height left=0 top=0
  seen+="$layout "
  [[ -f $work/$mark.png ]] || continue
  convert "$work/$mark.png" -crop "$size+$left+$top" +repage -depth 8 "rgb:$work/$mark.rgb"
  differing=$(timeout 10 "$checker" "$layout" "$work/$mark.rgb" "${size%x*}" "${size#*x}" "$run/bmps/100.bmp")
  [[ $differing -eq 0 ]] || fail "the $mark $layout differs from the picture in $differing pixels; see $work/$mark.png"
  step "$mark: the $layout ($size+$left+$top, style $style) shows the picture"
done
[[ ${seen% } == "$layouts" ]] || fail "F9 gave $seen, not $layouts: ${clients[*]}"

# fresh_run NAME [KIND]: a new run folder $work/NAME with the first run's ROM set, or the test program KIND's.
fresh_run() {
  local dir=$work/$1 f
  rm -rf "$dir"
  mkdir -p "$dir"
  if [[ -n ${2:-} ]]; then timeout 10 "$rom_tool" "$2" "$dir"
  else for f in "${roms[@]}"; do cp "$reference/$f" "$dir/"; done; fi
  echo "$dir"
}
# The Unix process of the quillomark.exe started in this prefix (Wine runs each Windows process as one).
program_pid() {
  local p found=()
  for p in /proc/[0-9]*; do
    [[ $(tr '\0' '\n' <"$p/cmdline" 2>/dev/null | head -n1) == "$exe"* ]] || continue
    tr '\0' '\n' <"$p/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$prefix" && found+=("${p#/proc/}")
  done
  [[ ${#found[@]} -eq 1 ]] && echo "${found[0]}"
}

# Pacing: Left held for ten seconds, a second after the first pass (Wine's start-up behind us);
# the records with Left held are the passes of those ten seconds. Then Ctrl+C: Wine turns SIGINT
# into a console event, and the handler's orderly end keeps every record (keys.bin's buffer holds
# more than this whole run, so a lost end leaves it empty).
pace=$(fresh_run pace)
printf '%s\n' "window 30000" "file keys.bin 20000" "sleep 1000" "down $VK_LEFT" clock "sleep 10000" "up $VK_LEFT" clock \
  "sleep 300" "mark paced" "exit 20000" >"$pace/script.txt"
start_program "$pace"
await_mark paced "$pace" || fail "the pacing run did not reach its end: $(cat "$pace/result.txt" 2>/dev/null)"
pid=$(program_pid) || fail "no single Unix process runs $exe"
kill -INT "$pid"
wait "$wine_pid" || true
grep -q '^exit 1$' "$pace/result.txt" || fail "Ctrl+C did not end the program with exit code 1: $(cat "$pace/result.txt")"
[[ $(size "$pace/dump.bin") -eq $DUMP_FILE_SIZE ]] || fail "Ctrl+C left no whole dump.bin"
read -r before held after <<<"$(timeout 10 "$checker" player-counts "$pace/keys.bin")"
[[ $before == aa:* && $held == ab:* && $after == aa:* ]] || fail "keys.bin after Ctrl+C: $before $held $after"
read -r down up <<<"$(awk '/^clock / { printf "%s ", $2 }' "$pace/result.txt")"
rate=$(( ${held#ab:} * 10000 / (up - down) )) # passes a second, in tenths
(( rate >= 570 && rate <= 630 )) || fail "$((rate / 10)).$((rate % 10)) passes a second, not 57 to 63"
step "pace: ${held#ab:} passes in $((up - down)) ms, $((rate / 10)).$((rate % 10)) a second;" \
  "Ctrl+C ended it with exit code 1 and $(( $(size "$pace/keys.bin") / 2 )) records"

# A program that never reaches its idle loop: the window still answers. Left is held back
# (dispatched mid-frame it would change the input byte), F1 restarts the program, and a close
# (Alt+F4 in 320x240, WM_CLOSE in 640x480) ends it in order within two seconds: the restarted
# program hangs again, and a second after F1 the new hang is reported and the close taken.
hang=$(fresh_run hang hang)
VK_F1=0x70 VK_F4=0x73
if [[ $mode == 320 ]]; then closing="sysdown $VK_F4"; else closing=close; fi
printf '%s\n' "window 30000" "sleep 2000" "down $VK_LEFT" "down $VK_F1" "sleep 300" "$closing" "exit 2000" \
  >"$hang/script.txt"
start_program "$hang"
wait "$wine_pid" || true
grep -q '^exit 1$' "$hang/result.txt" || fail "the hung program did not end with exit code 1 within 2 s: $(cat "$hang/result.txt")"
[[ $(grep -c 'No frame for 1 s: the program at PC 00000410 is not reaching its idle loop' "$hang/console.txt") -eq 2 ]] ||
  fail "the hang was not reported once before F1 and once after: $(tail -3 "$hang/console.txt")"
[[ $(size "$hang/dump.bin") -eq $DUMP_FILE_SIZE ]] || fail "the hung program's end left no whole dump.bin"
hang_pc=$(od -An -tx4 -j $((0x200058)) -N4 "$hang/dump.bin" | tr -d ' ')
starts=$(od -An -tx1 -j $((0x80100)) -N4 "$hang/dump.bin" | tr -d ' ')
[[ $hang_pc == 00000410 ]] || fail "dump.bin's PC is $hang_pc, not in the loop at 410"
[[ $starts == aaaaaaac ]] || fail "F1 did not restart the program (count of starts $starts)"
[[ $(byte "$hang/dump.bin" $PLAYER_INPUTS_ADDRESS) == aa ]] || fail "Left reached the window procedure during the hang"
step "hang: reported before and after F1, which restarted it, ${closing%% *} ended it, Left held back; dump.bin PC $hang_pc"

# The session ends (logoff): asked first, the program's loop ends the run; told unasked, the run ends
# inside the answer, before the system may end the process. Either way in order, with exit code 1.
for messages in "query end" end; do
  [[ $mode == window ]] || break
  session=$(fresh_run "session-${messages// /-}")
  { printf '%s\n' "window 30000" "file keys.bin 20000" "sleep 1000"; for m in $messages; do echo "session $m"; done
    echo "exit 10000"; } >"$session/script.txt"
  start_program "$session"
  wait "$wine_pid" || true
  grep -q '^exit 1$' "$session/result.txt" && [[ $(size "$session/dump.bin") -eq $DUMP_FILE_SIZE &&
    $(size "$session/keys.bin") -gt 20 ]] || fail "session $messages: no orderly end: $(cat "$session/result.txt")"
  step "session $messages: exit code 1, dump.bin, $(( $(size "$session/keys.bin") / 2 )) records in keys.bin"
done
echo "PASS: quillomark.exe ${options[*]} under Wine"
