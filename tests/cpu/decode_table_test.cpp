// The decode build: figures of the expansion and sharing pass, decode edge
// cases, the handler list, and the build's reaction to broken tables.
#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>
#include <set>
#include <vector>

#include "cpu/cpu_fixture.h"
#include "cpu68k/decode_table.h"
#include "cpu68k/exceptions.h"
#include "cpu68k/handler_family.h"

namespace {

const InstrEntry& entry(uint32_t opcode) { return decodeState.table[opcode]; }

TEST(DecodeBuild, ProducesTheKnownFiguresWithoutDoubleMatches) {
  freshMachine();
  std::string err;
  char message[64];
  const std::string out = captureStdout([&] { err = captureStderr([&] { buildCpuTables(message, sizeof message); }); });
  EXPECT_EQ(out, "");
  EXPECT_EQ(err.find("Double match"), std::string::npos) << err;
  EXPECT_EQ(decodeState.produced, 46335);
  EXPECT_EQ(decodeState.groups, 1584);
  int named = 0, illegal = 0, representatives = 0;
  for (uint32_t op = 0; op < OPCODE_COUNT; ++op) {
    named += entry(op).mnemonic != MN_ILLEGAL;
    illegal += opHandlerTable[op] == illegalInstruction;
    representatives += entry(op).mnemonic != MN_ILLEGAL && entry(op).representative == NO_REPRESENTATIVE;
  }
  EXPECT_EQ(named, 46334);
  EXPECT_EQ(illegal, 19202);
  EXPECT_EQ(representatives, 1584);
}

TEST(DecodeBuild, HandlerListNamesEveryGroupWith1579Functions) {
  cpuMachine({});
  std::set<OpHandler> functions;
  int rows = 0;
  int previous = -1;
  for (const HandlerListEntry* row = handlerList; row->handler; ++row, ++rows) {
    functions.insert(row->handler);
    EXPECT_GT(int(row->opcode), previous) << "list ordered by opcode";
    previous = row->opcode;
    EXPECT_EQ(row->kind, HANDLER_BEFORE_SHARING);
    EXPECT_EQ(entry(row->opcode).representative, NO_REPRESENTATIVE);
    EXPECT_NE(entry(row->opcode).mnemonic, MN_ILLEGAL);
  }
  EXPECT_EQ(rows, 1584);
  EXPECT_EQ(functions.size(), 1579u);
  // The five functions that serve two classes each.
  const std::pair<uint32_t, uint32_t> sharedPairs[] = {
      {0x5048, 0x5088}, // ADDQ.W / ADDQ.L #8,A0
      {0x5148, 0x5188}, // SUBQ.W / SUBQ.L #8,A0
      {0x2048, 0x41D0}, // MOVEA.L A0,A0 / LEA (A0),A0
      {0x207C, 0x41F9}, // MOVEA.L #imm,A0 / LEA (xxx).L,A0
      {0x307C, 0x41F8}, // MOVEA.W #imm,A0 / LEA (xxx).W,A0
  };
  for (const auto& [a, b] : sharedPairs) {
    EXPECT_EQ(opHandlerTable[a], opHandlerTable[b]) << std::hex << a << " " << b;
    EXPECT_EQ(entry(a).representative, NO_REPRESENTATIVE);
    EXPECT_EQ(entry(b).representative, NO_REPRESENTATIVE);
  }
}

struct DecodeCase {
  uint32_t opcode;
  uint32_t mnemonic;
  uint32_t size;
  uint32_t srcMode;
  uint32_t srcType;
  int srcReg;          // -1: not compared
  int32_t representative;
};

TEST(DecodeBuild, EdgeCasesDecodeAsDocumented) {
  cpuMachine({});
  constexpr int32_t OWN = NO_REPRESENTATIVE;
  constexpr SourceType REG = SOURCE_REGISTER, DATA = SOURCE_DATA, TRAP = SOURCE_TRAP, QUICK = SOURCE_QUICK;
  const DecodeCase cases[] = {
      {0x6000, MN_BCC, SIZE_WORD, MODE_IMM1, REG, -1, OWN},
      {0x60FF, MN_BCC, SIZE_LONG, MODE_IMM2, REG, -1, OWN},
      {0x6001, MN_BCC, SIZE_BYTE, MODE_IMMI, DATA, 1, OWN},
      {0x6080, MN_BCC, SIZE_BYTE, MODE_IMMI, DATA, 0x80, 0x6001},
      {0x60FE, MN_BCC, SIZE_BYTE, MODE_IMMI, DATA, 0xFE, 0x6001},
      {0x6100, MN_BSR, SIZE_WORD, MODE_IMM1, REG, -1, OWN},
      {0x6101, MN_BSR, SIZE_BYTE, MODE_IMMI, DATA, 1, OWN},
      {0x61FF, MN_BSR, SIZE_LONG, MODE_IMM2, REG, -1, OWN},
      {0x4E4F, MN_TRAP, SIZE_LONG, MODE_IMMI, TRAP, 15, 0x4E40},
      {0x5048, MN_ADDA, SIZE_WORD, MODE_IMMI, QUICK, 8, OWN},
      {0x5088, MN_ADDA, SIZE_LONG, MODE_IMMI, QUICK, 8, OWN},
      {0x003C, MN_ORSR, SIZE_BYTE, MODE_IMM1, REG, -1, OWN},
      {0xE108, MN_LSL, SIZE_BYTE, MODE_IMMI, QUICK, 8, OWN},
      {0x44C0, MN_MV2SR, SIZE_BYTE, MODE_DREG, REG, 0, OWN},
      {0x0800, MN_BTST, SIZE_LONG, MODE_IMM1, REG, -1, OWN},
      {0x0810, MN_BTST, SIZE_BYTE, MODE_IMM1, REG, -1, OWN},
  };
  for (const DecodeCase& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.opcode);
    const InstrEntry& e = entry(c.opcode);
    EXPECT_EQ(e.mnemonic, c.mnemonic);
    EXPECT_EQ(e.size, c.size);
    EXPECT_EQ(e.srcMode, c.srcMode);
    EXPECT_EQ(e.srcType, c.srcType);
    if (c.srcReg >= 0) {
      EXPECT_EQ(e.srcReg, c.srcReg);
    }
    EXPECT_EQ(e.representative, c.representative);
    EXPECT_NE(opHandlerTable[c.opcode], illegalInstruction);
  }
  // Every short branch shares one handler; no Bcc row reaches line 0x61.
  for (uint32_t op = 0x6002; op <= 0x60FE; ++op)
    EXPECT_EQ(opHandlerTable[op], opHandlerTable[0x6001]);
  for (uint32_t op = 0x6100; op <= 0x61FF; ++op)
    EXPECT_EQ(entry(op).mnemonic, MN_BSR);
  for (uint32_t op = 0x4E40; op <= 0x4E4F; ++op)
    EXPECT_EQ(opHandlerTable[op], opHandlerTable[0x4E40]);
  // Not instructions: ILLEGAL itself, a byte move from An, MOVE to an immediate, MOVEC.
  for (uint32_t op : {0x4AFCu, 0x1008u, 0x19C0u, 0x4E7Bu}) {
    EXPECT_EQ(entry(op).mnemonic, MN_ILLEGAL) << std::hex << op;
    EXPECT_EQ(opHandlerTable[op], illegalInstruction) << std::hex << op;
  }
}

