#!/usr/bin/env bash
# The desktop program as a person runs it: on a virtual X display with no window
# manager, on a ROM set, fed keys through the X test extension, closed with
# Alt+F4. Checks the picture on the screen, keys.bin, dump.bin and the exit code;
# that the screen shows exactly the composed picture (held with the sprite
# inspector, against the F12 snapshot); that the pause holds it with its message on the screen only,
# and F2 and F3 save and load a state; that quillomark-headless replaying
# the desktop run's keys.bin reaches the same machine state; and that --window
# (or QUILLOMARK_WINDOWED=1) gives a window showing the picture, which F9
# switches to the full screen and back; that the player's settings file, written with the
# defaults on the first run, moves a key to another action and reports a line it cannot use once.
# Usage: desktop_xvfb_test.sh PROGRAM ROM_SET_DIRECTORY HEADLESS_PROGRAM
# QUILLOMARK_BOARD_CONSTANTS names the board_constants.sh of the build (dump size, ports, ROM files).
set -uo pipefail

program=$(realpath "$1")
roms=$2
headless=$(realpath "$3")
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

source "$(dirname "$0")/../../support/xvfb.sh"
# shellcheck source=/dev/null
source "${QUILLOMARK_BOARD_CONSTANTS:?must name board_constants.sh of the build}" || fail "no board constants"
for file in "${ROM_SET_FILES[@]}"; do
  [[ -f $roms/$file ]] || fail "the ROM set in $roms has no $file"
done
for tool in Xvfb xdotool import identify convert compare; do
  command -v "$tool" >/dev/null || fail "$tool is not installed"
done

