// The compiled-in pattern table and mnemonic table. Each row is written as its
// bit pattern and flag columns; the stored form is computed at compile time.
#include "cpu68k/decode_table.h"

namespace {

// The privilege column, short enough to keep the rows aligned.
constexpr Privilege USER = PRIVILEGE_NONE;
constexpr Privilege LATER = PRIVILEGE_LATER_CPUS;
constexpr Privilege SUPER = PRIVILEGE_SUPERVISOR;

constexpr PatternRow row(const char* bits, Privilege privilege, const char* effect, const char* use, const char* text) {
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
      r.letters[r.variableCount++] = fieldOfLetter(*p);
    }
    --bit;
  }
  for (int f = 0; f < FLAG_COLUMN_COUNT; ++f)
    r.flagInfo[f] =
        effectOfLetter(effect[f], FLAG_LETTERS[f]) << FLAG_EFFECT_SHIFT | useOfLetter(use[f], FLAG_LETTERS[f]);
  r.privilege = privilege;
  r.text = text;
  return r;
}

} // namespace

constexpr PatternRow patternRows[] = {
    row("0000 0000 0011 1100", USER,  "XNZVC", "XNZVC", "ORSR.B  #1"),
    row("0000 0000 0111 1100", SUPER, "uuuuu", "uuuuu", "ORSR.W  #1"),
    row("0000 0000 zzdd dDDD", USER,  "-NZ00", "-----", "OR.z    #z,d[!Areg]"),
    row("0000 0010 0011 1100", USER,  "XNZVC", "XNZVC", "ANDSR.B #1"),
    row("0000 0010 0111 1100", SUPER, "uuuuu", "uuuuu", "ANDSR.W #1"),
    row("0000 0010 zzdd dDDD", USER,  "-NZ00", "-----", "AND.z   #z,d[!Areg]"),
    row("0000 0100 zzdd dDDD", USER,  "XNZVC", "-----", "SUB.z   #z,d[!Areg]"),
    row("0000 0110 zzdd dDDD", USER,  "XNZVC", "-----", "ADD.z   #z,d[!Areg]"),
    row("0000 1000 00ss sSSS", USER,  "--Z--", "-----", "BTST    #1,s[!Areg]"),
    row("0000 1000 01ss sSSS", USER,  "--Z--", "-----", "BCHG    #1,s[!Areg,Immd]"),
    row("0000 1000 10ss sSSS", USER,  "--Z--", "-----", "BCLR    #1,s[!Areg,Immd]"),
    row("0000 1000 11ss sSSS", USER,  "--Z--", "-----", "BSET    #1,s[!Areg,Immd]"),
    row("0000 1010 0011 1100", USER,  "XNZVC", "XNZVC", "EORSR.B #1"),
    row("0000 1010 0111 1100", SUPER, "uuuuu", "uuuuu", "EORSR.W #1"),
    row("0000 1010 zzdd dDDD", USER,  "-NZ00", "-----", "EOR.z   #z,d[!Areg]"),
    row("0000 1100 zzss sSSS", USER,  "-NZVC", "-----", "CMP.z   #z,s[!Areg,Immd]"),
    row("0000 rrr1 00dd dDDD", USER,  "-----", "-----", "MVPMR.W d[Areg-Ad16],Dr"),
    row("0000 rrr1 01dd dDDD", USER,  "-----", "-----", "MVPMR.L d[Areg-Ad16],Dr"),
    row("0000 rrr1 10dd dDDD", USER,  "-----", "-----", "MVPRM.W Dr,d[Areg-Ad16]"),
    row("0000 rrr1 11dd dDDD", USER,  "-----", "-----", "MVPRM.L Dr,d[Areg-Ad16]"),
    row("0000 rrr1 00ss sSSS", USER,  "--Z--", "-----", "BTST    Dr,s[!Areg]"),
    row("0000 rrr1 01ss sSSS", USER,  "--Z--", "-----", "BCHG    Dr,s[!Areg,Immd]"),
    row("0000 rrr1 10ss sSSS", USER,  "--Z--", "-----", "BCLR    Dr,s[!Areg,Immd]"),
    row("0000 rrr1 11ss sSSS", USER,  "--Z--", "-----", "BSET    Dr,s[!Areg,Immd]"),
    row("0001 DDDd ddss sSSS", USER,  "-NZ00", "-----", "MOVE.B  s,d[!Areg]"),
    row("0010 DDDd ddss sSSS", USER,  "-----", "-----", "MOVEA.L s,d[Areg]"),
    row("0010 DDDd ddss sSSS", USER,  "-NZ00", "-----", "MOVE.L  s,d[!Areg]"),
    row("0011 DDDd ddss sSSS", USER,  "-----", "-----", "MOVEA.W s,d[Areg]"),
    row("0011 DDDd ddss sSSS", USER,  "-NZ00", "-----", "MOVE.W  s,d[!Areg]"),
    row("0100 0000 zzdd dDDD", USER,  "X?Z?C", "-----", "NEGX.z  d[!Areg]"),
    row("0100 0000 11dd dDDD", LATER, "uuuuu", "uuuuu", "MVSR2.W d[!Areg]"),
    row("0100 0010 zzdd dDDD", USER,  "-0100", "-----", "CLR.z   d[!Areg]"),
    row("0100 0100 zzdd dDDD", USER,  "XNZVC", "-----", "NEG.z   d[!Areg]"),
    row("0100 0100 11ss sSSS", USER,  "XNZVC", "-----", "MV2SR.B s[!Areg]"),
    row("0100 0110 zzdd dDDD", USER,  "-NZ00", "-----", "NOT.z   d[!Areg]"),
    row("0100 0110 11ss sSSS", SUPER, "uuuuu", "uuuuu", "MV2SR.W s[!Areg]"),
    row("0100 1000 00dd dDDD", USER,  "XuZuC", "X-Z--", "NBCD.B  d[!Areg]"),
    row("0100 1000 01ss sSSS", USER,  "-NZ00", "-----", "SWAP.W  s[Dreg]"),
    row("0100 1000 01ss sSSS", USER,  "-----", "-----", "PEA.L   s[!Dreg,Areg,Aipi,Apdi,Immd]"),
    row("0100 1000 10dd dDDD", USER,  "-NZ00", "-----", "EXT.W   d[Dreg]"),
    row("0100 1000 10dd dDDD", USER,  "-----", "-----", "MVMLE.W #1,d[!Dreg,Areg,Aipi]"),
    row("0100 1000 11dd dDDD", USER,  "-NZ00", "-----", "EXT.L   d[Dreg]"),
    row("0100 1000 11dd dDDD", USER,  "-----", "-----", "MVMLE.L #1,d[!Dreg,Areg,Aipi]"),
    row("0100 1001 11dd dDDD", USER,  "-NZ00", "-----", "EXT.B   d[Dreg]"),
    row("0100 1010 zzss sSSS", USER,  "-NZ00", "-----", "TST.z   s"),
    row("0100 1010 11dd dDDD", USER,  "uuuuu", "uuuuu", "TAS.B   d[!Areg]"),
    row("0100 1010 1111 1100", USER,  "uuuuu", "uuuuu", "ILLEGAL"),
    row("0100 1100 10ss sSSS", USER,  "-----", "-----", "MVMEL.W #1,s[!Dreg,Areg,Apdi,Immd]"),
    row("0100 1100 11ss sSSS", USER,  "-----", "-----", "MVMEL.L #1,s[!Dreg,Areg,Apdi,Immd]"),
    row("0100 1110 0100 JJJJ", USER,  "-----", "XNZVC", "TRAP    #J"),
    row("0100 1110 0101 0rrr", USER,  "-----", "-----", "LINK.W  Ar,#1"),
    row("0100 1110 0101 1rrr", USER,  "-----", "-----", "UNLK.L  Ar"),
    row("0100 1110 0110 0rrr", SUPER, "-----", "-----", "MVR2USP.L Ar"),
    row("0100 1110 0110 1rrr", SUPER, "-----", "-----", "MVUSP2R.L Ar"),
    row("0100 1110 0111 0000", SUPER, "-----", "-----", "RESET"),
    row("0100 1110 0111 0001", USER,  "-----", "-----", "NOP"),
    row("0100 1110 0111 0010", SUPER, "XNZVC", "-----", "STOP    #1"),
    row("0100 1110 0111 0011", SUPER, "XNZVC", "-----", "RTE"),
    row("0100 1110 0111 0100", USER,  "uuuuu", "uuuuu", "RTD     #1"),
    row("0100 1110 0111 0101", USER,  "-----", "-----", "RTS"),
    row("0100 1110 0111 0110", USER,  "-----", "XNZVC", "TRAPV"),
    row("0100 1110 0111 0111", USER,  "XNZVC", "-----", "RTR"),
    row("0100 1110 10ss sSSS", USER,  "jjjjj", "jjjjj", "JSR.L   s[!Dreg,Areg,Aipi,Apdi,Immd]"),
    row("0100 rrr1 00ss sSSS", USER,  "uuuuu", "uuuuu", "CHK.L   s[!Areg],Dr"),
    row("0100 rrr1 10ss sSSS", USER,  "uuuuu", "uuuuu", "CHK.W   s[!Areg],Dr"),
    row("0100 1110 11ss sSSS", USER,  "jjjjj", "jjjjj", "JMP.L   s[!Dreg,Areg,Aipi,Apdi,Immd]"),
    row("0100 rrr1 11ss sSSS", USER,  "-----", "-----", "LEA.L   s[!Dreg,Areg,Aipi,Apdi,Immd],Ar"),
    row("0101 jjj0 zzdd dDDD", USER,  "-----", "-----", "ADDA.z  #j,d[Areg]"),
    row("0101 jjj0 zzdd dDDD", USER,  "XNZVC", "-----", "ADD.z   #j,d[!Areg]"),
    row("0101 jjj1 zzdd dDDD", USER,  "-----", "-----", "SUBA.z  #j,d[Areg]"),
    row("0101 jjj1 zzdd dDDD", USER,  "XNZVC", "-----", "SUB.z   #j,d[!Areg]"),
    row("0101 cccc 1100 1rrr", USER,  "-----", "ccccc", "DBcc.W  Dr,#1"),
    row("0101 cccc 11dd dDDD", USER,  "-----", "ccccc", "Scc.B   d[!Areg]"),
    row("0110 0001 0000 0000", USER,  "jjjjj", "jjjjj", "BSR.W   #1"),
    row("0110 0001 IIII IIII", USER,  "jjjjj", "jjjjj", "BSR.B   #i"),
    row("0110 0001 1111 1111", USER,  "jjjjj", "jjjjj", "BSR.L   #2"),
    row("0110 CCCC 0000 0000", USER,  "-----", "ccccc", "Bcc.W   #1"),
    row("0110 CCCC IIII IIII", USER,  "-----", "ccccc", "Bcc.B   #i"),
    row("0110 CCCC 1111 1111", USER,  "-----", "ccccc", "Bcc.L   #2"),
    row("0111 rrr0 iiii iiii", USER,  "-NZ00", "-----", "MOVE.L  #i,Dr"),
    row("1000 rrr0 zzss sSSS", USER,  "-NZ00", "-----", "OR.z    s[!Areg],Dr"),
    row("1000 rrr0 11ss sSSS", USER,  "uuuuu", "uuuuu", "DIVU.W  s[!Areg],Dr"),
    row("1000 rrr1 00dd dDDD", USER,  "X?Z?C", "X-Z--", "SBCD.B  d[Dreg],Dr"),
    row("1000 rrr1 00dd dDDD", USER,  "X?Z?C", "X-Z--", "SBCD.B  d[Areg-Apdi],Arp"),
    row("1000 rrr1 zzdd dDDD", USER,  "-NZ00", "-----", "OR.z    Dr,d[!Areg,Dreg]"),
    row("1000 rrr1 11ss sSSS", USER,  "uuuuu", "uuuuu", "DIVS.W  s[!Areg],Dr"),
    row("1001 rrr0 zzss sSSS", USER,  "XNZVC", "-----", "SUB.z   s,Dr"),
    row("1001 rrr0 11ss sSSS", USER,  "-----", "-----", "SUBA.W  s,Ar"),
    row("1001 rrr1 zzdd dDDD", USER,  "XNZVC", "X-Z--", "SUBX.z  d[Dreg],Dr"),
    row("1001 rrr1 zzdd dDDD", USER,  "XNZVC", "X-Z--", "SUBX.z  d[Areg-Apdi],Arp"),
    row("1001 rrr1 zzdd dDDD", USER,  "XNZVC", "-----", "SUB.z   Dr,d[!Areg,Dreg]"),
    row("1001 rrr1 11ss sSSS", USER,  "-----", "-----", "SUBA.L  s,Ar"),
    row("1011 rrr0 zzss sSSS", USER,  "-NZVC", "-----", "CMP.z   s,Dr"),
    row("1011 rrr0 11ss sSSS", USER,  "-NZVC", "-----", "CMPA.W  s,Ar"),
    row("1011 rrr1 11ss sSSS", USER,  "-NZVC", "-----", "CMPA.L  s,Ar"),
    row("1011 rrr1 zzdd dDDD", USER,  "-NZVC", "-----", "CMPM.z  d[Areg-Aipi],ArP"),
    row("1011 rrr1 zzdd dDDD", USER,  "-NZ00", "-----", "EOR.z   Dr,d[!Areg]"),
    row("1100 rrr0 zzss sSSS", USER,  "-NZ00", "-----", "AND.z   s[!Areg],Dr"),
    row("1100 rrr0 11ss sSSS", USER,  "-NZ00", "-----", "MULU.W  s[!Areg],Dr"),
    row("1100 rrr1 00dd dDDD", USER,  "X?Z?C", "X-Z--", "ABCD.B  d[Dreg],Dr"),
    row("1100 rrr1 00dd dDDD", USER,  "X?Z?C", "X-Z--", "ABCD.B  d[Areg-Apdi],Arp"),
    row("1100 rrr1 zzdd dDDD", USER,  "-NZ00", "-----", "AND.z   Dr,d[!Areg,Dreg]"),
    row("1100 rrr1 01dd dDDD", USER,  "-----", "-----", "EXG.L   Dr,d[Dreg]"),
    row("1100 rrr1 01dd dDDD", USER,  "-----", "-----", "EXG.L   Ar,d[Areg]"),
    row("1100 rrr1 10dd dDDD", USER,  "-----", "-----", "EXG.L   Dr,d[Areg]"),
    row("1100 rrr1 11ss sSSS", USER,  "-NZ00", "-----", "MULS.W  s[!Areg],Dr"),
    row("1101 rrr0 zzss sSSS", USER,  "XNZVC", "-----", "ADD.z   s,Dr"),
    row("1101 rrr0 11ss sSSS", USER,  "-----", "-----", "ADDA.W  s,Ar"),
    row("1101 rrr1 zzdd dDDD", USER,  "XNZVC", "X-Z--", "ADDX.z  d[Dreg],Dr"),
    row("1101 rrr1 zzdd dDDD", USER,  "XNZVC", "X-Z--", "ADDX.z  d[Areg-Apdi],Arp"),
    row("1101 rrr1 zzdd dDDD", USER,  "XNZVC", "-----", "ADD.z   Dr,d[!Areg,Dreg]"),
    row("1101 rrr1 11ss sSSS", USER,  "-----", "-----", "ADDA.L  s,Ar"),
    row("1110 jjjf zz00 0RRR", USER,  "XNZVC", "-----", "ASf.z   #j,DR"),
    row("1110 jjjf zz00 1RRR", USER,  "XNZ0C", "-----", "LSf.z   #j,DR"),
    row("1110 jjjf zz01 0RRR", USER,  "XNZ0C", "X----", "ROXf.z  #j,DR"),
    row("1110 jjjf zz01 1RRR", USER,  "-NZ0C", "-----", "ROf.z   #j,DR"),
    row("1110 rrrf zz10 0RRR", USER,  "XNZVC", "X----", "ASf.z   Dr,DR"),
    row("1110 rrrf zz10 1RRR", USER,  "XNZ0C", "X----", "LSf.z   Dr,DR"),
    row("1110 rrrf zz11 0RRR", USER,  "XNZ0C", "X----", "ROXf.z  Dr,DR"),
    row("1110 rrrf zz11 1RRR", USER,  "-NZ0C", "-----", "ROf.z   Dr,DR"),
    row("1110 000f 11dd dDDD", USER,  "XNZVC", "-----", "ASfW.W  d[!Dreg,Areg]"),
    row("1110 001f 11dd dDDD", USER,  "XNZ0C", "-----", "LSfW.W  d[!Dreg,Areg]"),
    row("1110 010f 11dd dDDD", USER,  "XNZ0C", "X----", "ROXfW.W d[!Dreg,Areg]"),
    row("1110 011f 11dd dDDD", USER,  "-NZ0C", "-----", "ROfW.W  d[!Dreg,Areg]"),
};

