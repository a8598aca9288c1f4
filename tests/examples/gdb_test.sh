#!/usr/bin/env bash
# gdb-multiarch drives the starter program under quillomark-headless --gdb 0 (the port read back):
# break, continue, step, next, finish, bt, print, set var, x, watch, Ctrl+C, detach, then a second gdb
# that kills the run; --symbols names the hang, a trace line and --break main; clients that ask and
# never read hold nothing up.
#   gdb_test.sh HEADLESS ELF ROM_DIR SCRATCH
set -euo pipefail
headless=$1 elf=$2 roms=$3 scratch=$4 here=$(cd "$(dirname "$0")" && pwd)
command -v gdb-multiarch >/dev/null || { echo "gdb-multiarch is missing (scripts/packages.txt)" >&2; exit 1; }
rm -rf "$scratch"
mkdir -p "$scratch"
cp "$roms"/* "$scratch"/
cd "$scratch"
fail() {
  echo "FAIL: $*" >&2
  for f in emu.txt gdb1.txt gdb2.txt; do [[ -f $f ]] && { echo "== $f"; cat "$f"; } >&2; done
  exit 1
}
# has FILE PATTERN...: every extended regular expression matches a line of FILE.
has() {
  local file=$1
  shift
  for pattern in "$@"; do grep -qE -- "$pattern" "$file" || fail "$file has no line matching: $pattern"; done
}
# waitFor PATTERN [SECONDS]: the emulator's output shows it within SECONDS (10).
waitFor() {
  for _ in $(seq $((${2:-10} * 10))); do grep -qE -- "$1" emu.txt && return; sleep 0.1; done
  fail "the emulator never printed: $1"
}
gdb() { timeout 30 gdb-multiarch -nx -batch -ex "target remote 127.0.0.1:$port" -x "$@" "$elf" 2>&1; }

timeout 60 "$headless" --gdb 0 --symbols "$elf" . >emu.txt 2>&1 &
emulator=$!
waitFor '^Waiting for gdb on 127\.0\.0\.1:[0-9]+$'
port=$(sed -n 's/^Waiting for gdb on 127\.0\.0\.1:\([0-9]*\)$/\1/p' emu.txt)
[[ $port != 0 ]] || fail "port 0 was not replaced by the port chosen"
gdb "$here/gdb_session.gdb" >gdb1.txt || fail "the first gdb failed"
has gdb1.txt '^reset \(\) at .*start\.S:[0-9]+$' \
  '^Breakpoint 1, main \(\) at .*hello\.c:[0-9]+$' \
  '^Breakpoint 2, ballPen \(x=0, y=0\) at .*hello\.c:[0-9]+$' \
  '^#1  0x[0-9a-f]+ in drawBall \(\) at .*hello\.c:[0-9]+$' '^#2  main \(\) at ' \
  '^\$1 = 0$' '^Value returned is \$2 = ' '^Breakpoint 2, ballPen \(x=1, y=0\)' \
  '^Hardware watchpoint 3: frames$' '^Old value = 0$' '^New value = 1$' '^\$3 = 1$' \
  '^Old value = 100$' '^New value = 101$' '^0x80[0-9a-f]+ <frames>:\s+0x00\s+0x00\s+0x00\s+0x65$' \
  '^pc +0x[0-9a-f]+ +0x[0-9a-f]+ <main\+[0-9]+>$' '^Program received signal SIGINT, Interrupt\.$' \
  '^\[Inferior 1 \(Remote target\) detached\]$'
# Detached, the program runs on into the hang laid for it.
waitFor '^No frame for 1 s: the program at PC 00000a40 \(ballPen\) is not reaching its idle loop$'
gdb "$here/gdb_kill.gdb" >gdb2.txt || fail "the second gdb failed"
has gdb2.txt '^\$1 = \(void \(\*\)\(\)\) 0xa4[02] <ballPen(\+2)?>$' "^\\\$2 = 5 '\\\\005'$" \
  '^\[Inferior 1 \(Remote target\) killed\]$'
code=0
wait $emulator || code=$?
[[ $code == 1 ]] || fail "the killed run ended with $code, not 1"
[[ -s dump.bin ]] || fail "no dump.bin after the kill"
has emu.txt '^gdb detached: the program runs on$' '^gdb ended the run$'
! grep -E '^(Read|Write): ' emu.txt || fail "gdb's writes went through the CPU's rules"

# --symbols and --break by name: the stop and the trace lines say where they are.
"$headless" --symbols "$elf" --break main --trace trace.txt --trace-from 0 . >break.txt 2>&1 && code=0 || code=$?
[[ $code == 1 ]] || fail "--break main ended with $code"
has break.txt '^Breakpoint at 00000[0-9a-f]{3} \(main\) in pass 0$'
has trace.txt '^0 00000400 move\.w #0x2700,sr +-{5} \(reset\)$' '^0 0000043[0-9a-f] jsr .*\(reset\+0x[0-9a-f]+\)$'
# Clients that ask for the largest reads and never read a reply: the first is let go after the stall
# limit and the program runs on; SIGTERM ends the run in order while the second one is stalled.
# Started bare, so that a run SIGTERM cannot end is itself killed when the test fails.
"$headless" --gdb 0 . >emu.txt 2>&1 &
emulator=$!
trap 'kill -KILL $emulator 2>/dev/null' EXIT
waitFor '^Waiting for gdb on 127\.0\.0\.1:[0-9]+$'
port=$(sed -n 's/^Waiting for gdb on 127\.0\.0\.1:\([0-9]*\)$/\1/p' emu.txt)
exec 3<>"/dev/tcp/127.0.0.1/$port"
printf '$m0,2000#8b%.0s' $(seq 1000) >&3
waitFor '^gdb stopped reading for [0-9.]+ s and was let go: the program runs on$' 20
exec 3>&-
exec 3<>"/dev/tcp/127.0.0.1/$port"
printf '$m0,2000#8b%.0s' $(seq 1000) >&3
sleep 1
[[ $(grep -c '^gdb connected$' emu.txt) == 2 ]] || fail "the second client was not taken"
kill -TERM $emulator
for _ in $(seq 50); do kill -0 $emulator 2>/dev/null || break; sleep 0.1; done
kill -0 $emulator 2>/dev/null && fail "SIGTERM did not end the run while gdb was not reading"
code=0
wait $emulator || code=$?
trap - EXIT
exec 3>&-
[[ $code == 1 ]] || fail "the run ended by SIGTERM ended with $code, not 1"
echo "gdb session, hang report, trace, --break main and clients that do not read: passed"
