// The embedding interface: the whole board as plain functions for a front end that owns the loop,
// the pacing and the files (the desktop programs, the libretro core, the browser page, tests).
// Nothing here opens a file, prints, waits or ends the process: errors come back as the programs'
// own one-line messages.
//
// A front end loads a ROM set and a palette from memory, then runs the board a pass at a time: either
// coreRunFrame, or the two halves of it, coreRunSlice to the frame end and coreCompose, with the front
// end's own work (messages, input, logs) between them. Inputs given while the board stands at the
// frame end coreRunSlice reached (until the next run) apply at once; inputs given between two
// coreRunFrame calls, or while the board runs, wait for the next frame end.
#pragma once
#include <cstddef>
#include <cstdint>

#include "core/rewind.h"
#include "core/save_state.h"
#include "driver/board.h"
#include "driver/frame_loop.h"
#include "driver/rom_loader.h"
#include "host/key_codes.h"
#include "video/frame_store.h"
#include "video/palette.h"
#include "views/views.h"

// Frames a second the board shows: a front end's pace.
inline constexpr uint32_t CORE_FRAME_RATE = BOARD_FRAME_RATE;

// Room for a start-up message, its terminator included.
inline constexpr int CORE_MESSAGE_SIZE = 160;

// Instructions one coreRunFrame runs at most before it returns without a frame end (the demo runs
// about 12,000 a pass; a 68000 at 10 MHz runs some 40,000 in a sixtieth of a second). A count rather
// than a time, so that replays, run-ahead and netplay see the same frames on every machine.
inline constexpr uint32_t CORE_FRAME_BUDGET = 0x100000;

// The picture coreRunFrame composes: 256x240 pixels, rows CORE_PICTURE_PITCH pixels apart.
inline constexpr int CORE_PICTURE_WIDTH = 256;
inline constexpr int CORE_PICTURE_HEIGHT = 240;
inline constexpr int CORE_PICTURE_PITCH = 320;

// What the picture is composed as: host palette indices (the programs' pictures and digests), or
// XRGB8888 through the host palette for a front end that shows those, with no conversion after.
enum CorePictureFormat {
  CORE_PICTURE_INDICES,
  CORE_PICTURE_XRGB8888,
};

// One file of a ROM set held in memory, by its name in the board's load table ("18b_d02.bin", ...);
// a null data pointer counts as missing.
using CoreFile = RomFile;

enum CoreFrameResult {
  CORE_FRAME_ENDED, // the board's program ended a frame: a new picture is composed
  CORE_FRAME_HUNG,  // the budget ran out first: the last picture stays; call again to go on
};

// Starts the board afresh from a ROM set in memory: every record as in a fresh process, the CPU
// tables, the images laid into the address space, the CPU reset. A second call in the same process
// gives exactly what a fresh process gets. False, with "Failed to open rom file NAME" or "NAME is
// not 64K long" in message, when a file is missing or short: the running machine is then untouched.
bool coreLoadRomSet(const CoreFile* files, int fileCount, char* message, int messageSize);
// Takes the host palette and colour table from the bytes of a 256-colour pal.bmp; false, with
// "Cannot read the 256 colours of pal.bmp" in message, when they are too short.
bool coreLoadPalette(const uint8_t* bytes, size_t size, char* message, int messageSize);

