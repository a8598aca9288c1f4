#include "core/records.h"

#include <cstring>

#include "core/core.h"
#include "core/rewind.h"
#include "cpu68k/cpu_state.h"
#include "driver/frame_loop.h"
#include "driver/memory.h"
#include "driver/sound_queue.h"
#include "driver/warnings.h"
#include "host/keyboard.h"
#include "video/frame_store.h"
#include "video/layers.h"
#include "video/palette.h"
#include "video/sprites.h"

namespace {
// The address space is created by the first ROM-set load and kept, refilled, from then on.
void resetMemory() {
  if (machineMemory)
    memset(machineMemory, MEMORY_FILL, MEMORY_SIZE);
}

// A fresh machine differs from anything rewind kept: every block counts as changed.
void markBitmapChanged() { memset(layerBitmapChanged, 1, sizeof layerBitmapChanged); }

// The warning lines' sink is the front end's, not the machine's: it stays.
void resetWarnings() {
  void (*const sink)(const char*) = warningBudget.sink;
  warningBudget = {};
  warningBudget.sink = sink;
}

// Short taps are held or not as the front end chose. Before its first instruction the board stands
// as at a frame end: inputs given now apply at once.
void resetCoreInputs() {
  const bool unheld = coreInputs.tapsUnheld;
  coreInputs = {};
  coreInputs.tapsUnheld = unheld;
  coreInputs.atFrameEnd = true;
}

template <auto& record> constexpr void (*RESET)() = resetRecordValue<record>;
template <> constexpr void (*RESET<machineMemory>)() = resetMemory;
template <> constexpr void (*RESET<warningBudget>)() = resetWarnings;
template <> constexpr void (*RESET<coreInputs>)() = resetCoreInputs;
template <> constexpr void (*RESET<memoryChanged>)() = markAllMemoryChanged;
template <> constexpr void (*RESET<layerBitmapChanged>)() = markBitmapChanged;
} // namespace

const MachineRecord MACHINE_RECORDS[RECORD_COUNT] = {
#define RECORD_ENTRY(id, record, unsaved) {#record, RESET<record>, unsaved},
    MACHINE_RECORD_LIST(RECORD_ENTRY)
#undef RECORD_ENTRY
};

void resetMachineRecords() {
  for (const MachineRecord& record : MACHINE_RECORDS)
    record.reset();
}
