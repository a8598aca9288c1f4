// Every display set-up failure is returned with its own line; a refused mode goes on in a window.
#include <gtest/gtest.h>

#include <string>

#include "driver/frame_loop.h"
#include "platform/headless/headless.h"
#include "support/test_support.h"
#include "video/display.h"
#include "video/palette.h"

namespace {

struct SetupFailure {
  const char* name;
  HeadlessStep step;
  const char* message;
  bool windowedStart = false; // --window
  const char* printed = "";
  bool windowedAfter = false;
};

class DisplaySetup : public testing::TestWithParam<SetupFailure> {};

TEST_P(DisplaySetup, FailureIsReturnedWithItsMessage) {
  const SetupFailure c = GetParam();
  const std::string dir = makeScratchDir(std::string("display-") + c.name);
  writeRomSet(dir, {}); // brings a pal.bmp
  freshMachine();
  displayContext.windowed = c.windowedStart;
  headlessFail(c.step, PLATFORM_FAILED, 1);
  ASSERT_TRUE(inDirectory(dir, [&c] { EXPECT_EQ(captureStdout([&c] { EXPECT_EQ(startDisplay(), c.message); }), c.printed); }));
  if (!*c.message) {
    EXPECT_EQ(displayContext.windowed, c.windowedAfter);
    EXPECT_EQ(headlessPlatform.windowed, c.windowedAfter);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Steps, DisplaySetup,
    testing::Values(SetupFailure{"Create", STEP_CREATE_DISPLAY, "Direct draw failed to initialize"},
                    SetupFailure{"Cooperative", STEP_COOPERATIVE_LEVEL, "Direct draw failed to initialize"},
                    SetupFailure{"Mode", STEP_DISPLAY_MODE, "", false,
                                 "Failed to set screen mode\nRunning in a window instead\n", true},
                    SetupFailure{"WindowStartSetsNoMode", STEP_DISPLAY_MODE, "", true, "", true},
                    SetupFailure{"Window", STEP_ENTER_WINDOW, "Failed to open the window", true},
                    SetupFailure{"WindowPalette", STEP_CREATE_PALETTE, "Create palette failed", true},
                    SetupFailure{"Primary", STEP_PRIMARY_SURFACE, "Direct draw failed to create primary surface"},
                    SetupFailure{"BackBuffer", STEP_BACK_BUFFER, "Direct draw failed to create secondary surface"},
                    SetupFailure{"CreatePalette", STEP_CREATE_PALETTE, "Create palette failed"},
                    SetupFailure{"SetPalette", STEP_SET_PALETTE, "Set palette failed"}),
    [](const testing::TestParamInfo<SetupFailure>& info) { return info.param.name; });

TEST(DisplaySetup, WideModeAsksFor640x480AndOpensTheWindowActive) {
  const std::string dir = makeScratchDir("display-wide");
  writeRomSet(dir, {});
  freshMachine();
  displayContext.wideMode = true;
  ASSERT_TRUE(inDirectory(dir, [] { EXPECT_EQ(startDisplay(), ""); }));
  EXPECT_EQ(headlessPlatform.width, 640);
  EXPECT_EQ(headlessPlatform.height, 480);
  EXPECT_EQ(colourTables.hostPalette[200].red, 200); // pal.bmp's colours as they are
}

} // namespace
