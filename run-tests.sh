#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite twice:
# once as built for use, once under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")"
mapfile -t packages < <(grep -v -E '^\s*(#|$)' scripts/packages.txt)
scripts/ensure-packages.sh "${packages[@]}"
scripts/ensure-wine.sh
jobs=$(nproc 2>/dev/null || echo 2)

echo "== Release build"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build -j "$jobs"
echo "== Windows build (mingw-w64, for the Wine tests)"
QUILLOMARK_JOBS=$jobs scripts/build-windows.sh build
ctest --test-dir build --output-on-failure -j "$jobs"

echo "== Sanitizer build (AddressSanitizer, UndefinedBehaviorSanitizer)"
cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLOMARK_SANITIZE=ON -DQUILLOMARK_BENCH=OFF
cmake --build build-sanitize -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-sanitize --output-on-failure -j "$jobs"
echo "All tests passed (release and sanitizer builds)."
