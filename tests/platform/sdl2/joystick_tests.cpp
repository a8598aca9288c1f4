#include <gtest/gtest.h>

#include "driver/board.h"
#include "driver/memory.h"
#include "host/controls.h"
#include "host/joystick.h"
#include "host/keyboard.h"
#include "host/window_proc.h"
#include "platform/sdl2/sdl2_platform.h"
#include "platform/sdl2/sdl2_test_support.h"
#include "platform/shared/queued_window.h"

namespace {

// An SDL virtual device and a handle to move it.
struct VirtualStick {
  int index = -1;
  SDL_Joystick* handle = nullptr;
};

// Takes away the virtual joysticks an earlier test may have left behind.
void detachVirtualSticks() {
  sdlReset();
  platformJoystickCount(); // starts SDL's joystick support
  for (int index = SDL_NumJoysticks() - 1; index >= 0; --index)
    if (SDL_JoystickIsVirtual(index))
      SDL_JoystickDetachVirtual(index);
}

VirtualStick opened(int index) {
  EXPECT_GE(index, 0) << SDL_GetError();
  VirtualStick stick{index, SDL_JoystickOpen(index)};
  EXPECT_NE(stick.handle, nullptr) << SDL_GetError();
  return stick;
}

// An arcade stick with three axes and five buttons: SDL has no game-controller mapping for it.
VirtualStick attachStick(bool detachOthers = true) {
  if (detachOthers)
    detachVirtualSticks();
  return opened(SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_ARCADE_STICK, 3, 5, 0));
}

// A pad with SDL's standard controller's buttons and axes in SDL's own order, which SDL maps
// one to one (virtual button n is SDL_CONTROLLER_BUTTON n, virtual axis n SDL_CONTROLLER_AXIS n).
VirtualStick attachPad() {
  SDL_VirtualJoystickDesc desc{};
  desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
  desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
  desc.naxes = SDL_CONTROLLER_AXIS_MAX;
  desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
  VirtualStick pad = opened(SDL_JoystickAttachVirtualEx(&desc));
  EXPECT_TRUE(SDL_IsGameController(pad.index));
  return pad;
}

// Unplugs a virtual device, wherever the devices unplugged before it have moved its index.
void unplug(const VirtualStick& stick) {
  const SDL_JoystickID instance = SDL_JoystickInstanceID(stick.handle);
  SDL_JoystickClose(stick.handle);
  for (int index = 0; index < SDL_NumJoysticks(); ++index)
    if (SDL_JoystickGetDeviceInstanceID(index) == instance)
      SDL_JoystickDetachVirtual(index);
}

void detachStick(VirtualStick& stick) {
  unplug(stick);
  sdlReset();
}

void setStick(const VirtualStick& stick, int16_t x, int16_t y, uint32_t heldButtons) {
  SDL_JoystickSetVirtualAxis(stick.handle, 0, x);
  SDL_JoystickSetVirtualAxis(stick.handle, 1, y);
  for (int button = 0; button < 5; ++button)
    SDL_JoystickSetVirtualButton(stick.handle, button, (heldButtons >> button) & 1);
}

TEST(Sdl2Joystick, PositionsAndButtonsAsTheSystemReportsThem) {
  VirtualStick stick = attachStick();
  ASSERT_GT(platformJoystickCount(), uint32_t(stick.index));
  JoystickLimits limits{};
  ASSERT_TRUE(platformJoystickLimits(uint32_t(stick.index), &limits));
  EXPECT_EQ(limits.xMin, 0u);
  EXPECT_EQ(limits.xMax, 65535u);
  EXPECT_EQ(limits.yMin, 0u);
  EXPECT_EQ(limits.yMax, 65535u);
  struct Case {
    int16_t x, y;
    uint32_t heldButtons; // bit n: SDL button n
    uint32_t positionX, positionY, buttons;
  } cases[] = {
      {0, 0, 0, 32768, 32768, 0},
      {-32768, 32767, 0b1, 0, 65535, 1},
      {32767, -32768, 0b10, 65535, 0, 2},
      {-1, 1, 0b100, 32767, 32769, 4},
      {-8193, -8192, 0b1000, 24575, 24576, 8},
      {100, -100, 0b11111, 32868, 32668, 15}, // a fifth button has no mask
  };
  for (const Case& c : cases) {
    setStick(stick, c.x, c.y, c.heldButtons);
    JoystickPosition position{};
    ASSERT_TRUE(platformJoystickRead(uint32_t(stick.index), &position));
    EXPECT_EQ(position.x, c.positionX) << c.x;
    EXPECT_EQ(position.y, c.positionY) << c.y;
    EXPECT_EQ(position.z, 32768u);
    EXPECT_EQ(position.buttons, c.buttons) << c.heldButtons;
  }
  JoystickPosition position{};
  EXPECT_FALSE(platformJoystickRead(platformJoystickCount(), &position));
  EXPECT_FALSE(platformJoystickLimits(platformJoystickCount(), &limits));
  detachStick(stick);
}