work=$(mktemp -d)
xvfb_pid=
program_pid=
cleanup() {
  [[ -n $program_pid ]] && kill "$program_pid" 2>/dev/null
  [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null
  wait 2>/dev/null
  [[ -n ${KEEP_WORK:-} ]] || rm -rf "$work"
}
trap cleanup EXIT
cp "$roms"/* "$work"/

start_xvfb "$work"
export SDL_VIDEODRIVER=x11 XDG_CONFIG_HOME=$work/config # settings of the test's own
unset QUILLOMARK_WINDOWED

# A start that finds no display is tried once more, saying why on the test's output: the X server of
# a heavily loaded machine has been seen to refuse one start. A second refusal fails the test.
start_program() {
  local attempt
  for attempt in 1 2; do
    (cd "$work" && exec "$program" "$@" >console.txt 2>&1) &
    program_pid=$!
    await_window "$program_pid" 300
    [[ -n $window ]] && break
    local why="quillomark $*: no window appeared; console: $(cat "$work/console.txt"); X server: $(tail -5 "$work/xvfb.log")"
    [[ $attempt -eq 1 ]] && grep -q 'no picture can be shown' "$work/console.txt" || fail "$why"
    echo "started again: $why" >&2
    wait "$program_pid"
  done
  sleep 2.5 # the start-up message naming H goes after two seconds
}

close_program() {
  xdotool key alt+F4
  wait_exit "$program_pid" 100
  [[ -n $status ]] || fail "Alt+F4 did not end the program"
  program_pid=
  [[ $status -eq 1 ]] || fail "exit code $status, not 1; console: $(tail -5 "$work/console.txt")"
}

settings=$XDG_CONFIG_HOME/quillomark/settings.toml
# First run: the settings file is written with the defaults. The sprite inspector holds the emulation, so the screen can be compared
# with the composed picture without racing it. F12 writes that picture to vortane.bmp.
start_program
grep -q '^fire = \["Space", "Enter", "Shift"\]' "$settings" || fail "no default settings written to $settings"
xdotool key i
sleep 0.5
import -window root "$work/held.png" || fail "no screenshot"
xdotool key F12
sleep 0.5
[[ -f $work/vortane.bmp ]] || fail "F12 wrote no vortane.bmp"
# The 320x240 back buffer is shown 3 times enlarged, centred on the 1024x768 screen
# (at 32,24); the 256x240 picture sits at x 32 of it. Scale the screen back down and
# compare it with the bitmap's picture, outside the top-left corner where the
# inspector's text is drawn.
convert "$work/held.png" -crop 768x720+128+24 +repage -sample 256x240 \
  -fill black -draw 'rectangle 0,0 63,15' "$work/held-picture.png" || fail "cannot scale the screenshot"
convert "$work/vortane.bmp" -crop 256x240+32+0 +repage \
  -fill black -draw 'rectangle 0,0 63,15' "$work/snapshot-picture.png" || fail "cannot read vortane.bmp"
differing=$(compare -metric AE "$work/held-picture.png" "$work/snapshot-picture.png" null: 2>&1)
[[ $differing == 0 ]] || fail "the screen differs from vortane.bmp in $differing pixels"
xdotool key i
sleep 0.3

# The pause holds the picture, with "Paused" on a black row over its bottom on the screen only:
# the snapshot taken while paused is the held picture without the text.
rm -f "$work/vortane.bmp"
sleep 2 # the first snapshot's message runs out
xdotool key p
sleep 0.5
import -window root "$work/paused.png" || fail "no screenshot"
sleep 0.5
import -window root "$work/paused-later.png"
[[ $(compare -metric AE "$work/paused.png" "$work/paused-later.png" null: 2>&1) == 0 ]] ||
  fail "the picture moved while paused"
xdotool key F12
sleep 0.3
convert "$work/paused.png" -crop 768x720+128+24 +repage -sample 256x240 "$work/paused-picture.png" &&
  convert "$work/vortane.bmp" -crop 256x240+32+0 +repage "$work/paused-snapshot.png" ||
  fail "cannot read the paused screen or snapshot"
text_box='rectangle 0,232 255,239' # the message line's black row, 8 pixels high
with_text=$(compare -metric AE "$work/paused-picture.png" "$work/paused-snapshot.png" null: 2>&1)
for image in paused-picture paused-snapshot; do
  convert "$work/$image.png" -fill black -draw "$text_box" "$work/$image-masked.png"
done
without_text=$(compare -metric AE "$work/paused-picture-masked.png" "$work/paused-snapshot-masked.png" null: 2>&1)
[[ $without_text == 0 && $with_text != 0 ]] ||
  fail "paused screen against its snapshot: $with_text pixels differ, $without_text outside the text"
# A save and a load while paused, then the game goes on.
xdotool key F2
sleep 0.3
state_size=$(stat -c %s "$work/state.qms" 2>/dev/null || echo 0)
((state_size > 2097152)) || fail "F2 wrote a state of $state_size bytes"
xdotool key F3
xdotool key p
sleep 0.5
import -window root "$work/resumed.png"
[[ $(compare -metric AE "$work/paused.png" "$work/resumed.png" null: 2>&1) != 0 ]] || fail "no motion after the pause"
close_program
rm -f "$work/keys.bin" "$work/dump.bin" "$work/vortane.bmp" "$work/state.qms"

# Second run: keys through the X server.
start_program

# Held keys, each long enough to span several frames: Left and Right (player input bits 0
# and 1, held then released) and the latching switch key 4 (switch input bit 4).
hold() {
  xdotool keydown "$1"
  sleep 0.5
  xdotool keyup "$1"
  sleep 0.3
}
hold Left
hold Right
xdotool key 4
sleep 0.5

import -window root "$work/screen.png" || fail "no screenshot"
colours=$(identify -format '%k' "$work/screen.png")
((colours >= 16)) || fail "the screen shows $colours colours: no picture"
# Full screen: the lower right of the 1024x768 screen lies inside the scaled picture too.
import -window root -crop 200x100+700+600 "$work/corner.png" || fail "no screenshot"
corner_colours=$(identify -format '%k' "$work/corner.png")
((corner_colours >= 4)) || fail "the lower right of the screen shows $corner_colours colours: not full screen"

close_program

dump_size=$(stat -c %s "$work/dump.bin" 2>/dev/null || echo 0)
[[ $dump_size -eq $DUMP_FILE_SIZE ]] || fail "dump.bin has $dump_size bytes, not $DUMP_FILE_SIZE"

# keys.bin: one player input, switch input byte pair per frame.
mapfile -t records < <(od -An -v -tu1 -w2 "$work/keys.bin")
((${#records[@]} >= 10)) || fail "keys.bin holds ${#records[@]} frames"
left_seen=0
for record in "${records[@]}"; do
  read -r player _ <<<"$record"
  ((player & 0x01)) && left_seen=1
done
read -r first_player first_switch <<<"${records[0]}"
read -r last_player last_switch <<<"${records[-1]}"
((left_seen)) || fail "Left never reached the player input byte"
((!(last_player & 0x03))) || fail "Left or Right still held at the end: player inputs $last_player"
(((first_switch ^ last_switch) & 0x10)) || fail "key 4 did not switch switch input bit 4 ($first_switch, $last_switch)"

# The same passes replayed headless from this run's keys.bin must end in the same
# machine state: the keys reached the board, and both programs agree. Only the
# input bytes may differ, since Alt of the closing Alt+F4 is applied in the last pump.
mkdir "$work/replay"
cp "$roms"/* "$work/keys.bin" "$work/replay/"
(cd "$work/replay" && ulimit -f 200000 && timeout 60 "$headless" --frames "${#records[@]}" --replay keys.bin \
  >console.txt 2>&1)
replay_status=$?
[[ $replay_status -eq 1 ]] || fail "the headless replay ended with exit code $replay_status"
differences=$(cmp -l "$work/dump.bin" "$work/replay/dump.bin" | awk -v a=$((SWITCH_INPUTS_ADDRESS + 1)) -v b=$((PLAYER_INPUTS_ADDRESS + 1)) '$1 != a && $1 != b' | wc -l)
((differences == 0)) || fail "the headless replay's dump differs in $differences bytes beyond the input ports"
# And the keys changed the game: a run without them ends elsewhere.
mkdir "$work/idle"
cp "$roms"/* "$work/idle/"
(cd "$work/idle" && ulimit -f 200000 && timeout 60 "$headless" --frames "${#records[@]}" >console.txt 2>&1)
cmp -s "$work/idle/dump.bin" "$work/replay/dump.bin" && fail "the keys left no trace in the dump"

# Third run: a window showing the held picture at a whole-number scale; F9 to the full screen and
# back where the window was. Then the variable of earlier versions still asks for the window.
rm -f "$work/vortane.bmp"
geometry() { xdotool getwindowgeometry "$window" | awk -F'[ ,x]+' '/Position/ { p = $3 "+" $4 } /Geometry/ { print $3 "x" $4 "+" p }'; }
start_program --window
windowed=$(geometry) started=$(geometry)
xdotool key i
sleep 0.5
import -window root -crop "$windowed" +repage "$work/window.png" && xdotool key F12 && sleep 0.5 &&
  convert "$work/window.png" -sample 256x240 \
  -fill black -draw 'rectangle 0,0 63,15' "$work/window-picture.png" && convert "$work/vortane.bmp" \
  -crop 256x240+32+0 +repage -fill black -draw 'rectangle 0,0 63,15' "$work/window-snapshot.png" || fail "no pictures"
[[ ${windowed%%x*} -lt 1024 && $(compare -metric AE "$work/window-picture.png" "$work/window-snapshot.png" null: 2>&1) == 0 ]] ||
  fail "the $windowed window does not show the picture of vortane.bmp"
xdotool windowsize "$window" 700 500 && sleep 0.5 && windowed=$(geometry) # as a person resizes it
for expected in 1024x768+0+0 "$windowed"; do
  xdotool key F9
  sleep 0.5
  [[ $(geometry) == "$expected" ]] || fail "F9 gave $(geometry), not $expected"
done
close_program
QUILLOMARK_WINDOWED=1 start_program
[[ $(geometry) == "$started" ]] || fail "QUILLOMARK_WINDOWED=1 gave $(geometry), not $started"
close_program

# Fourth run: the player's settings move Left to A; a line naming no key is reported once, with its
# number, and fire keeps its keys. A held, then Left held: one stretch of passes with left down.
printf '[keys]\nleft = ["A"]\nfire = ["Nokey"]\n' >"$settings"
rm -f "$work/keys.bin"
start_program --window
hold a
hold Left
close_program
left_runs=$(od -An -v -tu1 -w2 "$work/keys.bin" | awk '{ left = $1 % 2; if (left && !was) runs++; was = left } END { print runs + 0 }')
[[ $left_runs -eq 1 ]] || fail "A then Left held gave $left_runs stretches of left, not 1"
reports=$(grep -c 'settings.toml: line 3: no key named Nokey' "$work/console.txt")
[[ $reports -eq 1 ]] || fail "the bad settings line was reported $reports times; console: $(tail -5 "$work/console.txt")"

echo "desktop program under Xvfb: ${#records[@]} frames, $colours colours on screen, exit code 1, dump and key log written"
echo "the held screen equals vortane.bmp; the headless replay of keys.bin reaches the same dump"
echo "settings: written with the defaults; A moved to left drives the board, Left no longer; a bad line reported once"
echo "--window: a $started window showing the picture; F9 to the full screen and back where it was; QUILLOMARK_WINDOWED=1 too"
