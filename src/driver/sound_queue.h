// Sound-command queue: the ring the main CPU's sound commands go into.
#pragma once
#include <cstdint>

inline constexpr int32_t SOUND_QUEUE_SIZE = 1024;
inline constexpr uint8_t EMPTY_QUEUE_VALUE = 0xFF; // what a pop from an empty queue returns

struct SoundCommandQueue {
  uint8_t entries[SOUND_QUEUE_SIZE];
  int32_t writeIndex; // slot the next push fills
  int32_t readIndex;  // slot the next pop takes
};

extern SoundCommandQueue soundCommandQueue;

// Appends a command byte. The 1024th byte pending makes the write index meet the read index, so
// the queue then reads as empty: everything pending is lost, not just the oldest byte.
inline void pushSoundCommand(uint8_t command) {
  soundCommandQueue.entries[soundCommandQueue.writeIndex] = command;
  soundCommandQueue.writeIndex = (soundCommandQueue.writeIndex + 1) & (SOUND_QUEUE_SIZE - 1);
}

// Takes the oldest pending byte, or EMPTY_QUEUE_VALUE when nothing is pending.
uint8_t popSoundCommand();
