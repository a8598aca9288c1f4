#!/usr/bin/env bash
# Installs the Debian packages named as arguments when any is missing:
# with apt-get as root, or through sudo. Says what is missing otherwise.
#   ensure-packages.sh [--architecture ARCH] PACKAGE...
# --architecture first adds a foreign architecture (e.g. i386 for wine32) when
# dpkg does not have it yet, and refreshes the package lists. Safe to run
# again: it does nothing when everything is in place.
set -euo pipefail
architecture=
if [[ ${1:-} == --architecture ]]; then
  architecture=$2
  shift 2
fi
missing=()
for package in "$@"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$package")
done
need_architecture=0
if [[ -n $architecture ]] && ! dpkg --print-foreign-architectures | grep -qx "$architecture"; then
  need_architecture=1
fi
[[ ${#missing[@]} -eq 0 && $need_architecture -eq 0 ]] && exit 0

if [[ $(id -u) -eq 0 ]]; then
  as_root=()
elif command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
  as_root=(sudo -n)
else
  if [[ $need_architecture -eq 1 ]]; then
    echo "Needs root: dpkg --add-architecture $architecture; apt-get update" >&2
  fi
  echo "These Debian packages are needed but missing: ${missing[*]}" >&2
  echo "Install them as root: apt-get install ${missing[*]}" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
if [[ $need_architecture -eq 1 ]]; then
  echo "Adding the $architecture architecture"
  "${as_root[@]}" dpkg --add-architecture "$architecture"
  "${as_root[@]}" apt-get update
fi
[[ ${#missing[@]} -eq 0 ]] && exit 0
echo "Installing missing packages: ${missing[*]}"
if ! "${as_root[@]}" apt-get install -y --no-install-recommends "${missing[@]}"; then
  "${as_root[@]}" apt-get update
  "${as_root[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
fi
