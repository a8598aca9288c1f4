#!/usr/bin/env bash
# quillomark-check-m68000: fails when a program built for the board holds an instruction or an
# addressing mode that the plain 68000 does not have. The code is decoded as 68020 code, so that
# the later processors' additions show by name. The build installs it with its version filled in.
set -uo pipefail
readonly VERSION="@QUILLOMARK_VERSION@"
readonly EXIT_CLEAN=0 EXIT_LATER_CODE=1 EXIT_USAGE=2

usage() {
  cat <<'TEXT'
usage: quillomark-check-m68000 [--objdump PROGRAM] [--stamp FILE] OBJECT
       quillomark-check-m68000 --help | --version
Disassembles the code sections of OBJECT (a linked program or an object file for the m68k) and
fails when any instruction or addressing mode there needs a later processor than the 68000: long
branches, 32-bit multiply and divide, EXTB.L, bit fields, scaled or memory-indirect indexing,
wider displacements, MOVE from CCR, TST of an address register, ... Each offending line is
printed on standard error with the reason. Every word of a code section is read as an
instruction: keep tables and data out of .text (gcc: -fno-jump-tables).
  --objdump PROGRAM  the m68k objdump to use (default m68k-linux-gnu-objdump)
  --stamp FILE       touches FILE when the check passes (for build systems)
  --help             prints this text and exits
  --version          prints the version and exits
Exit codes: 0 only 68000 code; 1 code the 68000 cannot run was found;
2 a usage error, or OBJECT could not be disassembled.
TEXT
}

fail_usage() {
  printf 'quillomark-check-m68000: %s\n' "$1" >&2
  exit "$EXIT_USAGE"
}

objdump=m68k-linux-gnu-objdump
stamp=
file=
while (($#)); do
  case $1 in
  --help) usage; exit "$EXIT_CLEAN" ;;
  --version) printf 'quillomark-check-m68000 %s\n' "$VERSION"; exit "$EXIT_CLEAN" ;;
  --objdump | --stamp)
    (($# >= 2)) || fail_usage "$1 needs a value"
    if [[ $1 == --objdump ]]; then objdump=$2; else stamp=$2; fi
    shift 2 ;;
  -?*) fail_usage "unknown option $1 (quillomark-check-m68000 --help tells more)" ;;
  *)
    [[ -z $file ]] || fail_usage "one OBJECT only: $file and $1"
    file=$1
    shift ;;
  esac
