#include <unistd.h>

#include <cmath>
#include <cstdlib>

#include "driver/board.h"
#include "video/video_fixture.h"

namespace {
using Entries = std::array<std::array<uint8_t, 4>, 256>;

// The colour table as defined: every host entry tried for every word, ties to the lowest.
std::vector<uint8_t> plainSearch(const Entries& entries) {
  int match[256][3];
  for (int k = 0; k < 256; ++k)
    for (int c = 0; c < 3; ++c)
      match[k][c] = int(std::sqrt(entries[k][c] / 255.0) * 255.0);
  std::vector<uint8_t> table(65536);
  for (int w = 0; w < 65536; ++w) {
    const int r = (w & 0x1F) * 8, g = ((w >> 5) & 0x1F) * 8, b = ((w >> 10) & 0x1F) * 8;
    for (int k = 0, best = 768; k < 256; ++k) {
      const int d = std::abs(match[k][2] - r) + std::abs(match[k][1] - g) + std::abs(match[k][0] - b);
      if (d < best)
        best = d, table[w] = uint8_t(k);
    }
  }
  return table;
}
} // namespace

TEST(ColourTable, FastSearchMatchesThePlainSearchForEveryWord) {
  uint32_t seed = 7;
  auto random = [&](int, int) { return int((seed = seed * 1103515245u + 12345u) >> 24); };
  const std::function<int(int, int)> palettes[] = {
      [](int k, int) { return k; }, random, [](int k, int c) { return (k / 16 * 40 + c * 7) & 0xFF; }, // ties
      [](int, int) { return 99; }, [](int k, int c) { return (k >> (2 * c)) & 3 ? 255 : k & 1; }};
  for (const auto& colour : palettes) {
    Entries entries{};
    for (int k = 0; k < 256; ++k)
      for (int c = 0; c < 3; ++c)
        entries[k][c] = uint8_t(colour(k, c));
    fillColourTable(reinterpret_cast<const uint8_t(*)[4]>(entries.data()));
    const std::vector<uint8_t> expected = plainSearch(entries);
    for (int w = 0; w < 65536; ++w)
      ASSERT_EQ(colourTables.colourTable[w], expected[w]) << "word " << w << " palette " << &colour - palettes;
  }
}

TEST(ColourTable, MatchesBrightenedValuesButKeepsTheFileColours) {
  freshVideo();
  // Greys 0, 64, 128 (matched as 0, 127, 180), then white, then red.
  const auto colour = [](int k) { return k < 3 ? grey(64 * k) : k == 3 ? grey(255) : std::array{0, 0, 200}; };
  ASSERT_TRUE(inDirectory(paletteScratch("palette", colour), [] { EXPECT_EQ(startDisplay(), ""); }));
  const PaletteColour& p = colourTables.hostPalette[1];
  EXPECT_EQ((std::array<int, 4>{p.red, p.green, p.blue, p.flags}), (std::array{64, 64, 64, 0}));
  const int expected[][2] = {{16 | 16 << 5 | 16 << 10, 1}, {0x7FFF, 3}, {0xFFFF, 3}, {0x001F, 4}, {0x8000, 0}};
  for (const auto& [word, entry] : expected)
    EXPECT_EQ(colourTables.colourTable[word], entry) << std::hex << word;
}

TEST(ColourTable, MissingOrShortPalBmpIsReturnedAsAStartUpFailure) {
  for (int size : {-1, 0, 54, 1077}) { // -1: no file
    const std::string dir = paletteScratch("palette-bad", grey);
    const std::string palette = dir + "/" + PALETTE_FILE;
    ASSERT_EQ(truncate(palette.c_str(), size < 0 ? 0 : size), 0);
    if (size < 0)
      unlink(palette.c_str());
    ASSERT_TRUE(inDirectory(dir, [] { EXPECT_EQ(startDisplay(), "Cannot read the 256 colours of pal.bmp"); })) << size;
  }
}

TEST(PenLookup, UsesTheOddBytesAndGivesEveryPenZeroEntryZero) {
  freshVideo();
  for (int w = 0; w < 65536; ++w)
    colourTables.colourTable[w] = uint8_t(w * 3 ^ w >> 8);
  for (int i = 0; i < 2048; ++i)
    pokeWords(PALETTE_RAM + 4 * i, {uint16_t(0xEE00 | (i >> 3)), uint16_t(0xDD00 | (i * 5 & 0xFF))});
  convertPalette();
  for (int i = 0; i < 2048; ++i) {
    const int j = i % 16 ? i : 0;
    ASSERT_EQ(colourTables.penLookup[i], colourTables.colourTable[(j >> 3) << 8 | (j * 5 & 0xFF)]) << i;
  }
}
