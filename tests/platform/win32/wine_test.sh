#!/usr/bin/env bash
# The Windows program under Wine, on a virtual X display:
#   wine_test.sh MODE WIN32_BUILD HEADLESS CHECKER ROM_TOOL ROM_DIR WORK_DIR WINE_PREFIX
# MODE is 320 (320x240, page flipping) or 640 (-640: 640x480, stretching blit).
# It runs quillomark.exe inside a 640x480 Wine desktop through the window
# driver, which posts key messages and finally WM_CLOSE, and checks what the
# program wrote against the headless program on the same ROM set; F9 takes it
# to a window and back. Two more runs follow: one measures the pace and is ended
# by a console event (Ctrl+C), one hangs and is rescued by F1 and a close.
# QUILLOMARK_BOARD_CONSTANTS names the board_constants.sh of the native build
# (dump size, ports, bitmap size, ROM files).
set -euo pipefail
mode=$1
shift
source "$(dirname "$0")/wine_common.sh"
case $mode in
  320) options=() width=320 height=240 ;;
  640) options=(-640) width=640 height=480 ;;
  *) fail "unknown mode $mode" ;;
esac
launcher=(explorer /desktop=quillomark,640x480)

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
  echo "mark still"
  echo "file screen.done 60000"
  # F9: a window showing the held picture, then the full screen again.
  echo "down $VK_F9"; echo "sleep 700"; echo "client"; echo "mark windowed"; echo "file windowed.done 60000"
  echo "down $VK_F9"; echo "sleep 700"; echo "client"; echo "mark back"; echo "file back.done 60000"
  if [[ $mode == 640 ]]; then
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

step "quillomark.exe ${options[*]} in a ${width}x${height} 8-bit mode"
start_program "$run" "${options[@]}"
if [[ $mode == 320 ]] && await_mark keyboard; then
  # The pointer over the desktop gives it the keyboard.
  x_keys() { for key in "$@"; do read -ra words <<<"$key"; timeout 10 xdotool "${words[@]}"; sleep 0.3; done; }
  timeout 10 xdotool mousemove 100 100
  x_keys "keydown alt" "keyup alt" "keydown alt" "keyup alt" "keydown Left" "keyup Left" "keydown space" "keyup space"
  touch "$run/keyboard.done"
fi
# The held picture full screen, in the window (its client area as the driver found it), and full
# screen again; checked against the frame shots once the run is over.
photos=()
for mark in still windowed back; do
  if ! await_mark $mark; then
    kill "$wine_pid" 2>/dev/null || true
    break
  fi
  case $mark in
    windowed) read -r _ _ left top right bottom <<<"$(grep '^client ' "$run/result.txt" | head -1)"
      photos+=("$mark $((right - left))x$((bottom - top))+$left+$top window") ;;
    *) photos+=("$mark ${width}x${height}+0+0 screen") ;;
  esac
  timeout 30 import -window root "$work/$mark.png" || true
  touch "$run/$mark.done"
  [[ $mark == still ]] && touch "$run/screen.done"
done
wait "$wine_pid" || true

console=$run/console.txt
[[ -f $console ]] || fail "the program's console output is missing; driver said: $(cat "$run/result.txt" 2>/dev/null)"
if grep -q 'Failed to set screen mode' "$console"; then
  fail "DirectDraw refused the ${width}x${height} 8-bit display mode under Wine"
fi
for message in 'Direct draw failed' 'Create palette failed' 'Set palette failed' 'Lock failed' 'Flip failed'; do
  if grep -q "$message" "$console"; then fail "the program printed \"$message\""; fi
done
grep -q '^started$' "$run/result.txt" || fail "the driver could not start the program"
[[ ${#photos[@]} -eq 3 ]] || fail "the run did not reach its still picture, the window and back; driver said: $(cat "$run/result.txt")"
window=$(grep '^window ' "$run/result.txt") || fail "no \"Vortane\" window appeared: $(cat "$run/result.txt")"
# DirectDraw's exclusive mode may already have resized the window and added
# to its style by the time the driver finds it: only what stays is checked.
read -r _ style left top right bottom _ class_style <<<"$window"
(( 0x$style & 0x80000000 )) || fail "the window is not a popup window (style $style)"
[[ "$left $top" == "0 0" ]] || fail "the window is not at 0,0: $window"
[[ $class_style == 3 ]] || fail "the class style is not CS_HREDRAW|CS_VREDRAW: $window"
grep -q '^exit 1$' "$run/result.txt" || fail "closing the window did not end the program with exit code 1: $(cat "$run/result.txt")"
step "window $style at $left,$top-$right,$bottom; ended with exit code 1 after WM_CLOSE"

# dump.bin and keys.bin.
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
# over the whole 640x480 mode; in the window at a whole-number scale. The top rows carry the
# inspector's text and are left out.
for photo in "${photos[@]}"; do
  read -r name rect layout <<<"$photo"
  differing=$(shot_differences "$name" "$rect" "$run/bmps/100.bmp" "$layout") || fail "no screenshot $name"
  [[ $differing -eq 0 ]] || fail "the $name screen differs from the picture in $differing pixels; see $work/$name.png"
  step "the $name screen ($layout $rect) shows the picture ($differing pixels differ)"
done
read -r windowed_style back_style <<<"$(awk '/^client / { printf "%s ", $2 }' "$run/result.txt")"
(( (0x$windowed_style & 0x80CF0000) == 0x00CF0000 )) || fail "F9 gave no overlapped window (style $windowed_style)"
(( 0x$back_style & 0x80000000 )) || fail "F9 again gave no popup for the full screen (style $back_style)"

# Pacing: Left held for ten seconds, a second after the first pass (Wine's start-up behind us);
# the records with Left held are the passes of those ten seconds. Then Ctrl+C: Wine turns SIGINT
# into a console event, and the handler's orderly end keeps every record (keys.bin's buffer holds
# more than this whole run, so a lost end leaves it empty).
pace=$(fresh_run pace)
printf '%s\n' "window 30000" "file keys.bin 20000" "sleep 1000" "down $VK_LEFT" clock "sleep 10000" "up $VK_LEFT" clock \
  "sleep 300" "mark paced" "exit 20000" >"$pace/script.txt"
start_program "$pace" "${options[@]}"
await_mark paced "$pace" || fail "the pacing run did not reach its end: $(cat "$pace/result.txt" 2>/dev/null)"
pid=$(program_pid) || fail "no single Unix process runs $exe"
kill -INT "$pid"
wait "$wine_pid" || true
grep -q '^exit 1$' "$pace/result.txt" || fail "Ctrl+C did not end the program with exit code 1: $(cat "$pace/result.txt")"
[[ $(size "$pace/dump.bin") -eq $DUMP_FILE_SIZE ]] || fail "Ctrl+C left no whole dump.bin"
read -r held ms rate <<<"$(pace_of "$pace")" # rate: passes a second, in tenths
(( rate >= 570 && rate <= 630 )) || fail "$((rate / 10)).$((rate % 10)) passes a second, not 57 to 63"
step "pace: $held passes in $ms ms, $((rate / 10)).$((rate % 10)) a second;" \
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
start_program "$hang" "${options[@]}"
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
echo "PASS: quillomark.exe ${options[*]} under Wine"
