// A scripted run of the demo and its replay from its own keys.bin must agree exactly.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "host/input_log.h"
#include "support/test_support.h"

namespace {

// The demo ROM set, when the build has one (it needs the m68k cross compiler).
#ifdef QUILLOMARK_DEMO_DIR
constexpr const char* DEMO_DIR = QUILLOMARK_DEMO_DIR;
#else
constexpr const char* DEMO_DIR = nullptr;
#endif

std::string copyDemo(const std::string& name) {
  const std::string dir = makeScratchDir(name);
  EXPECT_EQ(runIn(dir, std::string("cp '") + DEMO_DIR + "'/*.bin '" + DEMO_DIR + "'/pal.bmp ."), 0);
  return dir;
}

TEST(Replay, ReproducesTheRunItRecorded) {
  if (!DEMO_DIR)
    GTEST_SKIP() << "no demo ROM set in this build (m68k-linux-gnu cross tools not found)";
  const std::string headless = std::string("'") + QUILLOMARK_HEADLESS + "'";
  const std::string script = std::string(QUILLOMARK_TESTS_DIR) + "/demo/player.keys";
  const std::string recorded = copyDemo("replay-recorded");
  ASSERT_EQ(runIn(recorded, headless + " --frames 200 --keys '" + script + "' --digests digests.txt >out.txt 2>err.txt"), 1);

  // The replay reads the log it is about to overwrite, in its own folder.
  const std::string replayed = copyDemo("replay-replayed");
  ASSERT_EQ(runIn(replayed, "cp '" + recorded + "/keys.bin' keys.bin"), 0);
  ASSERT_EQ(runIn(replayed, headless + " --frames 200 --replay keys.bin --digests digests.txt >out.txt 2>err.txt"), 1);

  const std::vector<uint8_t> digests = readFile(recorded + "/digests.txt");
  EXPECT_EQ(std::count(digests.begin(), digests.end(), '\n'), 200);
  EXPECT_EQ(readFile(replayed + "/digests.txt"), digests);
  EXPECT_EQ(readFile(replayed + "/keys.bin"), readFile(recorded + "/keys.bin"));
  const std::vector<uint8_t> dump = readFile(recorded + "/dump.bin");
  ASSERT_EQ(dump.size(), DUMP_FILE_SIZE);
  EXPECT_TRUE(readFile(replayed + "/dump.bin") == dump) << "dump.bin differs";

  // Without the replay the same run with no keys shows other pictures: the replay did the work.
  const std::string idle = copyDemo("replay-idle");
  ASSERT_EQ(runIn(idle, headless + " --frames 200 --digests digests.txt >out.txt 2>err.txt"), 1);
  EXPECT_NE(readFile(idle + "/digests.txt"), digests);
}

} // namespace
