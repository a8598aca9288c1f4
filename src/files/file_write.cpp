#include "files/file_write.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/platform.h"

FileWriteState fileWriteState;

static const char TEMPORARY_SUFFIX[] = ".tmp";

void reportWriteFailure(FileKind kind, const char* path) {
  const int error = errno;
  fileWriteState.anyFailed = true;
  if (fileWriteState.reported[kind])
    return;
  fileWriteState.reported[kind] = true;
  fprintf(stderr, "Cannot write %s: %s\n", path, error ? strerror(error) : "write failed");
}

std::string temporaryName(const char* path, int n) {
  return std::string(path) + TEMPORARY_SUFFIX + "." + std::to_string(getpid()) + "." + std::to_string(n);
}

std::string writeTemporaryTwin(const char* path, const FilePart* parts, int partCount, bool durable) {
  errno = 0;
  for (int n = 0; n < TEMPORARY_NAME_TRIES; ++n) {
    std::string name = temporaryName(path, n);
    if (platformWriteNewFile(name.c_str(), parts, partCount, durable))
      return name;
    if (errno != EEXIST)
      break;
  }
  return {};
}

bool writeWholeFile(FileKind kind, const char* path, const FilePart* parts, int partCount) {
  // A power loss after the rename must not find an empty file under the real name.
  const bool durable = kind == FILE_STATE || kind == FILE_DUMP;
  const std::string temporary = writeTemporaryTwin(path, parts, partCount, durable);
  if (!temporary.empty() && platformReplaceFile(temporary.c_str(), path))
    return true;
  const int error = errno;
  if (!temporary.empty())
    remove(temporary.c_str());
  errno = error;
  reportWriteFailure(kind, path);
  return false;
}
