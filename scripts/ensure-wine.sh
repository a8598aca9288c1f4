#!/usr/bin/env bash
# Makes Wine able to run 32-bit Windows programs here: adds the i386
# architecture once, refreshes the package lists when it was just added, and
# installs wine and wine32 (with apt-get as root, or through sudo). Safe to run
# again: it does nothing when everything is in place.
set -euo pipefail
packages=(wine wine32)
if [[ $# -gt 0 ]]; then
  packages+=("$@")
fi

if [[ $(id -u) -eq 0 ]]; then
  as_root=()
elif command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
  as_root=(sudo -n)
else
  as_root=(missing)
fi

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$package")
done
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  need_arch=1
else
  need_arch=0
fi
[[ ${#missing[@]} -eq 0 && $need_arch -eq 0 ]] && exit 0

if [[ "${as_root[*]}" == missing ]]; then
  echo "Wine needs root to install: dpkg --add-architecture i386; apt-get update;" \
       "apt-get install ${missing[*]}" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
if [[ $need_arch -eq 1 ]]; then
  echo "Adding the i386 architecture for wine32"
  "${as_root[@]}" dpkg --add-architecture i386
  "${as_root[@]}" apt-get update
fi
echo "Installing missing packages: ${missing[*]}"
if ! "${as_root[@]}" apt-get install -y --no-install-recommends "${missing[@]}"; then
  "${as_root[@]}" apt-get update
  "${as_root[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
fi
