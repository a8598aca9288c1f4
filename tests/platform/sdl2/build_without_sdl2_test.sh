#!/usr/bin/env bash
# A build without SDL2 fails loudly: the configure stops naming libsdl2-dev, unless a headless-only
# build is asked for, which configures (tests and benchmarks included) with no quillomark target.
# Usage: build_without_sdl2_test.sh SOURCE_DIR
set -uo pipefail
source_dir=$1
fail() {
  echo "FAIL: $*" >&2
  exit 1
}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Both ways of finding SDL2 (its CMake package and pkg-config's sdl2) are hidden.
no_sdl2=(-G Ninja -DCMAKE_DISABLE_FIND_PACKAGE_SDL2=ON -DCMAKE_DISABLE_FIND_PACKAGE_PkgConfig=ON)

if cmake -S "$source_dir" -B "$work/plain" "${no_sdl2[@]}" >"$work/plain.log" 2>&1; then
  fail "the configure without SDL2 succeeded"
fi
grep -q "SDL2 not found: install the Debian package libsdl2-dev" "$work/plain.log" ||
  fail "the failed configure does not name libsdl2-dev: $(tail -5 "$work/plain.log")"

cmake -S "$source_dir" -B "$work/headless" "${no_sdl2[@]}" -DQUILLOMARK_HEADLESS_ONLY=ON \
  >"$work/headless.log" 2>&1 || fail "the headless-only configure failed: $(tail -5 "$work/headless.log")"
# Every output Ninja could build, "PATH: RULE" a line.
ninja -C "$work/headless" -t targets all >"$work/targets.txt" || fail "ninja cannot list the targets"
grep -q '^quillomark-headless: ' "$work/targets.txt" || fail "no quillomark-headless target"
if grep -q '^quillomark: ' "$work/targets.txt"; then
  fail "the headless-only build has a quillomark target"
fi
echo "without SDL2: configure stops naming libsdl2-dev; headless-only: configured, no quillomark target"
