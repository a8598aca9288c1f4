#include "support/test_programs.h"

#include <initializer_list>

#include "support/system_helpers.h"

namespace {

constexpr size_t PROGRAM_IMAGE_SIZE = 0x20000; // the two program ROMs, interleaved
constexpr size_t ROM_FILE_SIZE = 0x10000;
constexpr size_t PALETTE_FILE_SIZE = 1078;
constexpr size_t PALETTE_OFFSET = 54;

void words(std::vector<uint8_t>& image, uint32_t address, std::initializer_list<uint16_t> list) {
  for (uint16_t w : list) {
    image[address] = uint8_t(w >> 8);
    image[address + 1] = uint8_t(w);
    address += 2;
  }
}

// Vectors, the frame-flag byte, an RTE frame interrupt and the idle loop; the code at 0x400 is the caller's.
std::vector<uint8_t> frameProtocolImage() {
  std::vector<uint8_t> image(PROGRAM_IMAGE_SIZE, 0);
  words(image, 0x000, {0x0008, 0xF000});                         // initial stack pointer
  words(image, 0x004, {0x0000, 0x0400});                         // initial PC
  words(image, 0x064, {0x0000, 0x0500});                         // frame interrupt (vector 25)
  words(image, 0x300, {0xFF00});                                 // the frame-flag byte
  words(image, 0x400, {0x23FC, 0x0000, 0x0300, 0x0008, 0x0014}); // MOVE.L #$300,$80014
  words(image, 0x500, {0x4E73});                                 // RTE
  words(image, 0xA34, {0x60FE});                                 // BRA.S * (the idle loop)
  return image;
}

} // namespace

std::vector<uint8_t> idleProgram() {
  std::vector<uint8_t> image = frameProtocolImage();
  words(image, 0x40A, {0x4EF9, 0x0000, 0x0A34}); // JMP $A34
  return image;
}

std::vector<uint8_t> hangProgram() {
  std::vector<uint8_t> image = frameProtocolImage();
  words(image, 0x40A, {0x52B9, 0x0008, 0x0100}); // ADDQ.L #1,$80100
  words(image, TEST_PROGRAM_HANG_PC, {0x60FE});  // BRA.S *
  return image;
}

std::vector<uint8_t> warningStormProgram() {
  std::vector<uint8_t> image = idleProgram();
  words(image, 0x500, {0x303C, 0x0095,          // MOVE.W #149,D0
                       0x4A39, 0x0030, 0x0000,  // TST.B $300000 (outside memory)
                       0x51C8, 0xFFF8,          // DBRA D0,the TST
                       0x4E73});                // RTE
  return image;
}

std::vector<uint8_t> busyProgram() {
  std::vector<uint8_t> image = idleProgram();
  words(image, 0x500, {0x223C, 0x0001, 0x86A0, // MOVE.L #100000,D1
                       0xD481,                 // ADD.L D1,D2
                       0xB583,                 // EOR.L D2,D3
                       0x5381,                 // SUBQ.L #1,D1
                       0x66F8,                 // BNE.S the ADD
                       0x4E73});               // RTE
  return image;
}

void writeRomSet(const std::string& dir, const std::vector<uint8_t>& programImage) {
  // The 128 KiB program ROM is split into its even and odd bytes.
  std::vector<uint8_t> even(ROM_FILE_SIZE, 0), odd(ROM_FILE_SIZE, 0);
  for (size_t i = 0; i < programImage.size() && i < PROGRAM_IMAGE_SIZE; ++i)
    (i % 2 ? odd : even)[i / 2] = programImage[i];
  writeFile(dir + "/18b_d02.bin", even);
  writeFile(dir + "/18c_d05.bin", odd);
  const std::vector<uint8_t> blank(ROM_FILE_SIZE, 0);
  for (const char* name : {"17b_l.bin", "17c_l.bin", "17b_u.bin", "17c_u.bin"})
    writeFile(dir + "/" + name, blank);
  std::vector<uint8_t> bmp(PALETTE_FILE_SIZE, 0);
  bmp[0] = 'B';
  bmp[1] = 'M';
  for (int k = 0; k < 256; ++k)
    for (int c = 0; c < 3; ++c)
      bmp[PALETTE_OFFSET + 4 * k + c] = uint8_t(k);
  writeFile(dir + "/pal.bmp", bmp);
}

std::vector<uint8_t> symbolFile(const std::vector<TestSymbol>& symbols, const std::vector<uint8_t>& code) {
  // The header, the names, the code, the symbols, then four section headers: none, .text, .symtab,
  // .strtab (which names the sections too).
  const uint32_t textName = 1, textAddress = 0x400; // .text starts the names; the entry is its start
  std::string names = std::string(1, '\0') + ".text" + '\0';
  std::vector<uint8_t> table(16, 0);
  const auto put = [](std::vector<uint8_t>& out, uint32_t value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i)
      out.push_back(uint8_t(value >> (8 * i)));
  };
  const char* last = nullptr; // symbols in a row given the same name text share its one copy
  uint32_t lastAt = 0;
  for (const TestSymbol& s : symbols) {
    if (s.name != last) {
      last = s.name;
      lastAt = uint32_t(names.size());
      names += s.name;
      names += '\0';
    }
    put(table, lastAt, 4);
    put(table, s.address, 4);
    put(table, s.size, 4);
    put(table, 0x1202, 2); // global function
    put(table, 1, 2);      // in .text
  }
  names.resize((names.size() + 3) & ~size_t(3), '\0');
  const uint32_t namesAt = 52, codeAt = namesAt + uint32_t(names.size());
  const uint32_t tableAt = codeAt + ((uint32_t(code.size()) + 3) & ~3u);
  const uint32_t sectionsAt = tableAt + uint32_t(table.size());
  std::vector<uint8_t> elf = {0x7F, 'E', 'L', 'F', 1, 2, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  put(elf, 2, 2);  // executable
  put(elf, 4, 2);  // 68000
  put(elf, 1, 4);
  put(elf, textAddress, 4);
  put(elf, 0, 4);
  put(elf, sectionsAt, 4);
  put(elf, 0, 4);
  put(elf, 52, 2);
  put(elf, 32, 2);
  put(elf, 0, 2);
  put(elf, 40, 2);
  put(elf, 4, 2);  // sections
  put(elf, 3, 2);  // names of sections: .strtab
  elf.insert(elf.end(), names.begin(), names.end());
  elf.insert(elf.end(), code.begin(), code.end());
  elf.resize(tableAt, 0);
  elf.insert(elf.end(), table.begin(), table.end());
  const uint32_t sections[4][10] = {
      {},
      {textName, 1, 6, textAddress, codeAt, uint32_t(code.size()), 0, 0, 2, 0}, // .text: code
      {0, 2, 0, 0, tableAt, uint32_t(table.size()), 3, 1, 4, 16},               // .symtab
      {0, 3, 0, 0, namesAt, uint32_t(names.size()), 0, 0, 1, 0},                // .strtab
  };
  for (const auto& section : sections)
    for (uint32_t field : section)
      put(elf, field, 4);
  return elf;
}
