#include "host/run_records.h"

#include <cstdio>

#include "core/records.h"
#include "cpu68k/exceptions.h"
#include "debug/debugger.h"
#include "debug/gdb_stub.h"
#include "debug/symbols.h"
#include "driver/frame_loop.h"
#include "driver/program_loop.h"
#include "files/file_write.h"
#include "host/controls.h"
#include "host/input_log.h"
#include "host/joystick.h"
#include "host/key_map.h"
#include "host/on_screen.h"
#include "host/run_end.h"
#include "host/state_files.h"
#include "video/display.h"
#include "video/screenshot.h"

namespace {
// Closes a file a record holds, without a report: a reset is no orderly end.
void dropFile(FILE*& file) {
  if (file)
    fclose(file);
  file = nullptr;
}

void resetDebugger() {
  dropFile(debugger.trace);
  debugger = Debugger{};
}

void resetInputLog() {
  dropFile(inputLog.keyLog);
  dropFile(inputLog.soundLog);
  inputLog = InputLog{};
}

void resetRunEnd() {
  runEnd.requested = 0;
  runEnd.afterHang = false;
}

void resetJoystick() { joystickState = NO_JOYSTICK; }

template <auto& record> constexpr void (*RESET)() = resetRecordValue<record>;
template <> constexpr void (*RESET<debugger>)() = resetDebugger;
template <> constexpr void (*RESET<inputLog>)() = resetInputLog;
template <> constexpr void (*RESET<runEnd>)() = resetRunEnd;
template <> constexpr void (*RESET<joystickState>)() = resetJoystick;
template <> constexpr void (*RESET<keyMap>)() = resetKeyMap;
} // namespace

const RunRecord RUN_RECORDS[RUN_RECORD_COUNT] = {
#define RUN_RECORD_ENTRY(record, unsaved) {#record, RESET<record>, unsaved},
    RUN_RECORD_LIST(RUN_RECORD_ENTRY)
#undef RUN_RECORD_ENTRY
};

void resetRunRecords() {
  for (const RunRecord& record : RUN_RECORDS)
    record.reset();
}

void resetAllRecords() {
  resetMachineRecords();
  resetRunRecords();
}
