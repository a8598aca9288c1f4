// File operations of the backends that run on POSIX systems (headless, SDL2).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "driver/file_write.h"
#include "platform/platform.h"

namespace {
// Writes all size bytes, past short writes and interrupting signals; false (errno set) on failure.
bool writeAll(int file, const void* data, size_t size) {
  const char* at = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t written = write(file, at, size);
    if (written < 0 && errno == EINTR)
      continue;
    if (written <= 0) {
      if (written == 0)
        errno = ENOSPC; // nothing taken and no reason given
      return false;
    }
    at += written;
    size -= size_t(written);
  }
  return true;
}
} // namespace

bool platformWriteNewFile(const char* path, const FilePart* parts, int partCount, bool durable) {
  // Exclusive: a link, a pipe or a file left at the name makes it fail at once, never blocks.
  const int file = open(path, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (file < 0)
    return false;
  bool ok = true;
  for (int i = 0; i < partCount && ok; ++i)
    ok = writeAll(file, parts[i].data, parts[i].size);
  if (ok && durable)
    ok = fsync(file) == 0;
  int error = errno;
  if (close(file) != 0 && ok) {
    ok = false;
    error = errno;
  }
  if (!ok) {
    unlink(path);
    errno = error;
  }
  return ok;
}

bool platformReplaceFile(const char* from, const char* to) { return rename(from, to) == 0; }

bool platformCreateFolder(const char* path) {
  if (mkdir(path, 0777) == 0)
    return true;
  struct stat status;
  return errno == EEXIST && stat(path, &status) == 0 && S_ISDIR(status.st_mode);
}

bool platformEnterFolder(const char* path) { return chdir(path) == 0; }
