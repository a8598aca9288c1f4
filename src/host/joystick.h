// The first joystick that answers drives the player inputs and autofire.
#pragma once
#include <cstdint>

#include "platform/platform.h"

struct JoystickState {
  int32_t joystickId;    // -1: none
  JoystickLimits limits; // axis limits read at detection, zero if that read failed
};

// What a run starts with: no joystick picked, nothing read.
inline constexpr JoystickState NO_JOYSTICK = {-1, {}};

extern JoystickState joystickState;

// Picks the first joystick id whose position read succeeds and reads its limits.
void detectJoystick();
// Reads the joystick and hands its position to the board (applyJoystick).
void pollJoystick();
// Maps a position onto -100..100 (0 when the limits are equal).
int32_t normaliseAxis(uint32_t position, uint32_t minimum, uint32_t maximum);
