// The embedding interface: the whole board as plain functions for a front end that owns the loop,
// the pacing and the files (the libretro core, the browser page, tests). Nothing here opens a file,
// prints, waits or ends the process: errors come back as the programs' own one-line messages.
//
// A front end loads a ROM set and a palette from memory, then calls coreRunFrame once per frame,
// reading the picture after each call. Inputs given between two calls reach the board at the next
// frame end, exactly where the desktop program's message pump applies them.
#pragma once
#include <cstddef>
#include <cstdint>

#include "driver/rom_loader.h"
#include "host/save_state.h"
#include "platform/platform.h"

// Room for a start-up message, its terminator included.
inline constexpr int CORE_MESSAGE_SIZE = 160;

// Instructions one coreRunFrame runs at most before it returns without a frame end (the demo runs
// about 12,000 a pass; a 68000 at 10 MHz runs some 40,000 in a sixtieth of a second). A count rather
// than a time, so that replays, run-ahead and netplay see the same frames on every machine.
inline constexpr uint32_t CORE_FRAME_BUDGET = 0x100000;

// The picture coreRunFrame composes: 256x240 host palette indices, rows CORE_PICTURE_PITCH apart.
inline constexpr int CORE_PICTURE_WIDTH = 256;
inline constexpr int CORE_PICTURE_HEIGHT = 240;
inline constexpr int CORE_PICTURE_PITCH = 320;

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
// not 64K long" in message, when a file is missing or short.
bool coreLoadRomSet(const CoreFile* files, int fileCount, char* message, int messageSize);
// Takes the host palette and colour table from the bytes of a 256-colour pal.bmp; false, with
// "Cannot read the 256 colours of pal.bmp" in message, when they are too short.
bool coreLoadPalette(const uint8_t* bytes, size_t size, char* message, int messageSize);

// Runs the board's program until it ends a frame, then applies the queued inputs, steps autofire
// and composes the picture; or returns CORE_FRAME_HUNG after CORE_FRAME_BUDGET instructions.
CoreFrameResult coreRunFrame();
// The picture of the last frame end (CORE_PICTURE_WIDTH x CORE_PICTURE_HEIGHT, pitch
// CORE_PICTURE_PITCH), as host palette indices.
const uint8_t* corePicture();
// The host palette the picture's indices name: pal.bmp's 256 colours.
const PaletteColour* corePalette();
// Frame ends since the ROM set was loaded (the programs' pass count).
uint32_t coreFrameCount();

// Queues a key going down or up (a virtual-key code of platform.h), applied at the next frame end
// as the desktop's keyboard would apply it: the board's buttons, switches and autofire.
void coreQueueKey(uint32_t keyCode, bool down);
// Sets both input bytes at the next frame end (after the queued keys), replacing what keys did.
void coreSetInputs(uint8_t playerInputs, uint8_t switchInputs);

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
