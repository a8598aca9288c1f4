#!/usr/bin/env bash
# The Windows program under Wine without a virtual desktop, as a plain `wine quillomark.exe` runs on
# an X display: the 8-bit full-screen mode is refused, the program says so and runs in a window.
#   wine_window_test.sh WIN32_BUILD HEADLESS CHECKER ROM_TOOL ROM_DIR WORK_DIR WINE_PREFIX
# Checks the two lines, the window (overlapped, the held picture at a whole-number scale in its
# client area), the pace (60 passes a second), F9 refused with the window kept, the orderly end on a
# close, and the end of the session (WM_QUERYENDSESSION, WM_ENDSESSION) ending runs in order.
# QUILLOMARK_BOARD_CONSTANTS names the board_constants.sh of the native build.
set -euo pipefail
source "$(dirname "$0")/wine_common.sh"

# Left held for ten seconds measures the pace; the inspector and F11 then hold a picture to
# photograph; F9 asks for the full screen, which is refused; a close ends the run.
VK_LEFT=0x25 VK_I=0x49 VK_F9=0x78 VK_F11=0x7A
printf '%s\n' "window 30000" "file keys.bin 20000" "sleep 1000" "down $VK_LEFT" clock "sleep 10000" "up $VK_LEFT" \
  clock "sleep 300" "down $VK_I" "sleep 300" "down $VK_F11" "file bmps/100.bmp 20000" "sleep 1500" client \
  "mark still" "file still.done 60000" "down $VK_F9" "sleep 700" client close "exit 20000" >"$run/script.txt"
step "quillomark.exe with no virtual desktop"
start_program "$run"
await_mark still || fail "the run did not reach its still picture: $(cat "$run/result.txt" 2>/dev/null)"
timeout 30 import -window root "$work/still.png" || true
touch "$run/still.done"
wait "$wine_pid" || true

tr -d '\r' <"$run/console.txt" >"$work/console.txt"
grep -A1 -x 'Failed to set screen mode' "$work/console.txt" | tail -1 | grep -qx 'Running in a window instead' ||
  fail "no \"Failed to set screen mode\" then \"Running in a window instead\": $(tail -3 "$work/console.txt")"
grep -q '^exit 1$' "$run/result.txt" || fail "a close did not end the program with exit code 1: $(cat "$run/result.txt")"
[[ $(size "$run/dump.bin") -eq $DUMP_FILE_SIZE ]] || fail "the close left no whole dump.bin"
mapfile -t clients < <(grep '^client ' "$run/result.txt")
[[ ${#clients[@]} -eq 2 ]] || fail "the driver found no window twice: $(cat "$run/result.txt")"
read -r _ style left top right bottom <<<"${clients[0]}"
(( (0x$style & 0x80CF0000) == 0x00CF0000 )) || fail "not an overlapped window: style $style"
[[ ${clients[1]} == "${clients[0]}" ]] || fail "F9 changed the window: ${clients[0]}, then ${clients[1]}"
rect=$((right - left))x$((bottom - top))+$left+$top
differing=$(shot_differences still "$rect" "$run/bmps/100.bmp" window) || fail "no screenshot"
[[ $differing -eq 0 ]] || fail "the window differs from the picture in $differing pixels; see $work/still.png"
read -r held ms rate <<<"$(pace_of "$run")"
(( rate >= 570 && rate <= 630 )) || fail "$((rate / 10)).$((rate % 10)) passes a second, not 57 to 63"
step "window $style, client area $rect shows the picture; $held passes in $ms ms," \
  "$((rate / 10)).$((rate % 10)) a second; F9 kept the window; a close ended it with exit code 1"

# The session ends: asked first, the program's loop ends the run; told without being asked, the
# run ends inside the answer. Either way keys.bin and dump.bin are written and the exit code is 1.
for messages in "query end" "end"; do
  session=$(fresh_run "session-${messages// /-}")
  {
    printf '%s\n' "window 30000" "file keys.bin 20000" "sleep 1000"
    for message in $messages; do echo "session $message"; done
    echo "exit 10000"
  } >"$session/script.txt"
  start_program "$session"
  wait "$wine_pid" || true
  grep -q '^exit 1$' "$session/result.txt" || fail "session $messages: no exit code 1: $(cat "$session/result.txt")"
  [[ $messages == end ]] || grep -q '^session query 1$' "$session/result.txt" ||
    fail "the end of the session was refused: $(cat "$session/result.txt")"
  [[ $(size "$session/dump.bin") -eq $DUMP_FILE_SIZE ]] || fail "session $messages: no whole dump.bin"
  records=$(( $(size "$session/keys.bin") / 2 ))
  (( records > 10 )) || fail "session $messages: keys.bin holds $records records"
  step "session $messages: exit code 1, dump.bin, $records records in keys.bin"
done
echo "PASS: quillomark.exe in a window under Wine"
