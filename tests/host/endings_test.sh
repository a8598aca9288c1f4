#!/usr/bin/env bash
# Every way a run ends, tried on the real programs: signals, a lost display, a program that never
# reaches its idle loop, full and read-only disks, and the console's warning budget.
# Usage: endings_test.sh CASE HEADLESS ROM_TOOL [DESKTOP]
#   CASE: signals | hang | disk | warnings | desktop
set -uo pipefail
case_name=$1
headless=$(realpath "$2")
rom_tool=$(realpath "$3")
desktop=${4:+$(realpath "$4")}
fail() {
  echo "FAIL: $*" >&2
  exit 1
}
source "$(dirname "$0")/../support/xvfb.sh"
# QUILLOMARK_BOARD_CONSTANTS names the board_constants.sh of the build (the dump size).
source "${QUILLOMARK_BOARD_CONSTANTS:?must name board_constants.sh of the build}" || fail "no board constants"

readonly DUMP_SIZE=$DUMP_FILE_SIZE
readonly DUMP_PC_OFFSET=$((0x200058)) # the register block's PC, little-endian
readonly HANG_PC=00000410
readonly COUNTER_OFFSET=$((0x80100)) # the hang program's count of starts, big-endian

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill -9 "$pid" 2>/dev/null; done
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

dump_pc() { od -An -tx4 -j "$DUMP_PC_OFFSET" -N4 "$1/dump.bin" | tr -d ' '; }
dump_counter() { od -An -tx1 -j "$COUNTER_OFFSET" -N4 "$1/dump.bin" | tr -d ' '; }
size_of() { stat -c %s "$1" 2>/dev/null || echo 0; }

# check_orderly_end DIR STATUS WHAT [MIN_KEYS]: exit code 1, a whole dump.bin, keys.bin of whole
# records (at least MIN_KEYS bytes, default 2).
check_orderly_end() {
  [[ $2 == 1 ]] || fail "$3: exit code $2, expected 1; $(tail -3 "$1/out.txt" "$1/err.txt" 2>/dev/null)"
  [[ $(size_of "$1/dump.bin") == "$DUMP_SIZE" ]] || fail "$3: dump.bin is $(size_of "$1/dump.bin") bytes"
  local keys
  keys=$(size_of "$1/keys.bin")
  ((keys >= ${4:-2} && keys % 2 == 0)) || fail "$3: keys.bin is $keys bytes"
}

# start_headless DIR ARGS...: the headless program in DIR, in the background; sets pid.
start_headless() {
  local dir=$1
  shift
  (cd "$dir" && exec "$headless" "$@" >out.txt 2>err.txt) &
  pid=$!
  pids+=("$pid")
}

case $case_name in
signals)
  # Each signal ends the run in order: every presented pass logged and digested, whole lines.
  for signal in INT TERM HUP; do
    dir=$work/$signal
    mkdir "$dir" && "$rom_tool" idle "$dir"
    start_headless "$dir" --digests digests.txt
    sleep 1
    kill -"$signal" "$pid"
    wait_exit "$pid" 50
    [[ -n $status ]] || fail "SIG$signal did not end the run"
    check_orderly_end "$dir" "$status" "SIG$signal"
    lines=$(wc -l <"$dir/digests.txt")
    [[ $(($(size_of "$dir/keys.bin") / 2)) == "$lines" ]] || fail "SIG$signal: keys.bin and digests disagree"
    grep -qvE '^[0-9]+ [0-9a-f]{16}$' "$dir/digests.txt" && fail "SIG$signal: a torn digest line"
    [[ $(tail -c1 "$dir/digests.txt" | od -An -c | tr -d ' ') == '\n' ]] || fail "SIG$signal: last line torn"
  done
  ;;
