// libFuzzer target: a fuzzed image laid over the board's ROM area (vectors included), the rest of
// memory as at start-up, then a reset and a bounded run of the real CPU core, frame ends and video
// on the headless backend. Inputs that start as other files go to their readers instead: an ELF file
// to the ELF reader (--symbols, the disassembler's sections), a gdb client's bytes ('$', '+', '-' or
// Ctrl+C first) to the gdb stub, a zip archive to the libretro core's set reader, a text that starts
// with a comment ('#') to the settings reader. Built only with -DQUILLOMARK_FUZZ=ON (clang; see
// tests/fuzz/fuzz.cmake).
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <string>

#include "cpu68k/cpu_state.h"
#include "cpu68k/cpu_tables.h"
#include "driver/frame_loop.h"
#include "driver/memory.h"
#include "driver/sound_queue.h"
#include "debug/gdb_stub.h"
#include "debug/symbols.h"
#include "driver/warnings.h"
#include "host/controls.h"
#include "core/core.h"
#include "host/input_log.h"
#include "driver/program_loop.h"
#include "driver/rom_files.h"
#include "host/window_proc.h"
#include "video/display.h"
#include "video/frame_store.h"
#include "video/layers.h"
#include "video/palette.h"
#include "video/sprites.h"
#ifdef QUILLOMARK_FUZZ_ZIP
#include "libretro/content.h"
#endif
#ifdef QUILLOMARK_FUZZ_SETTINGS
#include "app/settings.h"
#endif

namespace {

// One input runs at most FUZZ_INSTRUCTIONS instructions and FUZZ_FRAMES frame ends, so a run stays
// within a few milliseconds under the sanitizers. Frame ends come from the program's idle loop or,
// after FORCED_FRAME_INSTRUCTIONS without one, from the harness (an interrupt at any instruction).
constexpr uint32_t FUZZ_INSTRUCTIONS = 40000;
constexpr uint32_t FUZZ_FRAMES = 4;
constexpr uint32_t FORCED_FRAME_INSTRUCTIONS = 10000;
// Instructions between two looks at the frame count: an idle loop ends a frame every dozen or so.
constexpr uint32_t FUZZ_STEP = 16;
constexpr int GREY_LEVELS = 256;
constexpr int PALETTE_ENTRY_SIZE = 4;
constexpr const char* NULL_DEVICE = "/dev/null";

// Writes a grey-ramp pal.bmp in a scratch folder, opens the headless display there, then leaves
// and removes the folder: libFuzzer writes its crash files to the working directory it was given.
void openDisplay() {
  char original[4096];
  char scratch[] = "/tmp/quillomark-fuzz-XXXXXX";
  if (!getcwd(original, sizeof original) || !mkdtemp(scratch) || chdir(scratch) != 0) {
    perror("quillomark_fuzz: scratch folder");
    exit(1);
  }
  uint8_t bitmap[PALETTE_FILE_MINIMUM] = {'B', 'M'};
  for (int k = 0; k < GREY_LEVELS; ++k)
    memset(bitmap + PALETTE_FILE_OFFSET + PALETTE_ENTRY_SIZE * k, k, PALETTE_ENTRY_SIZE - 1);
  FILE* file = fopen(PALETTE_FILE, "wb");
  if (!file || fwrite(bitmap, 1, sizeof bitmap, file) != sizeof bitmap || fclose(file) != 0) {
    perror("quillomark_fuzz: pal.bmp");
    exit(1);
  }
  char message[CORE_MESSAGE_SIZE];
  if (!loadPaletteFile(message, sizeof message) || !initDisplay(windowProc, message, sizeof message)) {
    dprintf(2, "quillomark_fuzz: %s\n", message); // the streams are muted
    exit(1);
  }
  if (unlink(PALETTE_FILE) != 0 || chdir(original) != 0 || rmdir(scratch) != 0) {
    perror("quillomark_fuzz: scratch folder");
    exit(1);
  }
}

// Both readings of an ELF file; every section's bytes are touched, so that one outside the input shows.
void readElf(const uint8_t* data, size_t size) {
  char message[CORE_MESSAGE_SIZE];
  loadSymbolsFrom(data, size, message, sizeof message);
  symbolTable = SymbolTable{};
  exceptionWatch.placeName = nullptr;
  ElfImage image;
  if (!readElfImage(data, size, image, message, sizeof message))
    return;
  volatile uint8_t touched = 0;
  for (const ElfSection& section : image.sections)
    touched = touched ^ section.bytes[0] ^ section.bytes[section.size - 1];
}

// The first bytes a gdb client sends: a packet, an acknowledgement, a resend request or Ctrl+C.
constexpr uint8_t GDB_INTERRUPT = 0x03;
constexpr uint8_t ZIP_MAGIC[] = {'P', 'K', 3, 4};

bool isGdbStream(const uint8_t* data, size_t size) {
  return size && (data[0] == '$' || data[0] == '+' || data[0] == '-' || data[0] == GDB_INTERRUPT);
}

// Every packet of the stream answered, as the program's socket hands them over, on a fresh machine.
void answerGdb(const uint8_t* data, size_t size) {
  memset(machineMemory, MEMORY_FILL, MEMORY_SIZE);
  cpuState = CpuState{};
  gdbStub = GdbStub{};
  GdbStream stream{std::string(reinterpret_cast<const char*>(data), size), {}, 0};
  std::string out;
  do {
    out.clear();
    gdbAnswerStream(&stream, &out);
  } while (!out.empty());
  gdbStub = GdbStub{};
}

#ifdef QUILLOMARK_FUZZ_ZIP
bool isZip(const uint8_t* data, size_t size) {
  return size >= sizeof ZIP_MAGIC && memcmp(data, ZIP_MAGIC, sizeof ZIP_MAGIC) == 0;
}

// A zip archive's set read as the libretro core reads it, without starting the board.
void readZip(const uint8_t* data, size_t size) {
  ContentFile files[CONTENT_FILE_LIMIT];
  char message[CORE_MESSAGE_SIZE];
  readZipContent(data, size, "fuzz.zip", files, listContentFiles(files), message, sizeof message);
}
#endif

#ifdef QUILLOMARK_FUZZ_SETTINGS
bool isSettings(const uint8_t* data, size_t size) { return size && data[0] == '#'; }

// A settings file's text read as the desktop programs read theirs (no file, nothing printed).
void readSettings(const uint8_t* data, size_t size) {
  readSettingsText(std::string(reinterpret_cast<const char*>(data), size));
}
#endif

// The inputs that are other files than a ROM image, each to its reader (those this build has).
struct InputReader {
  bool (*matches)(const uint8_t* data, size_t size);
  void (*read)(const uint8_t* data, size_t size);
};
constexpr InputReader INPUT_READERS[] = {
    {isElfFile, readElf},
    {isGdbStream, answerGdb},
#ifdef QUILLOMARK_FUZZ_ZIP
    {isZip, readZip},
#endif
#ifdef QUILLOMARK_FUZZ_SETTINGS
    {isSettings, readSettings},
#endif
};

} // namespace

