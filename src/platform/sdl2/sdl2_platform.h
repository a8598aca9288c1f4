// The SDL2 backend: a full-screen (or resizable) desktop window showing the
// 8-bit picture through the fixed palette at a whole-number scale, keyboard
// events turned into the window messages of the core, SDL joysticks, and gamepads
// sending the keyboard's keys.
#pragma once
#include <SDL.h>

#include <cstdint>

#include "platform/platform.h"

inline constexpr int SDL_MAX_WIDTH = 640;
inline constexpr int SDL_MAX_HEIGHT = 480;
inline constexpr int GLYPH_SIZE = 8;           // the built-in font's cells are 8x8 pixels
inline constexpr uint32_t TEXT_INK = 0xFF000000;   // black on white, as a fresh device context draws
inline constexpr uint32_t TEXT_PAPER = 0xFFFFFFFF;
inline constexpr uint32_t SHADED_INK = 0xFFFFFFFF; // messages and the panel: light on the darkened picture
inline constexpr uint32_t MESSAGE_GROUND = 0xFF000000; // the message line's row: black

inline constexpr int MAX_GAMEPADS = 8;         // pads plugged in beyond these are ignored
inline constexpr int GAMEPAD_STICK_AXES = 2;   // the left stick's x and y

// A set of key codes, a bit each.
struct PadKeys {
  uint64_t bits[KEY_CODES / 64];
};

// One open game controller and what it holds.
struct SdlGamepad {
  SDL_GameController* controller;     // null: the slot is free
  SDL_JoystickID instance;            // SDL's id of the device, carried by its events
  uint32_t buttons;                   // buttons held, a bit per GamepadButton
  int8_t stick[GAMEPAD_STICK_AXES];   // left stick direction per axis: -1, 0 or +1
};

struct SdlPlatform {
  // Window and messages (the message queue is the shared queued window's).
  SDL_Window* window;
  bool windowed;                      // a resizable window showing the picture, not the full screen
  SDL_Rect windowPlace;               // the window's place when the full screen was last taken (empty: none)
  bool active;                        // activation state last delivered as MSG_ACTIVATEAPP
  bool gameKeys[SDL_NUM_SCANCODES];   // keys the game's window took down and has not seen go up
  EndRoutine endRoutine;              // the program's orderly end, for a lost display
  // Display.
  SDL_Renderer* renderer;
  SDL_Texture* texture;               // streaming ARGB8888 texture of the mode's size
  int width, height;                  // display mode; 0 until set
  PlatformRect shown;                 // the back buffer rectangle on view: all of it, or the window's picture
  bool repeatPresents;                // presents show the last picture again: not paced
  bool paletteCreated;
  uint32_t colours[256];              // the palette as ARGB8888
  uint8_t backBuffer[SDL_MAX_WIDTH * SDL_MAX_HEIGHT];  // pitch = width
  uint32_t picture[SDL_MAX_WIDTH * SDL_MAX_HEIGHT];    // the shown picture without text, pitch = width
  char text[32];                      // the inspector text
  int textLength;
  bool textFresh;                     // drawn since the last flip: the next flip shows it too
  bool textShown;                     // the last present drew the text over the picture
  char overlay[OVERLAY_TEXT_SIZE];    // the on-screen message line, drawn at the bottom-left (empty: none)
  char panel[PANEL_TEXT_SIZE];        // the lines drawn over the picture from its top-left (empty: none)
  // Joystick (devices without a game-controller mapping).
  SDL_Joystick* joystick;             // the one opened device
  uint32_t joystickId;                // its id among the plain joysticks when it was opened
  // Gamepads (devices with a mapping), sending the keyboard's key messages.
  SdlGamepad gamepads[MAX_GAMEPADS];
  PadKeys gamepadKeys;                // keys whose key-down has been sent: the union over the pads
  // The key each button sends (0: none).
  std::array<uint32_t, GAMEPAD_BUTTON_COUNT> padKeys = GAMEPAD_DEFAULT_KEYS;
  int windowScale;                    // the largest scale a window starts at (0: WINDOW_START_SCALE)
};

extern SdlPlatform sdlPlatform;

// Sets the backend's hints (first call only) and starts the SDL subsystems; false if they cannot start.
bool ensureSdl(uint32_t subsystems);
// Says on standard error why no picture can be shown (SDL's own reason when WHY is null); false.
bool reportNoPicture(const char* why);
// Windows virtual-key code of an SDL scancode, 0 for keys the program does not know.
uint32_t keyCodeForScancode(int scancode);
// Turns one SDL event into queued messages (or acts on it, for display events).
void translateEvent(const SDL_Event& event);
// Queues the key message the keyboard sends for a key going down (first or repeated) or up.
void queueKeyMessage(uint32_t keyCode, bool down, bool repeat);
// Queues the key message a gamepad sends for a key going down or up (never a repeat).
void queuePadKeyMessage(uint32_t keyCode, bool down);
// Turns a game-controller event (added, removed, button, axis) into key messages; ignores other events.
void translateGamepadEvent(const SDL_Event& event);
// Closes every gamepad and forgets what they held, sending nothing.
void closeGamepads();
// Makes a lost display connection end the run in order instead of aborting or hanging.
void watchDisplayConnection();
// The display is gone: the program's ending routine, which never returns (nothing when none was given).
void endForLostDisplay();
// True for the system's notice that the window was destroyed by someone else.
bool isLostWindowEvent(const SDL_Event& event);
// Back to the state of a fresh process: window, display and joystick closed, no message or event pending.
void sdlReset();

// The largest whole-number scaling of a width x height picture that fits the output, centred
// (shrunk to fit, keeping its shape, when even scale 1 does not fit).
SDL_Rect pictureViewport(int outputWidth, int outputHeight, int width, int height);
// Draws text in the built-in font at the top-left of an ARGB picture, clipped to it.
void drawOverlayText(uint32_t* pixels, int pitchPixels, int width, int height, const char* text, int length);
// Draws lines of text ('\n' between them) in the built-in font from the top-left of an ARGB picture,
// light on the picture darkened to a quarter, every line's ground as wide as the longest; clipped to it.
void drawShadedLines(uint32_t* pixels, int pitchPixels, int width, int height, const char* text);
// Draws the message line: text light on a black row the whole width wide.
void drawMessageLine(uint32_t* pixels, int pitchPixels, int width, const char* text);
// Expands the whole back buffer through the palette into the picture, as a flip shows it.
void expandBackBuffer();
// Stretches a rectangle of the back buffer through the palette onto one of the picture
// (nearest pixel); false, drawing nothing, when either lies outside the buffer.
bool stretchBackBuffer(const PlatformRect& destination, const PlatformRect& source);
// Shows the shown rectangle of sdlPlatform.picture scaled, with the text over its top-left corner when
// withText and the message line at its bottom-left; false when SDL fails.
bool presentPicture(bool withText);
// Re-creates the streaming texture for the current mode (after a mode change or a device reset).
bool recreateTexture();
// Makes the back buffer width x height (cleared, with a new texture) unless it is already; false
// when the size is beyond the buffer's room or the texture cannot be made.
bool sizeBackBuffer(int width, int height);
