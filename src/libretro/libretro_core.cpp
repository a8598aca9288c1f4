#include "libretro/libretro_core.h"

#include <cstdarg>
#include <cstdio>
#include <iterator>

#include "core/core.h"
#include "core/version.h"
#include "libretro/content.h"
#include "libretro/retropad.h"

LibretroFrontEnd libretroFrontEnd;

namespace {
// Puts a line in the front end's log, or on standard error when it offers none.
void logLine(retro_log_level level, const char* format, ...) {
  char line[LIBRETRO_TEXT_SIZE];
  va_list args;
  va_start(args, format);
  vsnprintf(line, sizeof line, format, args);
  va_end(args);
  if (libretroFrontEnd.log)
    libretroFrontEnd.log(level, "[Quillomark] %s\n", line);
  else
    fprintf(stderr, "[Quillomark] %s\n", line);
}

// Shows a line on the front end's screen for a few seconds and puts it in the log.
void showMessage(retro_log_level level, const char* text) {
  LibretroFrontEnd& fe = libretroFrontEnd;
  snprintf(fe.text, sizeof fe.text, "%s", text);
  logLine(level, "%s", fe.text);
  const retro_message message = {fe.text, LIBRETRO_MESSAGE_FRAMES};
  if (fe.environment)
    fe.environment(RETRO_ENVIRONMENT_SET_MESSAGE, const_cast<retro_message*>(&message));
}

void logWarning(const char* line) { logLine(RETRO_LOG_WARN, "%s", line); }

// The picture of the last frame end through pal.bmp's colours, as the desktop shows it: the core
// composes it as XRGB8888, so the front end gets the store's visible part as it is.
void sendPicture() {
  libretroFrontEnd.videoRefresh(coreColourPicture(), CORE_PICTURE_WIDTH, CORE_PICTURE_HEIGHT,
                                CORE_PICTURE_PITCH * sizeof(uint32_t));
}

void sendSilence() {
  LibretroFrontEnd& fe = libretroFrontEnd;
  size_t sent = 0;
  // A front end may take fewer frames than offered; a bounded number of tries gives the rest.
  for (int tries = 0; tries < 4 && sent < LIBRETRO_AUDIO_FRAMES; ++tries)
    sent += fe.audioBatch(fe.silence, LIBRETRO_AUDIO_FRAMES - sent);
}
} // namespace

// The libretro API this core was built against.
unsigned retro_api_version() { return RETRO_API_VERSION; }

// Keeps the environment callback, asks for the front end's log and names the one port: the board
// has one player, so a front end offers no device for a second.
void retro_set_environment(retro_environment_t environment) {
  LibretroFrontEnd& fe = libretroFrontEnd;
  fe.environment = environment;
  retro_log_callback log = {};
  fe.log = environment(RETRO_ENVIRONMENT_GET_LOG_INTERFACE, &log) ? log.log : nullptr;
  static const retro_controller_description PAD_DEVICES[] = {{"RetroPad", RETRO_DEVICE_JOYPAD}};
  static const retro_controller_info PORTS[] = {{PAD_DEVICES, unsigned(std::size(PAD_DEVICES))}, {nullptr, 0}};
  environment(RETRO_ENVIRONMENT_SET_CONTROLLER_INFO, const_cast<retro_controller_info*>(PORTS));
}

// Keeps the picture callback.
void retro_set_video_refresh(retro_video_refresh_t videoRefresh) { libretroFrontEnd.videoRefresh = videoRefresh; }
// Single samples are never sent: the batch callback carries the silence.
void retro_set_audio_sample(retro_audio_sample_t) {}
// Keeps the sound callback.
void retro_set_audio_sample_batch(retro_audio_sample_batch_t audioBatch) { libretroFrontEnd.audioBatch = audioBatch; }
// Keeps the input poll callback.
void retro_set_input_poll(retro_input_poll_t inputPoll) { libretroFrontEnd.inputPoll = inputPoll; }
// Keeps the input state callback.
void retro_set_input_state(retro_input_state_t inputState) { libretroFrontEnd.inputState = inputState; }

// Nothing to prepare: the machine starts with a game.
void retro_init() {}
// Lets the machine go and gives the warnings back to the console.
void retro_deinit() {
  if (libretroFrontEnd.gameLoaded)
    retro_unload_game();
  coreSetWarningSink(nullptr);
}

// The core's name, version and what content it takes (a path, archives unopened).
void retro_get_system_info(retro_system_info* info) {
  *info = {};
  info->library_name = "Quillomark";
  info->library_version = QUILLOMARK_VERSION;
  info->valid_extensions = LIBRETRO_EXTENSIONS;
  info->need_fullpath = true;
  info->block_extract = true;
}

// The board's 256x240 picture on a 4:3 monitor at 60 frames a second, and the silence's rate.
void retro_get_system_av_info(retro_system_av_info* info) {
  *info = {};
  info->geometry = {CORE_PICTURE_WIDTH, CORE_PICTURE_HEIGHT, CORE_PICTURE_WIDTH, CORE_PICTURE_HEIGHT,
                    float(LIBRETRO_ASPECT)};
  info->timing = {double(CORE_FRAME_RATE), double(LIBRETRO_SAMPLE_RATE)};
}

