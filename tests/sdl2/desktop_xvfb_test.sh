#!/usr/bin/env bash
# The desktop program as a person runs it: on a virtual X display with no window
# manager, on a ROM set, fed keys through the X test extension, closed with
# Alt+F4. Checks the picture on the screen, keys.bin, dump.bin and the exit code.
# Usage: desktop_xvfb_test.sh PROGRAM ROM_SET_DIRECTORY
set -uo pipefail

program=$(realpath "$1")
roms=$2
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

for file in 18b_d02.bin 18c_d05.bin 17b_l.bin 17c_l.bin 17b_u.bin 17c_u.bin pal.bmp; do
  [[ -f $roms/$file ]] || fail "the ROM set in $roms has no $file"
done
for tool in Xvfb xdotool import identify; do
  command -v "$tool" >/dev/null || fail "$tool is not installed"
done

work=$(mktemp -d)
xvfb_pid=
program_pid=
cleanup() {
  [[ -n $program_pid ]] && kill "$program_pid" 2>/dev/null
  [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
cp "$roms"/* "$work"/

# Xvfb picks a free display number itself and writes it once it accepts clients.
exec {display_fd}>"$work/display"
Xvfb -displayfd "$display_fd" -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
exec {display_fd}>&-
display=
for _ in $(seq 100); do
  display=$(tr -dc '0-9' <"$work/display")
  [[ -n $display ]] && break
  kill -0 "$xvfb_pid" 2>/dev/null || break
  sleep 0.1
done
[[ -n $display ]] || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=:$display
export SDL_VIDEODRIVER=x11
unset QUILLOMARK_WINDOWED

(cd "$work" && exec "$program" >console.txt 2>&1) &
program_pid=$!
window=
for _ in $(seq 300); do
  window=$(xdotool search --name 'Gfx Output' 2>/dev/null | head -1)
  [[ -n $window ]] && break
  kill -0 "$program_pid" 2>/dev/null || break
  sleep 0.1
done
[[ -n $window ]] || fail "no window appeared; console: $(tail -5 "$work/console.txt")"
sleep 1

# Held keys, each long enough to span several frames: Left and Right (PlayerInputs bits 0
# and 1, held then released) and the latching switch key 4 (SwitchInputs bit 4).
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

xdotool key alt+F4
status=
for _ in $(seq 100); do
  if ! kill -0 "$program_pid" 2>/dev/null; then
    wait "$program_pid"
    status=$?
    break
  fi
  sleep 0.1
done
[[ -n $status ]] || fail "Alt+F4 did not end the program"
program_pid=
[[ $status -eq 1 ]] || fail "exit code $status, not 1; console: $(tail -5 "$work/console.txt")"

dump_size=$(stat -c %s "$work/dump.bin" 2>/dev/null || echo 0)
[[ $dump_size -eq 2097344 ]] || fail "dump.bin has $dump_size bytes, not 2097344"

# keys.bin: one PlayerInputs, SwitchInputs byte pair per frame.
mapfile -t records < <(od -An -v -tu1 -w2 "$work/keys.bin")
((${#records[@]} >= 10)) || fail "keys.bin holds ${#records[@]} frames"
left_seen=0
for record in "${records[@]}"; do
  read -r player _ <<<"$record"
  ((player & 0x01)) && left_seen=1
done
read -r first_player first_switch <<<"${records[0]}"
read -r last_player last_switch <<<"${records[-1]}"
((left_seen)) || fail "Left never reached PlayerInputs"
((!(last_player & 0x03))) || fail "Left or Right still held at the end: PlayerInputs $last_player"
(((first_switch ^ last_switch) & 0x10)) || fail "key 4 did not switch SwitchInputs bit 4 ($first_switch, $last_switch)"

echo "desktop program under Xvfb: ${#records[@]} frames, $colours colours on screen, exit code 1, dump and key log written"
