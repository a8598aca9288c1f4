#!/usr/bin/env bash
# Installs what is missing, builds with warnings as errors, and runs the test suite.
#   ./run-tests.sh          the whole suite: the Release build's tests, the Windows program
#                           among them under Wine, the browser page in headless
#                           Chromium, then every test again under
#                           AddressSanitizer and UndefinedBehaviorSanitizer, and 60 s of
#                           fuzzing (tests/fuzz, clang's libFuzzer)
#   ./run-tests.sh --quick  day-to-day: the Release build's tests without the Wine,
#                           RetroArch, browser and package tests, and no sanitizer or fuzzing pass
set -euo pipefail
cd "$(dirname "$0")"
quick=0
case ${1:-} in
  "") ;;
  --quick) quick=1 ;;
  *)
    echo "usage: $0 [--quick]" >&2
    exit 2
    ;;
esac
mapfile -t packages < <(cat scripts/demo-packages.txt scripts/packages.txt | grep -v -E '^\s*(#|$)')
scripts/ensure-packages.sh "${packages[@]}"
jobs=$(nproc 2>/dev/null || echo 2)

echo "== Release build"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLOMARK_WERROR=ON
cmake --build build -j "$jobs"
if [[ $quick -eq 1 ]]; then
  ctest --test-dir build --output-on-failure -j "$jobs" --label-exclude 'wine|retroarch|web|package'
  echo "Quick run passed (Release build, without the Wine, RetroArch, browser and package tests and the sanitizer pass)."
  exit 0
fi
scripts/ensure-wine.sh
echo "== Windows build (mingw-w64, for the Wine tests)"
QUILLOMARK_JOBS=$jobs scripts/build-windows.sh build -DQUILLOMARK_WERROR=ON
echo "== Browser build (emscripten, for the web tests)"
QUILLOMARK_JOBS=$jobs scripts/build-web.sh build -DQUILLOMARK_WERROR=ON
ctest --test-dir build --output-on-failure -j "$jobs" --label-exclude web
ctest --test-dir build --output-on-failure -j "$jobs" --label-regex web

echo "== Sanitizer build (AddressSanitizer, UndefinedBehaviorSanitizer)"
cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLOMARK_SANITIZE=ON -DQUILLOMARK_BENCH=OFF \
  -DQUILLOMARK_WERROR=ON
cmake --build build-sanitize -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  LSAN_OPTIONS=suppressions=$PWD/tests/lsan_suppressions.txt \
  ctest --test-dir build-sanitize --output-on-failure -j "$jobs"

echo "== Fuzzing (libFuzzer with AddressSanitizer and UndefinedBehaviorSanitizer, 60 s)"
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
  -DCMAKE_CXX_COMPILER=clang++ -DQUILLOMARK_FUZZ=ON -DQUILLOMARK_TESTS=OFF -DQUILLOMARK_BENCH=OFF -DQUILLOMARK_WERROR=ON
cmake --build build-fuzz -j "$jobs" --target quillomark_fuzz
# New inputs go to build-fuzz/corpus, a finding to build-fuzz/crash-* (or leak-*, timeout-*).
mkdir -p build-fuzz/corpus
if ! build-fuzz/quillomark_fuzz -max_total_time=60 -timeout=10 -print_final_stats=1 -artifact_prefix=build-fuzz/ \
  build-fuzz/corpus tests/fuzz/corpus >build-fuzz/fuzz.log 2>&1; then
  tail -60 build-fuzz/fuzz.log
  echo "The fuzz target found a fault: the input is in build-fuzz/ (see build-fuzz/fuzz.log)." >&2
  exit 1
fi
grep '^stat::' build-fuzz/fuzz.log
echo "All tests passed (release and sanitizer builds, fuzzing)."