TEST(DecodeBuild, BitScanTables) {
  cpuMachine({});
  const struct { int v, lowest, reversed, cleared; } cases[] = {
      {0x00, 8, -1, 0x00}, {0x28, 3, 4, 0x20}, {0x01, 0, 7, 0x00}, {0x80, 7, 0, 0x00}, {0xFF, 0, 7, 0xFE}};
  for (const auto& c : cases) {
    EXPECT_EQ(bitScanTables.lowestSetBit[c.v], c.lowest) << c.v;
    EXPECT_EQ(bitScanTables.lowestSetBitReversed[c.v], c.reversed) << c.v;
    EXPECT_EQ(bitScanTables.clearLowestBit[c.v], c.cleared) << c.v;
  }
}

// A row with no variable bits, for the inconsistency cases.
PatternRow fixedRow(uint32_t opcode, const char* text) {
  PatternRow r{};
  r.value = opcode;
  r.mask = 0xFFFF;
  r.text = text;
  return r;
}

// A row whose low six bits are an effective-address field pair s/S.
PatternRow sourceRow(uint32_t opcode, const char* text) {
  PatternRow r{};
  r.value = opcode;
  r.mask = 0xFFC0;
  r.variableCount = 6;
  const FieldCode letters[6] = {FIELD_SOURCE_MODE,     FIELD_SOURCE_MODE,     FIELD_SOURCE_MODE,
                                FIELD_SOURCE_REGISTER, FIELD_SOURCE_REGISTER, FIELD_SOURCE_REGISTER};
  std::copy(letters, letters + 6, r.letters);
  r.text = text;
  return r;
}

