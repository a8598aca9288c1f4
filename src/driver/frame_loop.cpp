#include "driver/frame_loop.h"

#include <chrono>

#include "cpu68k/cpu_state.h"
#include "cpu68k/cpu_tables.h"
#include "cpu68k/exceptions.h"
#include "driver/memory.h"
#include "video/display.h"

FrameLoopState frameLoopState;

bool frameEnds() {
  const uint32_t flagAddress = peekLong(FRAME_FLAG_POINTER);
  // A flag address outside the image counts as a clear flag.
  if (flagAddress >= MEMORY_SIZE || !(machineMemory[flagAddress] & FRAME_FLAG_BIT))
    return false;
  return frameLoopState.idleHitCount++ > IDLE_HIT_LIMIT;
}

void endFrame() {
  frameLoopState.idleHitCount = 0;
  takeException(VECTOR_LEVEL1);
  cpuState.intMask = VBLANK_MASK;
  cpuState.specialFlags |= SPECIAL_SR_LOADED;
  renderFrame();
}

// COUNTING adds the statistics counters; the plain loop pays nothing for them.
template <bool COUNTING> [[noreturn]] static void frameLoop() {
  for (;;) {
    const uint32_t opcode = fetchWord();
    opHandlerTable[opcode](opcode);
    if constexpr (COUNTING)
      ++frameLoopState.instructionCount;
    if (getPc() == IDLE_LOOP_PC) [[unlikely]] {
      if (frameEnds()) {
        if constexpr (COUNTING)
          ++frameLoopState.frameCount;
        endFrame();
      }
    }
  }
}

double steadySeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void runFrameLoop() {
  if (frameLoopState.countInstructions) {
    frameLoopState.loopStartSeconds = steadySeconds();
    frameLoop<true>();
  }
  frameLoop<false>();
}
