// File operations of the backends that run on POSIX systems (headless, SDL2).
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "files/file_write.h"
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

// Makes (when missing) the folder SUB under the XDG base directory named by variable, or under
// HOME/fallback where it is unset or relative (to be ignored, as the base directories say); every
// missing level is made private to the user.
static bool makeUserFolder(const char* variable, const char* fallback, const std::string& sub, char* folder,
                           int folderSize) {
  std::string base;
  const char* xdg = getenv(variable);
  if (xdg && xdg[0] == '/')
    base = xdg;
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
    base = std::string(home) + fallback;
  }
  const std::string path = base + "/" + sub;
  if (int(path.size()) >= folderSize) {
    errno = ENAMETOOLONG;
    return false;
  }
  for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1))
    if (!makeFolder(path.substr(0, slash).c_str(), 0700))
      return false;
  if (!makeFolder(path.c_str(), 0700))
    return false;
  snprintf(folder, size_t(folderSize), "%s", path.c_str());
  return true;
}

bool platformUserRunFolder(const char* setName, char* folder, int folderSize) {
  return makeUserFolder("XDG_DATA_HOME", "/.local/share", std::string("quillomark/") + setName, folder, folderSize);
}

bool platformUserSettingsFolder(char* folder, int folderSize) {
  return makeUserFolder("XDG_CONFIG_HOME", "/.config", "quillomark", folder, folderSize);
}