// A row whose direction field f spans two bits, so it reaches the value 2.
PatternRow twoBitShiftRow() {
  PatternRow r{};
  r.value = 0xE018;
  r.mask = 0xFFFC;
  r.variableCount = 2;
  r.letters[0] = r.letters[1] = FIELD_DIRECTION;
  r.text = "ROf.L";
  return r;
}

std::vector<InstrEntry>& scratchTable() {
  static std::vector<InstrEntry> table(OPCODE_COUNT);
  clearDecodeTable(table.data());
  return table;
}

// A second row for an opcode is reported and counted and stands, ILLEGAL's
// row (id 0, like an empty entry) first or second included.
TEST(DecodeBuild, DoubleMatchIsReportedAndTheLaterRowStands) {
  const struct { const char* first; const char* second; uint32_t stands; } cases[] = {
      {"NOP", "RTS", MN_RTS}, {"ILLEGAL", "NOP", MN_NOP}, {"NOP", "ILLEGAL", MN_ILLEGAL}};
  for (const auto& c : cases) {
    const PatternRow rows[] = {fixedRow(0x4E71, c.first), fixedRow(0x4E71, c.second)};
    std::vector<InstrEntry>& table = scratchTable();
    Expansion expansion{};
    const std::string err = captureStderr([&] { expansion = expandPatternRows(rows, 2, mnemonicTable, table.data()); });
    EXPECT_EQ(err, "Double match: 4e71: " + std::string(c.second) + "\n");
    EXPECT_EQ(expansion.produced, 2);
    EXPECT_EQ(expansion.doubleMatches, 1);
    EXPECT_EQ(table[0x4E71].mnemonic, c.stands);
  }
}

using DeathTest = testing::TestWithParam<PatternRow>;

TEST_P(DeathTest, InconsistentRowAborts) {
  const PatternRow row = GetParam();
  EXPECT_EXIT(expandPatternRows(&row, 1, mnemonicTable, scratchTable().data()), testing::KilledBySignal(SIGABRT), "");
}

INSTANTIATE_TEST_SUITE_P(BrokenRows, DeathTest,
                         testing::Values(fixedRow(0x4E71, "NOP.Q"),        // unknown size letter
                                         fixedRow(0x4E71, "FROB"),         // mnemonic not in the table
                                         fixedRow(0x4E71, "NOP     x"),    // unknown operand form
                                         fixedRow(0x4E71, "NOP     #q"),   // unknown immediate kind
                                         fixedRow(0x4E71, "NOP     Ax"),   // register letter missing
                                         fixedRow(0x4E71, "NOP     Dq"),   // register letter missing
                                         twoBitShiftRow(),                 // f field above 1
                                         sourceRow(0x4E80, "JSR.L   s[!Regs]"), // unknown mode name
                                         sourceRow(0x4E80, "JSR.L   s[Dreg-Nope]")));

TEST(DecodeBuildDeath, UnknownSourceTypeInTheSharingPassAborts) {
  std::vector<InstrEntry>& table = scratchTable();
  table[0x1234].mnemonic = MN_MOVE;
  table[0x1234].srcUsed = 1;
  table[0x1234].srcPos = 0;
  table[0x1234].srcType = SOURCE_TYPE_COUNT;
  EXPECT_EXIT(shareHandlers(table.data()), testing::KilledBySignal(SIGABRT), "");
}

TEST(DecodeBuildDeath, GroupWithoutHandlerAborts) {
  cpuMachine({});
  static OpHandler dispatch[OPCODE_COUNT];
  const HandlerListEntry emptyList[] = {{nullptr, HANDLER_BEFORE_SHARING, 0}};
  EXPECT_EXIT(fillDispatchTable(decodeState.table, emptyList, dispatch), testing::KilledBySignal(SIGABRT), "");
}

void* refuseAllocation(size_t, size_t) { return nullptr; }

TEST(DecodeBuild, UnallocatableTableIsReturnedAsAStartUpFailure) {
  InstrEntry* const table = decodeState.table;
  void* (*const allocate)(size_t, size_t) = decodeState.allocate;
  decodeState.table = nullptr;
  decodeState.allocate = refuseAllocation;
  char message[64];
  EXPECT_FALSE(buildCpuTables(message, sizeof message));
  EXPECT_STREQ(message, "Cannot allocate the CPU decode table.");
  decodeState.table = table;
  decodeState.allocate = allocate;
}

} // namespace
