# Sourced by the shell tests that need an X display: start_xvfb DIR starts a private Xvfb (its
# display number picked by Xvfb itself), exports DISPLAY and sets xvfb_pid; fail must be defined.
start_xvfb() {
  local dir=$1 display= display_fd
  exec {display_fd}>"$dir/display"
  Xvfb -displayfd "$display_fd" -screen 0 1024x768x24 -nolisten tcp >"$dir/xvfb.log" 2>&1 &
  xvfb_pid=$!
  exec {display_fd}>&-
  for _ in $(seq 100); do
    display=$(tr -dc '0-9' <"$dir/display")
    [[ -n $display ]] && break
    kill -0 "$xvfb_pid" 2>/dev/null || break
    sleep 0.1
  done
  [[ -n $display ]] || fail "Xvfb did not start: $(cat "$dir/xvfb.log")"
  export DISPLAY=:$display
}

# await_window PID TENTHS: waits at most TENTHS tenths of a second for the program PID to show its
# "Gfx Output" window; sets window (empty if none came or the program ended first).
await_window() {
  window=
  for _ in $(seq "$2"); do
    window=$(xdotool search --name 'Gfx Output' 2>/dev/null | head -1)
    [[ -n $window ]] && return
    kill -0 "$1" 2>/dev/null || return
    sleep 0.1
  done
}

# wait_exit PID TENTHS: waits at most TENTHS tenths of a second for PID to end; sets status
# (empty if it is still running).
wait_exit() {
  status=
  for _ in $(seq "$2"); do
    if ! kill -0 "$1" 2>/dev/null; then
      wait "$1"
      status=$?
      return
    fi
    sleep 0.1
  done
}

# wait_for_text FILE TEXT TENTHS: true once FILE contains TEXT, within TENTHS tenths of a second.
wait_for_text() {
  for _ in $(seq "$3"); do
    grep -qF -- "$2" "$1" 2>/dev/null && return 0
    sleep 0.1
  done
  return 1
}
