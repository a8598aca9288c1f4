#include "driver/frame_loop.h"

#include <cstdio>

#include "cpu68k/cpu_state.h"
#include "cpu68k/cpu_tables.h"
#include "cpu68k/exceptions.h"
#include "driver/board.h"
#include "driver/memory.h"
#include "driver/warnings.h"
#ifdef QUILLOMARK_SWITCH_DISPATCH
#include "cpu68k/op_switch.h"
#endif

FrameLoopState frameLoopState;
LoopWatch loopWatch;

// The opcode's handler through the table, or where SWITCHED in the browser build through the
// switch inlined here: the plain loop's hot path only, the other variants keep the table.
template <bool SWITCHED> [[gnu::always_inline]] inline void dispatchOpcode(uint32_t opcode) {
#ifdef QUILLOMARK_SWITCH_DISPATCH
  if constexpr (SWITCHED) {
    switchOpClass(opClassTable[opcode], opcode);
    return;
  }
#endif
  opHandlerTable[opcode](opcode);
}

bool frameEnds() {
  const uint32_t flagAddress = peekLong(FRAME_FLAG_POINTER);
  // A flag address outside the image counts as a clear flag.
  if (flagAddress >= MEMORY_SIZE || !(machineMemory[flagAddress] & FRAME_FLAG_BIT))
    return false;
  return frameLoopState.idleHitCount++ > IDLE_HIT_LIMIT;
}

void endFrame() {
  frameLoopState.idleHitCount = 0;
  startWarningFrame();
  takeException(VECTOR_LEVEL1);
  cpuState.intMask = VBLANK_MASK;
  cpuState.specialFlags |= SPECIAL_SR_LOADED;
}

// The slice's own copies: the count and the image stay in registers, and the idle test is made on
// the fetch position, which equals the PC while pcBase and pcHostBase agree. Every handler that
// sets the PC sets both to the same address, so only a state loaded with them apart takes the exact
// test (EXACT_PC), for the slices until a jump brings them together again. The fetch position is
// stored before the handler runs, so a warning, exception, trace or dump reads the PC exactly.
template <LoopKind KIND, bool EXACT_PC> static SliceEnd runSliceOf(uint32_t count, uint32_t* left) {
  const uint8_t* const memory = machineMemory;
  *left = 0;
  if (!count)
    return SLICE_SPENT;
  for (;;) {
    if constexpr (KIND == LOOP_WATCHING)
      if (loopWatch.before && loopWatch.before()) [[unlikely]] {
        *left = count;
        return SLICE_STOPPED;
      }
    const uint32_t position = cpuState.pcHost;
    cpuState.pcHost = position + INSTRUCTION_WORD_BYTES;
    const uint32_t opcode = fetchFrom(memory, position);
    dispatchOpcode<KIND == LOOP_PLAIN && !EXACT_PC>(opcode);
    --count;
    if constexpr (KIND == LOOP_COUNTING)
      ++frameLoopState.instructionCount;
    // gdb's stop after this instruction (a step, a watched write) stays pending over a frame end.
    bool stopAfter = false;
    if constexpr (KIND == LOOP_WATCHING)
      stopAfter = loopWatch.after && loopWatch.after();
    const bool atIdleLoop = EXACT_PC ? getPc() == IDLE_LOOP_PC : cpuState.pcHost == IDLE_LOOP_PC;
    // One test of the two rare ends: the idle loop reached, the count spent.
    if (atIdleLoop | (count == 0) | stopAfter) [[unlikely]] {
      if (atIdleLoop && frameEnds()) {
        if constexpr (KIND == LOOP_COUNTING)
          ++frameLoopState.frameCount;
        endFrame();
        *left = count;
        return SLICE_FRAME_ENDED;
      }
      if (stopAfter) {
        *left = count;
        return SLICE_STOPPED;
      }
      if (count == 0)
        return SLICE_SPENT;
    }
  }
}

#ifdef QUILLOMARK_SWITCH_DISPATCH
// The plain loop with every handler's body inlined into it.
[[gnu::flatten]] static SliceEnd runSwitchedSlice(uint32_t count, uint32_t* left) {
  return runSliceOf<LOOP_PLAIN, false>(count, left);
}
#endif

using SliceRunner = SliceEnd (*)(uint32_t, uint32_t*);
static const SliceRunner SLICE_RUNNERS[LOOP_KIND_COUNT][2] = {
#ifdef QUILLOMARK_SWITCH_DISPATCH
    {runSwitchedSlice, runSliceOf<LOOP_PLAIN, true>},
#else
    {runSliceOf<LOOP_PLAIN, false>, runSliceOf<LOOP_PLAIN, true>},
#endif
    {runSliceOf<LOOP_COUNTING, false>, runSliceOf<LOOP_COUNTING, true>},
    {runSliceOf<LOOP_WATCHING, false>, runSliceOf<LOOP_WATCHING, true>}};

SliceEnd runSlice(LoopKind kind, uint32_t count, uint32_t* left) {
  return SLICE_RUNNERS[kind][cpuState.pcBase != cpuState.pcHostBase](count, left);
}

void runInstructions(uint32_t count, void (*pass)()) {
  while (count) {
    if (runSlice(LOOP_PLAIN, count, &count) == SLICE_FRAME_ENDED && pass)
      pass();
  }
}
