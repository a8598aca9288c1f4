#!/usr/bin/env bash
# Fails when a program built for the board holds an instruction or an
# addressing mode that the plain 68000 does not have. The code is decoded as
# 68020 code, so that the later processors' additions show by name.
# Usage: check-m68000.sh OBJDUMP FILE [STAMP]   (STAMP is touched on success)
set -euo pipefail
objdump=$1
file=$2
stamp=${3:-}

listing=$("$objdump" -d -m m68k:68020 "$file")

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
  printf 'check-m68000: %s holds code the 68000 cannot run:\n%s\n' "$file" "$offending" >&2
  exit 1
fi
if [[ -n "$stamp" ]]; then
  touch "$stamp"
fi
