// quillomark-conformance DIR: runs every 68000 single-instruction vector file
// in DIR on the core built for the 24-bit test bus and prints one line per file.
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "app/program_info.h"
#include "cpu68k/cpu_state.h"
#include "cpu68k/cpu_tables.h"
#include "cpu68k/op_switch.h"
#include "files/file_read.h"
#include "driver/memory.h"
#include "host/run_end.h"

namespace {

// The largest vector file read; a larger one, like a pipe or a folder, is unreadable.
constexpr size_t VECTOR_FILE_LIMIT = size_t(256) << 20;

struct VectorState {
  uint32_t regs[19]; // D0-D7, A0-A6, USP, SSP, SR, PC
  uint32_t prefetch[2];
  std::vector<std::pair<uint32_t, uint16_t>> memory;
};

struct Transaction {
  uint32_t kind, functionCode, address, data, upper, lower;
};

struct VectorTest {
  std::string name;
  VectorState initial, final;
  std::vector<Transaction> transactions;
};

enum { R_USP = 15, R_SSP = 16, R_SR = 17, R_PC = 18 };

struct Reader {
  const std::vector<uint8_t>& bytes;
  size_t at;
  bool ok = true;
  uint32_t u32() {
    if (at + 4 > bytes.size()) {
      ok = false;
      return 0;
    }
    const uint32_t v = bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | uint32_t(bytes[at + 3]) << 24;
    at += 4;
    return v;
  }
  uint32_t u16() {
    if (at + 2 > bytes.size()) {
      ok = false;
      return 0;
    }
    const uint32_t v = bytes[at] | bytes[at + 1] << 8;
    at += 2;
    return v;
  }
  uint32_t u8() {
    if (at >= bytes.size()) {
      ok = false;
      return 0;
    }
    return bytes[at++];
  }
};

bool readState(Reader& in, VectorState& s) {
  in.u32();
  if (in.u32() != 0x01234567)
    return false;
  for (uint32_t& r : s.regs)
    r = in.u32();
  s.prefetch[0] = in.u32();
  s.prefetch[1] = in.u32();
  const uint32_t n = in.u32();
  for (uint32_t i = 0; i < n && in.ok; ++i) {
    const uint32_t address = in.u32();
    s.memory.push_back({address, uint16_t(in.u16())});
  }
  return in.ok;
}

bool readTest(Reader& in, VectorTest& t) {
  const size_t start = in.at;
  const uint32_t length = in.u32();
  if (in.u32() != 0xABC12367)
    return false;
  in.u32();
  if (in.u32() != 0x89ABCDEF)
    return false;
  const uint32_t n = in.u32();
  if (in.at + n > in.bytes.size())
    return false;
  t.name.assign(reinterpret_cast<const char*>(in.bytes.data() + in.at), n);
  in.at += n;
  if (!readState(in, t.initial) || !readState(in, t.final))
    return false;
  in.u32();
  if (in.u32() != 0x456789AB)
    return false;
  in.u32();
  const uint32_t count = in.u32();
  for (uint32_t i = 0; i < count && in.ok; ++i) {
    Transaction tr{};
    tr.kind = in.u8();
    in.u32();
    if (tr.kind != 0) {
      tr.functionCode = in.u32();
      tr.address = in.u32();
      tr.data = in.u32();
      tr.upper = in.u32();
      tr.lower = in.u32();
    }
    t.transactions.push_back(tr);
  }
  in.at = start + length;
  return in.ok;
}

// Bytes of the data reads, in bus order (byte reads only, for the decimal operands).
std::vector<uint32_t> dataReadBytes(const VectorTest& t) {
  std::vector<uint32_t> bytes;
  for (const Transaction& tr : t.transactions)
    if (tr.kind == 2 && (tr.functionCode & 3) == 1)
      bytes.push_back((tr.upper ? tr.data >> 8 : tr.data) & 0xFF);
  return bytes;
}

bool decimalDigits(uint32_t v) { return (v & 0x0F) <= 9 && (v >> 4 & 0x0F) <= 9; }

// Out-of-scope reason of a test, or null when it is in scope.
const char* outOfScope(const VectorTest& t) {
  for (const Transaction& tr : t.transactions)
    if (tr.kind == 4 || tr.kind == 5)
      return "address error";
  const uint32_t opcode = t.initial.prefetch[0] & 0xFFFF;
  if ((opcode & 0xF0FF) == 0x60FF)
    return "branch displacement 0xFF";
  if (opcode == 0x4E57)
    return "LINK with A7";
  const bool sbcd = (opcode & 0xF1F0) == 0x8100;
  const bool nbcd = (opcode & 0xFFC0) == 0x4800;
  if (sbcd || nbcd) {
    std::vector<uint32_t> operands;
    if (sbcd && !(opcode & 8)) {
      operands = {t.initial.regs[opcode & 7] & 0xFF, t.initial.regs[opcode >> 9 & 7] & 0xFF};
    } else if (nbcd && (opcode & 0x38) == 0) {
      operands = {t.initial.regs[opcode & 7] & 0xFF};
    } else {
      operands = dataReadBytes(t);
    }
    for (uint32_t v : operands)
      if (!decimalDigits(v))
        return "decimal digits above 9";
  }
  return nullptr;
}

bool readsVector(const VectorTest& t, uint32_t vector) {
  for (const Transaction& tr : t.transactions)
    if (tr.kind == 2 && (tr.address & ~2u) == vector * 4)
      return true;
  return false;
}

// SR bits the comparison ignores for this instruction.
uint32_t srIgnoreMask(const VectorTest& t) {
  const uint32_t opcode = t.initial.prefetch[0] & 0xFFFF;
  uint32_t mask = 0;
  const bool loadsSr = (opcode & 0xFFC0) == 0x46C0 || opcode == 0x007C || opcode == 0x0A7C || opcode == 0x4E73 ||
                       opcode == 0x4E72;
  if (loadsSr)
    mask |= 0x5000;
  if ((opcode & 0xF1F0) == 0xC100 || (opcode & 0xF1F0) == 0x8100 || (opcode & 0xFFC0) == 0x4800)
    mask |= 0x0A; // N and V of the decimal instructions
  if ((opcode & 0xF1C0) == 0x4180 || (opcode & 0xF1C0) == 0x4100) {
    // CHK.W (0x4180) and CHK.L (0x4100): Z, V and C; N too when no exception is taken.
    mask |= 0x07;
    if (!readsVector(t, 6))
      mask |= 0x08;
  }
  if ((opcode & 0xF0C0) == 0x80C0 && (t.final.regs[R_SR] & 2))
    mask |= 0x0C; // N and Z of a divide overflow
  return mask;
}

struct FileResult {
  int passed = 0, failed = 0, skipped = 0;
  std::map<std::string, int> reasons;
};

void loadState(const VectorState& s) {
  for (const auto& [address, word] : s.memory) {
    machineMemory[address & ADDRESS_MASK] = uint8_t(word >> 8);
    machineMemory[(address + 1) & ADDRESS_MASK] = uint8_t(word);
  }
  cpuState = CpuState{};
  for (int i = 0; i < 15; ++i)
    cpuState.regs[i] = s.regs[i];
  const uint32_t sr = s.regs[R_SR];
  cpuState.s = sr >> 13 & 1;
  cpuState.usp = s.regs[R_USP];
  cpuState.ssp = s.regs[R_SSP];
  cpuState.regs[REG_A7] = cpuState.s ? cpuState.ssp : cpuState.usp;
  cpuState.sr = uint16_t(sr);
  loadSr();
  setPc(s.regs[R_PC] - 4);
}

// Gives every byte a test listed back to 0, the value of memory no test lists.
void clearState(const VectorTest& t) {
  for (const VectorState* s : {&t.initial, &t.final})
    for (const auto& entry : s->memory) {
      machineMemory[entry.first & ADDRESS_MASK] = 0;
      machineMemory[(entry.first + 1) & ADDRESS_MASK] = 0;
    }
}

// Compares the core with the final state; appends the differences to why.
bool compareState(const VectorTest& t, std::string& why) {
  const VectorState& f = t.final;
  char line[160];
  bool same = true;
  auto check = [&](const char* what, uint32_t ours, uint32_t theirs) {
    if (ours != theirs) {
      snprintf(line, sizeof line, " %s=%08x(want %08x)", what, ours, theirs);
      why += line;
      same = false;
    }
  };
  static const char* const NAMES[15] = {"D0", "D1", "D2", "D3", "D4", "D5", "D6", "D7",
                                        "A0", "A1", "A2", "A3", "A4", "A5", "A6"};
  for (int i = 0; i < 15; ++i)
    check(NAMES[i], cpuState.regs[i], f.regs[i]);
  const uint32_t usp = cpuState.s ? cpuState.usp : cpuState.regs[REG_A7];
  const uint32_t ssp = cpuState.s ? cpuState.regs[REG_A7] : cpuState.ssp;
  check("USP", usp, f.regs[R_USP]);
  check("SSP", ssp, f.regs[R_SSP]);
  buildSr();
  const uint32_t ignore = srIgnoreMask(t);
  check("SR", cpuState.sr & ~ignore, f.regs[R_SR] & ~ignore);
  const bool stop = (t.initial.prefetch[0] & 0xFFFF) == 0x4E72 && cpuState.stopped;
  check("PC", getPc(), stop ? f.regs[R_PC] : f.regs[R_PC] - 4);
  for (const auto& [address, word] : f.memory) {
    const uint32_t ours = uint32_t(machineMemory[address & ADDRESS_MASK]) << 8 |
                          machineMemory[(address + 1) & ADDRESS_MASK];
    // The status word of an exception frame carries the same ignored flags.
    const uint32_t frameIgnore = address == (ssp & ADDRESS_MASK) && ssp != t.initial.regs[R_SSP] ? ignore & 0xFF : 0;
    char where[16];
    snprintf(where, sizeof where, "[%06x]", address);
    check(where, ours & ~frameIgnore, word & ~frameIgnore);
  }
  return same;
}

} // namespace

