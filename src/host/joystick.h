// The first joystick that answers drives the player inputs and autofire.
#pragma once
#include <cstdint>

#include "platform/platform.h"

inline constexpr int32_t AXIS_DEAD_ZONE = 25; // on the normalised scale -100..100

struct JoystickState {
  int32_t joystickId;    // -1: none
  JoystickLimits limits; // axis limits read at detection, zero if that read failed
  int32_t lastAxisX;     // normalised axes of the last poll that wrote the direction bits
  int32_t lastAxisY;
  uint16_t lastButtons;  // button mask of the last poll that wrote the button bits
};

// What a run starts with: no joystick picked, nothing read.
inline constexpr JoystickState NO_JOYSTICK = {-1, {}, 0, 0, 0};

extern JoystickState joystickState;

// Picks the first joystick id whose position read succeeds and reads its limits.
void detectJoystick();
// Writes changed axes and buttons into the player input byte and autofire.
void pollJoystick();
// Maps a position onto -100..100 (0 when the limits are equal).
int32_t normaliseAxis(uint32_t position, uint32_t minimum, uint32_t maximum);
