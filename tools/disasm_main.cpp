// quillomark-disasm [--origin ADDRESS] [--count N] [--source] FILE: prints the 68000
// instructions of a file of big-endian words, of a ROM set's program image or of an ELF
// file's sections, one line per instruction, in a syntax the GNU m68k assembler reads back.
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "app/program_info.h"
#include "tool_failure.h"
#include "cpu68k/disassemble.h"
#include "files/file_read.h"
#include "driver/rom_loader.h"
#include "debug/symbols.h"

namespace {

const char PROGRAM[] = "quillomark-disasm";
const char USAGE[] =
    "usage: quillomark-disasm [--origin ADDRESS] [--count N] [--source] FILE\n"
    "       quillomark-disasm --help | --version\n"
    "Prints the 68000 instructions of FILE, a file of big-endian words, or of a ROM set folder's\n"
    "program image (18b_d02.bin holds its even bytes, 18c_d05.bin its odd bytes), one line per\n"
    "instruction: the address, a tab, the words in hex, a tab, the instruction as\n"
    "m68k-linux-gnu-as -m68020 --register-prefix-optional reads it back. Branch targets are\n"
    "absolute addresses; a word that is no instruction prints as dc.w.\n"
    "A 68000 ELF file is listed by its sections with bytes, each from its own address after a line\n"
    "ADDRESS, two tabs, .section NAME,FLAGS: code as instructions, data as dc.w lines, and each\n"
    "symbol as a line NAME: before its address. There every text assembles back to its own bytes:\n"
    "branch targets are written from the instruction (bra.s .-0x10), and words an instruction would\n"
    "take past a symbol are data.\n"
    "  --origin ADDRESS  address of the first word (default 0; decimal, or hex after 0x); not for ELF\n"
    "  --count N         stop after N instructions\n"
    "  --source          prints an assembler source: the texts alone, as in an ELF file's listing;\n"
    "                    an ELF file's first line '| ld options: ...' links it at the same addresses\n"
    "  --help            prints this text and exits\n"
    "  --version         prints the version and exits\n"
    "Exit codes: 0 done, help or version; 2 a usage error or a file that cannot be read.\n";
inline constexpr int EXIT_USAGE = 2;
// The program image's two ROMs: the first two loads of the ROM set, both at address 0.
inline constexpr int PROGRAM_ROM_COUNT = 2;

inline constexpr size_t DATA_LINE_BYTES = 16; // a dc.w line of data holds eight words
const char COMMENT[] = "|";    // starts an assembler comment
const char CUT_MARK[] = "..."; // ends a name printed cut at SYMBOL_NAME_LIMIT
const char LD_OPTIONS[] = "ld options:";
// Register names the assembler will not take as labels, besides d0-d7 and a0-a7.
const char* const REGISTER_NAMES[] = {"sp", "fp", "pc", "sr", "ccr", "usp"};
inline constexpr size_t BANKED_REGISTER_NAME_SIZE = 2;
inline constexpr char LAST_BANKED_REGISTER = '7';

struct Options {
  uint32_t origin;
  unsigned long count;
  const char* path;
  bool originGiven;
  bool source;
};

// A listing being printed.
struct Listing {
  bool source;                     // an assembler source: the texts without address and words
  bool exact;                      // texts that assemble back to their own bytes
  unsigned long left;              // lines still to print (--count)
  std::set<std::string_view> used; // names taken as labels, inside the file's bytes
};

// Bytes listed one way from their address, with the symbols that name lines among them.
struct Region {
  uint32_t address;
  const uint8_t* bytes; // MAX_INSTRUCTION_BYTES readable past size
  size_t size;
  bool code;
  const std::vector<Symbol>* labels; // by address, within the region or at its end; or nullptr
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
  Options o{0, ~0ul, nullptr, false, false};
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    const bool origin = strcmp(arg, "--origin") == 0, count = strcmp(arg, "--count") == 0;
    o.originGiven = o.originGiven || origin;
    if (strcmp(arg, "--source") == 0) {
      o.source = true;
    } else if (origin || count) {
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

// A line of the listing: the address, the bytes in words and the text; in a source the text alone.
void printLine(const Listing& l, uint32_t address, const uint8_t* bytes, size_t length, const char* text) {
  if (l.source) {
    printf("\t%s\n", text);
    return;
  }
  printf("%08x\t", address);
  for (size_t b = 0; b < length; b += INSTRUCTION_WORD_BYTES) {
    printf("%s%02x", b ? " " : "", bytes[b]);
    if (b + 1 < length)
      printf("%02x", bytes[b + 1]);
  }
  printf("\t%s\n", text);
}

// dc.w with the length bytes at bytes (an even count) as words.
void wordsAsData(const uint8_t* bytes, size_t length, char* text, size_t size) {
  int at = snprintf(text, size, "dc.w");
  for (size_t b = 0; b < length && at > 0 && size_t(at) < size; b += INSTRUCTION_WORD_BYTES)
    at += snprintf(text + at, size - size_t(at), "%s0x%02x%02x", b ? "," : " ", bytes[b], bytes[b + 1]);
}

// The text of the line at offset at of the region, which ends before stop; returns its length in bytes.
size_t lineAt(const Listing& l, const Region& r, size_t at, size_t stop, char* text, size_t size) {
  const uint32_t address = r.address + uint32_t(at);
  const uint8_t* bytes = r.bytes + at;
  // A lone byte; or one at an odd address, where the assembler would pad an instruction or a word.
  if (stop - at == 1 || (l.exact && address % INSTRUCTION_WORD_BYTES)) {
    snprintf(text, size, "dc.b 0x%02x", bytes[0]);
    return 1;
  }
  size_t length = std::min(stop - at, DATA_LINE_BYTES) & ~size_t(INSTRUCTION_WORD_BYTES - 1);
  if (r.code) {
    length = size_t(l.exact ? disassembleExact(address, bytes, text, size) : disassemble(address, bytes, text, size));
    if (at + length <= stop)
      return length;
    length = INSTRUCTION_WORD_BYTES; // cut off by the end or a symbol: the first word as data, and on from the next
  }
  wordsAsData(bytes, length, text, size);
  return length;
}

// True when the assembler takes name as a label: a plain name, not a register's.
bool labelName(std::string_view name) {
  if (name.empty() || isdigit((unsigned char)name[0]))
    return false;
  std::string lower;
  for (const char c : name) {
    if (!isalnum((unsigned char)c) && c != '_' && c != '.' && c != '$')
      return false;
    lower += char(tolower((unsigned char)c));
  }
  if (lower.size() == BANKED_REGISTER_NAME_SIZE && (lower[0] == 'd' || lower[0] == 'a') && lower[1] >= '0' &&
      lower[1] <= LAST_BANKED_REGISTER)
    return false;
  for (const char* reg : REGISTER_NAMES)
    if (lower == reg)
      return false;
  return true;
}

// A name from the file as far as a line shows it: SYMBOL_NAME_LIMIT bytes and one more when it is
// longer, so that neither the listing nor the search along a name grows with the file's names.
std::string_view shownName(const char* name) { return std::string_view(name, strnlen(name, SYMBOL_NAME_LIMIT + 1)); }

// A shown name as it may stand in a line: its control characters as '?', cut at the limit and marked.
std::string printable(std::string_view name) {
  std::string text(name.substr(0, SYMBOL_NAME_LIMIT));
  for (char& c : text)
    if (iscntrl((unsigned char)c))
      c = '?';
  return name.size() > SYMBOL_NAME_LIMIT ? text + CUT_MARK : text;
}

// A symbol as a line "name:"; a shown name the assembler cannot take as a new label, or a cut one,
// as a comment.
void printLabel(Listing& l, std::string_view name) {
  if (name.size() <= SYMBOL_NAME_LIMIT && labelName(name) && l.used.insert(name).second)
    printf("%.*s:\n", int(name.size()), name.data());
  else
    printf("%s %s\n", COMMENT, printable(name).c_str());
}

// Lists the region, each label on a line before its address (a name once there), no line running
// past a label; false when --count ran out.
bool listRegion(Listing& l, const Region& r) {
  static const std::vector<Symbol> none;
  const std::vector<Symbol>& labels = r.labels ? *r.labels : none;
  char text[DISASSEMBLY_TEXT_SIZE];
  size_t next = 0;                 // the first label not printed yet
  std::set<std::string_view> here; // the names printed at the address of the last one
  for (size_t at = 0;;) {
    if (at < r.size && l.left == 0)
      return false;
    for (; next < labels.size() && labels[next].address - r.address <= at; ++next) {
      if (next > 0 && labels[next].address != labels[next - 1].address)
        here.clear();
      const std::string_view name = shownName(labels[next].name);
      if (here.insert(name).second)
        printLabel(l, name);
    }
    if (at == r.size)
      return true;
    const size_t stop = next < labels.size() ? labels[next].address - r.address : r.size;
    const size_t length = lineAt(l, r, at, stop, text, sizeof text);
    printLine(l, r.address + uint32_t(at), r.bytes + at, length, text);
    --l.left;
    at += length;
  }
}

// Lists each section of an ELF file that the program loads with bytes, from its address.
void listElf(const char* path, Listing& l) {
  std::vector<uint8_t> file;
  if (!readRegularFile(path, SYMBOL_FILE_LIMIT, file))
    failTool(PROGRAM, EXIT_USAGE, "cannot read %s: %s", path, strerror(errno));
  const size_t size = file.size();
  file.resize(size + MAX_INSTRUCTION_BYTES); // an instruction at the end may claim words past it
  ElfImage image;
  char message[DISASSEMBLY_TEXT_SIZE];
  if (!readElfImage(file.data(), size, image, message, sizeof message))
    failTool(PROGRAM, EXIT_USAGE, "cannot read %s: %s", path, message);
  if (l.source) {
    printf("%s %s --entry=0x%x", COMMENT, LD_OPTIONS, image.entry);
    for (const ElfSection& section : image.sections)
      printf(" --section-start=%s=0x%x", printable(shownName(section.name)).c_str(), section.address);
    printf("\n");
  }
  for (const ElfSection& section : image.sections) {
    const bool code = section.flags & ELF_SECTION_CODE;
    std::string directive = ".section " + printable(shownName(section.name)) + ",\"a";
    directive += std::string(section.flags & ELF_SECTION_WRITE ? "w" : "") + (code ? "x" : "") + "\"";
    printLine(l, section.address, nullptr, 0, directive.c_str());
    if (!listRegion(l, Region{section.address, section.bytes, section.size, code, &section.labels}))
      return;
  }
}

} // namespace

int main(int argc, char** argv) {
  if (const ProgramInfo info = findProgramInfo(argc, argv)) {
    printProgramInfo(info, PROGRAM, USAGE);
    return 0;
  }
  const Options o = parseOptions(argc, argv);
  Listing l{o.source, o.source, o.count, {}};
  std::vector<uint8_t> code = readCode(o);
  if (isElfFile(code.data(), code.size())) {
    if (o.originGiven)
      failTool(PROGRAM, EXIT_USAGE, "%s is an ELF file: its sections have their own addresses, no --origin", o.path);
    l.exact = true;
    listElf(o.path, l);
    return 0;
  }
  const size_t length = code.size();
  code.resize(length + MAX_INSTRUCTION_BYTES); // the last instruction may claim words past the end
  listRegion(l, Region{o.origin, code.data(), length, true, nullptr});
  return 0;
}
