#include <gtest/gtest.h>

#include "platform/platform.h"
#include "platform/shared/present_pacer.h"

namespace {

// One present after another on a counter of PRESENT_RATE x 1000 ticks a second (a period is 1000).
TEST(PresentPacer, WaitsWhenEarlyCatchesUpWhenLateRestartsWhenFarBehind) {
  constexpr int64_t FREQUENCY = PRESENT_RATE * 1000;
  const struct {
    const char* name;
    bool unpaced;
    int64_t nextDue, now;
    int64_t wait, nextDueAfter;
  } cases[] = {
      {"first present", false, 0, 5000, 0, 6000},
      {"early", false, 6000, 5600, 400, 7000},
      {"on time", false, 6000, 6000, 0, 7000},
      {"a little late: catch up", false, 6000, 8500, 0, 7000},
      {"far behind: start again", false, 6000, 6000 + PACE_CATCH_UP_PERIODS * 1000, 0, 11000},
      {"fast forward", true, 6000, 5600, 0, 6000},
  };
  for (const auto& c : cases) {
    presentPacer = PresentPacer{c.nextDue, c.unpaced};
    EXPECT_EQ(paceDelay(c.now, FREQUENCY), c.wait) << c.name;
    EXPECT_EQ(presentPacer.nextDue, c.nextDueAfter) << c.name;
  }
  presentPacer = PresentPacer{};
}

} // namespace
