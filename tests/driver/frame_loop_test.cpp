#include <gtest/gtest.h>

#include "cpu68k/cpu_state.h"
#include "cpu68k/cpu_tables.h"
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

// A BRA.S to itself at the idle loop ends the frame at its twelfth run, in every variant of the
// loop, also when the PC's fields disagree (a loaded state) and the fetch position is elsewhere.
TEST(FrameDetection, SlicesEndAtTheTwelfthIdleRunInEveryVariant) {
  constexpr uint16_t BRA_TO_ITSELF = 0x60FE;
  constexpr uint32_t COUNT = 100, RUNS_TO_END = IDLE_HIT_LIMIT + 2, SKEW = 0x100;
  char message[64];
  ASSERT_TRUE(buildCpuTables(message, sizeof message));
  for (LoopKind kind : {LOOP_PLAIN, LOOP_COUNTING, LOOP_WATCHING})
    for (uint32_t skew : {0u, SKEW}) {
      freshMachine();
      pointFlagAt(0x80100, FRAME_FLAG_BIT);
      pokeWords(IDLE_LOOP_PC + skew, {BRA_TO_ITSELF});
      setPc(IDLE_LOOP_PC);
      cpuState.pcHost = cpuState.pcHostBase = IDLE_LOOP_PC + skew;
      uint32_t left = 0;
      EXPECT_EQ(runSlice(kind, COUNT, &left), SLICE_FRAME_ENDED) << kind << " " << skew;
      EXPECT_EQ(left, COUNT - RUNS_TO_END) << kind << " " << skew;
    }
}

} // namespace
