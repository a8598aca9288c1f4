// The compiled-in pattern table and mnemonic table. Each row is written as its
// bit pattern and flag columns; the stored form is computed at compile time.
#include "cpu68k/decode_table.h"

namespace {

constexpr uint8_t letterCode(char c) {
  switch (c) {
  case 'c': return 2;
  case 'C': return 3;
  case 'f': return 4;
  case 'i': return 5;
  case 'I': return 6;
  case 'j': return 7;
  case 'J': return 8;
  case 'k': return 9;
  case 'K': return 10;
  case 's': return 11;
  case 'S': return 12;
  case 'd': return 13;
  case 'D': return 14;
  case 'r': return 15;
  case 'R': return 16;
  case 'z': return 17;
  default: return 0;
  }
}

// Effect column: flag letter 0, '-' 1, '0' 2, '1' 3, '?' 4, 'u' 5, 'j' 6.
constexpr uint32_t effectCode(char c, char flag) {
  if (c == flag) return 0;
  switch (c) {
  case '-': return 1;
  case '0': return 2;
  case '1': return 3;
  case '?': return 4;
  case 'u': return 5;
  default: return 6;
  }
}

// Use column: flag letter 0, '-' 1, 'c' 2, 'u' 3, 'j' 4.
constexpr uint32_t useCode(char c, char flag) {
  if (c == flag) return 0;
  switch (c) {
  case '-': return 1;
  case 'c': return 2;
  case 'u': return 3;
  default: return 4;
  }
}

constexpr PatternRow row(const char* bits, uint32_t privilege, const char* effect, const char* use, const char* text) {
  PatternRow r{};
  int bit = 15;
  for (const char* p = bits; *p; ++p) {
    if (*p == ' ')
      continue;
    if (*p == '0' || *p == '1') {
      r.mask |= 1u << bit;
      if (*p == '1')
        r.value |= 1u << bit;
    } else {
      r.letters[r.variableCount++] = letterCode(*p);
    }
    --bit;
  }
  const char flags[5] = {'X', 'N', 'Z', 'V', 'C'};
  for (int f = 0; f < 5; ++f)
    r.flagInfo[f] = effectCode(effect[f], flags[f]) << 3 | useCode(use[f], flags[f]);
  r.privilege = privilege;
  r.text = text;
  return r;
}

} // namespace

