#!/usr/bin/env bash
# Cross-builds the Windows program build-win32/quillomark.exe (32-bit, static)
# with mingw-w64, and the window driver of the Wine tests. The build-time
# handler-list generator comes from the native build (build/ by default, or the
# folder given as the first argument), which must already exist.
set -euo pipefail
cd "$(dirname "$0")/.."
native=${1:-build}
generator=$native/quillomark-handler-gen
if [[ ! -x $generator ]]; then
  echo "No native $generator: build the native tree first (cmake -S . -B $native -G Ninja; ninja -C $native)." >&2
  exit 1
fi
scripts/ensure-packages.sh g++-mingw-w64-i686
cmake -S . -B build-win32 -G Ninja --no-warn-unused-cli \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
  -DCMAKE_BUILD_TYPE=Release \
  -DQUILLOMARK_TESTS=OFF -DQUILLOMARK_BENCH=OFF \
  -DQUILLOMARK_NATIVE_GENERATOR="$(realpath "$generator")" >/dev/null
targets=(quillomark)
if grep -q '^build quillomark-window-driver.exe' build-win32/build.ninja; then
  targets+=(quillomark-window-driver)
fi
cmake --build build-win32 -j "${QUILLOMARK_JOBS:-2}" --target "${targets[@]}"
echo "Built $(realpath build-win32/quillomark.exe)"
