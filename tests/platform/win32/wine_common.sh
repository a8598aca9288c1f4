# Sourced by the Wine tests after their MODE argument: the arguments
#   WIN32_BUILD HEADLESS CHECKER ROM_TOOL ROM_DIR WORK_DIR WINE_PREFIX
# a ROM set in WORK_DIR/run and WORK_DIR/reference (the one of ROM_DIR, or a minimal idle-loop
# set), a virtual X display, the Wine prefix, and the helpers the tests share. Sets exe, driver,
# roms, run, reference, work, prefix. QUILLOMARK_BOARD_CONSTANTS names the board_constants.sh of
# the native build (dump size, ports, bitmap size, ROM files).
# shellcheck source=/dev/null
source "${QUILLOMARK_BOARD_CONSTANTS:?must name board_constants.sh of the build}"
win32_build=$(realpath -m "$1") headless=$(realpath -m "$2") checker=$(realpath -m "$3") rom_tool=$(realpath -m "$4")
rom_dir=$(realpath -m "$5") work=$(realpath -m "$6") prefix=$(realpath -m "$7")
ulimit -f 200000

fail() {
  echo "FAIL: $*" >&2
  exit 1
}
step() { echo "-- $*"; }

exe=$win32_build/quillomark.exe
driver=$win32_build/quillomark-window-driver.exe
for tool in wine wineboot wineserver Xvfb xdotool import convert; do
  command -v "$tool" >/dev/null || fail "$tool is missing: run scripts/ensure-wine.sh (wine, wine32) and install xvfb xdotool imagemagick"
done
[[ -f $exe && -f $driver ]] || fail "$exe or $driver missing: run scripts/build-windows.sh first"

mkdir -p "$work"
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
xvfb_pid= display=
cleanup() {
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
# One prefix (about 600 MB) serves every run; ctest runs these tests one at a time. Wine hands the
# environment to the Windows programs: no start-up failure may wait on a message box.
export WINEPREFIX=$prefix WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" QUILLOMARK_NO_DIALOGS=1
step "Wine prefix $WINEPREFIX on display $DISPLAY"
if [[ ! -f $prefix/system.reg ]]; then
  timeout 180 wineboot -i >"$work/wineboot.log" 2>&1 || fail "wineboot failed: $(tail -5 "$work/wineboot.log")"
fi
timeout 60 wineserver -w || true

# start_program DIR [ARGUMENTS...]: the driver runs DIR/script.txt on quillomark.exe in DIR, in the
# background, inside the launcher's words (launcher=(explorer /desktop=NAME,WxH) for a virtual
# desktop, empty for none); sets wine_pid.
launcher=()
start_program() {
  local dir=$1
  shift
  (cd "$dir" && exec timeout 150 wine "${launcher[@]}" "$driver" script.txt result.txt console.txt "$exe" "$@" \
    </dev/null >"$dir/wine.log" 2>&1) &
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
size() { stat -c %s "$1"; }
byte() { od -An -tx1 -j "$2" -N1 "$1" | tr -d ' '; }
# shot_differences NAME RECT PICTURE LAYOUT: the pixels of the bitmap PICTURE that the screenshot
# $work/NAME.png does not show in its rectangle RECT (WxH+X+Y), laid out as LAYOUT (screen or window,
# see quillomark-wine-check).
shot_differences() {
  local size=${2%%+*}
  timeout 30 convert "$work/$1.png" -crop "$2" +repage -depth 8 "rgb:$work/$1.rgb" || return 1
  timeout 10 "$checker" "$4" "$work/$1.rgb" "${size%x*}" "${size#*x}" "$3"
}
# The pace of a run: the records with Left held over the milliseconds between its two clock lines,
# in tenths of a pass a second.
pace_of() {
  local dir=$1 before held after down up
  read -r before held after <<<"$(timeout 10 "$checker" player-counts "$dir/keys.bin")"
  [[ $before == aa:* && $held == ab:* && $after == aa:* ]] || fail "keys.bin of the paced run: $before $held $after"
  read -r down up <<<"$(awk '/^clock / { printf "%s ", $2 }' "$dir/result.txt")"
  echo "${held#ab:} $((up - down)) $(( ${held#ab:} * 10000 / (up - down) ))"
}