hang)
  # A hang is reported once; a signal still ends it in order, between instructions of the loop.
  dir=$work/hang
  mkdir "$dir" && "$rom_tool" hang "$dir"
  start_headless "$dir"
  wait_for_text "$dir/out.txt" "No frame for 1 s" 40 || fail "no hang report: $(cat "$dir/out.txt")"
  sleep 1
  kill -TERM "$pid"
  # The request is seen within 50 ms; the end then writes dump.bin through to the disk, which a busy
  # machine can make take seconds.
  wait_exit "$pid" 50
  [[ -n $status ]] || fail "SIGTERM did not end the hung run within five seconds"
  check_orderly_end "$dir" "$status" "hang" 0
  [[ $(grep -c "No frame for 1 s: the program at PC $HANG_PC is not reaching its idle loop" "$dir/out.txt") == 1 ]] ||
    fail "hang report: $(cat "$dir/out.txt")"
  [[ $(dump_pc "$dir") == "$HANG_PC" ]] || fail "dump PC $(dump_pc "$dir")"
  # --exit-on-hang: the report, then the orderly end with its own exit code.
  rm -f "$dir/dump.bin" "$dir/keys.bin"
  (cd "$dir" && timeout 20 "$headless" --exit-on-hang >out.txt 2>err.txt)
  [[ $? == 5 ]] || fail "--exit-on-hang: exit code not 5: $(cat "$dir/err.txt")"
  [[ $(grep -c "No frame for 1 s" "$dir/out.txt") == 1 && -s $dir/dump.bin ]] || fail "--exit-on-hang: $(cat "$dir/out.txt")"
  ;;
disk)
  # A full disk and a read-only folder (with no user's folder to go to): each failed file named once, no
  # torn dump.bin, exit code 4.
  [[ $(id -u) == 0 ]] && command -v unshare >/dev/null || { echo "SKIP: needs root and unshare"; exit 77; }
  # A chroot or a container without the capability forbids mount namespaces or tmpfs mounts.
  unshare -m bash -c "mount -t tmpfs none '$work'" 2>/dev/null ||
    { echo "SKIP: this system forbids mount namespaces or tmpfs mounts"; exit 77; }
  roms=$work/roms
  mkdir "$roms" && "$rom_tool" idle "$roms"
  printf '2 down F12\n3 down F11\n' >"$work/keys.txt"
  for mode in full readonly; do
    dir=$work/$mode
    mkdir "$dir"
    if [[ $mode == full ]]; then
      prepare="mount -t tmpfs -o size=1M none '$dir' && cp '$roms'/* '$dir'/"
      reason="No space left on device"
    else
      prepare="mount -t tmpfs none '$dir' && cp '$roms'/* '$dir'/ && mount -o remount,ro '$dir'"
      reason="Read-only file system"
    fi
    # The user's data folder lies on the same file system: a read-only set's run finds no other place.
    unshare -m bash -c "$prepare && cd '$dir' && XDG_DATA_HOME='$dir/data' '$headless' --frames 300 --keys '$work/keys.txt' \
      >'$work/$mode.out' 2>'$work/$mode.err'; echo \$? >'$work/$mode.status'; ls -A >'$work/$mode.ls'"
    [[ $(cat "$work/$mode.status") == 4 ]] || fail "$mode: exit code $(cat "$work/$mode.status")"
    grep -qx "Cannot write dump.bin: $reason" "$work/$mode.err" || fail "$mode: $(cat "$work/$mode.err")"
    grep -qE '^dump\.bin' "$work/$mode.ls" && fail "$mode: a dump.bin was left: $(cat "$work/$mode.ls")"
    if [[ $mode == readonly ]]; then
      grep -qx "$dir is not writable, and no folder for the run's files could be made in the user's: $reason" \
        "$work/$mode.out" || fail "$mode: $(cat "$work/$mode.out")"
      for file in keys.bin vortane.bmp bmps; do
        [[ $(grep -c "^Cannot write $file: $reason" "$work/$mode.err") == 1 ]] ||
          fail "$mode: $file not reported once: $(cat "$work/$mode.err")"
      done
    fi
  done
  # A digests file that cannot take its lines.
  dir=$work/digests
  mkdir "$dir" && "$rom_tool" idle "$dir"
  (cd "$dir" && "$headless" --frames 5 --digests /dev/full >out.txt 2>err.txt)
  [[ $? == 4 ]] || fail "--digests /dev/full: exit code not 4"
  grep -qx "Cannot write /dev/full: No space left on device" "$dir/err.txt" || fail "/dev/full: $(cat "$dir/err.txt")"
  # A trace short enough to stay in its buffer until the end: the end's close finds the full disk.
  (cd "$dir" && "$headless" --frames 2 --trace /dev/full --trace-limit 3 >out.txt 2>err.txt)
  [[ $? == 4 ]] || fail "--trace /dev/full: exit code not 4"
  grep -qx "Cannot write /dev/full: No space left on device" "$dir/err.txt" || fail "trace: $(cat "$dir/err.txt")"
  ;;
