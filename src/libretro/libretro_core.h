// The libretro entry points (the retro_* functions libretro.h declares) and what they keep between
// calls: the front end's callbacks, the RetroPad's last buttons and the last message.
#pragma once
#include <cstddef>
#include <cstdint>

#include "core/core.h"
#include "libretro.h"


// The files a player may pick; also the .info file's supported_extensions (libretro.cmake reads it).
inline constexpr char LIBRETRO_EXTENSIONS[] = "bin|zip|bmp";
// No sound is emulated: silence at this rate, a frame's worth per retro_run, for front ends that
// pace themselves by audio.
inline constexpr unsigned LIBRETRO_SAMPLE_RATE = 48000;
inline constexpr unsigned LIBRETRO_AUDIO_FRAMES = LIBRETRO_SAMPLE_RATE / CORE_FRAME_RATE;
// The board's monitor: a 4:3 arcade tube, whatever the picture's pixel count.
inline constexpr double LIBRETRO_ASPECT = 4.0 / 3.0;
// How long a message stays on the front end's screen, in frames.
inline constexpr unsigned LIBRETRO_MESSAGE_FRAMES = 3 * CORE_FRAME_RATE;
// Room for a message line (a path may be long), its terminator included.
inline constexpr int LIBRETRO_TEXT_SIZE = 512;
// A state: the core's bytes, then the RetroPad's last buttons as a little-endian 32-bit word.
inline constexpr size_t LIBRETRO_TRAILER_SIZE = 4;

struct LibretroFrontEnd {
  retro_environment_t environment;
  retro_video_refresh_t videoRefresh;
  retro_audio_sample_batch_t audioBatch;
  retro_input_poll_t inputPoll;
  retro_input_state_t inputState;
  retro_log_printf_t log;        // null: lines go to standard error
  bool gameLoaded;
  uint16_t previousButtons;      // bits 1 << RETRO_DEVICE_ID_JOYPAD_* of the last retro_run
  bool hangShown;                // the running hang has been reported
  char text[LIBRETRO_TEXT_SIZE]; // the last message handed to the front end
  int16_t silence[2 * LIBRETRO_AUDIO_FRAMES];
};

extern LibretroFrontEnd libretroFrontEnd;
