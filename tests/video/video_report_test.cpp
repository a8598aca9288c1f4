// quillomark-inspect: why each sprite entry is or is not drawn, and a pal.bmp that shows a program's
// colours exactly.
#include <cmath>
#include <set>

#include "core/core.h"
#include "host/run_end.h"
#include "host/state_files.h"
#include "video/video_fixture.h"

namespace {

std::string inspect(const std::string& dir, const std::string& arguments) {
  EXPECT_EQ(runIn(dir, std::string("'") + QUILLOMARK_INSPECT + "' " + arguments + " >out.txt 2>err.txt"), 0)
      << std::string(readFile(dir + "/err.txt").begin(), readFile(dir + "/err.txt").end());
  const std::vector<uint8_t> out = readFile(dir + "/out.txt");
  return std::string(out.begin(), out.end());
}

// The table's verdict for a scan index ("" when the entry is not listed).
std::string verdictOf(const std::string& table, int scan) {
  char start[8];
  snprintf(start, sizeof start, "\n%4d ", scan);
  const size_t at = table.find(start);
  if (at == std::string::npos)
    return "";
  const size_t end = table.find('\n', at + 1);
  const std::string line = table.substr(at + 1, end - at - 1);
  return line.substr(line.rfind("   ") + 3);
}

TEST(Inspector, SaysWhyEachSpriteIsOrIsNotDrawn) {
  freshVideo();
  const struct {
    SpriteSetup setup;
    void (*spoil)(uint8_t* entry);
    const char* verdict;
  } cases[] = {
      {{10, 20, 0x20, ZOOM_NORMAL, 0, 1, false, false}, nullptr, "drawn"},
      {{10, 20, 0x20, ZOOM_NORMAL, 0, 1, false, false}, [](uint8_t* e) { e[9] |= 1; }, "hidden"},
      {{10, 20, 0x20, ZOOM_NORMAL, 0, 1, false, false}, [](uint8_t* e) { e[3] = 0xFF; }, "hidden"},
      {{10, 20, 0x20, 0, 0, 1, false, false}, nullptr, "zero zoom"},
      {{10, 20, 0x20, 0xFF, 0, 1, false, false}, nullptr, "zero zoom"},
      {{304, 20, 0x20, ZOOM_NORMAL, 0, 1, false, false}, nullptr, "off screen"},
      {{10, 20, UNKNOWN_SIZE_CODE, ZOOM_NORMAL, 0, 1, false, false}, nullptr, "unknown size"},
      {{10, 20, UNKNOWN_SIZE_CODE, 0x40, 0, 1, false, false}, nullptr, "drawn"}, // a single line
      {{10, 20, 0x20, ZOOM_NORMAL, 0, 1, false, false}, [](uint8_t* e) { e[1] ^= 1; }, ""},
      {{10, 20, 0x20, 0x40, 0, 1, false, false}, nullptr, "drawn"}, // zoomed: twice the size on screen
  };
  for (int i = 0; i < int(std::size(cases)); ++i) {
    setSprite(i, cases[i].setup);
    if (cases[i].spoil)
      cases[i].spoil(machineMemory + spriteEntryAddress(i));
  }
  const std::string dir = makeScratchDir("inspect-sprites");
  ASSERT_TRUE(inDirectory(dir, [] { ASSERT_TRUE(saveMachineState(STATE_FILE)); }));
  const std::string table = inspect(dir, STATE_FILE);
  for (int i = 0; i < int(std::size(cases)); ++i)
    EXPECT_EQ(verdictOf(table, i), cases[i].verdict) << i;
  EXPECT_NE(table.find("\n247 other entries skipped: byte 1 is not their scan index\n"), std::string::npos);
  // The pattern's size, then the size on the screen: the same at normal size, scaled when zoomed.
  EXPECT_NE(table.find(" 8x8    8x8     80 "), std::string::npos) << table;
  EXPECT_NE(table.find(" 8x8    16x16   40 "), std::string::npos) << table;
  EXPECT_NE(table.find(" 8x8    -       00 "), std::string::npos) << table;
}

#ifdef QUILLOMARK_DEMO_DIR
// Each colour word the demo leaves in palette RAM is shown, through the built pal.bmp, by an entry of
// its own whose match distance is the least any pal.bmp colour can have.
TEST(Inspector, APaletteBuiltFromADumpShowsItsProgramsColoursExactly) {
  const std::string dir = makeScratchDir("inspect-palette");
  ASSERT_EQ(runIn(dir, std::string("cp '") + QUILLOMARK_DEMO_DIR + "'/*.bin '" + QUILLOMARK_DEMO_DIR + "'/pal.bmp ."), 0);
  ASSERT_EQ(runIn(dir, std::string("'") + QUILLOMARK_HEADLESS + "' --frames 60 >/dev/null"), EXIT_CODE_END);
  inspect(dir, "--palette built.bmp --pictures pictures dump.bin");
  for (const char* picture : {"palette", "layer0", "layer1", "sprites", "tiles"})
    EXPECT_GT(readFile(dir + "/pictures/" + picture + ".bmp").size(), 54u) << picture;
  const std::vector<uint8_t> dump = readFile(dir + "/dump.bin");
  const std::vector<uint8_t> built = readFile(dir + "/built.bmp");
  char message[CORE_MESSAGE_SIZE];
  freshMachine();
  ASSERT_TRUE(loadPalette(built.data(), built.size(), message, sizeof message));
  const auto bestDistance = [](int c) {
    int best = 1 << 30;
    for (int v = 0; v < 256; ++v)
      best = std::min(best, std::abs(matchValue(uint8_t(v)) - 8 * c));
    return best;
  };
  std::set<int> words, entries;
  for (int n = 0; n < PEN_LOOKUP_SIZE; ++n)
    words.insert((dump[PALETTE_RAM + 4 * n + 1] << 8 | dump[PALETTE_RAM + 4 * n + 3]) & 0x7FFF);
  for (const int word : words) {
    const int entry = colourTables.colourTable[word];
    const PaletteColour& shown = colourTables.hostPalette[entry];
    const uint8_t values[3] = {shown.red, shown.green, shown.blue};
    for (int c = 0; c < 3; ++c)
      EXPECT_EQ(std::abs(matchValue(values[c]) - 8 * (word >> (5 * c) & 31)), bestDistance(word >> (5 * c) & 31))
          << std::hex << word;
    entries.insert(entry);
  }
  EXPECT_EQ(entries.size(), words.size());
  EXPECT_GT(words.size(), 50u);
}
#endif

} // namespace
