// What the emulator needs of the machine it runs on: a window with a message
// queue, an exclusive 8-bit display with one fixed palette (or a desktop window
// showing the picture through that palette), joysticks and a message box.
// Message numbers and key codes keep their Windows values, so the window
// procedure is the same code on every platform. Each backend (headless,
// SDL2, Win32) implements every function here; executables pick one at link time.
#pragma once
#include <array>
#include <cstdint>

#include "driver/board.h"
#include "host/key_codes.h"
#include "video/frame_store.h"

struct FilePart; // files/file_write.h

// Window messages.
inline constexpr uint32_t MSG_DESTROY = 0x0002;
inline constexpr uint32_t MSG_CLOSE = 0x0010;
inline constexpr uint32_t MSG_QUIT = 0x0012;
inline constexpr uint32_t MSG_ACTIVATEAPP = 0x001C;
inline constexpr uint32_t MSG_KEYDOWN = 0x0100;
inline constexpr uint32_t MSG_KEYUP = 0x0101;
inline constexpr uint32_t MSG_SYSKEYDOWN = 0x0104;
inline constexpr uint32_t MSG_SYSKEYUP = 0x0105;

// Key-message lParam bit: the key was already down (an auto-repeat).
inline constexpr intptr_t KEY_WAS_DOWN = intptr_t(1) << 30;
// Key-message lParam bit (one the system leaves clear): a gamepad sent the key, already the
// action's own key, so the player's keyboard settings do not apply to it.
inline constexpr intptr_t KEY_FROM_GAMEPAD = intptr_t(1) << 27;

// A game controller's buttons, by their place on the pad.
enum GamepadButton : uint8_t {
  GAMEPAD_A, GAMEPAD_B, GAMEPAD_X, GAMEPAD_Y, GAMEPAD_BACK, GAMEPAD_START, GAMEPAD_LEFT_SHOULDER, GAMEPAD_RIGHT_SHOULDER,
  GAMEPAD_LEFT_STICK, GAMEPAD_RIGHT_STICK, GAMEPAD_DPAD_LEFT, GAMEPAD_DPAD_RIGHT, GAMEPAD_DPAD_UP, GAMEPAD_DPAD_DOWN,
  GAMEPAD_BUTTON_COUNT
};
// The key each button sends unless the player's settings say otherwise (0: none). The left stick
// always sends the arrows.
inline constexpr std::array<uint32_t, GAMEPAD_BUTTON_COUNT> GAMEPAD_DEFAULT_KEYS = {
    VKEY_SPACE, VKEY_MENU, VKEY_CONTROL, 0, VKEY_H, VKEY_P, VKEY_R, 0, 0, 0,
    VKEY_LEFT,  VKEY_RIGHT, VKEY_UP, VKEY_DOWN};

using PlatformWindow = void*;
using WindowProcedure = intptr_t (*)(PlatformWindow window, uint32_t message, uintptr_t wParam, intptr_t lParam);

struct PlatformMessage {
  PlatformWindow window;
  uint32_t message;
  uintptr_t wParam;
  intptr_t lParam;
};

// Creates the program's popup window at 0,0; its messages go to procedure. The full screen's
// cooperative level, or platformEnterWindow, then shapes and shows it.
PlatformWindow platformCreateWindow(WindowProcedure procedure, const char* className, const char* title,
                                    int width, int height);