constexpr PatternRow patternRows[PATTERN_ROW_COUNT] = {
    row("0000 0000 0011 1100", 0, "XNZVC", "XNZVC", "ORSR.B  #1"),
    row("0000 0000 0111 1100", 2, "uuuuu", "uuuuu", "ORSR.W  #1"),
    row("0000 0000 zzdd dDDD", 0, "-NZ00", "-----", "OR.z    #z,d[!Areg]"),
    row("0000 0010 0011 1100", 0, "XNZVC", "XNZVC", "ANDSR.B #1"),
    row("0000 0010 0111 1100", 2, "uuuuu", "uuuuu", "ANDSR.W #1"),
    row("0000 0010 zzdd dDDD", 0, "-NZ00", "-----", "AND.z   #z,d[!Areg]"),
    row("0000 0100 zzdd dDDD", 0, "XNZVC", "-----", "SUB.z   #z,d[!Areg]"),
    row("0000 0110 zzdd dDDD", 0, "XNZVC", "-----", "ADD.z   #z,d[!Areg]"),
    row("0000 1000 00ss sSSS", 0, "--Z--", "-----", "BTST    #1,s[!Areg]"),
    row("0000 1000 01ss sSSS", 0, "--Z--", "-----", "BCHG    #1,s[!Areg,Immd]"),
    row("0000 1000 10ss sSSS", 0, "--Z--", "-----", "BCLR    #1,s[!Areg,Immd]"),
    row("0000 1000 11ss sSSS", 0, "--Z--", "-----", "BSET    #1,s[!Areg,Immd]"),
    row("0000 1010 0011 1100", 0, "XNZVC", "XNZVC", "EORSR.B #1"),
    row("0000 1010 0111 1100", 2, "uuuuu", "uuuuu", "EORSR.W #1"),
    row("0000 1010 zzdd dDDD", 0, "-NZ00", "-----", "EOR.z   #z,d[!Areg]"),
    row("0000 1100 zzss sSSS", 0, "-NZVC", "-----", "CMP.z   #z,s[!Areg,Immd]"),
    row("0000 rrr1 00dd dDDD", 0, "-----", "-----", "MVPMR.W d[Areg-Ad16],Dr"),
    row("0000 rrr1 01dd dDDD", 0, "-----", "-----", "MVPMR.L d[Areg-Ad16],Dr"),
    row("0000 rrr1 10dd dDDD", 0, "-----", "-----", "MVPRM.W Dr,d[Areg-Ad16]"),
    row("0000 rrr1 11dd dDDD", 0, "-----", "-----", "MVPRM.L Dr,d[Areg-Ad16]"),
    row("0000 rrr1 00ss sSSS", 0, "--Z--", "-----", "BTST    Dr,s[!Areg]"),
    row("0000 rrr1 01ss sSSS", 0, "--Z--", "-----", "BCHG    Dr,s[!Areg,Immd]"),
    row("0000 rrr1 10ss sSSS", 0, "--Z--", "-----", "BCLR    Dr,s[!Areg,Immd]"),
    row("0000 rrr1 11ss sSSS", 0, "--Z--", "-----", "BSET    Dr,s[!Areg,Immd]"),
    row("0001 DDDd ddss sSSS", 0, "-NZ00", "-----", "MOVE.B  s,d[!Areg]"),
    row("0010 DDDd ddss sSSS", 0, "-----", "-----", "MOVEA.L s,d[Areg]"),
    row("0010 DDDd ddss sSSS", 0, "-NZ00", "-----", "MOVE.L  s,d[!Areg]"),
    row("0011 DDDd ddss sSSS", 0, "-----", "-----", "MOVEA.W s,d[Areg]"),
    row("0011 DDDd ddss sSSS", 0, "-NZ00", "-----", "MOVE.W  s,d[!Areg]"),
    row("0100 0000 zzdd dDDD", 0, "X?Z?C", "-----", "NEGX.z  d[!Areg]"),
    row("0100 0000 11dd dDDD", 1, "uuuuu", "uuuuu", "MVSR2.W d[!Areg]"),
    row("0100 0010 zzdd dDDD", 0, "-0100", "-----", "CLR.z   d[!Areg]"),
    row("0100 0100 zzdd dDDD", 0, "XNZVC", "-----", "NEG.z   d[!Areg]"),
    row("0100 0100 11ss sSSS", 0, "XNZVC", "-----", "MV2SR.B s[!Areg]"),
    row("0100 0110 zzdd dDDD", 0, "-NZ00", "-----", "NOT.z   d[!Areg]"),
    row("0100 0110 11ss sSSS", 2, "uuuuu", "uuuuu", "MV2SR.W s[!Areg]"),
    row("0100 1000 00dd dDDD", 0, "XuZuC", "X-Z--", "NBCD.B  d[!Areg]"),
    row("0100 1000 01ss sSSS", 0, "-NZ00", "-----", "SWAP.W  s[Dreg]"),
    row("0100 1000 01ss sSSS", 0, "-----", "-----", "PEA.L   s[!Dreg,Areg,Aipi,Apdi,Immd]"),
    row("0100 1000 10dd dDDD", 0, "-NZ00", "-----", "EXT.W   d[Dreg]"),
    row("0100 1000 10dd dDDD", 0, "-----", "-----", "MVMLE.W #1,d[!Dreg,Areg,Aipi]"),
    row("0100 1000 11dd dDDD", 0, "-NZ00", "-----", "EXT.L   d[Dreg]"),
    row("0100 1000 11dd dDDD", 0, "-----", "-----", "MVMLE.L #1,d[!Dreg,Areg,Aipi]"),
    row("0100 1001 11dd dDDD", 0, "-NZ00", "-----", "EXT.B   d[Dreg]"),
    row("0100 1010 zzss sSSS", 0, "-NZ00", "-----", "TST.z   s"),
    row("0100 1010 11dd dDDD", 0, "uuuuu", "uuuuu", "TAS.B   d[!Areg]"),
    row("0100 1010 1111 1100", 0, "uuuuu", "uuuuu", "ILLEGAL"),
    row("0100 1100 10ss sSSS", 0, "-----", "-----", "MVMEL.W #1,s[!Dreg,Areg,Apdi,Immd]"),
    row("0100 1100 11ss sSSS", 0, "-----", "-----", "MVMEL.L #1,s[!Dreg,Areg,Apdi,Immd]"),
    row("0100 1110 0100 JJJJ", 0, "-----", "XNZVC", "TRAP    #J"),
    row("0100 1110 0101 0rrr", 0, "-----", "-----", "LINK.W  Ar,#1"),
    row("0100 1110 0101 1rrr", 0, "-----", "-----", "UNLK.L  Ar"),
    row("0100 1110 0110 0rrr", 2, "-----", "-----", "MVR2USP.L Ar"),
    row("0100 1110 0110 1rrr", 2, "-----", "-----", "MVUSP2R.L Ar"),
    row("0100 1110 0111 0000", 2, "-----", "-----", "RESET"),
    row("0100 1110 0111 0001", 0, "-----", "-----", "NOP"),
    row("0100 1110 0111 0010", 2, "XNZVC", "-----", "STOP    #1"),
    row("0100 1110 0111 0011", 2, "XNZVC", "-----", "RTE"),
    row("0100 1110 0111 0100", 0, "uuuuu", "uuuuu", "RTD     #1"),
    row("0100 1110 0111 0101", 0, "-----", "-----", "RTS"),
    row("0100 1110 0111 0110", 0, "-----", "XNZVC", "TRAPV"),
    row("0100 1110 0111 0111", 0, "XNZVC", "-----", "RTR"),
    row("0100 1110 10ss sSSS", 0, "jjjjj", "jjjjj", "JSR.L   s[!Dreg,Areg,Aipi,Apdi,Immd]"),
    row("0100 rrr1 00ss sSSS", 0, "uuuuu", "uuuuu", "CHK.L   s[!Areg],Dr"),
    row("0100 rrr1 10ss sSSS", 0, "uuuuu", "uuuuu", "CHK.W   s[!Areg],Dr"),
    row("0100 1110 11ss sSSS", 0, "jjjjj", "jjjjj", "JMP.L   s[!Dreg,Areg,Aipi,Apdi,Immd]"),
    row("0100 rrr1 11ss sSSS", 0, "-----", "-----", "LEA.L   s[!Dreg,Areg,Aipi,Apdi,Immd],Ar"),
    row("0101 jjj0 zzdd dDDD", 0, "-----", "-----", "ADDA.z  #j,d[Areg]"),
    row("0101 jjj0 zzdd dDDD", 0, "XNZVC", "-----", "ADD.z   #j,d[!Areg]"),
    row("0101 jjj1 zzdd dDDD", 0, "-----", "-----", "SUBA.z  #j,d[Areg]"),
    row("0101 jjj1 zzdd dDDD", 0, "XNZVC", "-----", "SUB.z   #j,d[!Areg]"),
    row("0101 cccc 1100 1rrr", 0, "-----", "ccccc", "DBcc.W  Dr,#1"),
    row("0101 cccc 11dd dDDD", 0, "-----", "ccccc", "Scc.B   d[!Areg]"),
    row("0110 0001 0000 0000", 0, "jjjjj", "jjjjj", "BSR.W   #1"),
    row("0110 0001 IIII IIII", 0, "jjjjj", "jjjjj", "BSR.B   #i"),
    row("0110 0001 1111 1111", 0, "jjjjj", "jjjjj", "BSR.L   #2"),
    row("0110 CCCC 0000 0000", 0, "-----", "ccccc", "Bcc.W   #1"),
    row("0110 CCCC IIII IIII", 0, "-----", "ccccc", "Bcc.B   #i"),
    row("0110 CCCC 1111 1111", 0, "-----", "ccccc", "Bcc.L   #2"),
    row("0111 rrr0 iiii iiii", 0, "-NZ00", "-----", "MOVE.L  #i,Dr"),
    row("1000 rrr0 zzss sSSS", 0, "-NZ00", "-----", "OR.z    s[!Areg],Dr"),
    row("1000 rrr0 11ss sSSS", 0, "uuuuu", "uuuuu", "DIVU.W  s[!Areg],Dr"),
    row("1000 rrr1 00dd dDDD", 0, "X?Z?C", "X-Z--", "SBCD.B  d[Dreg],Dr"),
    row("1000 rrr1 00dd dDDD", 0, "X?Z?C", "X-Z--", "SBCD.B  d[Areg-Apdi],Arp"),
    row("1000 rrr1 zzdd dDDD", 0, "-NZ00", "-----", "OR.z    Dr,d[!Areg,Dreg]"),
    row("1000 rrr1 11ss sSSS", 0, "uuuuu", "uuuuu", "DIVS.W  s[!Areg],Dr"),
    row("1001 rrr0 zzss sSSS", 0, "XNZVC", "-----", "SUB.z   s,Dr"),
    row("1001 rrr0 11ss sSSS", 0, "-----", "-----", "SUBA.W  s,Ar"),
    row("1001 rrr1 zzdd dDDD", 0, "XNZVC", "X-Z--", "SUBX.z  d[Dreg],Dr"),
    row("1001 rrr1 zzdd dDDD", 0, "XNZVC", "X-Z--", "SUBX.z  d[Areg-Apdi],Arp"),
    row("1001 rrr1 zzdd dDDD", 0, "XNZVC", "-----", "SUB.z   Dr,d[!Areg,Dreg]"),
    row("1001 rrr1 11ss sSSS", 0, "-----", "-----", "SUBA.L  s,Ar"),
    row("1011 rrr0 zzss sSSS", 0, "-NZVC", "-----", "CMP.z   s,Dr"),
    row("1011 rrr0 11ss sSSS", 0, "-NZVC", "-----", "CMPA.W  s,Ar"),
    row("1011 rrr1 11ss sSSS", 0, "-NZVC", "-----", "CMPA.L  s,Ar"),
    row("1011 rrr1 zzdd dDDD", 0, "-NZVC", "-----", "CMPM.z  d[Areg-Aipi],ArP"),
    row("1011 rrr1 zzdd dDDD", 0, "-NZ00", "-----", "EOR.z   Dr,d[!Areg]"),
    row("1100 rrr0 zzss sSSS", 0, "-NZ00", "-----", "AND.z   s[!Areg],Dr"),
    row("1100 rrr0 11ss sSSS", 0, "-NZ00", "-----", "MULU.W  s[!Areg],Dr"),
    row("1100 rrr1 00dd dDDD", 0, "X?Z?C", "X-Z--", "ABCD.B  d[Dreg],Dr"),
    row("1100 rrr1 00dd dDDD", 0, "X?Z?C", "X-Z--", "ABCD.B  d[Areg-Apdi],Arp"),
    row("1100 rrr1 zzdd dDDD", 0, "-NZ00", "-----", "AND.z   Dr,d[!Areg,Dreg]"),
    row("1100 rrr1 01dd dDDD", 0, "-----", "-----", "EXG.L   Dr,d[Dreg]"),
    row("1100 rrr1 01dd dDDD", 0, "-----", "-----", "EXG.L   Ar,d[Areg]"),
    row("1100 rrr1 10dd dDDD", 0, "-----", "-----", "EXG.L   Dr,d[Areg]"),
    row("1100 rrr1 11ss sSSS", 0, "-NZ00", "-----", "MULS.W  s[!Areg],Dr"),
    row("1101 rrr0 zzss sSSS", 0, "XNZVC", "-----", "ADD.z   s,Dr"),
    row("1101 rrr0 11ss sSSS", 0, "-----", "-----", "ADDA.W  s,Ar"),
    row("1101 rrr1 zzdd dDDD", 0, "XNZVC", "X-Z--", "ADDX.z  d[Dreg],Dr"),
    row("1101 rrr1 zzdd dDDD", 0, "XNZVC", "X-Z--", "ADDX.z  d[Areg-Apdi],Arp"),
    row("1101 rrr1 zzdd dDDD", 0, "XNZVC", "-----", "ADD.z   Dr,d[!Areg,Dreg]"),
    row("1101 rrr1 11ss sSSS", 0, "-----", "-----", "ADDA.L  s,Ar"),
    row("1110 jjjf zz00 0RRR", 0, "XNZVC", "-----", "ASf.z   #j,DR"),
    row("1110 jjjf zz00 1RRR", 0, "XNZ0C", "-----", "LSf.z   #j,DR"),
    row("1110 jjjf zz01 0RRR", 0, "XNZ0C", "X----", "ROXf.z  #j,DR"),
    row("1110 jjjf zz01 1RRR", 0, "-NZ0C", "-----", "ROf.z   #j,DR"),
    row("1110 rrrf zz10 0RRR", 0, "XNZVC", "X----", "ASf.z   Dr,DR"),
    row("1110 rrrf zz10 1RRR", 0, "XNZ0C", "X----", "LSf.z   Dr,DR"),
    row("1110 rrrf zz11 0RRR", 0, "XNZ0C", "X----", "ROXf.z  Dr,DR"),
    row("1110 rrrf zz11 1RRR", 0, "-NZ0C", "-----", "ROf.z   Dr,DR"),
    row("1110 000f 11dd dDDD", 0, "XNZVC", "-----", "ASfW.W  d[!Dreg,Areg]"),
    row("1110 001f 11dd dDDD", 0, "XNZ0C", "-----", "LSfW.W  d[!Dreg,Areg]"),
    row("1110 010f 11dd dDDD", 0, "XNZ0C", "X----", "ROXfW.W d[!Dreg,Areg]"),
    row("1110 011f 11dd dDDD", 0, "-NZ0C", "-----", "ROfW.W  d[!Dreg,Areg]"),
};

