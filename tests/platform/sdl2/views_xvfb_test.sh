#!/usr/bin/env bash
# The views window under a virtual X display with a window manager (openbox): --views opens it beside
# the game's window and it shows something; its close closes only it while the game runs on; Alt+F4
# on the game ends the run with exit code 1, and the headless replay of that run's keys.bin reaches
# the same dump, so the views changed nothing the board sees. In the full screen --views is refused
# with a line on the console; the views action, bound in the settings, opens and closes it.
# Usage: views_xvfb_test.sh PROGRAM ROM_SET_DIRECTORY HEADLESS_PROGRAM
# QUILLOMARK_BOARD_CONSTANTS names the board_constants.sh of the build (dump size, ports).
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
for tool in Xvfb openbox xdotool import identify compare; do
  command -v "$tool" >/dev/null || fail "$tool is not installed"
done

work=$(mktemp -d)
xvfb_pid=
wm_pid=
program_pid=
cleanup() {
  [[ -n $program_pid ]] && kill "$program_pid" 2>/dev/null
  [[ -n $wm_pid ]] && kill "$wm_pid" 2>/dev/null
  [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null
  wait 2>/dev/null
  [[ -n ${KEEP_WORK:-} ]] || rm -rf "$work"
}
trap cleanup EXIT
mkdir "$work/run"
cp "$roms"/* "$work/run/"

start_xvfb "$work"
export SDL_VIDEODRIVER=x11 XDG_CONFIG_HOME=$work/config HOME=$work # settings and openbox's of the test's own
unset QUILLOMARK_WINDOWED
openbox --sm-disable >"$work/openbox.log" 2>&1 &
wm_pid=$!

# find_views TENTHS: sets views to the views window's id, waiting at most TENTHS tenths of a second.
find_views() {
  views=
  for _ in $(seq "$1"); do
    views=$(xdotool search --name 'Quillomark views' 2>/dev/null | head -1)
    [[ -n $views ]] && return
    sleep 0.1
  done
}

# views_gone TENTHS: true once no views window is left.
views_gone() {
  for _ in $(seq "$1"); do
    [[ -z $(xdotool search --name 'Quillomark views' 2>/dev/null) ]] && return 0
    sleep 0.1
  done
  return 1
}

start_program() {
  (cd "$work/run" && exec "$program" "$@" >console.txt 2>&1) &
  program_pid=$!
  await_window "$program_pid" 300
  [[ -n $window ]] || fail "quillomark $*: no window; console: $(cat "$work/run/console.txt")"
}

close_program() {
  xdotool windowactivate --sync "$window" key alt+F4
  wait_exit "$program_pid" 100
  [[ -n $status ]] || fail "Alt+F4 did not end the program"
  program_pid=
  [[ $status -eq 1 ]] || fail "exit code $status, not 1; console: $(tail -5 "$work/run/console.txt")"
}

# First run: --window --views.
start_program --window --views
find_views 300
[[ -n $views ]] || fail "--views opened no views window"
# The maps and the sprite table fill in as the game runs.
for _ in $(seq 30); do
  sleep 0.5
  import -window "$views" "$work/views.png" || fail "no screenshot of the views window"
  colours=$(identify -format '%k' "$work/views.png")
  ((colours >= 16)) && break
done
((colours >= 16)) || fail "the views window shows $colours colours"
# Its close (the window manager's Alt+F4, as its close button) closes only it.
xdotool windowactivate --sync "$views" key alt+F4
views_gone 100 || fail "the views window did not close"
kill -0 "$program_pid" 2>/dev/null || fail "closing the views ended the program"
import -window "$window" "$work/game1.png" && sleep 1 && import -window "$window" "$work/game2.png" ||
  fail "no screenshot of the game"
[[ $(compare -metric AE "$work/game1.png" "$work/game2.png" null: 2>&1) != 0 ]] || fail "the game stopped with the views closed"
close_program

dump_size=$(stat -c %s "$work/run/dump.bin" 2>/dev/null || echo 0)
[[ $dump_size -eq $DUMP_FILE_SIZE ]] || fail "dump.bin has $dump_size bytes, not $DUMP_FILE_SIZE"
frames=$(($(stat -c %s "$work/run/keys.bin") / 2))
# The same passes replayed headless from keys.bin reach the same dump, but for the input ports (Alt of
# the closing Alt+F4 lands in the last pump).
mkdir "$work/replay"
cp "$roms"/* "$work/run/keys.bin" "$work/replay/"
(cd "$work/replay" && ulimit -f 200000 && timeout 60 "$headless" --frames "$frames" --replay keys.bin >console.txt 2>&1)
differences=$(cmp -l "$work/run/dump.bin" "$work/replay/dump.bin" |
  awk -v a=$((SWITCH_INPUTS_ADDRESS + 1)) -v b=$((PLAYER_INPUTS_ADDRESS + 1)) '$1 != a && $1 != b' | wc -l)
((differences == 0)) || fail "the headless replay's dump differs in $differences bytes beyond the input ports"

# Second run: full screen, the views action on F10. --views is refused; after F9 to a window F10
# opens the views and F10 on the game's window closes them.
printf '[keys]\nviews = ["F10"]\n' >"$XDG_CONFIG_HOME/quillomark/settings.toml"
start_program --views
wait_for_text "$work/run/console.txt" '--views not taken' 100 || fail "--views in the full screen was not refused"
find_views 20
[[ -z $views ]] || fail "a views window beside the full screen"
xdotool windowactivate --sync "$window" key F9
sleep 1
xdotool windowactivate --sync "$window" key F10
find_views 300
[[ -n $views ]] || fail "the views action opened no views window"
xdotool windowactivate --sync "$window" key F10
views_gone 100 || fail "the views action did not close the views window"
close_program

echo "views: a window of $colours colours beside the game's; closed alone, the game ran on; $frames passes replayed to the same dump"
echo "full screen: --views refused; the views action opened and closed it in a window"
