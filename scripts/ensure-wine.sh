#!/usr/bin/env bash
# Makes Wine able to run 32-bit Windows programs here: the i386 architecture,
# wine and wine32, and any further packages named as arguments, installed by
# ensure-packages.sh when missing.
set -euo pipefail
exec "$(dirname "$0")/ensure-packages.sh" --architecture i386 wine wine32 "$@"
