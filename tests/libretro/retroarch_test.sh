#!/usr/bin/env bash
# The libretro core in Debian's RetroArch, with null video, audio and input drivers, each run in
# folders of its own (RetroArch writes into HOME, XDG_CONFIG_HOME and TMPDIR whatever --config says).
#   retroarch_test.sh picture|runahead|netplay CORE INFO_DIR HEADLESS DEMO_DIR SCRATCH
# picture:  a run of PASSES frames ends with a screenshot whose pixels are the headless program's
#           picture of that pass (its vortane.bmp without the borders).
# runahead: run-ahead of 2 frames, with and without the second instance, shows pass PASSES after
#           PASSES - 2 frames: the same pixels again.
# netplay:  a host and a client on 127.0.0.1 (NAT traversal, announcing and the relay server off,
#           states compared every 10 frames): the client joins and plays its frames, and no state
#           transfer fails. RetroArch 1.14 logs nothing when a comparison fails: it quietly asks the
#           host for a state (with negative check frames, which would only report, it checks nothing).
set -euo pipefail
case_name=$1 core=$2 info_dir=$3 headless=$4 demo=$5 scratch=$6
PASSES=120
fail() {
  echo "FAIL: $*" >&2
  exit 1
}
command -v retroarch >/dev/null || fail "retroarch is not installed (Debian package retroarch)"
rm -rf "$scratch"
mkdir -p "$scratch"
cd "$scratch"

# write_config NAME [LINES...]: a configuration that reads the core's .info file, saves nothing on
# exit and points every folder RetroArch uses into NAME/.
write_config() {
  local name=$1
  shift
  mkdir -p "$name"/{home,config,tmp,saves,shots}
  {
    echo 'video_driver = "null"'
    echo 'audio_driver = "null"'
    echo 'input_driver = "null"'
    echo 'input_joypad_driver = "null"'
    echo 'audio_enable = "false"'
    echo 'config_save_on_exit = "false"'
    echo 'history_list_enable = "false"'
    echo 'content_runtime_log = "false"'
    echo 'video_gpu_screenshot = "false"'
    echo "libretro_directory = \"$(dirname "$core")\""
    echo "libretro_info_path = \"$info_dir\""
    for key in savefile_directory savestate_directory system_directory cache_directory playlist_directory \
      log_dir runtime_log_directory core_assets_directory; do
      echo "$key = \"$PWD/$name/saves\""
    done
    echo "screenshot_directory = \"$PWD/$name/shots\""
    # Nothing reaches past this machine: the core list's download goes to a closed local port.
    echo 'core_updater_buildbot_cores_url = "http://127.0.0.1:9/"'
    echo 'core_updater_buildbot_assets_url = "http://127.0.0.1:9/"'
    printf '%s\n' "$@"
  } >"$name/retroarch.cfg"
}

# Without a session bus (a console, a CI run), RetroArch 1.14 with GameMode installed aborts as it
# starts: it runs in a session bus of its own, as the README tells players to.
session_bus=()
if [[ -z ${DBUS_SESSION_BUS_ADDRESS:-} ]]; then
  command -v dbus-run-session >/dev/null || fail "dbus-run-session is not installed (Debian package dbus-daemon)"
  session_bus=(dbus-run-session --)
fi

# run_retroarch NAME ARGS...: runs RetroArch on the demo with NAME's configuration and folders, its log
# in NAME/log.txt (at most 60 s); started with & it is the timeout process, whose TERM ends RetroArch
# (timeout signals its whole process group, the bus's RetroArch included).
run_retroarch() {
  local name=$1
  shift
  HOME=$PWD/$name/home XDG_CONFIG_HOME=$PWD/$name/config TMPDIR=$PWD/$name/tmp exec \
    timeout -k 5 60 "${session_bus[@]}" retroarch -L "$core" "$demo/18b_d02.bin" --config "$PWD/$name/retroarch.cfg" \
    --verbose "$@" >"$name/log.txt" 2>&1
}

