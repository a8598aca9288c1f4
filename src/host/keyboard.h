// The keyboard's share of the input ports.
#pragma once
#include <cstdint>

// Maps a key press (pressed 1) or release (0) onto the input-port bytes and autofire.
void applyKey(uint32_t keyCode, uint32_t pressed);
// Once a pass while autofire is armed: inverts both fire bits of the player input byte.
void stepAutofire();