// One RetroPad on port 0, whatever device the front end names.
void retro_set_controller_port_device(unsigned, unsigned) {}

// The desktop's F1: the CPU starts the program again; memory stays.
void retro_reset() {
  coreReset();
  libretroFrontEnd.hangShown = false;
}

// One frame: the RetroPad's changes as keys, the board up to its next frame end, the picture and
// a frame's silence. A program that hangs keeps the last picture and is reported once per hang.
void retro_run() {
  LibretroFrontEnd& fe = libretroFrontEnd;
  if (!fe.gameLoaded)
    return;
  fe.inputPoll();
  const uint16_t buttons = readPad(fe.inputState);
  queuePadChanges(fe.previousButtons, buttons);
  fe.previousButtons = buttons;
  if (coreRunFrame() == CORE_FRAME_HUNG) {
    if (!fe.hangShown) {
      fe.hangShown = true;
      char text[LIBRETRO_TEXT_SIZE];
      snprintf(text, sizeof text, "No frame for %u instructions: the program at PC %08x is not reaching its idle loop",
               unsigned(CORE_FRAME_BUDGET), unsigned(corePc()));
      showMessage(RETRO_LOG_WARN, text);
    }
  } else {
    fe.hangShown = false;
  }
  sendPicture();
  sendSilence();
}

// The core's state and the trailer, the same size for the whole run.
size_t retro_serialize_size() {
  return libretroFrontEnd.gameLoaded ? coreStateSize() + LIBRETRO_TRAILER_SIZE : 0;
}

// Writes the machine, then the RetroPad's last buttons little-endian.
bool retro_serialize(void* data, size_t size) {
  const size_t coreSize = coreStateSize();
  if (!libretroFrontEnd.gameLoaded || size < coreSize + LIBRETRO_TRAILER_SIZE)
    return false;
  uint8_t* bytes = static_cast<uint8_t*>(data);
  if (!coreSaveState(bytes, coreSize))
    return false;
  const uint32_t buttons = libretroFrontEnd.previousButtons;
  for (size_t i = 0; i < LIBRETRO_TRAILER_SIZE; ++i)
    bytes[coreSize + i] = uint8_t(buttons >> (8 * i));
  return true;
}

// Makes a state from retro_serialize the running machine; anything else leaves the machine as it is.
bool retro_unserialize(const void* data, size_t size) {
  const size_t coreSize = coreStateSize();
  if (!libretroFrontEnd.gameLoaded || size < coreSize + LIBRETRO_TRAILER_SIZE)
    return false;
  const uint8_t* bytes = static_cast<const uint8_t*>(data);
  uint32_t buttons = 0;
  for (size_t i = 0; i < LIBRETRO_TRAILER_SIZE; ++i)
    buttons |= uint32_t(bytes[coreSize + i]) << (8 * i);
  if ((buttons & ~uint32_t(padButtonMask())) || coreLoadState(bytes, coreSize) != STATE_LOADED)
    return false;
  libretroFrontEnd.previousButtons = uint16_t(buttons);
  libretroFrontEnd.hangShown = false;
  return true;
}

// No cheats.
void retro_cheat_reset() {}
// No cheats.
void retro_cheat_set(unsigned, bool, const char*) {}

// Starts the board on the ROM set of the content's folder or archive; false, with the reason in
// the log and on screen, when it cannot.
bool retro_load_game(const retro_game_info* game) {
  LibretroFrontEnd& fe = libretroFrontEnd;
  if (fe.gameLoaded)
    retro_unload_game();
  if (!game || !game->path) {
    showMessage(RETRO_LOG_ERROR, "No content: load a file of a ROM set's folder, or a .zip holding the set");
    return false;
  }
  retro_pixel_format format = RETRO_PIXEL_FORMAT_XRGB8888;
  if (!fe.environment(RETRO_ENVIRONMENT_SET_PIXEL_FORMAT, &format)) {
    showMessage(RETRO_LOG_ERROR, "The front end cannot show XRGB8888 pictures");
    return false;
  }
  coreSetPictureFormat(CORE_PICTURE_XRGB8888);
  describePad(fe.environment);
  // coreEnd gives the warnings back to the console: each load takes them again.
  coreSetWarningSink(logWarning);
  char message[LIBRETRO_TEXT_SIZE];
  if (!loadContent(game->path, message, sizeof message)) {
    showMessage(RETRO_LOG_ERROR, message);
    return false;
  }
  fe.gameLoaded = true;
  fe.previousButtons = 0;
  fe.hangShown = false;
  logLine(RETRO_LOG_INFO, "Loaded the ROM set of %s", game->path);
  return true;
}

// No special content types.
bool retro_load_game_special(unsigned, const retro_game_info*, size_t) { return false; }

// Lets the machine go.
void retro_unload_game() {
  coreEnd();
  libretroFrontEnd.gameLoaded = false;
}

// An arcade board: no television standard, 60 frames a second.
unsigned retro_get_region() { return RETRO_REGION_NTSC; }

// No memory regions are offered to the front end.
void* retro_get_memory_data(unsigned) { return nullptr; }
// No memory regions are offered to the front end.
size_t retro_get_memory_size(unsigned) { return 0; }
