#include <gtest/gtest.h>

#include "driver/memory.h"
#include "support/test_support.h"

TEST(SoundQueue, FreshQueuePopsEmptyValue) {
  freshMachine();
  EXPECT_EQ(popSoundCommand(), EMPTY_QUEUE_VALUE);
}

TEST(SoundQueue, PopsInOrderThenEmpty) {
  freshMachine();
  pushSoundCommand(0x10);
  pushSoundCommand(0x20);
  EXPECT_EQ(popSoundCommand(), 0x10);
  EXPECT_EQ(popSoundCommand(), 0x20);
  EXPECT_EQ(popSoundCommand(), 0xFF);
}

TEST(SoundQueue, Holds1023PendingBytes) {
  freshMachine();
  for (int i = 0; i < 1023; ++i)
    pushSoundCommand(uint8_t(i * 7));
  for (int i = 0; i < 1023; ++i)
    ASSERT_EQ(popSoundCommand(), uint8_t(i * 7)) << i;
  EXPECT_EQ(popSoundCommand(), EMPTY_QUEUE_VALUE);
}

TEST(SoundQueue, WrapsSilentlyWhenFull) {
  freshMachine();
  for (int i = 0; i < 1024; ++i)
    pushSoundCommand(1);
  EXPECT_EQ(popSoundCommand(), EMPTY_QUEUE_VALUE); // 1024 pushes read as empty
  pushSoundCommand(0x42);
  EXPECT_EQ(popSoundCommand(), 0x42);
}

TEST(SoundQueue, CommandFFIsStoredLikeAnyOther) {
  freshMachine();
  pushSoundCommand(0xFF);
  EXPECT_EQ(soundCommandQueue.writeIndex, 1);
  EXPECT_EQ(popSoundCommand(), 0xFF);
  EXPECT_EQ(soundCommandQueue.readIndex, 1);
}

TEST(SoundQueue, ByteWriteToPortQueuesAndStores) {
  freshMachine();
  writeByte(SOUND_COMMAND_PORT, 0x55);
  EXPECT_EQ(machineMemory[SOUND_COMMAND_PORT], 0x55);
  EXPECT_EQ(popSoundCommand(), 0x55);
  writeWord(SOUND_COMMAND_PORT - 1, 0x1234); // words are never queued
  EXPECT_EQ(machineMemory[SOUND_COMMAND_PORT], 0x34);
  EXPECT_EQ(popSoundCommand(), EMPTY_QUEUE_VALUE);
}
