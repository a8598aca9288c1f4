#include "app/headless_options.h"

#include <cstdio>
#include <cstring>

#include "platform/headless/headless.h"

bool parseHeadlessOptions(int argc, char** argv, HeadlessOptions* options, char* message, int messageSize) {
  *options = HeadlessOptions{};
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
    const char** path = nullptr;
    if (strcmp(arg, "--stats") == 0) {
      options->stats = true;
      continue;
    }
    if (strcmp(arg, "-640") == 0) {
      options->wide = true;
      continue;
    }
    if (strcmp(arg, "--frames") == 0) {
      if (!value || !parseWholeNumber(value, &options->frames) || options->frames == 0) {
        snprintf(message, size_t(messageSize), "--frames needs a positive number");
        return false;
      }
      ++i;
      continue;
    }
    if (strcmp(arg, "--keys") == 0)
      path = &options->keysPath;
    else if (strcmp(arg, "--digests") == 0)
      path = &options->digestsPath;
    else if (strcmp(arg, "--replay") == 0)
      path = &options->replayPath;
    if (path) {
      if (!value) {
        snprintf(message, size_t(messageSize), "%s needs a file name", arg);
        return false;
      }
      *path = value;
      ++i;
      continue;
    }
    if (arg[0] == '-')
      snprintf(message, size_t(messageSize), "unknown option %s", arg);
    else
      snprintf(message, size_t(messageSize), "unexpected argument %s", arg);
    return false;
  }
  return true;
}