// Once per process: the emulator's console output muted, the CPU tables built, the display opened.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // glibc's standard streams are plain variables: the emulator's warnings go to /dev/null, while
  // libFuzzer keeps the stream it took at start-up and the sanitizers write to descriptor 2.
  FILE* nullStream = fopen(NULL_DEVICE, "w");
  if (!nullStream) {
    perror("quillomark_fuzz: /dev/null");
    exit(1);
  }
  stdout = nullStream;
  stderr = nullStream;
  machineMemory = static_cast<uint8_t*>(malloc(MEMORY_SIZE));
  char message[CORE_MESSAGE_SIZE];
  if (!buildCpuTables(message, sizeof message)) {
    dprintf(2, "quillomark_fuzz: %s\n", message); // the streams are muted
    exit(1);
  }
  openDisplay();
  // The input log goes through the real code to /dev/null instead of growing keys.bin.
  inputLog.keyLog = fopen(NULL_DEVICE, "wb");
  return 0;
}

// One input: every record the run touches starts as in a fresh process, so a finding replays.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  for (const InputReader& reader : INPUT_READERS)
    if (reader.matches(data, size)) {
      reader.read(data, size);
      return 0;
    }
  const size_t romBytes = std::min<size_t>(size, ROM_LIMIT);
  memcpy(machineMemory, data, romBytes);
  memset(machineMemory + romBytes, MEMORY_FILL, MEMORY_SIZE - romBytes);
  cpuState = CpuState{};
  ccrWord = 0;
  soundCommandQueue = SoundCommandQueue{};
  warningBudget = WarningBudget{};
  frameLoopState = FrameLoopState{};
  spriteState = SpriteState{};
  memset(&layerState, 0, sizeof layerState);
  memset(&frameStore, 0, sizeof frameStore);
  memset(colourTables.penLookup, 0, sizeof colourTables.penLookup);
  const uint32_t appActive = hostControls.appActive; // the window stays active, as it opened
  hostControls = HostControls{};
  hostControls.appActive = appActive;
  resetCpu();
  const uint32_t firstPass = frameLoopState.passCount;
  uint32_t sinceFrame = 0;
  for (uint32_t run = 0; run < FUZZ_INSTRUCTIONS && frameLoopState.passCount - firstPass < FUZZ_FRAMES;
       run += FUZZ_STEP) {
    const uint32_t passes = frameLoopState.passCount;
    runInstructions(FUZZ_STEP, renderFrame);
    sinceFrame = frameLoopState.passCount == passes ? sinceFrame + FUZZ_STEP : 0;
    if (sinceFrame >= FORCED_FRAME_INSTRUCTIONS) {
      endFrame();
      renderFrame();
      sinceFrame = 0;
    }
  }
  return 0;
}
