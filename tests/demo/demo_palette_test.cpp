// The demo's pal.bmp: a well-formed 256-colour bitmap whose colours, matched
// the way the emulator matches them, leave no board colour far from an entry.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <set>

#include "support/test_support.h"
#include "video/palette.h"

namespace {

#ifdef QUILLOMARK_DEMO_DIR
const std::string DEMO_PALETTE = std::string(QUILLOMARK_DEMO_DIR) + "/pal.bmp";
#else
const std::string DEMO_PALETTE;
#endif

uint32_t littleEndian(const std::vector<uint8_t>& bytes, size_t offset, int size) {
  uint32_t value = 0;
  for (int i = size; i-- > 0;)
    value = value << 8 | bytes[offset + i];
  return value;
}

std::vector<uint8_t> demoPalette() {
  if (DEMO_PALETTE.empty())
    return {};
  return readFile(DEMO_PALETTE);
}

// The header fields a bitmap viewer needs, and the emulator's 1078-byte minimum.
TEST(DemoPalette, IsAComplete8BitBitmap) {
  const std::vector<uint8_t> bmp = demoPalette();
  if (bmp.empty())
    GTEST_SKIP() << "the demo ROM set was not built";
  ASSERT_GE(bmp.size(), size_t(PALETTE_FILE_MINIMUM));
  struct Field {
    const char* name;
    size_t offset;
    int size;
    uint32_t expected;
  };
  const uint32_t width = littleEndian(bmp, 18, 4), height = littleEndian(bmp, 22, 4);
  const Field fields[] = {
      {"signature", 0, 2, 'B' | 'M' << 8},
      {"file size", 2, 4, uint32_t(bmp.size())},
      {"pixel offset", 10, 4, 1078},
      {"info header size", 14, 4, 40},
      {"planes", 26, 2, 1},
      {"bits per pixel", 28, 2, 8},
      {"compression", 30, 4, 0},
      {"colours used", 46, 4, 256},
  };
  for (const Field& f : fields)
    EXPECT_EQ(littleEndian(bmp, f.offset, f.size), f.expected) << f.name;
  // Rows of 8-bit pixels are padded to four bytes.
  EXPECT_EQ(bmp.size(), 1078 + size_t((width + 3) / 4 * 4) * height);
}

// Every 15-bit board colour finds an entry within 72 (sum over red, green,
// blue of the match-value differences): half a cube step in each component.
// Board greys find an entry that is grey within 36, and the colours spread
// over nearly the whole palette.
TEST(DemoPalette, QuantisesEveryBoardColourClosely) {
  const std::vector<uint8_t> bmp = demoPalette();
  if (bmp.size() < size_t(PALETTE_FILE_MINIMUM))
    GTEST_SKIP() << "the demo ROM set was not built";
  uint8_t entries[256][4];
  std::copy(bmp.begin() + PALETTE_FILE_OFFSET, bmp.begin() + PALETTE_FILE_MINIMUM, &entries[0][0]);
  fillColourTable(entries);

  int worst = 0, worstGreyTint = 0;
  std::set<int> used;
  for (int word = 0; word < 0x8000; ++word) {
    const int r = (word & 31) * 8, g = (word >> 5 & 31) * 8, b = (word >> 10 & 31) * 8;
    const int k = colourTables.colourTable[word];
    used.insert(k);
    const int mr = matchValue(entries[k][2]), mg = matchValue(entries[k][1]), mb = matchValue(entries[k][0]);
    worst = std::max(worst, std::abs(mr - r) + std::abs(mg - g) + std::abs(mb - b));
    if (r == g && g == b)
      worstGreyTint = std::max(worstGreyTint, std::max({mr, mg, mb}) - std::min({mr, mg, mb}));
  }
  EXPECT_LE(worst, 72);
  EXPECT_LE(worstGreyTint, 36);
  EXPECT_GE(used.size(), 250u);
}

} // namespace