// The core's detection and poll over this backend drive PlayerInputs and autofire.
TEST(Sdl2Joystick, DetectionAndPollSetThePlayerInputs) {
  freshInputs();
  VirtualStick stick = attachStick();
  ASSERT_EQ(stick.index, 0) << "no other joystick may be attached for this test";
  joystickState = NO_JOYSTICK;
  detectJoystick();
  ASSERT_EQ(joystickState.joystickId, 0);
  uint8_t& port = machineMemory[PLAYER_INPUTS_ADDRESS];
  struct Step {
    int16_t x, y;
    uint32_t heldButtons;
    uint8_t port;
    uint32_t autofire;
  } steps[] = {
      {-32768, 0, 0, INPUT_LEFT, 0},
      {32767, 0, 0, INPUT_RIGHT, 0},
      {0, -32768, 0, INPUT_UP, 0},
      {0, 32767, 0, INPUT_DOWN, 0},
      {-8193, 0, 0, INPUT_LEFT, 0}, // just outside the dead zone
      {-8192, 0, 0, 0, 0},          // just inside it
      {0, 0, 0b10, INPUT_FIRE, 0},  // button 2
      {0, 0, 0, 0, 0},
      {0, 0, 0b01, 0, 1},           // button 1: autofire
      {0, 0, 0, 0, 0},
  };
  for (const Step& s : steps) {
    setStick(stick, s.x, s.y, s.heldButtons);
    pollJoystick();
    EXPECT_EQ(port, s.port) << s.x << "," << s.y << " buttons " << s.heldButtons;
    EXPECT_EQ(boardInputs.autofire, s.autofire) << s.x << "," << s.y << " buttons " << s.heldButtons;
  }
  // Unplugged: reads fail and the port keeps what it had.
  setStick(stick, -32768, 0, 0);
  pollJoystick();
  ASSERT_EQ(port, INPUT_LEFT);
  SDL_JoystickClose(stick.handle);
  SDL_JoystickDetachVirtual(stick.index);
  JoystickPosition position{};
  EXPECT_FALSE(platformJoystickRead(0, &position));
  pollJoystick();
  EXPECT_EQ(port, INPUT_LEFT);
  sdlReset();
}

// The key messages the backend has queued since the last call, after taking SDL's events.
struct KeyMessage {
  uint32_t message;
  uintptr_t keyCode;
  bool operator==(const KeyMessage&) const = default;
};
std::vector<KeyMessage> pumpKeys() {
  platformPeekMessage();
  std::vector<KeyMessage> keys;
  PlatformMessage message;
  while (takeQueuedMessage(&message) != PLATFORM_TIMEOUT)
    keys.push_back({message.message, message.wParam});
  return keys;
}
void PrintTo(const KeyMessage& k, std::ostream* out) {
  *out << (k.message == MSG_KEYDOWN ? "down " : k.message == MSG_KEYUP ? "up " : "message ") << k.keyCode;
}
KeyMessage down(uint32_t keyCode) { return {MSG_KEYDOWN, keyCode}; }
KeyMessage up(uint32_t keyCode) { return {MSG_KEYUP, keyCode}; }

