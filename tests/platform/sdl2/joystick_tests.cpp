#include <gtest/gtest.h>

#include "driver/board.h"
#include "driver/memory.h"
#include "host/controls.h"
#include "host/joystick.h"
#include "platform/sdl2/sdl2_platform.h"
#include "platform/sdl2/sdl2_test_support.h"

namespace {

// An SDL virtual joystick with three axes and five buttons, and a handle to move it.
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

VirtualStick attachStick() {
  detachVirtualSticks();
  VirtualStick stick;
  stick.index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 3, 5, 0);
  EXPECT_GE(stick.index, 0) << SDL_GetError();
  stick.handle = SDL_JoystickOpen(stick.index);
  EXPECT_NE(stick.handle, nullptr) << SDL_GetError();
  return stick;
}

void detachStick(VirtualStick& stick) {
  SDL_JoystickClose(stick.handle);
  SDL_JoystickDetachVirtual(stick.index);
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
  joystickState = JoystickState{-1, {}, 0, 0, 0};
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
    EXPECT_EQ(hostControls.autofire, s.autofire) << s.x << "," << s.y << " buttons " << s.heldButtons;
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

} // namespace