// Runs the board's program until it ends a frame, then applies the queued inputs, steps autofire
// and composes the picture; or returns CORE_FRAME_HUNG after CORE_FRAME_BUDGET instructions.
CoreFrameResult coreRunFrame();
// Runs at most count instructions of the loop variant kind, returning at the first frame end (with
// the vertical-blank interrupt taken and the inputs given meanwhile applied) or, for the watching
// variant, at a stop; left gets the count not run.
SliceEnd coreRunSlice(LoopKind kind, uint32_t count, uint32_t* left);
// One pass's picture of the frame just ended: the pass counted, the palette, layers and sprites
// composed. Called again without a run, it composes the same machine again (the sprite inspector).
void coreCompose();
// Picks the format that coreRunFrame, coreCompose and coreRewindPass compose (indices by default);
// the other format's picture stays as it was. It stays set across loads until coreEnd.
void coreSetPictureFormat(CorePictureFormat format);
// The picture of the last frame end composed as indices (CORE_PICTURE_WIDTH x CORE_PICTURE_HEIGHT,
// pitch CORE_PICTURE_PITCH), as host palette indices.
const uint8_t* corePicture();
// The picture of the last frame end composed as XRGB8888, in the same geometry; after a palette load,
// the index picture through the new palette.
const uint32_t* coreColourPicture();
// The host palette the picture's indices name: pal.bmp's 256 colours.
const PaletteColour* corePalette();
// Passes composed since the ROM set was loaded.
uint32_t corePassCount();
// The digest of the last picture, as the programs' --digests lines give it.
uint64_t corePictureDigest();
// The program counter: where the board's program stands.
uint32_t corePc();
// The two input bytes as the board reads them now.
void coreInputBytes(uint8_t* playerInputs, uint8_t* switchInputs);

// A key going down or up (a virtual-key code of key_codes.h), applied as the desktop's keyboard
// applies it (the board's buttons, switches and autofire) at once when the board stands at the frame
// end coreRunSlice reached, otherwise at the next frame end. When short taps are held, a key let go
// before the board ran since it was pressed is let go only at the next frame end, and every key
// after it waits too, in order: the board sees every tap for a frame at least.
void coreQueueKey(uint32_t keyCode, bool down);
// Whether short taps are held (the default; a scripted run turns it off so that each key lands on
// the pass its script names). It stays set across loads until coreEnd.
void coreHoldShortTaps(bool hold);
// Steps autofire: the front end that composes with coreCompose calls it once a pass, after its input.
void coreStepAutofire();
// Sets both input bytes at the next frame end (after the queued keys), replacing what keys did.
void coreSetInputs(uint8_t playerInputs, uint8_t switchInputs);

// Rewind, for a front end that offers it: keeps the pass just composed (as a step back from it, within
// REWIND_MEMORY_LIMIT, the oldest going first).
void coreKeepPass();
// Takes the board back one kept pass and composes its picture (the pass count stays); false, with
// nothing changed, when no older pass is kept.
bool coreRewindPass();

// Bytes of a state in memory (fixed for a build).
size_t coreStateSize();
// Writes the whole machine into buffer (coreStateSize bytes); false when size is too small.
bool coreSaveState(uint8_t* buffer, size_t size);
// Checks a state from coreSaveState and, when every part holds, makes it the running machine; on
// any other result the machine is untouched.
StateLoadResult coreLoadState(const uint8_t* buffer, size_t size);

// Sends every warning line (bad accesses, illegal instructions, "N more warnings in this frame";
// still at most WARNING_LINES_PER_FRAME a frame) to sink, without its newline, instead of the
// console; null gives them back to the console. It stays set across loads until coreEnd.
void coreSetWarningSink(void (*sink)(const char* line));

// The board's reset (the desktop's F1): the CPU starts the program again; memory stays.
void coreReset();
// Lets the machine go: its memory is released and every record is as in a fresh process.
void coreEnd();

// The interface's own record: inputs given between two frames.
inline constexpr int CORE_KEY_QUEUE_SIZE = 64;
struct CoreInputs {
  uint32_t keys[CORE_KEY_QUEUE_SIZE]; // waiting for the next frame end: key code, bit 31 set for a key going down
  int keyCount;
  bool bytesSet;                      // coreSetInputs was called: its bytes follow the keys
  uint8_t playerInputs, switchInputs;
  bool atFrameEnd;                    // the board stands at the frame end coreRunSlice reached
  uint64_t pressed[KEY_CODES / 64];   // keys pressed at this frame end, for holding short taps
  bool holding;                       // a release is held back: the keys after it wait too
  bool tapsUnheld;                    // the front end turned holding off; kept across loads
};
extern CoreInputs coreInputs;