TEST(Sdl2Gamepad, ButtonsAndLeftStickSendTheKeyboardsKeys) {
  detachVirtualSticks();
  VirtualStick pad = attachPad();
  ASSERT_EQ(platformJoystickCount(), 0u) << "a pad is no plain joystick";
  pumpKeys();
  // Every button pressed and released alone: the playing ones send their key, the others nothing.
  for (int button = 0; button < SDL_CONTROLLER_BUTTON_MAX; ++button) {
    uint32_t key = 0;
    switch (button) {
    case SDL_CONTROLLER_BUTTON_DPAD_LEFT: key = VKEY_LEFT; break;
    case SDL_CONTROLLER_BUTTON_DPAD_RIGHT: key = VKEY_RIGHT; break;
    case SDL_CONTROLLER_BUTTON_DPAD_UP: key = VKEY_UP; break;
    case SDL_CONTROLLER_BUTTON_DPAD_DOWN: key = VKEY_DOWN; break;
    case SDL_CONTROLLER_BUTTON_A: key = VKEY_SPACE; break;
    case SDL_CONTROLLER_BUTTON_B: key = VKEY_MENU; break;
    case SDL_CONTROLLER_BUTTON_X: key = VKEY_CONTROL; break;
    case SDL_CONTROLLER_BUTTON_START: key = VKEY_P; break;
    case SDL_CONTROLLER_BUTTON_BACK: key = VKEY_H; break;
    case SDL_CONTROLLER_BUTTON_LEFTSHOULDER: key = VKEY_R; break;
    }
    const std::vector<KeyMessage> none, pressed{down(key)}, released{up(key)};
    SDL_JoystickSetVirtualButton(pad.handle, button, 1);
    EXPECT_EQ(pumpKeys(), key ? pressed : none) << SDL_GameControllerGetStringForButton(SDL_GameControllerButton(button));
    SDL_JoystickSetVirtualButton(pad.handle, button, 0);
    EXPECT_EQ(pumpKeys(), key ? released : none) << SDL_GameControllerGetStringForButton(SDL_GameControllerButton(button));
  }
  // The left stick, one step after another: a direction goes down at 12288 and up at 8192.
  constexpr int NO_BUTTON = -1;
  struct Step {
    int button;                  // a button pressed or released, or an axis moved
    int axis;
    int16_t value;
    std::vector<KeyMessage> keys;
  } steps[] = {
      {NO_BUTTON, SDL_CONTROLLER_AXIS_LEFTX, -12287, {}},
      {NO_BUTTON, SDL_CONTROLLER_AXIS_LEFTX, -12288, {down(VKEY_LEFT)}},
      {NO_BUTTON, SDL_CONTROLLER_AXIS_LEFTX, -8193, {}},
      {NO_BUTTON, SDL_CONTROLLER_AXIS_LEFTX, -8192, {up(VKEY_LEFT)}},
      {NO_BUTTON, SDL_CONTROLLER_AXIS_LEFTX, 32767, {down(VKEY_RIGHT)}},
      {NO_BUTTON, SDL_CONTROLLER_AXIS_LEFTX, -32768, {down(VKEY_LEFT), up(VKEY_RIGHT)}},
      {NO_BUTTON, SDL_CONTROLLER_AXIS_LEFTY, 12288, {down(VKEY_DOWN)}},
      {NO_BUTTON, SDL_CONTROLLER_AXIS_LEFTY, 8193, {}},
      {NO_BUTTON, SDL_CONTROLLER_AXIS_LEFTY, -32768, {down(VKEY_UP), up(VKEY_DOWN)}},
      {NO_BUTTON, SDL_CONTROLLER_AXIS_LEFTX, 0, {up(VKEY_LEFT)}},
      {NO_BUTTON, SDL_CONTROLLER_AXIS_LEFTY, 0, {up(VKEY_UP)}},
      // The other stick and the triggers do nothing.
      {NO_BUTTON, SDL_CONTROLLER_AXIS_RIGHTX, -32768, {}},
      {NO_BUTTON, SDL_CONTROLLER_AXIS_RIGHTY, 32767, {}},
      {NO_BUTTON, SDL_CONTROLLER_AXIS_TRIGGERLEFT, 32767, {}},
      // D-pad and stick on the same direction: one key, down while either holds it.
      {SDL_CONTROLLER_BUTTON_DPAD_RIGHT, 0, 1, {down(VKEY_RIGHT)}},
      {NO_BUTTON, SDL_CONTROLLER_AXIS_LEFTX, 32767, {}},
      {SDL_CONTROLLER_BUTTON_DPAD_RIGHT, 0, 0, {}},
      {NO_BUTTON, SDL_CONTROLLER_AXIS_LEFTX, 0, {up(VKEY_RIGHT)}},
  };
  for (const Step& step : steps) {
    if (step.button == NO_BUTTON)
      SDL_JoystickSetVirtualAxis(pad.handle, step.axis, step.value);
    else
      SDL_JoystickSetVirtualButton(pad.handle, step.button, uint8_t(step.value));
    EXPECT_EQ(pumpKeys(), step.keys) << "button " << step.button << " axis " << step.axis << " value " << step.value;
  }
  detachStick(pad);
}