// True when a message is queued; removes nothing.
bool platformPeekMessage();
// platformWaitMessage's results, and its timeout that never ends.
inline constexpr int PLATFORM_QUIT = 0;
inline constexpr int PLATFORM_MESSAGE = 1;
inline constexpr int PLATFORM_TIMEOUT = -1;
inline constexpr uint32_t PLATFORM_WAIT_FOREVER = 0xFFFFFFFF;
// Takes the next message, waiting at most timeoutMs for one: PLATFORM_MESSAGE, PLATFORM_QUIT for a
// quit message (or when none can ever arrive), PLATFORM_TIMEOUT when the time ran out.
int platformWaitMessage(PlatformMessage* message, uint32_t timeoutMs);
// Takes the first waiting message that is answered even while the board's program hangs: a close
// request, a quit, the system's close shortcut (as a close) or the reset key's key-down. Every other message
// stays queued, in order, for the next pump. False when there is none.
bool platformTakeUrgentMessage(PlatformMessage* message);
// Makes keyCode the key whose key-down platformTakeUrgentMessage takes (VKEY_F1 until set; 0: none).
void platformSetResetKey(uint32_t keyCode);
// Turns key messages into character messages where the system does so.
void platformTranslateMessage(const PlatformMessage* message);
// Hands a message to its window's procedure and returns the result.
intptr_t platformDispatchMessage(const PlatformMessage* message);
// Default processing of a message the window procedure does not handle.
intptr_t platformDefaultWindowProc(PlatformWindow window, uint32_t message, uintptr_t wParam, intptr_t lParam);
// Called at the start of every pass of the frame routine, before the pump.
void platformPassStarting(uint32_t passNumber);
// Releases the backend as the program ends: its own files closed (failures reported), window and
// display let go. With displayLost the display connection is gone and nothing may touch it.
void platformShutdown(bool displayLost);
// The program's orderly end; a backend that loses its display calls it with true, and it never returns.
using EndRoutine = void (*)(bool displayLost);
// Hands the backend the program's ending routine, for the display losses only the backend sees.
void platformSetEndRoutine(EndRoutine routine);
// Writes the parts in order to path, a file it creates: never over anything already there (errno
// EEXIST), never through a symbolic link, and through to the disk when durable. False (errno set,
// ENOSPC for a full disk) on failure, the new file removed.
bool platformWriteNewFile(const char* path, const FilePart* parts, int partCount, bool durable);
// Renames from over to, replacing an existing file in one step; false (errno set) on failure.
bool platformReplaceFile(const char* from, const char* to);
// Creates a folder; true when it exists afterwards.
bool platformCreateFolder(const char* path);
// Makes path the working directory; false (errno set) when it is no folder that can be entered.
bool platformEnterFolder(const char* path);
// True when files can be made in the folder path (the user may write there).
bool platformFolderWritable(const char* path);
// The user's own folder for the run's files of the ROM set named setName, made when missing:
// $XDG_DATA_HOME/quillomark/SET (default ~/.local/share/quillomark/SET) on POSIX systems,
// %LOCALAPPDATA%\Quillomark\SET on Windows. False (errno set) when it cannot be named or made.
bool platformUserRunFolder(const char* setName, char* folder, int folderSize);
// The user's own folder for the desktop programs' settings, made when missing:
// $XDG_CONFIG_HOME/quillomark (default ~/.config/quillomark) on POSIX systems, %APPDATA%\Quillomark
// on Windows. False (errno set) when it cannot be named or made.
bool platformUserSettingsFolder(char* folder, int folderSize);

// Pictures shown a second at most: the backends pace presents to it where vsync does not hold them,
// and the host presents no more often while it fast-forwards.
inline constexpr uint32_t PRESENT_RATE = BOARD_FRAME_RATE;

// Display results: 0 success, PLATFORM_SURFACE_LOST when surface memory was lost.
inline constexpr int32_t PLATFORM_OK = 0;
inline constexpr int32_t PLATFORM_FAILED = 1;
inline constexpr int32_t PLATFORM_SURFACE_LOST = int32_t(0x887601C2);

struct PlatformRect {
  int32_t left, top, right, bottom;
};

