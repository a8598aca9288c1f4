#!/usr/bin/env bash
# Builds the Windows zip, quillomark-VERSION-windows.zip in the native build (build/ by default, or the
# folder given as the first argument; it must exist, as for build-windows.sh): quillomark.exe made
# afresh by scripts/build-windows.sh, the demo ROM set beside it, README.txt and LICENSE.txt. Further
# arguments go to the Windows build's configuration. Prints the zip's path last.
#   scripts/build-windows-zip.sh [NATIVE_BUILD [CMAKE-OPTION...]]
set -euo pipefail
cd "$(dirname "$0")/.."
native=${1:-build}
scripts/build-windows.sh "$native" "${@:2}"
cmake --build "$native" --target windows_zip >/dev/null
version=$("$native/quillomark-headless" --version | cut -d' ' -f2)
realpath "$native/quillomark-$version-windows.zip"
