#!/usr/bin/env bash
# Installs what is missing, builds with warnings as errors, and runs the test suite.
#   ./run-tests.sh          the whole suite: the Release build's tests, the Windows program
#                           among them under Wine, then every test again under
#                           AddressSanitizer and UndefinedBehaviorSanitizer
#   ./run-tests.sh --quick  day-to-day: the Release build's tests without the Wine tests,
#                           and no sanitizer pass
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
mapfile -t packages < <(grep -v -E '^\s*(#|$)' scripts/packages.txt)
scripts/ensure-packages.sh "${packages[@]}"
jobs=$(nproc 2>/dev/null || echo 2)

echo "== Release build"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLOMARK_WERROR=ON
cmake --build build -j "$jobs"
if [[ $quick -eq 1 ]]; then
  ctest --test-dir build --output-on-failure -j "$jobs" --label-exclude wine
  echo "Quick run passed (Release build, without the Wine tests and the sanitizer pass)."
  exit 0
fi
scripts/ensure-wine.sh
echo "== Windows build (mingw-w64, for the Wine tests)"
QUILLOMARK_JOBS=$jobs scripts/build-windows.sh build -DQUILLOMARK_WERROR=ON
ctest --test-dir build --output-on-failure -j "$jobs"

echo "== Sanitizer build (AddressSanitizer, UndefinedBehaviorSanitizer)"
cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLOMARK_SANITIZE=ON -DQUILLOMARK_BENCH=OFF \
  -DQUILLOMARK_WERROR=ON
cmake --build build-sanitize -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-sanitize --output-on-failure -j "$jobs"
echo "All tests passed (release and sanitizer builds)."