// Creates the display object.
int32_t platformCreateDisplay();
// Takes the display exclusively, full screen, for the window.
int32_t platformSetCooperativeLevel(PlatformWindow window);
// Switches to width x height at bitsPerPixel (8).
int32_t platformSetDisplayMode(int width, int height, int bitsPerPixel);
// Creates the primary surface with one attached back buffer.
int32_t platformCreatePrimarySurface();
// Gets the attached back buffer.
int32_t platformGetBackBuffer();
// Creates the fixed 256-colour palette.
int32_t platformCreatePalette(const PaletteColour entries[256]);
// Attaches the palette to the primary surface.
int32_t platformSetPalette();
// Locks the whole back buffer for writing; gives its memory and row pitch.
int32_t platformLockBackBuffer(uint8_t** bits, int32_t* pitch);
// Ends write access to the back buffer.
int32_t platformUnlockBackBuffer(uint8_t* bits);
// Shows the back buffer by flipping the chain, waiting until it can.
int32_t platformFlip();
// Leaves the exclusive full screen (the desktop's own mode comes back), or never takes it, for a
// normal resizable window with a title bar. From then on the back buffer is width x height bytes
// of memory and platformPresentWindow shows its picture rectangle; the palette is kept.
// platformSetCooperativeLevel and the steps after it take the full screen again.
int32_t platformEnterWindow(int width, int height, const PlatformRect* picture);
// A window starts at this many times the picture's size, or less where the desktop is smaller.
inline constexpr int WINDOW_START_SCALE = 2;
// Shows the picture rectangle of the back buffer in the window at the largest whole-number scale
// that fits, centred on black, paced as the flip is.
int32_t platformPresentWindow();
// With true, the presents that follow show the last pass's picture again (after a switch between
// window and full screen) and are neither paced nor counted as a pass's; false ends that.
void platformSetPresentRepeat(bool repeat);
// Stretches the source rectangle of the back buffer onto the whole primary surface.
int32_t platformStretchBlit(const PlatformRect* destination, const PlatformRect* source);
// Restores lost surface memory.
int32_t platformRestoreSurfaces();
// Makes button send keyCode (0: nothing) on the game controllers from now on.
void platformBindGamepadButton(GamepadButton button, uint32_t keyCode);
// The largest scale a window starts at (WINDOW_START_SCALE unless set; smaller where the desktop is).
void platformSetWindowScale(int scale);
// Draws a short text at the window's top-left corner.
void platformDrawText(PlatformWindow window, const char* text, int length);
// Room for the line platformShowOverlay shows, its terminator included.
inline constexpr int OVERLAY_TEXT_SIZE = 48;
// Characters of that line every backend shows in full across the 256-pixel picture.
inline constexpr int OVERLAY_SHOWN_CHARACTERS = 32;
// Shows a short line over the presented picture, at its bottom-left, from now until replaced (an
// empty text shows none). It is never drawn into the back buffer, so no bitmap or digest sees it.
void platformShowOverlay(const char* text);
// Room for the panel platformShowPanel shows, its terminator included.
inline constexpr int PANEL_TEXT_SIZE = 1024;
// Shows lines of text ('\n' between them) on a dark ground over the presented picture, from its
// top-left, from now until replaced (an empty text shows none). Never in the back buffer either.
void platformShowPanel(const char* text);
// The refusal of the views window where the program has none (the Windows and headless programs).
inline constexpr char NO_VIEWS_TEXT[] = "No views window in this program";
// The refusal of the views window while the full screen shows.
inline constexpr char VIEWS_NEED_WINDOW_TEXT[] = "Views only beside a window";
// Opens the views window (palette, tile maps, tile sheet, sprites, CPU, memory) beside the program's
// window, or closes it when open; null when done, else why not. It never changes the machine.
const char* platformToggleViews();
// Whether presents wait for the display (vertical blank, pacing to 60 a second): off while the
// host fast-forwards and presents at most 60 passes a second itself.
void platformSetPresentWait(bool wait);

// Whether a person sees the program's console output: standard output or error is a terminal (a
// console of its own on Windows, not one the system made for it alone).
bool platformHasTerminal();
// Shows text in a message box titled title and waits until it is closed.
void platformShowFailure(const char* title, const char* text);

// Joystick position as the system reports it.
struct JoystickPosition {
  uint32_t x, y, z, buttons;
};
struct JoystickLimits {
  uint32_t xMin, xMax, yMin, yMax;
};
// Number of joystick ids the system offers.
uint32_t platformJoystickCount();
// Reads position and buttons of an id; false when it does not answer.
bool platformJoystickRead(uint32_t id, JoystickPosition* position);
// Reads the axis limits of an id; false on failure.
bool platformJoystickLimits(uint32_t id, JoystickLimits* limits);
