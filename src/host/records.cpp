#include "host/records.h"

#include <cstdio>
#include <cstring>

#include "cpu68k/cpu_state.h"
#include "cpu68k/exceptions.h"
#include "driver/debugger.h"
#include "driver/file_write.h"
#include "driver/frame_loop.h"
#include "driver/gdb_stub.h"
#include "driver/memory.h"
#include "driver/sound_queue.h"
#include "driver/symbols.h"
#include "driver/warnings.h"
#include "host/controls.h"
#include "host/input_log.h"
#include "host/joystick.h"
#include "host/on_screen.h"
#include "host/key_map.h"
#include "host/rewind.h"
#include "host/run_end.h"
#include "host/save_state.h"
#include "video/display.h"
#include "video/frame_store.h"
#include "video/layers.h"
#include "video/palette.h"
#include "video/screenshot.h"
#include "video/sprites.h"

// Closes a file a record holds, without a report: a reset is no orderly end.
static void dropFile(FILE*& file) {
  if (file)
    fclose(file);
  file = nullptr;
}

const MachineRecord MACHINE_RECORDS[RECORD_COUNT] = {
    {"machineMemory",
     [] {
       // Created by the first ROM-set load; kept, refilled, from then on.
       if (machineMemory)
         memset(machineMemory, MEMORY_FILL, MEMORY_SIZE);
     },
     nullptr},
    {"cpuState", [] { cpuState = CpuState{}; }, nullptr},
    {"ccrWord", [] { ccrWord = 0; }, nullptr},
    {"frameLoopState", [] { frameLoopState = FrameLoopState{}; }, nullptr},
    {"soundCommandQueue", [] { soundCommandQueue = SoundCommandQueue{}; }, nullptr},
    {"layerState", [] { layerState = LayerState{}; }, nullptr},
    {"spriteState", [] { spriteState = SpriteState{}; }, nullptr},
    {"hostControls", [] { hostControls = HostControls{}; }, nullptr},
    {"joystickState", [] { joystickState = NO_JOYSTICK; }, nullptr},
    {"debugger",
     [] {
       dropFile(debugger.trace);
       debugger = Debugger{};
     },
     "the trace and breakpoints are the run's options"},
    {"fileWriteState", [] { fileWriteState = FileWriteState{}; }, "failures of this run's files"},
    {"warningBudget", [] { warningBudget = WarningBudget{}; }, "console output, renewed every frame"},
    {"exceptionWatch", [] { exceptionWatch = ExceptionWatch{}; }, "set by the trace"},
    {"displayContext", [] { displayContext = DisplayContext{}; },
     "the window, pal.bmp's colours and the pass count belong to the run"},
    {"frameStore", [] { frameStore = FrameStore{}; }, "composed afresh every pass"},
    {"colourTables", [] { colourTables = ColourTables{}; }, "from pal.bmp, and the pen map every pass"},
    {"screenshotState", [] { screenshotState = ScreenshotState{}; }, "the run's bitmap numbering"},
    {"inputLog",
     [] {
       dropFile(inputLog.keyLog);
       dropFile(inputLog.soundLog);
       inputLog = InputLog{};
     },
     "keys.bin and the replay are the run's files"},
    {"runEnd",
     [] {
       runEnd.requested = 0;
       runEnd.afterHang = false;
     },
     "an end request of this run"},
    {"stateRequests", [] { stateRequests = StateRequests{}; }, "the run's options"},
    {"onScreen", [] { onScreen = OnScreen{}; }, "messages shown to the person at the keys"},
    {"rewindHistory", [] { rewindHistory = RewindHistory{}; }, "the desktop's recent passes, kept apart from states"},
    {"keyMap", resetKeyMap, "the player's keys, from the desktop programs' settings"},
    {"symbolTable", [] { symbolTable = SymbolTable{}; }, "the run's option --symbols"},
    {"gdbStub", [] { gdbStub = GdbStub{}; }, "gdb's connection, breakpoints and watchpoints belong to the session"},
};

void resetRecords() {
  for (const MachineRecord& record : MACHINE_RECORDS)
    record.reset();
}