constexpr char CONFORMANCE_USAGE[] =
    "usage: quillomark-conformance DIR [--show N] [--switch]\n"
    "       quillomark-conformance --help | --version\n"
    "Runs every 68000 single-instruction vector file (*.bin) in DIR on the CPU core and prints one line\n"
    "per file and a total.\n"
    "  --show N   also prints the first N failing tests of each file\n"
    "  --switch   dispatches through the browser build's switch over handler classes\n"
    "  --help     prints this text and exits\n"
    "  --version  prints the version and exits\n"
    "Exit codes: 0 every file passed (or help or version); 1 a test failed, or DIR or a file could not\n"
    "be read; 2 a usage error.\n";

int main(int argc, char** argv) {
  if (const ProgramInfo info = findProgramInfo(argc, argv)) {
    printProgramInfo(info, "quillomark-conformance", CONFORMANCE_USAGE);
    return EXIT_CODE_HELP;
  }
  if (argc < 2) {
    fprintf(stderr, "%s", CONFORMANCE_USAGE);
    return EXIT_CODE_USAGE;
  }
  const std::string dir = argv[1];
  int show = 0;
  bool throughSwitch = false;
  for (int i = 2; i < argc; ++i) {
    if (strcmp(argv[i], "--show") == 0 && i + 1 < argc) {
      show = atoi(argv[++i]);
    } else if (strcmp(argv[i], "--switch") == 0) {
      throughSwitch = true;
    } else {
      fprintf(stderr, "%s", CONFORMANCE_USAGE);
      return EXIT_CODE_USAGE;
    }
  }
  std::vector<std::string> files;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* e = readdir(d)) {
      const std::string name = e->d_name;
      if (name.size() > 4 && name.compare(name.size() - 4, 4, ".bin") == 0)
        files.push_back(name);
    }
    closedir(d);
  } else {
    fprintf(stderr, "Cannot open the vector folder %s\n", dir.c_str());
    return 1;
  }
  if (files.empty()) {
    fprintf(stderr, "No vector files in %s\n", dir.c_str());
    return 1;
  }
  std::sort(files.begin(), files.end());

  // The core's own console output goes nowhere; the report goes to the original stdout.
  fflush(stdout);
  fflush(stderr);
  FILE* report = fdopen(dup(1), "w");
  const int quiet = open("/dev/null", O_WRONLY);
  const int savedErr = dup(2);
  dup2(quiet, 1);
  dup2(quiet, 2);

  machineMemory = static_cast<uint8_t*>(calloc(MEMORY_SIZE, 1));
  char tableError[128];
  if (!machineMemory || !buildCpuTables(tableError, sizeof tableError)) {
    dup2(savedErr, 2);
    fprintf(stderr, "quillomark-conformance: %s\n", machineMemory ? tableError : "out of memory");
    return 1;
  }
  if (throughSwitch)
    buildOpClassTable();
  long totalPassed = 0, totalFailed = 0;
  bool broken = false;
  for (const std::string& file : files) {
    std::vector<uint8_t> bytes;
    Reader in{bytes, 0};
    if (!readRegularFile((dir + "/" + file).c_str(), VECTOR_FILE_LIMIT, bytes) || in.u32() != 0x1A3F5D71) {
      fprintf(report, "%s: unreadable\n", file.c_str());
      broken = true;
      continue;
    }
    const uint32_t count = in.u32();
    FileResult result;
    int shown = 0;
    for (uint32_t i = 0; i < count; ++i) {
      VectorTest t;
      if (!readTest(in, t)) {
        fprintf(report, "%s: malformed test %u\n", file.c_str(), i);
        broken = true;
        break;
      }
      if (const char* reason = outOfScope(t)) {
        ++result.skipped;
        ++result.reasons[reason];
        continue;
      }
      loadState(t.initial);
      if (throughSwitch) {
        const uint32_t opcode = fetchWord();
        runOpClass(opClassTable[opcode], opcode);
      } else {
        executeInstruction();
      }
      fflush(stdout);
      std::string why;
      const bool same = compareState(t, why);
      clearState(t);
      if (same) {
        ++result.passed;
      } else {
        ++result.failed;
        if (shown++ < show)
          fprintf(report, "  FAIL %s:%s\n", t.name.c_str(), why.c_str());
      }
    }
    std::string stem = file.substr(0, file.size() - 4);
    std::string reasons;
    for (const auto& [reason, n] : result.reasons)
      reasons += (reasons.empty() ? "" : ", ") + reason + " " + std::to_string(n);
    fprintf(report, "%s: %d passed, %d failed, %d out of scope (%s)\n", stem.c_str(), result.passed,
            result.failed, result.skipped, reasons.empty() ? "none" : reasons.c_str());
    fflush(report);
    totalPassed += result.passed;
    totalFailed += result.failed;
  }
  fprintf(report, "%ld passed, %ld failed\n", totalPassed, totalFailed);
  fflush(report);
  dup2(savedErr, 2);
  return totalFailed == 0 && !broken ? 0 : 1;
}
