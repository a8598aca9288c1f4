#!/usr/bin/env bash
# Builds the Debian package quillomark_VERSION-1_ARCH.deb with CPack, into build-deb/ (or the folder
# given as the first argument): a Release build of the installed programs only, for the /usr prefix,
# with Debian's hardening flags, stripped, its Depends computed by dpkg-shlibdeps. Further arguments
# go to the configuration. Prints the package's path last.
#   scripts/build-deb.sh [FOLDER [CMAKE-OPTION...]]
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-build-deb}
mapfile -t packages < <(grep -v -E '^\s*(#|$)' scripts/demo-packages.txt)
scripts/ensure-packages.sh "${packages[@]}" python3 help2man dpkg-dev
cmake -S . -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr -DQUILLOMARK_PACKAGE=ON \
  -DQUILLOMARK_TESTS=OFF -DQUILLOMARK_BENCH=OFF "${@:2}" >/dev/null
cmake --build "$out" -j "${QUILLOMARK_JOBS:-2}"
rm -f "$out"/quillomark_*.deb
(cd "$out" && cpack -G DEB >cpack.log) || { cat "$out/cpack.log" >&2; exit 1; }
realpath "$out"/quillomark_*.deb
