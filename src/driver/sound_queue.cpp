#include "driver/sound_queue.h"

SoundCommandQueue soundCommandQueue;

uint8_t popSoundCommand() {
  SoundCommandQueue& q = soundCommandQueue;
  if (q.readIndex == q.writeIndex)
    return EMPTY_QUEUE_VALUE;
  uint8_t command = q.entries[q.readIndex];
  q.readIndex = (q.readIndex + 1) & (SOUND_QUEUE_SIZE - 1);
  return command;
}
