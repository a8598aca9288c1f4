// The disassembler: the spellings a reader relies on, reading machineMemory, the
// quillomark-disasm command line, and the round trip of every opcode through the
// GNU assembler.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <random>
#include <sstream>

#include "app/program_info.h"
#include "cpu/cpu_fixture.h"
#include "cpu68k/decode_table.h"
#include "cpu68k/disassemble.h"
#include "cpu68k/exceptions.h"

namespace {

std::string disassembleWords(uint32_t address, const std::vector<uint16_t>& words, int* length = nullptr) {
  std::vector<uint8_t> code(MAX_INSTRUCTION_BYTES);
  for (size_t i = 0; i < words.size(); ++i) {
    code[2 * i] = uint8_t(words[i] >> 8);
    code[2 * i + 1] = uint8_t(words[i]);
  }
  char text[DISASSEMBLY_TEXT_SIZE];
  const int n = disassemble(address, code.data(), text, sizeof text);
  if (length)
    *length = n;
  return text;
}

struct Spelling {
  uint32_t address;
  std::vector<uint16_t> words;
  const char* text;
};

// What the round trip cannot see: words that are no instruction, branch targets
// against the address, numbers below ten in decimal, register lists, implicit registers.
const Spelling SPELLINGS[] = {
    {0, {0xFFFF}, "dc.w 0xffff"},
    {0, {0x4AFC}, "illegal"},
    {0x1000, {0x60FE}, "bra.s 0x1000"},
    {0x1000, {0x6700, 0x0010}, "beq.w 0x1012"},
    {0x1000, {0x61FF, 0xFFFF, 0xFFFE}, "bsr.l 0x1000"},
    {0x2000, {0x51C8, 0xFFFE}, "dbf d0,.+0"}, // an absolute target would assemble to displacement 0
    {0x2000, {0x51C9, 0x0010}, "dbf d1,.+0x12"},
    {0, {0x0201, 0xFFF0}, "andi.b #-0x10,d1"}, // the assembler's own words for a negative byte
    {0, {0x0201, 0x12F0}, "dc.w 0x0201,0x12f0"}, // a high byte no text gives: data
    {0, {0x0800, 0x0103}, "dc.w 0x0800,0x0103"},
    {0, {0x48E7, 0xC0C0}, "movem.l d0-d1/a0-a1,-(a7)"},
    {0, {0x4CDF, 0x7F01}, "movem.l (a7)+,d0/a0-a6"},
    {0, {0x303B, 0x98FE}, "move.w (-2,pc,a1.l),d0"},
    {0, {0x2E35, 0x3636}, "dc.w 0x2e35,0x3636"}, // index word bits 10-8, which the 68000 ignores: no text
    {0, {0x3028, 0x0000}, "move.w (0.w,a0),d0"},
    {0, {0x70F6}, "moveq #-0xa,d0"},
    {0, {0x5A40}, "addq.w #5,d0"},
    {0, {0x023C, 0x00FE}, "andi.b #0xfe,ccr"},
    {0, {0x40C0}, "move.w sr,d0"},
    {0, {0x4E68}, "move.l usp,a0"},
    {0, {0x4E56, 0xFFF0}, "link.w a6,#-0x10"},
};

TEST(Disassembler, SpellsWhatTheRoundTripCannotCheck) {
  for (const Spelling& s : SPELLINGS) {
    int length = 0;
    EXPECT_EQ(disassembleWords(s.address, s.words, &length), s.text);
    EXPECT_EQ(length, int(2 * s.words.size())) << s.text;
  }
}

TEST(Disassembler, ReadsMachineMemorySilentlyAndCutsTheText) {
  cpuMachine({});
  pokeWords(CODE_ADDRESS, {0x23FC, 0x1234, 0x5678, 0x0008, 0x0014});
  // The last word of the image: the long immediate reads past it as zeros, without a warning.
  pokeWords(MEMORY_SIZE - 2, {0x203C});
  char text[DISASSEMBLY_TEXT_SIZE];
  int lengths[2] = {};
  const std::string out = captureStdout([&] {
    lengths[0] = disassembleMemory(CODE_ADDRESS, text, sizeof text);
    EXPECT_STREQ(text, "move.l #0x12345678,(0x80014).l");
    lengths[1] = disassembleMemory(MEMORY_SIZE - 2, text, sizeof text);
    EXPECT_STREQ(text, "move.l #0,d0");
  });
  EXPECT_EQ(out, "");
  EXPECT_EQ(lengths[0], 10);
  EXPECT_EQ(lengths[1], 6);
  char small[8];
  EXPECT_EQ(disassembleMemory(CODE_ADDRESS, small, sizeof small), 10);
  EXPECT_STREQ(small, "move.l ");
}

// --- quillomark-disasm ---

struct ToolRun {
  int exitCode;
  std::string out, err;
};

ToolRun runTool(const std::string& dir, const std::string& args) {
  ToolRun run;
  run.exitCode = runIn(dir, std::string(QUILLOMARK_DISASM) + " " + args + " > out.txt 2> err.txt");
  const std::vector<uint8_t> out = readFile(dir + "/out.txt"), err = readFile(dir + "/err.txt");
  run.out.assign(out.begin(), out.end());
  run.err.assign(err.begin(), err.end());
  return run;
}

struct ToolCase {
  const char* args;
  int exitCode;
  const char* out; // exact standard output
  const char* err; // start of standard error
};

const ToolCase TOOL_CASES[] = {
    // code.bin: moveq, lea (xxx).l, bra.s back to the origin, then two instructions cut off by the end.
    {"code.bin", 0,
     "00000000\t7001\tmoveq #1,d0\n"
     "00000002\t41f9 0001 0000\tlea (0x10000).l,a0\n"
     "00000008\t60f6\tbra.s 0\n"
     "0000000a\t203c\tdc.w 0x203c\n"
     "0000000c\t0001\tdc.w 0x0001\n",
     ""},
    {"--count 2 --origin 0x400 code.bin", 0,
     "00000400\t7001\tmoveq #1,d0\n"
     "00000402\t41f9 0001 0000\tlea (0x10000).l,a0\n",
     ""},
    {"odd.bin", 0, "00000000\t4e71\tnop\n00000002\t4e\tdc.b 0x4e\n", ""},
    {"--count 2 roms", 0, "00000000\t4e75\trts\n00000002\t4e71\tnop\n", ""},
    {"missing.bin", 2, "", "quillomark-disasm: cannot read missing.bin: "},
    {"--count 1 --origin 010 code.bin", 0, "0000000a\t7001\tmoveq #1,d0\n", ""}, // decimal, not octal
    {"--origin 0x1g code.bin", 2, "", "quillomark-disasm: --origin wants a number"},
    {"--count ' 1' code.bin", 2, "", "quillomark-disasm: --count wants a number"},
    {"--count", 2, "", "quillomark-disasm: --count wants a value\n"},
    {"--fast code.bin", 2, "", "quillomark-disasm: unknown option --fast"},
    {"code.bin odd.bin", 2, "", "quillomark-disasm: one FILE only"},
    {"", 2, "", "quillomark-disasm: no FILE given"},
    // A source: branch targets from the instruction. prog.elf: a padding word that would take the
    // next function's first word, each symbol on its line.
    {"--source code.bin", 0, "\tmoveq #1,d0\n\tlea (0x10000).l,a0\n\tbra.s .-8\n\tdc.w 0x203c\n\tdc.w 0x0001\n", ""},
    {"prog.elf", 0,
     "00000400\t\t.section .text,\"ax\"\nstart:\n00000400\t0000\tdc.w 0x0000\nspin:\n00000402\t60fe\tbra.s .+0\n", ""},
    {"--source --count 1 prog.elf", 0,
     "| ld options: --entry=0x400 --section-start=.text=0x400\n\t.section .text,\"ax\"\nstart:\n\tdc.w 0x0000\n", ""},
    {"--origin 2 prog.elf", 2, "", "quillomark-disasm: prog.elf is an ELF file"},
    {"cut.elf", 2, "", "quillomark-disasm: cannot read cut.elf: truncated or damaged section table\n"},
};

TEST(DisassemblerTool, PrintsFilesAndRomSetsAndRefusesBadArguments) {
  const std::string dir = makeScratchDir("disasm_tool");
  ASSERT_TRUE(writeFile(dir + "/code.bin", {0x70, 0x01, 0x41, 0xF9, 0x00, 0x01, 0x00, 0x00, 0x60, 0xF6, 0x20,
                                            0x3C, 0x00, 0x01}));
  ASSERT_TRUE(writeFile(dir + "/odd.bin", {0x4E, 0x71, 0x4E}));
  ASSERT_EQ(mkdir((dir + "/roms").c_str(), 0755), 0);
  writeRomSet(dir + "/roms", {0x4E, 0x75, 0x4E, 0x71});
  const std::vector<uint8_t> elf = symbolFile({{"start", 0x400, 2}, {"spin", 0x402, 2}}, {0x00, 0x00, 0x60, 0xFE});
  ASSERT_TRUE(writeFile(dir + "/prog.elf", elf));
  ASSERT_TRUE(writeFile(dir + "/cut.elf", std::vector<uint8_t>(elf.begin(), elf.end() - 1)));
  for (const ToolCase& c : TOOL_CASES) {
    const ToolRun run = runTool(dir, c.args);
    EXPECT_EQ(run.exitCode, c.exitCode) << c.args;
    EXPECT_EQ(run.out, c.out) << c.args;
    EXPECT_EQ(run.err.substr(0, strlen(c.err)), c.err) << c.args;
    EXPECT_LE(std::count(run.err.begin(), run.err.end(), '\n'), 1) << c.args;
  }
  const ToolRun help = runTool(dir, "--help"), version = runTool(dir, "--version");
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_EQ(help.out.rfind("usage: quillomark-disasm [--origin ADDRESS] [--count N] [--source] FILE\n", 0), 0u)
      << help.out;
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_EQ(version.out, std::string("quillomark-disasm ") + QUILLOMARK_VERSION + "\n");
}

// --- Round trip through the GNU assembler ---

inline constexpr uint32_t BRIEF_IGNORED_BITS = 0x0700; // bits 10-8 of a brief extension word
inline constexpr uint32_t BYTE_IMMEDIATE_MASK = 0xFF;  // the 68000 ignores the high byte of the word
inline constexpr unsigned ROUND_TRIP_SEED = 68000;

// A random value, often small, so that zero displacements and quick-range and
// moveq-range immediates come up as well as arbitrary ones.
uint32_t randomValue(std::mt19937& rng) {
  switch (rng() % 4) {
  case 0: return uint32_t(int32_t(rng() % 17) - 8);
  case 1: return uint32_t(int32_t(rng() % 256) - 128);
  default: return rng();
  }
}

void layWord(std::vector<uint8_t>& code, uint32_t w) {
  code.push_back(uint8_t(w >> 8));
  code.push_back(uint8_t(w));
}

// The extension words of one operand, with the bits the 68000 ignores clear.
void layExtension(std::vector<uint8_t>& code, const InstrEntry& e, uint32_t mode, std::mt19937& rng) {
  const uint32_t v = randomValue(rng);
  const bool byteImmediate = e.size == SIZE_BYTE || isBitOperation(e.mnemonic);
  switch (mode) {
  case MODE_AD16: case MODE_PC16: case MODE_ABSW: layWord(code, v); break;
  case MODE_ABSL: case MODE_IMM2: layWord(code, v >> 16); layWord(code, v); break;
  case MODE_AD8R: case MODE_PC8R: // a random index register, a displacement that is often small
    layWord(code, ((rng() & ~BYTE_IMMEDIATE_MASK) | (v & BYTE_IMMEDIATE_MASK)) & ~BRIEF_IGNORED_BITS);
    break;
  case MODE_IMMD:
    if (e.size == SIZE_LONG)
      layWord(code, v >> 16);
    layWord(code, e.size == SIZE_BYTE ? v & BYTE_IMMEDIATE_MASK : v);
    break;
  case MODE_IMM1: layWord(code, byteImmediate ? v & BYTE_IMMEDIATE_MASK : v); break;
  default: break;
  }
}

uint32_t wordAt(const std::vector<uint8_t>& code, size_t at) { return uint32_t(code[at]) << 8 | code[at + 1]; }

// The immediate after '#' in a line of text.
int64_t immediateOf(const std::string& text) { return std::stoll(text.substr(text.find('#') + 1), nullptr, 0); }

std::string numberText(int64_t v) {
  char s[24];
  snprintf(s, sizeof s, v < 0 ? "-" : "");
  const uint64_t magnitude = uint64_t(v < 0 ? -v : v);
  snprintf(s + strlen(s), sizeof s - strlen(s), magnitude < 10 ? "%llu" : "0x%llx", (unsigned long long)magnitude);
  return s;
}

// Where the assembler cannot give back the words, and how each case is checked instead.
enum CheckKind {
  SAME_TEXT,  // the line itself is assembled; the assembler's words disassemble to the rewritten text
  SAME_WORDS, // the rewritten line is assembled; it gives the words back, up to freeOpcodeBits
};
struct Exception {
  const char* what;
  bool (*matches)(const InstrEntry& e, uint32_t immediateLong);
  std::string (*rewrite)(const std::string& text, uint32_t address);
  CheckKind kind;
  uint32_t freeOpcodeBits;
};

// The register field of the data register in OR, AND, ADD, SUB and CMP <ea>,Dn (the
// immediate instructions name the register in the effective-address field).
inline constexpr uint32_t DATA_REGISTER_POSITION = 9;

bool isAluImmediateToDataRegister(const InstrEntry& e, uint32_t) {
  const bool alu = e.mnemonic == MN_OR || e.mnemonic == MN_AND || e.mnemonic == MN_ADD || e.mnemonic == MN_SUB ||
                   e.mnemonic == MN_CMP;
  return alu && e.srcMode == MODE_IMMD && e.dstMode == MODE_DREG && e.dstPos == DATA_REGISTER_POSITION;
}

// or.w #0x1234,d0 is written as ori.w; add and sub of 1 to 8 as addq and subq.
std::string immediateForm(const std::string& text, uint32_t) {
  const size_t dot = text.find('.');
  const std::string name = text.substr(0, dot);
  const int64_t v = immediateOf(text);
  const bool quick = (name == "add" || name == "sub") && v >= 1 && v <= 8;
  return name + (quick ? "q" : "i") + text.substr(dot);
}

bool isMoveqRange(const InstrEntry& e, uint32_t immediateLong) {
  return e.mnemonic == MN_MOVE && e.srcMode == MODE_IMMD && e.dstMode == MODE_DREG && e.size == SIZE_LONG &&
         int32_t(immediateLong) == int8_t(immediateLong);
}

std::string moveqForm(const std::string& text, uint32_t) {
  return "moveq #" + numberText(int8_t(immediateOf(text))) + text.substr(text.find(','));
}

bool isBitChangeOnPc(const InstrEntry& e, uint32_t) {
  return isBitOperation(e.mnemonic) && e.mnemonic != MN_BTST && (e.dstMode == MODE_PC16 || e.dstMode == MODE_PC8R);
}

std::string asBitTest(const std::string& text, uint32_t) { return "btst" + text.substr(text.find(' ')); }

bool isBitTestOfImmediate(const InstrEntry& e, uint32_t) {
  return e.mnemonic == MN_BTST && e.srcMode == MODE_IMM1 && e.dstMode == MODE_IMMD;
}

// btst #n,#imm becomes btst #n,(imm).w: the same words but the mode's register field.
std::string asAbsoluteShort(const std::string& text, uint32_t) {
  const size_t at = text.rfind('#');
  return text.substr(0, at) + "(" + text.substr(at + 1) + ").w";
}

inline constexpr uint32_t BIT_OPERATION_BITS = 0x00C0; // BTST, BCHG, BCLR, BSET
inline constexpr uint32_t MODE_REGISTER_BITS = 0x0007;

const Exception EXCEPTIONS[] = {
    {"OR/AND/ADD/SUB/CMP #imm,Dn become ORI/ANDI/ADDI/ADDQ/SUBI/SUBQ/CMPI", isAluImmediateToDataRegister,
     immediateForm, SAME_TEXT, 0},
    {"MOVE.L #imm,Dn with -128 <= imm <= 127 becomes MOVEQ", isMoveqRange, moveqForm, SAME_TEXT, 0},
    {"BCHG/BCLR/BSET on a PC-relative operand: no 68000 syntax (checked as BTST)", isBitChangeOnPc, asBitTest,
     SAME_WORDS, BIT_OPERATION_BITS},
    {"BTST #n,#imm: no 68000 syntax (checked as BTST #n,(imm).w)", isBitTestOfImmediate, asAbsoluteShort,
     SAME_WORDS, MODE_REGISTER_BITS},
};
inline constexpr int EXCEPTION_COUNT = int(sizeof EXCEPTIONS / sizeof EXCEPTIONS[0]);

// Assembles dir/name.s, links it at 0 and writes its bytes to dir/name.bin, the errors to dir/as.txt.
int assembleAtZero(const std::string& dir, const std::string& name) {
  return runIn(dir, "sh -c 'm68k-linux-gnu-as -m68020 --register-prefix-optional " + name + ".s -o " + name +
                        ".o && m68k-linux-gnu-ld -Ttext=0 -e 0 -o " + name + ".elf " + name +
                        ".o && m68k-linux-gnu-objcopy -O binary " + name + ".elf " + name + ".bin' 2> as.txt");
}

// The start of what the assembler said.
std::string assemblerErrors(const std::string& dir) {
  const std::vector<uint8_t> errors = readFile(dir + "/as.txt");
  return std::string(errors.begin(), errors.begin() + std::min<size_t>(errors.size(), 2000));
}

bool haveCrossTools() {
  return system("{ command -v m68k-linux-gnu-as && command -v m68k-linux-gnu-ld && "
                "command -v m68k-linux-gnu-objcopy; } > /dev/null 2>&1") == 0;
}

// The words in hex, each after prefix, between separators.
std::string wordsText(const std::vector<uint8_t>& code, size_t at, size_t length, const char* prefix = "",
                      const char* separator = " ") {
  std::string s;
  char w[16];
  for (size_t i = 0; i < length; i += 2) {
    snprintf(w, sizeof w, "%s%s%04x", i ? separator : "", prefix, wordAt(code, at + i));
    s += w;
  }
  return s;
}

inline constexpr int NO_EXCEPTION = -1;

struct Line {
  uint32_t address;
  size_t length;
  std::string text;
  int exception; // index into EXCEPTIONS, or NO_EXCEPTION
};

TEST(DisassemblerRoundTrip, EveryOpcodeAssemblesBackToItsWords) {
  if (!haveCrossTools())
    GTEST_SKIP() << "m68k-linux-gnu-as, -ld or -objcopy not found (package binutils-m68k-linux-gnu): "
                    "the assembler round trip is skipped";
  cpuMachine({});
  // Every opcode with a handler, in opcode order, at origin 0; the branches come after
  // 0x8000 bytes of other instructions, so no short or word branch target is negative.
  std::mt19937 rng(ROUND_TRIP_SEED);
  std::vector<uint8_t> code;
  std::vector<Line> lines;
  for (uint32_t op = 0; op < OPCODE_COUNT; ++op) {
    if (opHandlerTable[op] == illegalInstruction)
      continue;
    const InstrEntry& e = decodeState.table[op];
    const size_t at = code.size();
    layWord(code, op);
    if (e.srcUsed)
      layExtension(code, e, e.srcMode, rng);
    if (e.dstUsed)
      layExtension(code, e, e.dstMode, rng);
    const uint32_t immediateLong = code.size() - at >= 6 ? wordAt(code, at + 2) << 16 | wordAt(code, at + 4) : 0;
    int exception = NO_EXCEPTION;
    for (int x = 0; x < EXCEPTION_COUNT && exception == NO_EXCEPTION; ++x)
      if (EXCEPTIONS[x].matches(e, immediateLong))
        exception = x;
    lines.push_back({uint32_t(at), code.size() - at, "", exception});
  }
  const std::string dir = makeScratchDir("disasm_round_trip");
  ASSERT_TRUE(writeFile(dir + "/words.bin", code));
  const ToolRun listing = runTool(dir, "words.bin");
  ASSERT_EQ(listing.exitCode, 0) << listing.err;

  // The listing: one line per generated instruction, with its address and words.
  std::istringstream in(listing.out);
  std::string main, tail, row;
  int counts[EXCEPTION_COUNT] = {};
  for (Line& l : lines) {
    ASSERT_TRUE(std::getline(in, row)) << "listing ends before " << l.address;
    char address[16];
    snprintf(address, sizeof address, "%08x\t", l.address);
    const std::string prefix = address + wordsText(code, l.address, l.length) + "\t";
    ASSERT_EQ(row.substr(0, prefix.size()), prefix) << row;
    l.text = row.substr(prefix.size());
    if (l.exception == NO_EXCEPTION) {
      main += " " + l.text + "\n";
      continue;
    }
    // The words stay in place; the line, or its rewriting, goes after all others.
    const Exception& x = EXCEPTIONS[l.exception];
    ++counts[l.exception];
    main += " .short " + wordsText(code, l.address, l.length, "0x", ",") + "\n";
    tail += " " + (x.kind == SAME_WORDS ? x.rewrite(l.text, l.address) : l.text) + "\n";
  }
  EXPECT_FALSE(std::getline(in, row)) << "extra line: " << row;

  const std::string source = main + tail;
  ASSERT_TRUE(writeFile(dir + "/round_trip.s", std::vector<uint8_t>(source.begin(), source.end())));
  ASSERT_EQ(assembleAtZero(dir, "round_trip"), 0) << assemblerErrors(dir);
  std::vector<uint8_t> assembled = readFile(dir + "/round_trip.bin");
  ASSERT_GE(assembled.size(), code.size());
  assembled.resize(assembled.size() + MAX_INSTRUCTION_BYTES);

  int exact = 0, failures = 0;
  size_t cursor = code.size();
  for (const Line& l : lines) {
    std::string failure;
    if (l.exception == NO_EXCEPTION) {
      if (!std::equal(code.begin() + l.address, code.begin() + l.address + l.length, assembled.begin() + l.address))
        failure = "assembled to " + wordsText(assembled, l.address, l.length);
      exact += failure.empty();
    } else if (const Exception& x = EXCEPTIONS[l.exception]; x.kind == SAME_WORDS) {
      const uint32_t opcodeDifference = wordAt(code, l.address) ^ wordAt(assembled, cursor);
      const auto extension = code.begin() + l.address + 2;
      if ((opcodeDifference & ~x.freeOpcodeBits) != 0 ||
          !std::equal(extension, code.begin() + l.address + l.length, assembled.begin() + cursor + 2))
        failure = x.rewrite(l.text, l.address) + " assembled to " + wordsText(assembled, cursor, l.length);
      cursor += l.length;
    } else {
      char text[DISASSEMBLY_TEXT_SIZE];
      const int length = disassemble(uint32_t(cursor), &assembled[cursor], text, sizeof text);
      if (text != x.rewrite(l.text, l.address))
        failure = std::string("assembled to ") + text;
      cursor += size_t(length);
    }
    if (!failure.empty() && ++failures <= 20)
      ADD_FAILURE() << wordsText(code, l.address, l.length) << "\t" << l.text << ": " << failure;
  }
  EXPECT_EQ(failures, 0);
  EXPECT_EQ(cursor, assembled.size() - MAX_INSTRUCTION_BYTES) << "the assembler's words end elsewhere";
  int exceptions = 0;
  for (int x = 0; x < EXCEPTION_COUNT; ++x) {
    EXPECT_GT(counts[x], 0) << "no opcode left in the exception: " << EXCEPTIONS[x].what;
    exceptions += counts[x];
    printf("  %5d  %s\n", counts[x], EXCEPTIONS[x].what);
  }
  printf("%zu opcodes checked: %d give back their words, %d exceptions checked as listed\n", lines.size(), exact,
         exceptions);

  // A source listing makes all of the words back, the exceptions' too.
  const ToolRun exactSource = runTool(dir, "--source words.bin");
  ASSERT_EQ(exactSource.exitCode, 0) << exactSource.err;
  ASSERT_TRUE(writeFile(dir + "/exact.s", std::vector<uint8_t>(exactSource.out.begin(), exactSource.out.end())));
  ASSERT_EQ(assembleAtZero(dir, "exact"), 0) << assemblerErrors(dir);
  EXPECT_TRUE(readFile(dir + "/exact.bin") == code) << "the source listing assembles to other words";
}

} // namespace