// Takes SDL's events and hands the key messages they make to the program's window procedure.
std::vector<KeyMessage> dispatchKeys() {
  std::vector<KeyMessage> keys = pumpKeys();
  for (const KeyMessage& k : keys)
    windowProc(nullptr, k.message, k.keyCode, 0);
  return keys;
}

// Pads plugged in after start play; an unplugged pad lets go of what it held, other pads keep theirs.
TEST(Sdl2Gamepad, PadsPluggedInAndOutWhileRunning) {
  freshInputs();
  detachVirtualSticks();
  ASSERT_EQ(platformJoystickCount(), 0u);
  const uint8_t& port = machineMemory[PLAYER_INPUTS_ADDRESS];
  VirtualStick first = attachPad();
  SDL_JoystickSetVirtualButton(first.handle, SDL_CONTROLLER_BUTTON_A, 1); // held while plugged in
  SDL_JoystickSetVirtualButton(first.handle, SDL_CONTROLLER_BUTTON_X, 1);
  // Keys that change together are sent in key-code order.
  EXPECT_EQ(dispatchKeys(), (std::vector<KeyMessage>{down(VKEY_CONTROL), down(VKEY_SPACE)}));
  SDL_JoystickSetVirtualButton(first.handle, SDL_CONTROLLER_BUTTON_DPAD_LEFT, 1);
  dispatchKeys();
  EXPECT_EQ(port, INPUT_FIRE | INPUT_LEFT);
  EXPECT_EQ(boardInputs.autofire, 1u);
  VirtualStick second = attachPad();
  SDL_JoystickSetVirtualAxis(second.handle, SDL_CONTROLLER_AXIS_LEFTX, -32768);
  EXPECT_EQ(dispatchKeys(), std::vector<KeyMessage>{}) << "left is already down";
  unplug(first);
  EXPECT_EQ(dispatchKeys(), (std::vector<KeyMessage>{up(VKEY_SPACE), up(VKEY_CONTROL)}));
  EXPECT_EQ(port, INPUT_LEFT);
  EXPECT_EQ(boardInputs.autofire, 0u);
  unplug(second);
  EXPECT_EQ(dispatchKeys(), std::vector<KeyMessage>{up(VKEY_LEFT)});
  EXPECT_EQ(port, 0);
  // SDL lets go of an unplugged pad's buttons before it reports the removal; the removal notice
  // alone lets go of them too.
  VirtualStick third = attachPad();
  SDL_JoystickSetVirtualButton(third.handle, SDL_CONTROLLER_BUTTON_B, 1);
  EXPECT_EQ(dispatchKeys(), std::vector<KeyMessage>{down(VKEY_MENU)});
  SDL_Event removed{};
  removed.cdevice = SDL_ControllerDeviceEvent{SDL_CONTROLLERDEVICEREMOVED, 0, SDL_JoystickInstanceID(third.handle)};
  SDL_PushEvent(&removed);
  EXPECT_EQ(dispatchKeys(), std::vector<KeyMessage>{up(VKEY_MENU)});
  EXPECT_EQ(port, 0);
  unplug(third);
  sdlReset();
}

// With a pad and a plain stick plugged in, the joystick path sees the stick alone.
TEST(Sdl2Gamepad, PlainJoysticksStayOnTheJoystickPath) {
  freshInputs();
  detachVirtualSticks();
  VirtualStick pad = attachPad();
  joystickState = NO_JOYSTICK;
  detectJoystick();
  EXPECT_EQ(joystickState.joystickId, -1) << "the pad is not read as a joystick too";
  VirtualStick stick = attachStick(false);
  ASSERT_EQ(platformJoystickCount(), 1u);
  detectJoystick();
  ASSERT_EQ(joystickState.joystickId, 0);
  SDL_JoystickSetVirtualAxis(pad.handle, SDL_CONTROLLER_AXIS_LEFTX, 32767);
  SDL_JoystickSetVirtualButton(pad.handle, 1, 1);
  setStick(stick, -32768, 0, 0);
  JoystickPosition position{};
  ASSERT_TRUE(platformJoystickRead(0, &position));
  EXPECT_EQ(position.x, 0u);
  EXPECT_EQ(position.buttons, 0u);
  pollJoystick();
  EXPECT_EQ(machineMemory[PLAYER_INPUTS_ADDRESS], INPUT_LEFT);
  unplug(pad);
  detachStick(stick);
}

} // namespace
