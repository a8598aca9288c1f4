// Every display set-up failure ends start-up with its own line and exit code 1.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "driver/frame_loop.h"
#include "platform/headless/headless.h"
#include "support/test_support.h"
#include "video/display.h"

namespace {

struct SetupFailure {
  const char* name;
  HeadlessStep step;
  const char* message;
};

class DisplaySetup : public testing::TestWithParam<SetupFailure> {};

TEST_P(DisplaySetup, FailureIsReportedAndEndsStartUp) {
  const SetupFailure c = GetParam();
  const std::string dir = makeScratchDir(std::string("display-") + c.name);
  writeRomSet(dir, {}); // brings a pal.bmp
  freshMachine();
  headlessFail(c.step, PLATFORM_FAILED, 1);
  const std::string outPath = dir + "/out.txt";
  EXPECT_EXIT(inDirectory(dir,
                          [&outPath] {
                            if (!freopen(outPath.c_str(), "w", stdout))
                              abort();
                            initDisplay();
                            fflush(stdout);
                            _exit(0);
                          }),
              testing::ExitedWithCode(1), "");
  const std::vector<uint8_t> out = readFile(outPath);
  EXPECT_EQ(std::string(out.begin(), out.end()), std::string("Building color table.\n") + c.message);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, DisplaySetup,
    testing::Values(SetupFailure{"Create", STEP_CREATE_DISPLAY, "Direct draw failed to initialize\n"},
                    SetupFailure{"Cooperative", STEP_COOPERATIVE_LEVEL, "Direct draw failed to initialize\n"},
                    SetupFailure{"Mode", STEP_DISPLAY_MODE, "Failed to set screen mode\n"},
                    SetupFailure{"Primary", STEP_PRIMARY_SURFACE, "Direct draw failed to create primary surface\n"},
                    SetupFailure{"BackBuffer", STEP_BACK_BUFFER, "Direct draw failed to create secondary surface\n"},
                    SetupFailure{"CreatePalette", STEP_CREATE_PALETTE, "Create palette failed\n"},
                    SetupFailure{"SetPalette", STEP_SET_PALETTE, "Set palette failed\n"}),
    [](const testing::TestParamInfo<SetupFailure>& info) { return info.param.name; });

TEST(DisplaySetup, WideModeAsksFor640x480AndOpensTheWindowActive) {
  const std::string dir = makeScratchDir("display-wide");
  writeRomSet(dir, {});
  freshMachine();
  frameLoopState.wideMode = true;
  ASSERT_TRUE(inDirectory(dir, [] { captureStdout(initDisplay); }));
  EXPECT_EQ(headlessPlatform.width, 640);
  EXPECT_EQ(headlessPlatform.height, 480);
  EXPECT_EQ(displayContext.paletteEntries[200].red, 200); // pal.bmp's colours as they are
}

} // namespace
