// File operations of the Windows backend, on the system's own calls: under Wine the C library's write
// reports a full disk as EINVAL, so errno is set here from the system's error instead.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "files/file_write.h"
#include "platform/platform.h"

namespace {
// The errno of the system errors a person can cause; EIO for the rest.
constexpr struct {
  DWORD systemError;
  int number;
} ERRNO_OF_SYSTEM_ERROR[] = {
    {ERROR_DISK_FULL, ENOSPC},         {ERROR_HANDLE_DISK_FULL, ENOSPC},  {ERROR_FILE_EXISTS, EEXIST},
    {ERROR_ALREADY_EXISTS, EEXIST},    {ERROR_FILE_NOT_FOUND, ENOENT},    {ERROR_PATH_NOT_FOUND, ENOENT},
    {ERROR_INVALID_DRIVE, ENOENT},     {ERROR_ACCESS_DENIED, EACCES},     {ERROR_SHARING_VIOLATION, EACCES},
    {ERROR_LOCK_VIOLATION, EACCES},    {ERROR_WRITE_PROTECT, EROFS},      {ERROR_FILENAME_EXCED_RANGE, ENAMETOOLONG},
    {ERROR_INVALID_NAME, ENOENT},      {ERROR_NOT_ENOUGH_MEMORY, ENOMEM},
};

// Sets errno from the calling thread's last system error; returns false for the caller to pass on.
bool failWithSystemError() {
  const DWORD systemError = GetLastError();
  errno = EIO;
  for (const auto& entry : ERRNO_OF_SYSTEM_ERROR)
    if (entry.systemError == systemError)
      errno = entry.number;
  return false;
}

// Largest piece handed to one WriteFile call.
constexpr size_t WRITE_PIECE = 1u << 30;

// Writes all size bytes; a short write is followed by another, which names the reason.
bool writeAll(HANDLE file, const void* data, size_t size) {
  const char* at = static_cast<const char*>(data);
  while (size > 0) {
    DWORD written = 0;
    if (!WriteFile(file, at, DWORD(size < WRITE_PIECE ? size : WRITE_PIECE), &written, nullptr))
      return failWithSystemError();
    if (written == 0) {
      errno = ENOSPC; // nothing taken and no reason given
      return false;
    }
    at += written;
    size -= written;
  }
  return true;
}
} // namespace

bool platformWriteNewFile(const char* path, const FilePart* parts, int partCount, bool durable) {
  // CREATE_NEW fails on any name already there, a link included; the handle is not inherited.
  const HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return failWithSystemError();
  bool ok = true;
  for (int i = 0; i < partCount && ok; ++i)
    ok = writeAll(file, parts[i].data, parts[i].size);
  if (ok && durable && !FlushFileBuffers(file))
    ok = failWithSystemError();
  int error = errno;
  if (!CloseHandle(file) && ok) {
    ok = failWithSystemError();
    error = errno;
  }
  if (!ok) {
    DeleteFileA(path);
    errno = error;
  }
  return ok;
}

bool platformReplaceFile(const char* from, const char* to) {
  return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0 || failWithSystemError();
}

bool platformEnterFolder(const char* path) { return SetCurrentDirectoryA(path) != 0 || failWithSystemError(); }

bool platformCreateFolder(const char* path) {
  if (CreateDirectoryA(path, nullptr))
    return true;
  const DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Access rules decide on Windows, not the read-only attribute: a file made there, gone when closed,
// tells. (GetTempFileName would do, but Wine's says it made a file it could not make.)
bool platformFolderWritable(const char* path) {
  char probe[MAX_PATH];
  if (snprintf(probe, sizeof probe, "%s\\quillomark-write-test.tmp", path) >= int(sizeof probe))
    return false;
  const HANDLE file = CreateFileA(probe, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return false;
  CloseHandle(file);
  return true;
}

// Makes (when missing) BASE\Quillomark and, unless sub is empty, BASE\Quillomark\SUB, where BASE is
// the folder the environment variable names; folder gets the deepest.
static bool makeUserFolder(const char* variable, const char* sub, char* folder, int folderSize) {
  const char* root = getenv(variable);
  if (!root || !*root) {
    errno = ENOENT;
    return false;
  }
  char base[MAX_PATH];
  if (snprintf(base, sizeof base, "%s\\Quillomark", root) >= int(sizeof base) ||
      snprintf(folder, size_t(folderSize), "%s%s%s", base, *sub ? "\\" : "", sub) >= folderSize) {
    errno = ENAMETOOLONG;
    return false;
  }
  // Made directly, so that the system's reason for a failure is the one told.
  const auto make = [](const char* path) {
    return CreateDirectoryA(path, nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
  };
  return (make(base) && (!*sub || make(folder))) || failWithSystemError();
}

bool platformUserRunFolder(const char* setName, char* folder, int folderSize) {
  return makeUserFolder("LOCALAPPDATA", setName, folder, folderSize);
}

bool platformUserSettingsFolder(char* folder, int folderSize) {
  return makeUserFolder("APPDATA", "", folder, folderSize);
}
