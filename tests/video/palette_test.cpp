#include <cmath>
#include <cstdlib>

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
    int best = 768;
    for (int k = 0; k < 256; ++k) {
      const int d = std::abs(match[k][2] - r) + std::abs(match[k][1] - g) + std::abs(match[k][0] - b);
      if (d < best) {
        best = d;
        table[w] = uint8_t(k);
      }
    }
  }
  return table;
}

template <typename Fn>
Entries makeEntries(Fn colour) {
  Entries e{};
  for (int k = 0; k < 256; ++k)
    for (int c = 0; c < 3; ++c)
      e[k][c] = uint8_t(colour(k, c));
  return e;
}
} // namespace

TEST(ColourTable, MatchValuesBrightenMidTones) {
  const int cases[][2] = {{0, 0}, {1, 15}, {64, 127}, {128, 180}, {192, 221}, {255, 255}};
  for (const auto& c : cases)
    EXPECT_EQ(matchValue(uint8_t(c[0])), c[1]) << c[0];
}

TEST(ColourTable, FastSearchMatchesThePlainSearchForEveryWord) {
  uint32_t seed = 7;
  const Entries palettes[] = {
      makeEntries([](int k, int) { return k; }),                                         // grey ramp
      makeEntries([&](int, int) { return (seed = seed * 1103515245u + 12345u) >> 24; }), // random
      makeEntries([](int k, int c) { return (k / 16 * 40 + c * 7) & 0xFF; }),            // many ties
      makeEntries([](int, int) { return 99; }),                                          // all equal
      makeEntries([](int k, int c) { return (k >> (2 * c)) & 3 ? 255 : k & 1; }),        // extremes
  };
  for (const Entries& entries : palettes) {
    fillColourTable(reinterpret_cast<const uint8_t(*)[4]>(entries.data()));
    const std::vector<uint8_t> expected = plainSearch(entries);
    for (int w = 0; w < 65536; ++w)
      ASSERT_EQ(colourTables.colourTable[w], expected[w]) << "word " << w << " palette " << &entries - palettes;
  }
}

TEST(ColourTable, BuiltFromPalBmpMatchesBrightenedButShowsFileColours) {
  freshVideo();
  enterScratch("palette-ok");
  // Entries 0..2 greys 0, 64, 128 (matched as 0, 127, 180); 3 white; the rest red.
  writeFile("pal.bmp", palBmp([](int k) {
    return k < 3 ? std::array<int, 3>{64 * k, 64 * k, 64 * k}
                 : k == 3 ? std::array<int, 3>{255, 255, 255} : std::array<int, 3>{0, 0, 200};
  }));
  EXPECT_EQ(captureStdout(buildColourTable), "Building color table.\n");
  const PaletteColour& grey = displayContext.paletteEntries[1];
  EXPECT_EQ((std::array<int, 4>{grey.red, grey.green, grey.blue, grey.flags}), (std::array<int, 4>{64, 64, 64, 0}));
  EXPECT_EQ(displayContext.paletteEntries[4].red, 200);
  const uint16_t grey128 = 16 | 16 << 5 | 16 << 10; // nearest to match value 127, not to file byte 128
  EXPECT_EQ(colourTables.colourTable[grey128], 1);
  EXPECT_EQ(colourTables.colourTable[0x7FFF], 3);
  EXPECT_EQ(colourTables.colourTable[0xFFFF], 3);
  EXPECT_EQ(colourTables.colourTable[0x001F], 4); // red 248 alone
}

TEST(ColourTable, MissingOrShortPalBmpEndsWithExitCodeOne) {
  const int sizes[] = {-1, 0, 54, 1077}; // -1: no file
  for (int size : sizes) {
    enterScratch("palette-bad");
    if (size == 0)
      fclose(fopen("pal.bmp", "wb"));
    else if (size > 0)
      writeFile("pal.bmp", std::vector<uint8_t>(size_t(size), 0x40));
    // The message goes to standard output; the child sends it where the death test looks.
    EXPECT_EXIT((dup2(2, 1), buildColourTable()), testing::ExitedWithCode(1), "pal\\.bmp") << size;
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
    const int word = (j >> 3) << 8 | (j * 5 & 0xFF);
    ASSERT_EQ(colourTables.penLookup[i], colourTables.colourTable[word]) << i;
  }
}
