#include <gtest/gtest.h>

#include "driver/board.h"
#include "driver/frame_loop.h"
#include "driver/memory.h"
#include "support/test_support.h"

namespace {

void pointFlagAt(uint32_t address, uint8_t value) {
  pokeWords(FRAME_FLAG_POINTER, {uint16_t(address >> 16), uint16_t(address)});
  if (address < MEMORY_SIZE) machineMemory[address] = value;
}

TEST(FrameDetection, TwelfthDetectionEndsTheFrameAndCountRestarts) {
  freshMachine();
  pointFlagAt(0x80100, 0x80);
  for (int frame = 0; frame < 2; ++frame) {
    for (int i = 0; i < 11; ++i)
      EXPECT_FALSE(frameEnds()) << i;
    EXPECT_TRUE(frameEnds());
    frameLoopState.idleHitCount = 0; // as the frame end does
  }
}

TEST(FrameDetection, ClearFlagOrFlagOutsideTheImageNeverCounts) {
  const struct { uint32_t address; uint8_t value; } cases[] = {
      {0x80100, 0x7F}, {0x80100, 0x00}, {MEMORY_SIZE, 0xFF}, {0xFFFFFFFF, 0xFF}, {0xAAAAAAAA, 0xFF}};
  for (const auto& c : cases) {
    freshMachine();
    pointFlagAt(c.address, c.value);
    for (int i = 0; i < 20; ++i)
      EXPECT_FALSE(frameEnds());
    EXPECT_EQ(frameLoopState.idleHitCount, 0);
  }
}

} // namespace
