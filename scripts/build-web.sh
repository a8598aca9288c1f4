#!/usr/bin/env bash
# Builds the browser page into build/web/: index.html, page.js, page.css and quillomark.js (the
# module, its WebAssembly and the demo ROM set in one file), playable from file:// or served
# (python3 -m http.server in build/web). Installs Debian's emscripten and the m68k cross tools
# when missing. The native build (build/ when it is configured, else build/web-native/, or the
# folder given as the first argument) makes the handler-list generator and the demo set; the
# browser build goes to build/web-cmake/. Further arguments go to the browser build's configuration.
set -euo pipefail
cd "$(dirname "$0")/.."
native=${1:-}
if [[ -z $native ]]; then
  native=build
  [[ -f build/CMakeCache.txt ]] || native=build/web-native
fi
jobs=${QUILLOMARK_JOBS:-2}
scripts/ensure-packages.sh emscripten cmake ninja-build g++ gcc-m68k-linux-gnu

if [[ ! -f $native/CMakeCache.txt ]]; then
  cmake -S . -B "$native" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLOMARK_HEADLESS_ONLY=ON \
    -DQUILLOMARK_TESTS=OFF -DQUILLOMARK_BENCH=OFF >/dev/null
fi
cmake --build "$native" -j "$jobs" --target quillomark-handler-gen demo_roms

# Debian's emscripten finds its JavaScript optimiser's modules only through NODE_PATH.
export NODE_PATH=/usr/share/nodejs
emcmake cmake -S . -B build/web-cmake -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DQUILLOMARK_NATIVE_GENERATOR="$(realpath "$native/quillomark-handler-gen")" \
  -DQUILLOMARK_WEB_DEMO="$(realpath "$native/demo")" -DQUILLOMARK_WEB_OUTPUT="$PWD/build/web" \
  -DQUILLOMARK_TESTS=OFF -DQUILLOMARK_BENCH=OFF -DQUILLOMARK_HEADLESS_ONLY=ON "${@:2}" >/dev/null
cmake --build build/web-cmake -j "$jobs"
echo "Built $PWD/build/web/index.html"