warnings)
  # 150 warnings a frame: 100 printed, then one count line per frame.
  dir=$work/warnings
  mkdir "$dir" && "$rom_tool" warnings "$dir"
  (cd "$dir" && "$headless" --frames 3 >out.txt 2>err.txt)
  [[ $? == 1 ]] || fail "warnings: exit code"
  [[ $(grep -c '^Read: <Outside memory area> PC:50a Addr:300000$' "$dir/out.txt") == 300 ]] ||
    fail "warnings: $(grep -c Read "$dir/out.txt") lines printed"
  [[ $(grep -cx '50 more warnings in this frame' "$dir/out.txt") == 3 ]] || fail "warnings: count lines"
  # An ordinary run prints what it always printed: the banner, the two start-up lines, and the
  # idle program's one sprite report a pass, every line of it.
  dir=$work/ordinary
  mkdir "$dir" && "$rom_tool" idle "$dir"
  (cd "$dir" && "$headless" --frames 3 >out.txt 2>err.txt)
  [[ $(wc -l <"$dir/out.txt") == 13 && $(tail -n 5 "$dir/out.txt") == $'Building CPU table...\nBuilding color table.\nUnknown sprite: 28\nUnknown sprite: 28\nUnknown sprite: 28' && ! -s $dir/err.txt ]] ||
    fail "ordinary run printed: $(cat "$dir/out.txt" "$dir/err.txt")"
  ;;
desktop)
  [[ -n $desktop ]] || fail "no desktop program given"
  for tool in Xvfb xdotool; do command -v "$tool" >/dev/null || fail "$tool is not installed"; done
  export SDL_VIDEODRIVER=x11
  unset QUILLOMARK_WINDOWED
  # start_desktop DIR: the program on a fresh Xvfb; sets pid and window.
  start_desktop() {
    start_xvfb "$1"
    pids+=("$xvfb_pid")
    (cd "$1" && exec "$desktop" >out.txt 2>err.txt) &
    pid=$!
    pids+=("$pid")
    await_window "$pid" 300
    [[ -n $window ]] || fail "no window appeared: $(cat "$1/out.txt" "$1/err.txt")"
    sleep 1
    # The first window may be replaced once the renderer picks its visual.
    window=$(xdotool search --onlyvisible --name 'Gfx Output' 2>/dev/null | tail -1)
  }
  # end_with DIR HOW: ends the run one way, then checks the orderly end.
  end_with() {
    case $2 in
    sigterm) kill -TERM "$pid" ;;
    sigterm-while-paused) xdotool key p && sleep 0.5 && kill -TERM "$pid" ;;
    x-server-gone) kill -9 "$xvfb_pid" ;;
    window-destroyed) xdotool windowclose "$window" ;;
    esac
    wait_exit "$pid" 50
    [[ -n $status ]] || fail "$2 did not end the program; $(tail -3 "$1/out.txt" "$1/err.txt")"
    check_orderly_end "$1" "$status" "$2"
    kill "$xvfb_pid" 2>/dev/null
  }
  for how in sigterm sigterm-while-paused x-server-gone window-destroyed; do
    dir=$work/$how
    mkdir "$dir" && "$rom_tool" idle "$dir"
    start_desktop "$dir"
    end_with "$dir" "$how"
  done
  # A hung program: F1 restarts it, Alt+F4 ends it within two seconds, in the loop.
  dir=$work/desktop-hang
  mkdir "$dir" && "$rom_tool" hang "$dir"
  start_desktop "$dir"
  wait_for_text "$dir/out.txt" "No frame for 1 s" 40 || fail "desktop hang not reported"
  xdotool key F1
  sleep 0.5
  xdotool key alt+F4
  wait_exit "$pid" 20
  [[ -n $status ]] || fail "Alt+F4 did not end the hung program within two seconds"
  [[ $status == 1 && $(size_of "$dir/dump.bin") == "$DUMP_SIZE" ]] || fail "hung program's end: $status"
  [[ $(dump_pc "$dir") == "$HANG_PC" ]] || fail "desktop hang dump PC $(dump_pc "$dir")"
  [[ $(dump_counter "$dir") == aaaaaaac ]] || fail "F1 did not restart the program: $(dump_counter "$dir")"
  ;;
*) fail "unknown case $case_name" ;;
esac
echo "PASS: $case_name"
