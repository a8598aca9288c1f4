#!/usr/bin/env bash
# Installs what the demo needs, builds the two programs and the demo ROM set into build-demo/, and
# runs the demo there: in a window when a display is available, otherwise headless, writing pictures.
# Only an orderly end (exit code 1 and a fresh dump.bin) counts as success; any other end leaves the
# program's own message on the terminal and exits non-zero. Arguments go to the program.
#   QUILLOMARK_DEMO_BUILD=DIR  use the programs and demo/ of the build folder DIR as they are:
#                              nothing is installed or built (the tests use it)
set -euo pipefail
cd "$(dirname "$0")"
build=${QUILLOMARK_DEMO_BUILD:-}
if [[ -z $build ]]; then
  build=build-demo
  mapfile -t packages < <(grep -v -E '^\s*(#|$)' scripts/demo-packages.txt)
  scripts/ensure-packages.sh "${packages[@]}"
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLOMARK_TESTS=OFF -DQUILLOMARK_BENCH=OFF >/dev/null
  cmake --build "$build" -j "$(nproc 2>/dev/null || echo 2)" --target quillomark quillomark-headless demo_roms
fi

demo=$build/demo
if [[ ! -f $demo/18b_d02.bin || ! -f $demo/pal.bmp ]]; then
  echo "The demo ROM set was not built into $demo." >&2
  exit 1
fi
cd "$demo"
# Nothing a previous run left may pass for this run's result.
rm -rf dump.bin keys.bin vortane.bmp bmps digests.txt console.txt demo-keys.txt

# An orderly end: exit code 1 with a dump.bin written by this run.
orderly_end() { [[ $1 -eq 1 && -f dump.bin ]]; }
# failed PROGRAM STATUS: says how the program ended, below its own message.
failed() {
  if [[ $2 -eq 1 ]]; then
    echo "$1 stopped at start-up (exit code 1, no dump.bin)." >&2
  else
    echo "$1 ended with exit code $2, not with an orderly end (exit code 1)." >&2
  fi
}

status=0
if [[ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]]; then
  echo "Running the desktop program on the demo ROM set in $PWD (close the window or press Alt+F4 to end)."
  ../quillomark "$@" || status=$?
  [[ $status -eq 0 ]] && exit 0 # --help or --version
  if ! orderly_end "$status"; then
    failed quillomark "$status"
    exit "$status"
  fi
  echo "The demo ended normally; written in $PWD: keys.bin, dump.bin (and any F11/F12 pictures)."
  exit 0
fi

# No display: 600 passes headless, per-frame screenshots for the last 101 of them.
mkdir bmps
printf '500 down F11\n600 down F12\n' >demo-keys.txt
echo "No display found: running the demo headless for 600 passes (console output in $PWD/console.txt)."
../quillomark-headless --frames 600 --keys demo-keys.txt --digests digests.txt --stats "$@" >console.txt || status=$?
if [[ $status -eq 0 ]]; then # --help or --version
  cat console.txt
  exit 0
fi
if ! orderly_end "$status"; then
  tail -n 5 console.txt >&2
  failed quillomark-headless "$status"
  exit "$status"
fi
if [[ ! -f vortane.bmp || ! -f bmps/100.bmp ]]; then
  echo "quillomark-headless ended normally but did not write vortane.bmp and bmps/100.bmp." >&2
  exit 1
fi
echo "Pictures: $PWD/bmps/000.bmp to 100.bmp (passes 500 to 600) and $PWD/vortane.bmp (the picture of pass 599)."
echo "Also written: $PWD/keys.bin, $PWD/dump.bin, $PWD/digests.txt, console output in $PWD/console.txt."
