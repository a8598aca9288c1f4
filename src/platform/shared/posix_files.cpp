// File operations of the backends that run on POSIX systems (headless, SDL2).
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/platform.h"

bool platformReplaceFile(const char* from, const char* to) { return rename(from, to) == 0; }

bool platformCreateFolder(const char* path) {
  if (mkdir(path, 0777) == 0)
    return true;
  struct stat status;
  return errno == EEXIST && stat(path, &status) == 0 && S_ISDIR(status.st_mode);
}

bool platformEnterFolder(const char* path) { return chdir(path) == 0; }
