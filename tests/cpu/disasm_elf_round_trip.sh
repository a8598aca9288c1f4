#!/usr/bin/env bash
# quillomark-disasm's listing of a linked program, assembled again and linked at the addresses its
# first line gives, must give each loaded section's bytes back (compared with binutils' own view of
# the original) and, made into an image as the guide says, the same image; and name every function
# on a line of its own before the function's first line. The ELF files given, and a program with
# initial data in .data (data_program.S, linked by the starter program's script) made here.
#   disasm_elf_round_trip.sh DISASM SCRATCH LINKER_SCRIPT ELF...
set -euo pipefail
disasm=$1 scratch=$2 linker_script=$3
shift 3
tools=(m68k-linux-gnu-as m68k-linux-gnu-ld m68k-linux-gnu-objcopy m68k-linux-gnu-readelf m68k-linux-gnu-nm)
for tool in "${tools[@]}"; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIP: $tool not found (package binutils-m68k-linux-gnu)"
    exit 77
  fi
done
rm -rf "$scratch"
mkdir -p "$scratch"
m68k-linux-gnu-as -m68000 "$(dirname "$0")/data_program.S" -o "$scratch/data_program.o"
m68k-linux-gnu-ld -T "$linker_script" -o "$scratch/data_program.elf" "$scratch/data_program.o"
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
for elf in "$@" "$scratch/data_program.elf"; do
  name=$(basename "$elf" .elf)
  work=$scratch/$name
  mkdir "$work"
  "$disasm" "$elf" >"$work/listing.txt"
  "$disasm" --source "$elf" >"$work/source.s"
  read -r -a options < <(sed -n 's/^| ld options: //p' "$work/source.s")
  m68k-linux-gnu-as -m68020 --register-prefix-optional "$work/source.s" -o "$work/again.o"
  m68k-linux-gnu-ld "${options[@]}" -o "$work/again.elf" "$work/again.o"
  # Every section the program loads from the file (flag A, not NOBITS, not empty), as readelf lists it.
  sections=$(m68k-linux-gnu-readelf -S -W "$elf" | sed -n 's/^ *\[ *[0-9]*\] //p' |
    awk '$2 != "NOBITS" && $2 != "NULL" && $7 ~ /A/ && $5 !~ /^0+$/ {print $1}')
  [[ -n $sections ]] || fail "$name: readelf shows no loaded section"
  for section in $sections; do
    m68k-linux-gnu-objcopy -O binary --only-section="$section" "$elf" "$work/original$section"
    m68k-linux-gnu-objcopy -O binary --only-section="$section" "$work/again.elf" "$work/again$section"
    cmp "$work/original$section" "$work/again$section" || fail "$name: $section differs"
  done
  # The image, .data given its load address in the ROM again (objdump -h's LMA of the original).
  lma=$(m68k-linux-gnu-objdump -h "$elf" | awk '$2 == ".data" {print "0x" $5}')
  m68k-linux-gnu-objcopy -O binary --gap-fill 0xff "$elf" "$work/original.img"
  m68k-linux-gnu-objcopy -O binary --gap-fill 0xff --change-section-lma ".data=$lma" "$work/again.elf" "$work/again.img"
  cmp "$work/original.img" "$work/again.img" || fail "$name: the image differs"
  functions=0
  while read -r address type symbol; do
    functions=$((functions + 1))
    # The label, then (after any other label) the line at the function's address.
    awk -v label="$symbol:" -v start="$address" '$0 == label {seen = 1; next}
      seen && /^[^\t]*:$/ {next}
      seen {found = index($0, start "\t") == 1; exit}
      END {exit !found}' "$work/listing.txt" || fail "$name: $symbol does not start a line at $address"
  done < <(m68k-linux-gnu-nm "$elf" | awk '$2 == "T" || $2 == "t"')
  [[ $functions -gt 0 ]] || fail "$name: nm shows no function"
  echo "$name: $(wc -w <<<"$sections") sections, $functions functions"
done
[[ $failures -eq 0 ]]
