// quillomark-disasm [--origin ADDRESS] [--count N] FILE: prints the 68000
// instructions of a file of big-endian words, or of a ROM set's program image,
// one line per instruction, in a syntax the GNU m68k assembler reads back.
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/program_info.h"
#include "tool_failure.h"
#include "cpu68k/disassemble.h"
#include "driver/file_read.h"
#include "driver/rom_loader.h"

namespace {

const char PROGRAM[] = "quillomark-disasm";
const char USAGE[] =
    "usage: quillomark-disasm [--origin ADDRESS] [--count N] FILE\n"
    "       quillomark-disasm --help | --version\n"
    "Prints the 68000 instructions of FILE, a file of big-endian words, or of a ROM set folder's\n"
    "program image (18b_d02.bin holds its even bytes, 18c_d05.bin its odd bytes), one line per\n"
    "instruction: the address, a tab, the words in hex, a tab, the instruction as\n"
    "m68k-linux-gnu-as -m68020 --register-prefix-optional reads it back. Branch targets are\n"
    "absolute addresses; a word that is no instruction prints as dc.w.\n"
    "  --origin ADDRESS  address of the first word (default 0; decimal, or hex after 0x)\n"
    "  --count N         stop after N instructions\n"
    "  --help            prints this text and exits\n"
    "  --version         prints the version and exits\n"
    "Exit codes: 0 done, help or version; 2 a usage error or a file that cannot be read.\n";
inline constexpr int EXIT_USAGE = 2;
// The program image's two ROMs: the first two loads of the ROM set, both at address 0.
inline constexpr int PROGRAM_ROM_COUNT = 2;

struct Options {
  uint32_t origin;
  unsigned long count;
  const char* path;
};

// A number the whole argument spells (decimal, or hex after 0x) and that fits 32 bits.
uint32_t parseNumber(const char* option, const char* text) {
  const bool hex = text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  const char* digits = hex ? text + 2 : text;
  char* end = nullptr;
  errno = 0;
  // Base 10 unless 0x: a leading 0 is no octal here. strtoull alone would take white space and signs.
  const unsigned long long v = strtoull(digits, &end, hex ? 16 : 10);
  if (!(hex ? isxdigit((unsigned char)digits[0]) : isdigit((unsigned char)digits[0])) || *end || errno ||
      v > UINT32_MAX)
    failTool(PROGRAM, EXIT_USAGE, "%s wants a number from 0 to 0xffffffff, not %s", option, text);
  return uint32_t(v);
}

Options parseOptions(int argc, char** argv) {
  Options o{0, ~0ul, nullptr};
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    const bool origin = strcmp(arg, "--origin") == 0, count = strcmp(arg, "--count") == 0;
    if (origin || count) {
      if (i + 1 == argc)
        failTool(PROGRAM, EXIT_USAGE, "%s wants a value", arg);
      const uint32_t v = parseNumber(arg, argv[++i]);
      if (origin)
        o.origin = v;
      else
        o.count = v;
    } else if (arg[0] == '-' && arg[1]) {
      failTool(PROGRAM, EXIT_USAGE, "unknown option %s (see --help)", arg);
    } else if (o.path) {
      failTool(PROGRAM, EXIT_USAGE, "one FILE only, not also %s", arg);
    } else {
      o.path = arg;
    }
  }
  if (!o.path)
    failTool(PROGRAM, EXIT_USAGE, "no FILE given (see --help)");
  return o;
}

// The first limit bytes of path, a regular file.
std::vector<uint8_t> readFileOrFail(const char* path, size_t limit) {
  std::vector<uint8_t> bytes;
  if (!readRegularFileStart(path, limit, bytes)) {
    if (errno == EINVAL || errno == EISDIR)
      failTool(PROGRAM, EXIT_USAGE, "%s is not a regular file", path);
    failTool(PROGRAM, EXIT_USAGE, "cannot read %s: %s", path, strerror(errno));
  }
  return bytes;
}

// The bytes the listing can reach: the file's, or the program image interleaved from a ROM set
// folder's two program ROMs: what count instructions can take, up to the top of the address space.
std::vector<uint8_t> readCode(const Options& o) {
  const uint64_t room = (uint64_t(1) << 32) - o.origin;
  const uint64_t needed = o.count >= room / MAX_INSTRUCTION_BYTES ? room : uint64_t(o.count) * MAX_INSTRUCTION_BYTES;
  const size_t limit = size_t(std::min(needed, uint64_t(SIZE_MAX)));
  struct stat info;
  if (stat(o.path, &info) != 0)
    failTool(PROGRAM, EXIT_USAGE, "cannot read %s: %s", o.path, strerror(errno));
  if (!S_ISDIR(info.st_mode))
    return readFileOrFail(o.path, limit);
  std::vector<uint8_t> lanes[PROGRAM_ROM_COUNT];
  for (int r = 0; r < PROGRAM_ROM_COUNT; ++r) {
    const std::string file = std::string(o.path) + "/" + ROM_LOADS[r].fileName;
    lanes[ROM_LOADS[r].lane] = readFileOrFail(file.c_str(), limit / PROGRAM_ROM_COUNT + 1);
  }
  if (lanes[0].size() != lanes[1].size())
    failTool(PROGRAM, EXIT_USAGE, "the program ROMs of %s differ in length", o.path);
  std::vector<uint8_t> image(PROGRAM_ROM_COUNT * lanes[0].size());
  for (size_t i = 0; i < image.size(); ++i)
    image[i] = lanes[i % PROGRAM_ROM_COUNT][i / PROGRAM_ROM_COUNT];
  return image;
}

} // namespace

int main(int argc, char** argv) {
  if (const ProgramInfo info = findProgramInfo(argc, argv)) {
    printProgramInfo(info, PROGRAM, USAGE);
    return 0;
  }
  const Options o = parseOptions(argc, argv);
  std::vector<uint8_t> code = readCode(o);
  const size_t length = code.size();
  code.resize(length + MAX_INSTRUCTION_BYTES); // the last instruction may claim words past the end
  char text[DISASSEMBLY_TEXT_SIZE];
  size_t at = 0;
  for (unsigned long n = 0; n < o.count && at < length; ++n) {
    const uint32_t address = o.origin + uint32_t(at);
    if (at + 1 == length) {
      printf("%08x\t%02x\tdc.b 0x%02x\n", address, code[at], code[at]);
      break;
    }
    size_t size = size_t(disassemble(address, &code[at], text, sizeof text));
    if (at + size > length) { // cut off by the end of the file
      size = 2;
      snprintf(text, sizeof text, "dc.w 0x%02x%02x", code[at], code[at + 1]);
    }
    printf("%08x\t", address);
    for (size_t w = 0; w < size; w += 2)
      printf("%s%02x%02x", w ? " " : "", code[at + w], code[at + w + 1]);
    printf("\t%s\n", text);
    at += size;
  }
  return 0;
}