// Every name the design lists, ended by an empty name. Only the ids that
// pattern rows produce are used; the rest (the MnemonicId values of later
// family members) are looked up by no row. FBcc is listed twice; the lookup
// takes the first.
const MnemonicRow mnemonicTable[] = {
    {MN_ILLEGAL, "ILLEGAL"}, {MN_OR, "OR"}, {MN_CHK, "CHK"}, {MN_CHK2, "CHK2"}, {MN_AND, "AND"},
    {MN_EOR, "EOR"}, {MN_ORSR, "ORSR"}, {MN_ANDSR, "ANDSR"}, {MN_EORSR, "EORSR"}, {MN_SUB, "SUB"},
    {MN_SUBA, "SUBA"}, {MN_SUBX, "SUBX"}, {MN_SBCD, "SBCD"}, {MN_ADD, "ADD"}, {MN_ADDA, "ADDA"},
    {MN_ADDX, "ADDX"}, {MN_ABCD, "ABCD"}, {MN_NEG, "NEG"}, {MN_NEGX, "NEGX"}, {MN_NBCD, "NBCD"},
    {MN_CLR, "CLR"}, {MN_NOT, "NOT"}, {MN_TST, "TST"}, {MN_BTST, "BTST"}, {MN_BCHG, "BCHG"}, {MN_BCLR, "BCLR"},
    {MN_BSET, "BSET"}, {MN_CMP, "CMP"}, {MN_CMPM, "CMPM"}, {MN_CMPA, "CMPA"}, {MN_MVPRM, "MVPRM"},
    {MN_MVPMR, "MVPMR"}, {MN_MOVE, "MOVE"}, {MN_MOVEA, "MOVEA"}, {MN_MVSR2, "MVSR2"}, {MN_MV2SR, "MV2SR"},
    {MN_SWAP, "SWAP"}, {MN_EXG, "EXG"}, {MN_EXT, "EXT"}, {MN_MVMEL, "MVMEL"}, {MN_MVMLE, "MVMLE"},
    {MN_TRAP, "TRAP"}, {MN_MVR2USP, "MVR2USP"}, {MN_MVUSP2R, "MVUSP2R"}, {MN_NOP, "NOP"}, {MN_RESET, "RESET"},
    {MN_RTE, "RTE"}, {MN_RTD, "RTD"}, {MN_LINK, "LINK"}, {MN_UNLK, "UNLK"}, {MN_RTS, "RTS"}, {MN_STOP, "STOP"},
    {MN_TRAPV, "TRAPV"}, {MN_RTR, "RTR"}, {MN_JSR, "JSR"}, {MN_JMP, "JMP"}, {MN_BSR, "BSR"}, {MN_BCC, "Bcc"},
    {MN_LEA, "LEA"}, {MN_PEA, "PEA"}, {MN_DBCC, "DBcc"}, {MN_SCC, "Scc"}, {MN_DIVU, "DIVU"}, {MN_DIVS, "DIVS"},
    {MN_MULU, "MULU"}, {MN_MULS, "MULS"}, {MN_ASR, "ASR"}, {MN_ASL, "ASL"}, {MN_LSR, "LSR"}, {MN_LSL, "LSL"},
    {MN_ROL, "ROL"}, {MN_ROR, "ROR"}, {MN_ROXL, "ROXL"}, {MN_ROXR, "ROXR"}, {MN_ASRW, "ASRW"},
    {MN_ASLW, "ASLW"}, {MN_LSRW, "LSRW"}, {MN_LSLW, "LSLW"}, {MN_ROLW, "ROLW"}, {MN_RORW, "RORW"},
    {MN_ROXLW, "ROXLW"}, {MN_ROXRW, "ROXRW"}, {MN_MOVE2C, "MOVE2C"}, {MN_MOVEC2, "MOVEC2"}, {MN_CAS, "CAS"},
    {MN_CAS2, "CAS2"}, {MN_MULL, "MULL"}, {MN_DIVL, "DIVL"}, {MN_BFTST, "BFTST"}, {MN_BFEXTU, "BFEXTU"},
    {MN_BFCHG, "BFCHG"}, {MN_BFEXTS, "BFEXTS"}, {MN_BFCLR, "BFCLR"}, {MN_BFFFO, "BFFFO"}, {MN_BFSET, "BFSET"},
    {MN_BFINS, "BFINS"}, {MN_PACK, "PACK"}, {MN_UNPK, "UNPK"}, {MN_TAS, "TAS"}, {MN_BKPT, "BKPT"},
    {MN_CALLM, "CALLM"}, {MN_RTM, "RTM"}, {MN_TRAPCC, "TRAPcc"}, {MN_MOVES, "MOVES"}, {MN_FPP, "FPP"},
    {MN_FDBCC, "FDBcc"}, {MN_FSCC, "FScc"}, {MN_FTRAPCC, "FTRAPcc"}, {MN_FBCC, "FBcc"}, {MN_FBCC, "FBcc"},
    {MN_FSAVE, "FSAVE"}, {MN_FRESTORE, "FRESTORE"}, {MN_MMUOP, "MMUOP"}, {MN_ILLEGAL, ""},
};

const int PATTERN_ROW_COUNT = int(sizeof patternRows / sizeof patternRows[0]);
