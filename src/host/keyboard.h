// The keyboard's share of the input ports.
#pragma once
#include <cstdint>

// What the board's inputs keep between passes: autofire armed, and what the joystick last wrote.
struct BoardInputs {
  uint32_t autofire;        // Ctrl or joystick button 1 held
  int32_t joystickAxisX;    // normalised axes of the last reading that wrote the direction bits
  int32_t joystickAxisY;
  uint16_t joystickButtons; // button mask of the last reading that wrote the button bits
};

extern BoardInputs boardInputs;

// Normalised axes beyond this (on the scale -100..100) press a direction.
inline constexpr int32_t AXIS_DEAD_ZONE = 25;

// Maps a key press (pressed 1) or release (0) onto the input-port bytes and autofire.
void applyKey(uint32_t keyCode, uint32_t pressed);
// Once a pass while autofire is armed: inverts both fire bits of the player input byte.
void stepAutofire();
// Writes a joystick reading (axes normalised to -100..100, buttons as a mask) into the player input
// byte and autofire, where it changed since the last reading written.
void applyJoystick(int32_t x, int32_t y, uint32_t buttons);
