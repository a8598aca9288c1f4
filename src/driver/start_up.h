// The programs' start-up in its fixed order: the banner and the options, the joystick, the CPU
// tables, the ROM set, the CPU's reset, the colour table, the display. The program lends the steps
// that are its own: its banner and options, where the run's files go, how a failure is shown.
#pragma once

#include "platform/platform.h"

struct StartUpSteps {
  void (*banner)();
  void (*options)(int argc, char** argv);
  void (*runFolder)();                                     // once the set and pal.bmp are read
  void (*failure)(const char* message, bool romSetFailed); // after the failure's console line
  EndRoutine end;                                          // the backend's ending routine
};

// Starts the machine in order, up to the frame loop; false after a failure, whose one line has been
// printed (and shown by failure).
bool startUp(int argc, char** argv, const StartUpSteps& steps);
