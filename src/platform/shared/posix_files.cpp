// File operations of the backends that run on POSIX systems (headless, SDL2).
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

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

// Makes the folder path with the given mode; true when it is a folder afterwards.
static bool makeFolder(const char* path, mode_t mode) {
  struct stat status;
  if (stat(path, &status) == 0 && S_ISDIR(status.st_mode))
    return true;
  return mkdir(path, mode) == 0 || (errno == EEXIST && stat(path, &status) == 0 && S_ISDIR(status.st_mode));
}

bool platformCreateFolder(const char* path) { return makeFolder(path, 0777); }

bool platformEnterFolder(const char* path) { return chdir(path) == 0; }

bool platformFolderWritable(const char* path) { return access(path, W_OK | X_OK) == 0; }

bool platformUserRunFolder(const char* setName, char* folder, int folderSize) {
  // The XDG base directories: a relative XDG_DATA_HOME is to be ignored, as an unset one is.
  std::string data;
  const char* xdg = getenv("XDG_DATA_HOME");
  if (xdg && xdg[0] == '/')
    data = xdg;
  else {
    const char* home = getenv("HOME");
    if (!home || !*home) {
      const passwd* user = getpwuid(getuid());
      home = user ? user->pw_dir : nullptr;
    }
    if (!home || !*home) {
      errno = ENOENT;
      return false;
    }
    data = std::string(home) + "/.local/share";
  }
  const std::string run = data + "/quillomark/" + setName;
  if (int(run.size()) >= folderSize) {
    errno = ENAMETOOLONG;
    return false;
  }
  // Every missing level is made private to the user, as the XDG base directories ask.
  for (size_t slash = run.find('/', 1); slash != std::string::npos; slash = run.find('/', slash + 1))
    if (!makeFolder(run.substr(0, slash).c_str(), 0700))
      return false;
  if (!makeFolder(run.c_str(), 0700))
    return false;
  snprintf(folder, size_t(folderSize), "%s", run.c_str());
  return true;
}
