#!/usr/bin/env bash
# Cross-builds the Windows program quillomark.exe (32-bit, static) with
# mingw-w64, and the window driver of the Wine tests. The native build (build/
# by default, or the folder given as the first argument) must already exist:
# its handler-list generator writes the handler list, and its cache variable
# QUILLOMARK_WIN32_BUILD names the folder of the Windows build. Further
# arguments go to the Windows build's configuration (e.g. -DQUILLOMARK_WERROR=ON).
set -euo pipefail
cd "$(dirname "$0")/.."
native=${1:-build}
generator=$native/quillomark-handler-gen
if [[ ! -x $generator ]]; then
  echo "No native $generator: build the native tree first (cmake -S . -B $native -G Ninja; ninja -C $native)." >&2
  exit 1
fi
win32_build=$(cmake -N -L "$native" 2>/dev/null | sed -n 's/^QUILLOMARK_WIN32_BUILD:PATH=//p')
if [[ -z $win32_build ]]; then
  echo "$native has no QUILLOMARK_WIN32_BUILD: configure it again (cmake -S . -B $native)." >&2
  exit 1
fi
scripts/ensure-packages.sh g++-mingw-w64-i686
cmake -S . -B "$win32_build" -G Ninja --no-warn-unused-cli \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
  -DCMAKE_BUILD_TYPE=Release \
  -DQUILLOMARK_TESTS=ON -DQUILLOMARK_BENCH=OFF \
  -DQUILLOMARK_NATIVE_GENERATOR="$(realpath "$generator")" "${@:2}" >/dev/null
cmake --build "$win32_build" -j "${QUILLOMARK_JOBS:-2}" --target quillomark quillomark-window-driver
echo "Built $(realpath "$win32_build/quillomark.exe")"