# The headless program's picture of pass PASSES, without the bitmap's borders, as raw RGB.
expected_picture() {
  mkdir -p headless
  cp "$demo"/*.bin "$demo/pal.bmp" headless/
  # F12 in a pass's pump writes the picture the pass before it composed.
  echo "$((PASSES + 1)) down F12" >headless/keys.txt
  (cd headless && "$headless" --frames $((PASSES + 1)) --keys keys.txt >out.txt 2>&1) || [[ $? -eq 1 ]] ||
    fail "quillomark-headless: $(cat headless/out.txt)"
  convert headless/vortane.bmp -crop 256x240+32+0 +repage -depth 8 rgb:expected.rgb
}

# check_screenshot NAME: NAME's screenshot is a 256x240 picture with the expected pixels.
check_screenshot() {
  [[ -s $1/shot.png ]] || fail "$1: no screenshot; the log's end: $(tail -5 "$1/log.txt")"
  [[ $(identify -format '%wx%h' "$1/shot.png") == 256x240 ]] || fail "$1: the screenshot is not 256x240"
  convert "$1/shot.png" -depth 8 rgb:"$1/shot.rgb"
  cmp -s "$1/shot.rgb" expected.rgb || fail "$1: the screenshot's pixels differ from the headless picture"
  grep -q 'Loaded the ROM set' "$1/log.txt" || fail "$1: the core's load line is not in the log"
  echo "$1: the screenshot is the headless program's picture of pass $PASSES"
}

case $case_name in
picture)
  expected_picture
  write_config plain
  (run_retroarch plain --max-frames "$PASSES" --max-frames-ss --max-frames-ss-path "$PWD/plain/shot.png") || true
  check_screenshot plain
  ;;
runahead)
  expected_picture
  # Run-ahead shows the frame two passes on from the one the core has settled.
  for instances in single second; do
    write_config "$instances" 'run_ahead_enabled = "true"' 'run_ahead_frames = "2"' \
      "run_ahead_secondary_instance = \"$([[ $instances == second ]] && echo true || echo false)\""
    (run_retroarch "$instances" --max-frames $((PASSES - 2)) --max-frames-ss \
      --max-frames-ss-path "$PWD/$instances/shot.png") || true
    ! grep -q 'Run-Ahead unavailable' "$instances/log.txt" || fail "$instances: $(grep 'Run-Ahead' "$instances/log.txt")"
    loads=$(grep -c 'Loaded the ROM set' "$instances/log.txt" || true)
    [[ $loads -eq $([[ $instances == second ]] && echo 2 || echo 1) ]] || fail "$instances: the set was loaded $loads times"
    check_screenshot "$instances"
  done
  ;;
netplay)
  port=$((20000 + RANDOM % 20000))
  net=('netplay_nat_traversal = "false"' 'netplay_public_announce = "false"' 'netplay_use_mitm_server = "false"'
    'netplay_check_frames = "10"' "netplay_ip_port = \"$port\"" 'vrr_runloop_enable = "true"')
  write_config host "${net[@]}"
  write_config client "${net[@]}"
  run_retroarch host --host --port "$port" --max-frames 100000 &
  host_pid=$!
  trap 'kill "$host_pid" 2>/dev/null || true' EXIT
  for _ in $(seq 100); do
    grep -q 'You have joined' host/log.txt 2>/dev/null && break
    sleep 0.1
  done
  start=$SECONDS
  (run_retroarch client --connect 127.0.0.1 --port "$port" --max-frames 180) || true
  echo "the client's 180 frames took $((SECONDS - start)) s"
  kill "$host_pid" 2>/dev/null || true
  wait "$host_pid" || true
  grep -q 'Got connection from' host/log.txt || fail "the host saw no client: $(grep -i netplay host/log.txt)"
  grep -q 'has joined' host/log.txt || fail "the client did not join: $(grep -i netplay host/log.txt)"
  for side in host client; do
    ! grep -E 'CRCs mismatch|savestate loading failed|unexpected save state size' "$side/log.txt" ||
      fail "$side: the machines desynced"
  done
  echo "netplay: $(grep -h 'has joined' host/log.txt | head -1), no desync"
  ;;
*)
  fail "unknown case $case_name"
  ;;
esac