const MnemonicRow mnemonicTable[] = {
    {0, "ILLEGAL"}, {1, "OR"}, {80, "CHK"}, {81, "CHK2"}, {2, "AND"}, {3, "EOR"}, {4, "ORSR"}, {5, "ANDSR"},
    {6, "EORSR"}, {7, "SUB"}, {8, "SUBA"}, {9, "SUBX"}, {10, "SBCD"}, {11, "ADD"}, {12, "ADDA"}, {13, "ADDX"},
    {14, "ABCD"}, {15, "NEG"}, {16, "NEGX"}, {17, "NBCD"}, {18, "CLR"}, {19, "NOT"}, {20, "TST"}, {21, "BTST"},
    {22, "BCHG"}, {23, "BCLR"}, {24, "BSET"}, {25, "CMP"}, {26, "CMPM"}, {27, "CMPA"}, {28, "MVPRM"},
    {29, "MVPMR"}, {30, "MOVE"}, {31, "MOVEA"}, {32, "MVSR2"}, {33, "MV2SR"}, {34, "SWAP"}, {35, "EXG"},
    {36, "EXT"}, {37, "MVMEL"}, {38, "MVMLE"}, {39, "TRAP"}, {40, "MVR2USP"}, {41, "MVUSP2R"}, {43, "NOP"},
    {42, "RESET"}, {45, "RTE"}, {46, "RTD"}, {47, "LINK"}, {48, "UNLK"}, {49, "RTS"}, {44, "STOP"},
    {50, "TRAPV"}, {51, "RTR"}, {52, "JSR"}, {53, "JMP"}, {54, "BSR"}, {55, "Bcc"}, {56, "LEA"}, {57, "PEA"},
    {58, "DBcc"}, {59, "Scc"}, {60, "DIVU"}, {61, "DIVS"}, {62, "MULU"}, {63, "MULS"}, {64, "ASR"},
    {65, "ASL"}, {66, "LSR"}, {67, "LSL"}, {68, "ROL"}, {69, "ROR"}, {70, "ROXL"}, {71, "ROXR"}, {72, "ASRW"},
    {73, "ASLW"}, {74, "LSRW"}, {75, "LSLW"}, {76, "ROLW"}, {77, "RORW"}, {78, "ROXLW"}, {79, "ROXRW"},
    {83, "MOVE2C"}, {82, "MOVEC2"}, {84, "CAS"}, {85, "CAS2"}, {87, "MULL"}, {86, "DIVL"}, {88, "BFTST"},
    {89, "BFEXTU"}, {90, "BFCHG"}, {91, "BFEXTS"}, {92, "BFCLR"}, {93, "BFFFO"}, {94, "BFSET"}, {95, "BFINS"},
    {96, "PACK"}, {97, "UNPK"}, {98, "TAS"}, {99, "BKPT"}, {100, "CALLM"}, {101, "RTM"}, {102, "TRAPcc"},
    {103, "MOVES"}, {104, "FPP"}, {105, "FDBcc"}, {106, "FScc"}, {107, "FTRAPcc"}, {108, "FBcc"},
    {108, "FBcc"}, {109, "FSAVE"}, {110, "FRESTORE"}, {111, "MMUOP"}, {0, ""},
};