done
[[ -n $file ]] || fail_usage "needs an OBJECT to check (quillomark-check-m68000 --help tells more)"
[[ -f $file && -r $file ]] || fail_usage "$file is not a readable file"
command -v "$objdump" >/dev/null || fail_usage "no $objdump (Debian package binutils-m68k-linux-gnu)"
# objdump reports a section it cannot read on standard error and still exits 0: any message there
# fails the check, and so does a code section it listed no instruction of.
errors_file=$(mktemp) || fail_usage "cannot make a temporary file"
trap 'rm -f "$errors_file"' EXIT
listing=$("$objdump" -h -d -m m68k:68020 "$file" 2>"$errors_file")
status=$?
errors=$(<"$errors_file")
if ((status != 0)) || [[ -n $errors ]]; then
  [[ -n $errors ]] || errors=${listing##*$'\n'}
  [[ -n $errors ]] || errors="it exited with code $status"
  fail_usage "$file cannot be disassembled by $objdump: ${errors%%$'\n'*}"
fi
unlisted=$(printf '%s\n' "$listing" | awk '
/^Sections:$/ { table = 1; tables++; next }
/^Disassembly of section / { table = 0; section = $4; sub(/:$/, "", section); next }
table && $1 ~ /^[0-9]+$/ { name = $2; size = $3; next }
table && /CODE/ && size !~ /^0+$/ { code[name] = 1; next }
section != "" && /^ *[0-9a-f]+:\t/ { listed[section] = 1 }
END {
  if (!tables)
    print "it printed no section table"
  for (name in code)
    if (!(name in listed))
      print "it listed no instruction of " name
}')
if [[ -n $unlisted ]]; then
  fail_usage "$file cannot be disassembled by $objdump: ${unlisted%%$'\n'*}"
fi

offending=$(printf '%s\n' "$listing" | awk -F'\t' '
# The displacement of the first operand part that matches pattern.
function displacement(text, pattern,    value) {
  if (!match(text, pattern))
    return ""
  value = substr(text, RSTART, RLENGTH)
  sub(/^[^(]*\(/, "", value)
  sub(/[,)].*$/, "", value)
  return value
}
NF >= 3 && $1 ~ /^ *[0-9a-f]+:$/ {
  split($2, words, " ")
  n = split($3, parts, " ")
  mnemonic = parts[1]
  operands = n > 1 ? parts[2] : ""
  why = ""
  if (words[1] ~ /^6[0-9a-f]ff$/)
    why = "branch displacement byte 0xFF (a 32-bit displacement on later CPUs)"
  else if (mnemonic ~ /^\.(short|long|byte)$/)
    why = "a word that is no instruction"
  else if (mnemonic ~ /^b(ra|sr|hi|ls|cc|cs|ne|eq|vc|vs|pl|mi|ge|lt|gt|le)l$/)
    why = "long branch"
  else if (mnemonic ~ /^(mul[su]l|div[su]l|div[su]ll|extbl|chkl|linkl|rtd|movec|moves[bwl]?|bkpt|callm|rtm|cas[bwl]?|cas2[wl]|chk2[bwl]|cmp2[bwl]|pack|unpk|move16|cinv.*|cpush.*)$/)
    why = "not a 68000 instruction"
  else if (mnemonic ~ /^bf(tst|extu|exts|chg|clr|set|ffo|ins)$/)
    why = "bit-field instruction"
  else if (mnemonic ~ /^trap(t|f|hi|ls|cc|cs|ne|eq|vc|vs|pl|mi|ge|lt|gt|le)/)
    why = "conditional trap"
  else if (mnemonic ~ /^f[a-z]/ || mnemonic ~ /^p(flush|load|move|test|save|restore|valid|b|db|s|trap)/)
    why = "coprocessor instruction"
  else if (mnemonic ~ /^move[bw]?$/ && operands ~ /^%ccr,/)
    why = "move from CCR (68010 and later)"
  else if (mnemonic ~ /^tst[wl]$/ && operands ~ /^%a[0-7]$/)
    why = "TST of an address register"
  else if (mnemonic ~ /^tst/ && operands ~ /^(#|%pc)/)
    why = "TST of an immediate or PC-relative operand"
  else if (mnemonic ~ /^cmpi/ && operands ~ /%pc@/)
    why = "CMPI with a PC-relative operand"
  else if (operands ~ /:[wl]:[248]/)
    why = "scaled index"
  else if (operands ~ /\)@/ || operands ~ /%z(pc|a[0-7]|d[0-7])/)
    why = "memory-indirect or suppressed-register addressing"
  else if ((d = displacement(operands, "%a[0-7]@\\([^,)]*,%[ad][0-7]:[wl]\\)")) != "" &&
           d !~ /^[0-7]?[0-9a-f]$/ && d !~ /^ffffffffffffff[89a-f][0-9a-f]$/)
    why = "index displacement wider than 8 bits"   # printed in hexadecimal, sign-extended
  else if ((d = displacement(operands, "%a[0-7]@\\([^,)]*\\)")) != "" && d !~ /^-?[0-9]+$/)
    why = "displacement wider than 16 bits"        # a 16-bit one is printed in decimal
  if (why != "")
    print why ": " $0
}')

if [[ -n "$offending" ]]; then
  printf 'quillomark-check-m68000: %s holds code the 68000 cannot run:\n%s\n' "$file" "$offending" >&2
  exit "$EXIT_LATER_CODE"
fi
if [[ -n "$stamp" ]]; then
  touch "$stamp" || fail_usage "cannot touch $stamp"
fi
