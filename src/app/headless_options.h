// quillomark-headless's command line.
#pragma once
#include <cstdint>

struct HeadlessOptions {
  uint32_t frames;
  const char* keysPath;
  const char* digestsPath;
  const char* replayPath;
  bool stats;
  bool wide;
};

// Parses quillomark-headless's command line; on error fills message and returns false.
bool parseHeadlessOptions(int argc, char** argv, HeadlessOptions* options, char* message, int messageSize);
