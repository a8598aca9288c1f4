// The board's named addresses: the game's idle loop and frame flag, video RAM, the input ports.
// The CPU core never needs them; the frame loop, video and host code do.
#pragma once
#include <cstdint>

// Frames the board shows a second: the pace of its program and of every front end.
inline constexpr uint32_t BOARD_FRAME_RATE = 60;

inline constexpr uint32_t IDLE_LOOP_PC = 0xA34;            // the game's idle loop
inline constexpr uint32_t FRAME_FLAG_POINTER = 0x80014;    // long: address of the frame-flag byte
inline constexpr uint32_t PALETTE_RAM = 0x90000;           // 2048 entries of 4 bytes
inline constexpr uint32_t SWITCH_INPUTS_ADDRESS = 0xC2001; // switch input port byte
inline constexpr uint32_t PLAYER_INPUTS_ADDRESS = 0xC2003; // player input port byte
inline constexpr uint32_t LAYER0_MAP = 0x100000;           // layer-0 code words (attributes at +0x2000)
inline constexpr uint32_t LAYER1_MAP = 0x101000;           // layer-1 code words (attributes at +0x2000)
inline constexpr uint32_t CHARACTER_RAM = 0x120000;        // tile and sprite patterns
inline constexpr uint32_t SPRITE_RAM = 0x180000;           // 256 entries of 16 bytes
inline constexpr uint32_t SCROLL_REGISTERS = 0x190000;     // scroll tables (odd bytes)

// Bits of the player input port.
inline constexpr uint8_t INPUT_LEFT = 0x01;
inline constexpr uint8_t INPUT_RIGHT = 0x02;
inline constexpr uint8_t INPUT_UP = 0x04;
inline constexpr uint8_t INPUT_DOWN = 0x08;
inline constexpr uint8_t INPUT_FIRE = 0x10;   // Enter, Shift, Space, joystick button 2
inline constexpr uint8_t INPUT_BUTTON2 = 0x20; // Alt
