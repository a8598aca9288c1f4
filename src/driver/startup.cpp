#include "driver/startup.h"

#include <cstdio>
#include <cstring>

#include "cpu68k/cpu_state.h"
#include "cpu68k/cpu_tables.h"
#include "driver/frame_loop.h"
#include "driver/rom_loader.h"
#include "host/joystick.h"
#include "host/run_end.h"
#include "host/save_state.h"
#include "video/display.h"

void printBanner() {
  printf("Quillomark arcade emulator (https://quillomark.example/)\n\n");
  printf("%-26s%s\n", "Arcade emulator:", "Quillomark team (team@quillomark.example)");
  printf("%-26s%s\n", "68000 emulator:", "Quillomark CPU desk (cpu@quillomark.example)");
  printf("%-26s%s\n", "Z80 emulator:", "Quillomark sound desk (sound@quillomark.example)");
  printf("%-26s%s\n", "AY-3-8910 emulator:", "Quillomark sound desk (sound@quillomark.example)");
  printf("%-26s%s\n", "AY emu updated by:", "Quillomark maintainers (maint@quillomark.example)");
  printf("\n");
}

void parseOptions(int argc, char** argv) {
  for (int i = 1; i < argc; ++i)
    if (strcmp(argv[i], "-640") == 0)
      frameLoopState.wideMode = true;
}

void runQuillomark(int argc, char** argv) {
  printBanner();
  parseOptions(argc, argv);
  detectJoystick();
  buildCpuTables();
  loadRomSet();
  resetCpu();
  initDisplay();
  watchEndSignals();
  applyPendingState(); // a state asked for at start (quillomark-headless --load-state)
  runFrameLoop();
}
